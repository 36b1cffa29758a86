#pragma once

#include "BinaryFile.h"

#include <array>
#include <cstdint>
#include <vector>

namespace tunewalk {

// Reads the audio part of an MP3 file forward in blocks and finds frame syncs inside
// [from, end). A sync that straddles two blocks is found like any other.
class FrameScanner {
public:
    FrameScanner(BinaryFile& file, std::int64_t end) : m_file(file), m_end(end) {}

    // Position of the first 0xFF at or after `from` followed by a Layer III sync byte (any
    // sync byte with `anyLayer`), both before the end; -1 when there is none, -2 on a read
    // error.
    std::int64_t find(std::int64_t from, bool anyLayer = false);

    // The four bytes at `at`, when they all lie before the end; false otherwise or on a read
    // error (then failed() says so). Taken from what was read already where possible.
    bool headerAt(std::int64_t at, std::array<std::uint8_t, 4>& header);
    bool failed() const { return m_failed; }

    // Bytes already read at `at`, so a caller can look at the frame without another read.
    const std::uint8_t* bytesAt(std::int64_t at, std::size_t& available) const;
    // Keeps what was read in step with a byte the caller wrote at `at`.
    void patch(std::int64_t at, std::uint8_t value);
    // Preloads the first block the caller has already read.
    void adopt(std::int64_t base, std::vector<std::uint8_t> bytes);

private:
    bool load(std::int64_t from);

    BinaryFile& m_file;
    std::int64_t m_end;
    std::int64_t m_base = 0;
    std::int64_t m_block = 4 * 1024; // grows for long runs of bytes that are not audio
    std::vector<std::uint8_t> m_buffer;
    bool m_failed = false;
};

// Where the audio's first frame starts in [start, end): the earliest place whose header is
// confirmed by another one where its length says the next frame starts (the two agreeing on
// version, layer and sample rate), looked for up to 1 MiB past the first Layer III sync; where
// no place is confirmed so, the first Layer III sync itself. -1 when there is no sync, -2 on a
// read error.
//
// A lone pair of sync bytes in junk before the audio or in a tag that states a wrong size
// would otherwise be taken for the audio; and a Layer I or II, or an MPEG 2.5, stream is taken
// only where its headers are confirmed so, as a stray 0xFF 0xE3 or 0xFF 0xFD means nothing.
std::int64_t locateFirstFrame(FrameScanner& scanner, std::int64_t start, std::int64_t end);

} // namespace tunewalk
