#pragma once

#include <cstddef>
#include <deque>
#include <limits>
#include <mutex>
#include <utility>
#include <vector>

namespace tunewalk {

// Results of workers on their way to the owner's thread, in batches: workers push from any
// thread, and only the first push since the owner last emptied the queue asks for a wake-up,
// so a burst of results costs the window thread one event, not one each.
template <class T> class ResultQueue {
public:
    // True when the caller must post the owner one wake-up for this batch.
    [[nodiscard]] bool push(T value) {
        std::lock_guard lock(m_mutex);
        m_items.push_back(std::move(value));
        return !std::exchange(m_wakePending, true);
    }

    // On the owner's thread: at most `limit` results, oldest first. Once none is left, the
    // next push asks for a wake-up again.
    std::vector<T> take(std::size_t limit = std::numeric_limits<std::size_t>::max()) {
        std::vector<T> out;
        std::lock_guard lock(m_mutex);
        while (!m_items.empty() && out.size() < limit) {
            out.push_back(std::move(m_items.front()));
            m_items.pop_front();
        }
        if (m_items.empty()) m_wakePending = false;
        return out;
    }

private:
    std::mutex m_mutex;
    std::deque<T> m_items;
    bool m_wakePending = false;
};

} // namespace tunewalk
