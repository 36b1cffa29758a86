#pragma once

#include <string>
#include <vector>

namespace tunewalk::fuzz {

struct Seed {
    std::string name;
    std::string bytes; // control bytes, then the file
};

// The seed corpus of a fuzzer, made afresh: nothing binary is checked in. Each fuzzer's seed
// library defines it, and the seed writer and the replayer take the one they are linked with:
// Seeds.cpp builds MP3 and WAV shapes for the codec fuzzer, TagSeeds.cpp encodes files of every
// kind for the tag fuzzer.
std::vector<Seed> seedCorpus();

} // namespace tunewalk::fuzz
