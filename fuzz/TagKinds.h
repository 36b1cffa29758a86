#pragma once

// How the tag fuzzer reads the first byte of an input: which kind of file the rest is read as,
// which code page the reader is told that Latin-1 texts were written in, and whether it reads
// the audio properties.

#include "metadata/tags/CodePage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tunewalk::fuzz {

// The extensions readAudioTagsFrom is given ("oga" and "aif" take the paths of "ogg" and "aiff").
inline constexpr std::array<std::string_view, 7> kTagKinds{"mp3",  "wav", "flac", "ogg",
                                                           "opus", "m4a", "aiff"};
inline constexpr int kKindCount = static_cast<int>(kTagKinds.size());
// UTF-8 is the last page: Automatic may take it, and it decodes like any other.
inline constexpr int kCodePageCount = static_cast<int>(CodePage::Utf8) + 1;

struct TagControl {
    int kind = 0; // index into kTagKinds
    CodePage page = CodePage::Latin1;
    bool audioProperties = true;
};

inline TagControl decodeTagControl(std::uint8_t byte) {
    return {byte % kKindCount, static_cast<CodePage>(byte / kKindCount % kCodePageCount),
            byte / (kKindCount * kCodePageCount) % 2 == 0};
}

// The first byte that decodes to `kind` (an extension in kTagKinds), `page` and
// `audioProperties`.
inline std::uint8_t tagControlFor(std::string_view kind, CodePage page = CodePage::Latin1,
                                  bool audioProperties = true) {
    const auto it = std::find(kTagKinds.begin(), kTagKinds.end(), kind);
    if (it == kTagKinds.end()) throw std::invalid_argument("no such kind: " + std::string(kind));
    return static_cast<std::uint8_t>((audioProperties ? 0 : kKindCount * kCodePageCount) +
                                     static_cast<int>(page) * kKindCount +
                                     (it - kTagKinds.begin()));
}

} // namespace tunewalk::fuzz
