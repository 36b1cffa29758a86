// Runs the read benchmarks over the corpus named by --corpus=DIR or TUNEWALK_CORPUS and ends
// with a summary: files per second, the ratios the codec is judged by, and peak memory.

#include "Bench.h"
#include "Corpus.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tunewalk::bench {
namespace {

std::map<std::string, std::uint64_t> g_peakAfter;

// Targets the codec is held to; see README.md.
constexpr double kTagLibTarget = 2.5;
constexpr double kFloorTarget = 0.75;
constexpr double kMemoryTargetMB = 50.0;

// Shows the runs as the console reporter does and keeps each benchmark's files per second.
class SummaryReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const auto rate = run.counters.find("items_per_second");
            if (rate == run.counters.end()) continue;
            std::string name = run.run_name.function_name;
            if (name.rfind("BM_", 0) == 0) name.erase(0, 3);
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") m_median[name] = rate->second.value;
            } else {
                m_samples[name].push_back(rate->second.value);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The median over repetitions; 0 when the benchmark did not run.
    double filesPerSecond(const std::string& name) const {
        if (auto it = m_median.find(name); it != m_median.end()) return it->second;
        auto it = m_samples.find(name);
        if (it == m_samples.end() || it->second.empty()) return 0;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        const std::size_t n = v.size();
        return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& [name, samples] : m_samples)
            out.push_back(name);
        for (const auto& [name, value] : m_median)
            if (!m_samples.count(name)) out.push_back(name);
        return out;
    }

private:
    std::map<std::string, std::vector<double>> m_samples;
    std::map<std::string, double> m_median;
};

double megabytes(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void printRatio(const char* label, double num, double den, double target) {
    if (num <= 0 || den <= 0) return;
    const double ratio = num / den;
    std::printf("ratio %s: %.2f  (target >= %.2f: %s)\n", label, ratio, target,
                ratio >= target ? "met" : "NOT met");
}

void printSummary(const SummaryReporter& r) {
    std::printf("\n== summary (median over repetitions) ==\n");
    for (const auto& name : r.names())
        std::printf("files/s %s: %.0f\n", name.c_str(), r.filesPerSecond(name));
#ifndef TUNEWALK_BENCH_HAVE_TAGLIB
    std::printf("files/s TagLibMP3: not built (TagLib not found)\n");
#endif
    const double load = r.filesPerSecond("LoadMP3");
    printRatio("LoadMP3/TagLib", load, r.filesPerSecond("TagLibMP3"), kTagLibTarget);
    printRatio("LoadMP3/floor", load, r.filesPerSecond("FloorMP3"), kFloorTarget);
    for (const auto& [name, peak] : g_peakAfter)
        std::printf("peak memory after %s: %.1f MB\n", name.c_str(), megabytes(peak));
    const double peak = megabytes(peakMemoryBytes());
    std::printf("peak memory: %.1f MB  (target < %.0f MB: %s)\n", peak, kMemoryTargetMB,
                peak < kMemoryTargetMB ? "met" : "NOT met");
}

// Takes --corpus=DIR out of argv so Google Benchmark does not see it.
std::string takeCorpusFlag(int& argc, char** argv) {
    std::string dir;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.rfind("--corpus=", 0) == 0)
            dir = arg.substr(9);
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    if (dir.empty())
        if (const char* env = std::getenv("TUNEWALK_CORPUS")) dir = env;
    return dir;
}

} // namespace

void timing(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond);
}

void notePeakMemory(const std::string& benchmark) {
    g_peakAfter[benchmark] = peakMemoryBytes();
}

} // namespace tunewalk::bench

int main(int argc, char** argv) {
    using namespace tunewalk::bench;
    const std::string dir = takeCorpusFlag(argc, argv);
    // Defaults as flags rather than per-benchmark settings, so flags given on the command line
    // (parsed later, so they win) can still change them.
    std::vector<char*> args{argv[0]};
    char minTime[] = "--benchmark_min_time=1";
    char repetitions[] = "--benchmark_repetitions=5";
    char aggregates[] = "--benchmark_display_aggregates_only=true";
    args.insert(args.end(), {minTime, repetitions, aggregates});
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    argc = count;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    if (dir.empty()) {
        std::fprintf(stderr,
                     "%s: name the corpus with --corpus=DIR or TUNEWALK_CORPUS\n"
                     "(make one with tunewalk-corpus DIR)\n",
                     argv[0]);
        return 2;
    }
    Corpus listed;
    if (!listCorpus(dir, listed) || (listed.mp3.empty() && listed.wav.empty())) {
        std::fprintf(stderr, "%s: no MP3 or WAV files in %s\n", argv[0], dir.c_str());
        return 1;
    }
    std::printf("corpus %s: %zu MP3, %zu WAV files, %.1f MB; warming the page cache...\n",
                dir.c_str(), listed.mp3.size(), listed.wav.size(), megabytes(listed.bytes));
    std::fflush(stdout);
    warmUp(listed);
    setCorpus(std::move(listed));

    SummaryReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Defaults
                                                   : benchmark::ConsoleReporter::OO_Tabular);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    printSummary(reporter);
    benchmark::Shutdown();
    return 0;
}
