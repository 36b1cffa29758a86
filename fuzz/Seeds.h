#pragma once

#include <string>
#include <vector>

namespace tunewalk::fuzz {

struct Seed {
    std::string name;
    std::string bytes; // control bytes, then the file
};

// A small corpus of MP3 and WAV shapes, built by the fixture generators: nothing binary is
// checked in.
std::vector<Seed> seedCorpus();

} // namespace tunewalk::fuzz
