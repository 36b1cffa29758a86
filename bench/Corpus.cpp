#include "Corpus.h"

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace tunewalk::bench {
namespace {

Corpus g_corpus;

bool hasExtension(const fs::path& path, std::string_view ext) {
    std::string e = path.extension().string();
    std::transform(e.begin(), e.end(), e.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return e == ext;
}

} // namespace

bool listCorpus(const std::string& dir, Corpus& out) {
    std::error_code ec;
    fs::recursive_directory_iterator it(dir, ec);
    if (ec) return false;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return false;
        if (!it->is_regular_file(ec)) continue;
        const fs::path& path = it->path();
        if (hasExtension(path, ".mp3"))
            out.mp3.push_back(path.string());
        else if (hasExtension(path, ".wav"))
            out.wav.push_back(path.string());
        else
            continue;
        out.bytes += it->file_size(ec);
    }
    std::sort(out.mp3.begin(), out.mp3.end());
    std::sort(out.wav.begin(), out.wav.end());
    return true;
}

void warmUp(const Corpus& corpus) {
    std::array<char, 1 << 16> buffer;
    auto readAll = [&](const std::string& path) {
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            while (std::fread(buffer.data(), 1, buffer.size(), f) == buffer.size()) {
            }
            std::fclose(f);
        }
    };
    for (const auto& path : corpus.mp3)
        readAll(path);
    for (const auto& path : corpus.wav)
        readAll(path);
}

std::uint64_t peakMemoryBytes() {
    // VmHWM is the resident high-water mark; ru_maxrss says the same on Linux in KiB.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
    }
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) == 0)
        return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    return 0;
}

bool resetPeakMemory() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5\n" << std::flush;
    return static_cast<bool>(clear);
}

const Corpus& corpus() {
    return g_corpus;
}
void setCorpus(Corpus corpus) {
    g_corpus = std::move(corpus);
}

} // namespace tunewalk::bench
