// Writes the seed corpus it is linked with (see Seeds.h) into the folder given on the command
// line.

#include "AudioFixtures.h"
#include "Seeds.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);
        const auto seeds = tunewalk::fuzz::seedCorpus();
        for (const auto& seed : seeds)
            tunewalk::fixtures::writeFile(dir / seed.name, seed.bytes);
        std::printf("%zu seeds written to %s\n", seeds.size(), dir.string().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
