#pragma once

// How the codec fuzzer turns the first bytes of an input into the assignments it makes before
// saving. The rest of the input is the file the codecs work on.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tunewalk::fuzz {

// Inputs shorter than this read the missing control bytes as zero and give an empty file.
inline constexpr std::size_t kControlBytes = 12;

enum class Confirm { Absent, No, Yes };

struct Mp3Plan {
    std::optional<std::string> title, artist, album, year, comment;
    std::optional<int> genre;
    std::optional<int> bitrate, sampleRate;
    std::optional<std::string> channels;
    Confirm confirm = Confirm::Absent;
    bool allFrames = false;

    bool assignsHeader() const { return bitrate || sampleRate || channels; }
};

struct WavPlan {
    std::optional<int> sampleBits;
    std::optional<std::int64_t> sampleRate;
    std::optional<int> channels;
    bool decline = false;
};

struct Plan {
    Mp3Plan mp3;
    WavPlan wav;
};

// `control` holds kControlBytes bytes.
Plan decodePlan(const std::uint8_t* control);

// The control bytes that make decodePlan assign every text field and the given header values
// with the confirmation "yes"; the seed generator uses it so that seeds start out exercising
// the header rewrite.
std::string controlFor(std::uint8_t textMask, bool allFrames, std::uint8_t variant);

} // namespace tunewalk::fuzz
