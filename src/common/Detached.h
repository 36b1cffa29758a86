#pragma once

#include <functional>
#include <future>

namespace tunewalk {

// Work that reads storage runs on threads that are never joined: one may hang on a dead mount,
// and the window must not wait for it (results come back through a ReturnAddress). They are
// counted, so that the process can give them a moment to finish before it takes its libraries
// down at exit.
void runDetached(std::function<void()> work);

// Runs `work` on `count` detached threads at once. When the last of them has returned,
// `afterAll` runs on that thread, and then the future is ready: by then nothing of either
// function is held any more. With `count` 0 both happen here, at once. For the one who must
// wait for such workers after all (a job that puts things back before the window closes).
std::future<void> runDetachedWorkers(int count, std::function<void()> work,
                                     std::function<void()> afterAll = {});

// For a worker thread that keeps the processor busy (stat calls, reading tags): it runs only
// when the window's thread and the rest of the desktop leave the processor idle, so a
// hundred thousand files being looked at never make the window late.
void yieldToForeground();

// Waits at most `limitMs` for every detached thread to end; false when some are still running.
bool waitForDetached(int limitMs);

// For the end of main: waits at most `limitMs` for the detached threads, and when one is still
// running (stuck on storage) ends the process with `exitCode` at once, because taking the
// libraries down under a running thread crashes it.
void finishDetached(int limitMs, int exitCode);

} // namespace tunewalk
