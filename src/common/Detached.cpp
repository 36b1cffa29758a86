#include "common/Detached.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include <pthread.h>
#include <sched.h>

namespace tunewalk {

namespace {
std::atomic<int> running{0};
}

void runDetached(std::function<void()> work) {
    ++running;
    std::thread([work = std::move(work)]() mutable {
        struct Leaving {
            ~Leaving() { --running; }
        } leaving;
        // What the work holds goes before the count drops, so nothing of it outlives a wait.
        std::function<void()> mine = std::move(work);
        mine();
    }).detach();
}

void yieldToForeground() {
#ifdef SCHED_IDLE
    sched_param none{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &none); // a failure leaves it as it was
#endif
}

std::future<void> runDetachedWorkers(int count, std::function<void()> work,
                                     std::function<void()> afterAll) {
    struct Group {
        std::function<void()> work;
        std::function<void()> afterAll;
        std::atomic<int> left;
        std::promise<void> ended;
        // On the last worker: the others no longer use the functions.
        void end() {
            work = nullptr;
            if (afterAll) afterAll();
            afterAll = nullptr;
            ended.set_value();
        }
    };
    auto group = std::make_shared<Group>();
    group->work = std::move(work);
    group->afterAll = std::move(afterAll);
    group->left = count;
    std::future<void> ended = group->ended.get_future();
    if (count <= 0) group->end();
    for (int i = 0; i < count; ++i)
        runDetached([group] {
            group->work();
            if (--group->left == 0) group->end();
        });
    return ended;
}

bool waitForDetached(int limitMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (running > 0) {
        if (std::chrono::steady_clock::now() >= until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void finishDetached(int limitMs, int exitCode) {
    if (waitForDetached(limitMs)) return;
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

} // namespace tunewalk
