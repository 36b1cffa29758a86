#include "AudioFixtures.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <future>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

// Runs `work` on a thread of its own and says whether it ended. A call blocked on one of the
// FIFOs (in its open, or in a read) is released by opening them from this side and `stop` is
// raised, so a regression fails its test instead of hanging the suite. The wait is a hang
// guard, not a measure of speed.
bool endsWithoutBlocking(std::function<void()> work, const std::vector<std::string>& fifos,
                         std::atomic<bool>& stop) {
    auto done = std::async(std::launch::async, std::move(work));
    if (done.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return true;
    stop = true;
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        for (const std::string& fifo : fifos) {
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        }
    return false;
}

// The codec's four ways into a file, each false when it could not use the file at `path`.
struct Call {
    const char* what;
    const char* name;
    std::function<bool(const std::string& path, const std::string& good)> run;
};

const Call kCalls[] = {
    {"LoadMP3", "x.mp3",
     [](const std::string& path, const std::string&) { return MP3TagEditor().LoadMP3(path); }},
    {"SaveMP3", "x.mp3",
     [](const std::string& path, const std::string& good) {
         MP3TagEditor e;
         if (!e.LoadMP3(good + ".mp3")) return true;
         e.setFilename(path);
         return static_cast<bool>(e.SaveMP3());
     }},
    {"LoadWAV", "x.wav",
     [](const std::string& path, const std::string&) { return WAVInfo().LoadWAV(path); }},
    {"SaveWAV", "x.wav",
     [](const std::string& path, const std::string& good) {
         WAVInfo w;
         if (!w.LoadWAV(good + ".wav")) return true;
         w.setFilename(path);
         w.setConfirmHeaderChange([](const std::string&) { return true; });
         w.setSampleBits(8);
         return static_cast<bool>(w.SaveWAV());
     }},
};

} // namespace

// A FIFO named like a song (someone's `mkfifo x.mp3`) is never opened for reading or writing:
// an open would wait for a writer for ever. The same for a folder and a device.
TEST(CodecOpen, WhatIsNotARegularFileFailsAndNeverBlocks) {
    TempDir dir;
    const std::string good = dir.file("good");
    fx::writeFile(good + ".mp3", fx::mpegFrames({}, 5));
    fx::writeFile(good + ".wav", fx::wavFile({}));
    for (const Call& call : kCalls) {
        const std::string fifo = dir.file(call.name);
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::atomic<bool> stop = false, result = true;
        EXPECT_TRUE(endsWithoutBlocking([&] { result = call.run(fifo, good); }, {fifo}, stop))
            << call.what;
        EXPECT_FALSE(result) << call.what;
        std::filesystem::remove(fifo);

        std::filesystem::create_directory(fifo);
        EXPECT_FALSE(call.run(fifo, good)) << call.what << " on a folder";
        std::filesystem::remove(fifo);
        EXPECT_FALSE(call.run("/dev/null", good)) << call.what << " on a device";
    }
}

// The name looked at and the file opened are one: a FIFO swapped into a file's place between a
// look at the name and the open cannot block the open. Each call runs many times while the
// name flips between a song and a FIFO; one that opened the FIFO would wait there.
TEST(CodecOpen, AFifoSwappedInForTheFileNeverBlocks) {
    TempDir dir;
    const std::string good = dir.file("good");
    fx::writeFile(good + ".mp3", fx::mpegFrames({}, 5));
    fx::writeFile(good + ".wav", fx::wavFile({}));
    for (const Call& call : kCalls) {
        const std::string path = dir.file(call.name), other = dir.file("other");
        fx::writeFile(path, fx::readFile(good + std::string(call.name).substr(1)));
        ASSERT_EQ(::mkfifo(other.c_str(), 0600), 0);
        std::atomic<bool> stop = false;
        std::thread swapper([&] {
            while (!stop)
                ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, other.c_str(), RENAME_EXCHANGE);
        });
        EXPECT_TRUE(endsWithoutBlocking(
            [&] {
                for (int i = 0; i < 3000 && !stop; ++i)
                    (void)call.run(path, good);
            },
            {path, other}, stop))
            << call.what;
        stop = true;
        swapper.join();
        std::filesystem::remove(path);
        std::filesystem::remove(other);
    }
}
