#include "TrailingTags.h"

#include "BinaryFile.h"

#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace tunewalk {
namespace {

constexpr std::int64_t kApeFooter = 32;
// Lyrics3 v1 holds at most 5100 bytes of lyrics between its markers.
constexpr std::int64_t kLyrics3v1Max = 5100 + 11 + 9;

std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

bool holds(const std::uint8_t* p, std::string_view text) {
    return std::memcmp(p, text.data(), text.size()) == 0;
}

// Start of the tag that ends at `end`; `end` when there is none, -1 on a read error.
std::int64_t tagEndingAt(BinaryFile& file, std::int64_t start, std::int64_t end) {
    if (end - start < 15) return end;
    std::array<std::uint8_t, kApeFooter> tail{};
    const std::int64_t want = std::min(kApeFooter, end - start);
    if (file.readAt(end - want, tail.data(), want) != want) return -1;
    const std::uint8_t* last = tail.data() + want;

    // APEv1 and APEv2: a footer whose size counts the items and the footer; a header before
    // the items when the flags say so.
    if (want == kApeFooter && holds(tail.data(), "APETAGEX")) {
        const std::int64_t size = le32(tail.data() + 12);
        const bool header = (le32(tail.data() + 20) & 0x80000000u) != 0;
        const std::int64_t at = end - size - (header ? kApeFooter : 0);
        if (size >= kApeFooter && at >= start) return at;
        return end;
    }
    // Lyrics3 v2: the size of everything from "LYRICSBEGIN" on, in six digits, then "LYRICS200".
    if (holds(last - 9, "LYRICS200")) {
        std::int64_t size = 0;
        for (const std::uint8_t* d = last - 15; d < last - 9; ++d) {
            if (*d < '0' || *d > '9') return end;
            size = size * 10 + (*d - '0');
        }
        const std::int64_t at = end - 15 - size;
        std::array<std::uint8_t, 11> begin{};
        if (at < start || size < 11) return end;
        if (file.readAt(at, begin.data(), 11) != 11) return -1;
        return holds(begin.data(), "LYRICSBEGIN") ? at : end;
    }
    // Lyrics3 v1: "LYRICSBEGIN", at most 5100 bytes of lyrics, "LYRICSEND".
    if (holds(last - 9, "LYRICSEND")) {
        const std::int64_t from = std::max(start, end - kLyrics3v1Max);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(end - from));
        const auto n = static_cast<std::int64_t>(bytes.size());
        if (file.readAt(from, bytes.data(), n) != n) return -1;
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const auto at = text.rfind("LYRICSBEGIN");
        return at == std::string_view::npos ? end : from + static_cast<std::int64_t>(at);
    }
    return end;
}

} // namespace

std::int64_t endBeforeTrailingTags(BinaryFile& file, std::int64_t start, std::int64_t end) {
    // Taggers stack them: an APE tag and a Lyrics3 tag may both stand before the ID3v1 tag.
    for (int tags = 0; tags < 3; ++tags) {
        const std::int64_t at = tagEndingAt(file, start, end);
        if (at < 0 || at == end) return at;
        end = at;
    }
    return end;
}

} // namespace tunewalk
