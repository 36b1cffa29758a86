#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace tunewalk::fuzz {
namespace {

std::set<std::string, std::less<>> skippedChecks() {
    std::set<std::string, std::less<>> names;
    const char* env = std::getenv("TUNEWALK_FUZZ_SKIP");
    std::string_view list = env ? env : "";
    while (!list.empty()) {
        const auto comma = list.find(',');
        if (comma != 0) names.emplace(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return names;
}

} // namespace

void fail(const char* check, const std::string& detail) {
    static const auto skipped = skippedChecks();
    static std::set<std::string, std::less<>> reported;
    if (skipped.find(std::string_view(check)) != skipped.end()) {
        // Known and waiting for a fix: say so once, then stay quiet.
        if (reported.emplace(check).second)
            std::fprintf(stderr, "codec invariant broken (skipped from now on): %s: %s\n", check,
                         detail.c_str());
        return;
    }
    std::fprintf(stderr, "codec invariant broken: %s: %s\n", check, detail.c_str());
    std::fflush(stderr);
    __builtin_trap();
}

std::string readBytes(const std::string& path) {
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        fail("harness-io", "cannot open " + path);
        return bytes;
    }
    char block[16384];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, f)) > 0)
        bytes.append(block, n);
    std::fclose(f);
    return bytes;
}

void writeBytes(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f && std::fclose(f) != 0) fail("harness-io", "cannot close " + path);
    if (!ok) fail("harness-io", "cannot write " + path);
}

void runOne(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::uint8_t control[kControlBytes] = {};
    std::copy_n(data, std::min(size, kControlBytes), control);
    const Plan plan = decodePlan(control);
    const std::string bytes =
        size > kControlBytes
            ? std::string(reinterpret_cast<const char*>(data) + kControlBytes, size - kControlBytes)
            : std::string();

    // Each round trip starts with a load, so both readers see every input.
    roundTripMp3(path, bytes, plan.mp3);
    roundTripWav(path, bytes, plan.wav);
}

} // namespace tunewalk::fuzz
