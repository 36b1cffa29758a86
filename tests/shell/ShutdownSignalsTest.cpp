#include "shell/ShutdownSignals.h"

#include "EventLoopWait.h"

#include <gtest/gtest.h>

#include <csignal>

using tunewalk::ShutdownSignals;

TEST(ShutdownSignals, TermAndIntArriveThroughTheEventLoop) {
    for (const int signal : {SIGTERM, SIGINT, SIGTERM}) {
        ShutdownSignals watcher;
        int requests = 0;
        QObject::connect(&watcher, &ShutdownSignals::shutdownRequested, [&] { ++requests; });

        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_EQ(requests, 0) << "not from inside the handler";
        EXPECT_TRUE(waitUntil([&] { return requests > 0; })) << "signal " << signal;
        EXPECT_EQ(requests, 1);

        // A burst is one request; a signal after it was handled is another.
        for (int i = 0; i < 100; ++i)
            std::raise(SIGTERM);
        EXPECT_TRUE(waitUntil([&] { return requests == 2; }));
        std::raise(SIGINT);
        EXPECT_TRUE(waitUntil([&] { return requests == 3; }));
    }
}
