#pragma once

#include <functional>

namespace tunewalk {

// Work that reads storage runs on threads that are never joined: one may hang on a dead mount,
// and the window must not wait for it (results come back through a ReturnAddress). They are
// counted, so that the process can give them a moment to finish before it takes its libraries
// down at exit.
void runDetached(std::function<void()> work);

// Waits at most `limitMs` for every detached thread to end; false when some are still running.
bool waitForDetached(int limitMs);

// For the end of main: waits at most `limitMs` for the detached threads, and when one is still
// running (stuck on storage) ends the process with `exitCode` at once, because taking the
// libraries down under a running thread crashes it.
void finishDetached(int limitMs, int exitCode);

} // namespace tunewalk
