#pragma once

#include <QMetaObject>
#include <QObject>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>

namespace tunewalk {

// The way back from a worker thread to an object on the window thread. Workers that read
// storage may hang on a dead mount, so they are abandoned rather than joined: each holds a
// shared ReturnAddress and posts its results through it. Once the object has closed the
// address (in its destructor, or when it gives up on the work), posts are dropped.
class ReturnAddress {
public:
    explicit ReturnAddress(QObject* target) : m_target(target) {}

    static std::shared_ptr<ReturnAddress> to(QObject* target) {
        return std::make_shared<ReturnAddress>(target);
    }

    // Runs `f` on the target's thread, unless the address is closed; false when it is. What `f`
    // holds is released there as well, right after it has run, rather than where Qt deletes the
    // posted call: where its last reference is dropped, often on the worker that posted it.
    template <class F> bool post(F&& f) {
        std::lock_guard lock(m_mutex);
        if (!m_target) return false;
        // Qt's event queue hands the call over under a lock inside Qt, which the thread
        // sanitizer does not see. In its builds a lock of ours, held until the call is queued
        // and taken before it runs, shows it that what the worker wrote comes before the call.
        // Only there: a worker that yields to the window could hold it while the window waits.
        [[maybe_unused]] Handover handing;
        QMetaObject::invokeMethod(
            m_target,
            [work = std::optional<std::decay_t<F>>(std::forward<F>(f))]() mutable {
                { [[maybe_unused]] Handover taken; }
                (*work)();
                work.reset();
            },
            Qt::QueuedConnection);
        return true;
    }

    // After this returns no further post reaches the target (one already queued is dropped
    // by Qt when the target is deleted; a target that lives on must check its own state).
    void close() {
        std::lock_guard lock(m_mutex);
        m_target = nullptr;
    }

    bool isOpen() {
        std::lock_guard lock(m_mutex);
        return m_target != nullptr;
    }

private:
#if defined(__SANITIZE_THREAD__)
    // One for every address: made before any worker, and held only for a moment.
    struct Handover {
        static std::mutex& lock() {
            static std::mutex one;
            return one;
        }
        std::lock_guard<std::mutex> held{lock()};
    };
#else
    struct Handover {};
#endif

    std::mutex m_mutex;
    QObject* m_target;
};

} // namespace tunewalk
