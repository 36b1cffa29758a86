#include "MpegFrame.h"

#include "Mp3Tables.h"

#include <cstring>

namespace tunewalk::mpeg {
namespace {

std::uint32_t be32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

bool holds(const std::uint8_t* frame, std::size_t size, std::size_t at, const char* id,
           std::size_t needed) {
    return at + needed <= size && std::memcmp(frame + at, id, 4) == 0;
}

std::optional<VbrHeader> xingAt(const std::uint8_t* frame, std::size_t size, std::size_t at) {
    const bool xing = holds(frame, size, at, "Xing", 8);
    if (!xing && !holds(frame, size, at, "Info", 8)) return std::nullopt;
    VbrHeader header;
    const std::uint32_t flags = be32(frame + at + 4);
    if ((flags & 0x1) && at + 12 <= size) header.frames = be32(frame + at + 8);
    header.variable = xing && header.frames > 0;
    header.info = !xing;
    return header;
}

} // namespace

std::optional<std::size_t> findFrameSync(const std::uint8_t* data, std::size_t size,
                                         bool anyLayer) {
    if (size < 2) return std::nullopt;
    const std::uint8_t* p = data;
    const std::uint8_t* last = data + size - 1; // the 0xFF must have a byte after it
    while (p < last) {
        p = static_cast<const std::uint8_t*>(
            std::memchr(p, 0xFF, static_cast<std::size_t>(last - p)));
        if (!p) return std::nullopt;
        if (anyLayer ? isAnySyncByte(p[1]) : isLayer3SyncByte(p[1]))
            return static_cast<std::size_t>(p - data);
        ++p;
    }
    return std::nullopt;
}

std::optional<FrameHeader> readHeader(const std::uint8_t* p) {
    if (p[0] != 0xFF || !isAnySyncByte(p[1])) return std::nullopt;
    const int versionBits = (p[1] >> 3) & 3; // 0 MPEG 2.5, 1 reserved, 2 MPEG-2, 3 MPEG-1
    const int layerBits = (p[1] >> 1) & 3;   // 0 reserved, 1 Layer III, 2 Layer II, 3 Layer I
    if (versionBits == 1 || layerBits == 0) return std::nullopt;
    FrameHeader h;
    h.version = versionBits == 3 ? 1 : 2;
    h.mpeg25 = versionBits == 0;
    h.layer = 4 - layerBits;
    h.bitrateIndex = p[2] >> 4;
    h.rateIndex = (p[2] >> 2) & 3;
    h.padding = (p[2] >> 1) & 1;
    h.mode = p[3] >> 6;
    return h;
}

int FrameHeader::bitrate() const {
    return mp3tables::streamBitrate(bitrateIndex, version, layer);
}

int FrameHeader::sampleRate() const {
    const int rate = mp3tables::sampleRate(rateIndex, version);
    return mpeg25 ? rate / 2 : rate;
}

int FrameHeader::samples() const {
    if (layer == 1) return 384;
    return layer == 3 && version != 1 ? 576 : 1152;
}

std::int64_t FrameHeader::length() const {
    const std::int64_t kbps = bitrate(), hz = sampleRate();
    if (kbps == 0 || hz == 0) return 0;
    const int pad = padding ? 1 : 0;
    if (layer == 1) return (12 * kbps * 1000 / hz + pad) * 4;
    return std::int64_t{samples()} / 8 * kbps * 1000 / hz + pad;
}

std::int64_t id3v2Size(const std::uint8_t* head, std::size_t size) {
    if (size < 10 || std::memcmp(head, "ID3", 3) != 0) return 0;
    // Version bytes are never 0xFF in a real tag; a frame sync there means audio, not a tag.
    if (head[3] == 0xFF || head[4] == 0xFF) return 0;
    // The size is 28 bits spread over four bytes whose top bits are clear.
    for (int i = 6; i < 10; ++i)
        if (head[i] & 0x80) return 0;
    const std::int64_t body = (std::int64_t{head[6]} << 21) | (std::int64_t{head[7]} << 14) |
                              (std::int64_t{head[8]} << 7) | std::int64_t{head[9]};
    const bool footer = head[5] & 0x10;
    return 10 + body + (footer ? 10 : 0);
}

std::optional<VbrHeader> findVbrHeader(const std::uint8_t* frame, std::size_t size) {
    if (size < 4) return std::nullopt;
    const bool mpeg1 = frame[1] & 0x08;
    const bool mono = (frame[3] >> 6) == 3;
    const bool crc = !(frame[1] & 0x01);
    const std::size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    // Encoders put the header straight after the side info even when a CRC is announced, so
    // look there first.
    if (auto found = xingAt(frame, size, 4 + sideInfo)) return found;
    if (crc)
        if (auto found = xingAt(frame, size, 6 + sideInfo)) return found;
    if (holds(frame, size, 36, "VBRI", 18)) {
        VbrHeader header;
        header.frames = be32(frame + 36 + 14);
        header.variable = header.frames > 0;
        return header;
    }
    return std::nullopt;
}

} // namespace tunewalk::mpeg
