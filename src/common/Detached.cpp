#include "common/Detached.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

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
