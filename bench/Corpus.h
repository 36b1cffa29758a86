#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunewalk::bench {

// The files the read benchmarks go through, listed once before any timing.
struct Corpus {
    std::vector<std::string> mp3;
    std::vector<std::string> wav;
    std::uintmax_t bytes = 0;
};

// Lists DIR recursively, sorted so every benchmark walks the files in the same order.
// False when DIR cannot be listed.
bool listCorpus(const std::string& dir, Corpus& out);
// Reads every file once from start to end so the timed runs measure a warm page cache.
void warmUp(const Corpus& corpus);
// The process's peak resident memory in bytes (0 when unknown).
std::uint64_t peakMemoryBytes();
// Starts the peak over from the memory in use now (Linux: /proc/self/clear_refs); false where
// it cannot.
bool resetPeakMemory();

// The corpus every benchmark reads; filled by main before the benchmarks run.
const Corpus& corpus();
void setCorpus(Corpus corpus);

} // namespace tunewalk::bench
