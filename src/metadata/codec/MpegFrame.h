#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tunewalk::mpeg {

// True for the second byte of a Layer III frame header of MPEG-1 or MPEG-2 (with or without
// CRC): 0xF2, 0xF3, 0xFA, 0xFB.
constexpr bool isLayer3SyncByte(std::uint8_t b) {
    return (b & 0xF6) == 0xF2;
}

// True for the second byte of any MPEG audio frame header: the last three bits of the sync.
constexpr bool isAnySyncByte(std::uint8_t b) {
    return (b & 0xE0) == 0xE0;
}

// Offset of the first 0xFF that is followed by a Layer III sync byte (by any sync byte with
// `anyLayer`), both inside [data, data + size); nullopt when there is none.
std::optional<std::size_t> findFrameSync(const std::uint8_t* data, std::size_t size,
                                         bool anyLayer = false);

// A frame header of MPEG-1, MPEG-2 or MPEG 2.5, Layer I, II or III, as its four bytes say.
struct FrameHeader {
    int version = 1;     // 1 or 2, the header's version bit: MPEG 2.5 has it clear, as MPEG-2
    bool mpeg25 = false; // the unofficial extension to 8 to 12 kHz
    int layer = 3;
    std::uint8_t bitrateIndex = 0;
    std::uint8_t rateIndex = 0;
    bool padding = false;
    std::uint8_t mode = 0;

    // kbit/s and Hz; 0 for free format, a bad index or the reserved rate.
    int bitrate() const;
    int sampleRate() const;
    int samples() const;
    // Bytes in the frame; 0 when the bitrate or the rate is unknown.
    std::int64_t length() const;
    // A header whose every field has a meaning, so that the frame's length is known.
    bool complete() const { return length() > 0; }
    // Two headers of one stream agree on these, whatever the bitrate of each frame.
    bool sameStreamAs(const FrameHeader& other) const {
        return version == other.version && mpeg25 == other.mpeg25 && layer == other.layer &&
               rateIndex == other.rateIndex;
    }
    // The Part's kind: Layer III of MPEG-1 or MPEG-2, whose headers the codec can rewrite.
    bool rewritable() const { return layer == 3 && !mpeg25; }
};

// The header whose four bytes start at `p`; nullopt without a sync or with a reserved version
// or layer.
std::optional<FrameHeader> readHeader(const std::uint8_t* p);

// Size of a leading ID3v2 tag, header and footer included, from the first ten bytes of the
// file; 0 when the file does not start with one.
std::int64_t id3v2Size(const std::uint8_t* head, std::size_t size);

// What a Xing/Info or VBRI header in the first frame says about the whole stream.
struct VbrHeader {
    std::uint32_t frames = 0; // 0 when the header holds no frame count
    bool variable = false;    // "Xing" or "VBRI" with a frame count
    bool info = false;        // "Info": LAME's mark of a constant-bitrate stream
};

// `frame` points at the frame header; `size` bytes of the frame are available.
std::optional<VbrHeader> findVbrHeader(const std::uint8_t* frame, std::size_t size);

} // namespace tunewalk::mpeg
