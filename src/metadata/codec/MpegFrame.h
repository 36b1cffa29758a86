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

// Offset of the first 0xFF that is followed by a Layer III sync byte, both inside
// [data, data + size); nullopt when there is none.
std::optional<std::size_t> findFrameSync(const std::uint8_t* data, std::size_t size);

// Size of a leading ID3v2 tag, header and footer included, from the first ten bytes of the
// file; 0 when the file does not start with one.
std::int64_t id3v2Size(const std::uint8_t* head, std::size_t size);

// What a Xing/Info or VBRI header in the first frame says about the whole stream.
struct VbrHeader {
    std::uint32_t frames = 0; // 0 when the header holds no frame count
    bool variable = false;    // "Xing" or "VBRI"; "Info" marks a constant-bitrate stream
};

// `frame` points at the frame header; `size` bytes of the frame are available.
std::optional<VbrHeader> findVbrHeader(const std::uint8_t* frame, std::size_t size);

// Samples in one Layer III frame.
constexpr int samplesPerFrame(int version) {
    return version == 1 ? 1152 : 576;
}

} // namespace tunewalk::mpeg
