#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tunewalk::bench {

// Shared setup of the read benchmarks. Each iteration goes through the whole corpus, so the
// defaults main sets (1 s per repetition, 5 repetitions) mean a few iterations each.
void timing(benchmark::internal::Benchmark* b);

// Records the peak memory seen when a benchmark finished; the summary prints it.
void notePeakMemory(const std::string& benchmark);

// Runs `readOne` over every file of `files` in each iteration and reports files per second.
// `readOne` returns something derived from what it read (kept from the optimiser), or nullopt
// when the file could not be read; failures show as the "failed" counter.
template <typename ReadOne>
void readEveryFile(benchmark::State& state, const std::vector<std::string>& files,
                   const std::string& name, ReadOne readOne) {
    if (files.empty()) {
        state.SkipWithError("the corpus has no files for this benchmark");
        return;
    }
    std::int64_t failed = 0;
    for (auto _ : state) {
        std::uint64_t sink = 0;
        for (const auto& path : files) {
            if (const std::optional<std::uint64_t> read = readOne(path))
                sink += *read;
            else
                ++failed;
        }
        benchmark::DoNotOptimize(sink);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(files.size()));
    if (failed) state.counters["failed"] = static_cast<double>(failed);
    notePeakMemory(name);
}

} // namespace tunewalk::bench
