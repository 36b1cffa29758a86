#pragma once

// Timing helpers shared by the window benchmarks, which measure what an event loop sees.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace tunewalk::bench {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Stat {
    double median = 0, worst = 0;
};

inline Stat stat(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    if (n == 0) return {};
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.back()};
}

// Lets whatever is queued (paints, results) run out for `ms`.
inline void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds or the limit passes; whether it holds.
template <typename Done> bool waitFor(Done done, int limitMs = 60000) {
    const auto until = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done() && Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

// The value of --repetitions=N among the arguments, or `fallback`.
inline int repetitionsFrom(int argc, char** argv, int fallback) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--repetitions=", 0) == 0) return std::max(1, std::stoi(arg.substr(14)));
    }
    return fallback;
}

} // namespace tunewalk::bench
