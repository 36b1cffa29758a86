#pragma once

#include <benchmark/benchmark.h>

#include <string>

namespace tunewalk::bench {

// Shared setup of the read benchmarks. Each iteration goes through the whole corpus, so the
// defaults main sets (1 s per repetition, 5 repetitions) mean a few iterations each.
void timing(benchmark::internal::Benchmark* b);

// Records the peak memory seen when a benchmark finished; the summary prints it.
void notePeakMemory(const std::string& benchmark);

} // namespace tunewalk::bench
