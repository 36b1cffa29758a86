#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>

namespace tunewalk::fuzz {

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
