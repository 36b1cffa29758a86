#pragma once

// Timing helpers shared by the window benchmarks, which measure what an event loop sees.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
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

// Processor time of this process so far (user and system, all threads), in milliseconds.
inline double cpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// One line of a benchmark's summary: the median and the worst of its values against a target
// that the worst must meet.
struct TableRow {
    std::string caseName, measure;
    std::vector<double> values;
    double target; // < 0: reported only
    std::string unit = "ms";
};

inline void printTable(const std::vector<TableRow>& rows, const char* footer) {
    std::printf("\n%-22s %-36s %11s %11s %11s  %s\n", "case", "measure", "median", "worst",
                "target", "result");
    for (const TableRow& r : rows) {
        if (r.values.empty()) {
            std::printf("%-22s %-36s %11s %11s %11s  %s\n", r.caseName.c_str(), r.measure.c_str(),
                        "-", "-", "-", "not measured");
            continue;
        }
        const Stat s = stat(r.values);
        // Ratios want their second decimal.
        const int decimals = r.unit == "x" ? 2 : 1;
        char median[32], worst[32], target[32] = "-";
        std::snprintf(median, sizeof median, "%.*f %s", decimals, s.median, r.unit.c_str());
        std::snprintf(worst, sizeof worst, "%.*f %s", decimals, s.worst, r.unit.c_str());
        if (r.target >= 0)
            std::snprintf(target, sizeof target, "<= %g %s", r.target, r.unit.c_str());
        std::printf("%-22s %-36s %11s %11s %11s  %s\n", r.caseName.c_str(), r.measure.c_str(),
                    median, worst, target,
                    r.target < 0 ? "" : (s.worst <= r.target ? "met" : "MISSED"));
    }
    std::printf("%s\n", footer);
}

// Lets whatever is queued (paints, results) run out for `ms`.
inline void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds or the limit passes; whether it holds. The loop sleeps
// between events (processEvents with a time limit never waits, and a spinning window thread
// takes a core from the work being measured); the timer wakes it to look again.
template <typename Done> bool waitFor(Done done, int limitMs = 60000) {
    QTimer wake;
    wake.start(5);
    const auto until = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!done() && Clock::now() < until)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

// A 1 ms ticker whose longest gap, while measuring, is the longest stall of the event loop.
class StallProbe {
public:
    StallProbe() {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] {
            const auto now = Clock::now();
            m_maxGapMs = std::max(m_maxGapMs, msBetween(m_last, now));
            m_last = now;
        });
    }
    void start() {
        m_maxGapMs = 0;
        m_last = Clock::now();
        m_ticker.start();
    }
    double stop() {
        m_ticker.stop();
        return std::max(m_maxGapMs, msBetween(m_last, Clock::now()));
    }

private:
    QTimer m_ticker;
    Clock::time_point m_last;
    double m_maxGapMs = 0;
};

// The value of --repetitions=N among the arguments, or `fallback`.
inline int repetitionsFrom(int argc, char** argv, int fallback) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--repetitions=", 0) == 0) return std::max(1, std::stoi(arg.substr(14)));
    }
    return fallback;
}

} // namespace tunewalk::bench
