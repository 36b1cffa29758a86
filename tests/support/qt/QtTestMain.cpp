// A GoogleTest main for tests that need widgets: one QApplication on the offscreen platform.
#include "common/Detached.h"

#include <QApplication>
#include <csignal>
#include <execinfo.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A crash on a build machine leaves only "SegFault" in the log; the stack says where.
void printStackAndDie(int signal) {
    void* frames[64];
    const int count = backtrace(frames, 64);
    const char heading[] =
        "\n*** crashed; stack (addr2line -e <test binary> turns offsets into lines):\n";
    [[maybe_unused]] const auto written = write(STDERR_FILENO, heading, sizeof heading - 1);
    backtrace_symbols_fd(frames, count, STDERR_FILENO);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGSEGV, printStackAndDie);
    std::signal(SIGABRT, printStackAndDie);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int code = RUN_ALL_TESTS();
    // A test may end while a worker it abandoned is still at work (in the details cache, or on
    // a mount check whose bookkeeping is a static).
    tunewalk::finishDetached(5000, code);
    return code;
}
