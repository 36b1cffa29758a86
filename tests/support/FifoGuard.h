#pragma once

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

// A FIFO named like a song, and a guard for calls that must never open it: `work` runs on a
// thread of its own, and whether it ended without blocking on the FIFO is the answer. A call
// that does block (in an open of the FIFO, or in a read from it) is released by opening the
// FIFO from this side, so a regression fails its test instead of hanging the suite.
inline bool makeFifo(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0644) == 0;
}

template <class Work> bool endsWithoutBlocking(const std::filesystem::path& fifo, Work work) {
    auto done = std::async(std::launch::async, std::move(work));
    // Generous: the calls guarded take milliseconds, a blocked one for ever.
    if (done.wait_for(std::chrono::seconds(30)) == std::future_status::ready) {
        done.get();
        return true;
    }
    // A reader and a writer at once: a blocked open returns, and once it is closed again a
    // blocked read ends; again for each later call that blocks.
    do {
        const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
    } while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready);
    done.get();
    return false;
}
