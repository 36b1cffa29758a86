// Runs inputs through the fuzz checks without libFuzzer: the built-in seeds (--seeds) or the
// files and folders given, such as a crash file libFuzzer left behind.

#include "AudioFixtures.h"
#include "Seeds.h"

#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

void run(const std::string& bytes) {
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

int runPath(const std::filesystem::path& path) {
    int count = 0;
    if (std::filesystem::is_directory(path)) {
        for (const auto& entry : std::filesystem::directory_iterator(path))
            if (entry.is_regular_file()) {
                run(tunewalk::fixtures::readFile(entry.path()));
                ++count;
            }
    } else {
        run(tunewalk::fixtures::readFile(path));
        ++count;
    }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s --seeds | FILE|DIR...\n", argv[0]);
        return 2;
    }
    try {
        int count = 0;
        for (int i = 1; i < argc; ++i) {
            if (std::string(argv[i]) == "--seeds") {
                for (const auto& seed : tunewalk::fuzz::seedCorpus()) {
                    run(seed.bytes);
                    ++count;
                }
            } else {
                count += runPath(argv[i]);
            }
        }
        std::printf("%d inputs passed\n", count);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
