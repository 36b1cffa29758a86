#include "WAVInfo.h"

#include "BinaryFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

namespace tunewalk {
namespace {

std::uint32_t le(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void putLe(std::uint8_t* p, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool fits(std::int64_t value, std::int64_t max) {
    return value >= 0 && value <= max;
}

// Four printable ASCII characters, as every chunk id is.
bool chunkIdAt(BinaryFile& file, std::int64_t at) {
    std::array<std::uint8_t, 4> id{};
    if (file.readAt(at, id.data(), 4) != 4) return false;
    return std::all_of(id.begin(), id.end(), [](std::uint8_t c) { return c >= 0x20 && c < 0x7f; });
}

// Where a chunk's header starts, and its payload's size as the header states it.
struct Chunk {
    std::int64_t at = -1;
    std::int64_t size = 0;
};

struct Layout {
    bool bigEndian = false; // RIFX: refused, as no field of it reads right little-endian
    Chunk format, data;
};

// Finds the first "fmt " and "data" chunks by walking the chunk headers from byte 12 (id, size,
// payload padded to an even length). A search for the identifiers' bytes would also find them
// as text in a LIST chunk or as samples, and a write there would damage the file. False on a
// read error; a file that is not RIFF/WAVE has neither chunk.
//
// RF64 (and its twin BW64) files, for more than 4 GiB, state 0xFFFFFFFF in the data chunk's
// size and the real size in the 64-bit fields of a "ds64" chunk that comes first.
bool walkChunks(BinaryFile& file, Layout& layout) {
    const std::int64_t size = file.size();
    std::array<std::uint8_t, 12> riff{};
    const std::int64_t got = file.readAt(0, riff.data(), 12);
    if (got < 0) return false;
    if (got < 12 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) return true;
    if (std::memcmp(riff.data(), "RIFX", 4) == 0) {
        layout.bigEndian = true;
        return true;
    }
    const bool rf64 =
        std::memcmp(riff.data(), "RF64", 4) == 0 || std::memcmp(riff.data(), "BW64", 4) == 0;
    std::optional<std::int64_t> ds64DataSize;
    Chunk& format = layout.format;
    Chunk& data = layout.data;
    for (std::int64_t at = 12; at + 8 <= size && (format.at < 0 || data.at < 0);) {
        std::array<std::uint8_t, 8> header{};
        if (file.readAt(at, header.data(), 8) != 8) return false;
        std::int64_t length = le(&header[4], 4);
        if (rf64 && at == 12 && std::memcmp(header.data(), "ds64", 4) == 0 && length >= 16) {
            std::array<std::uint8_t, 8> dataSize{};
            if (file.readAt(at + 16, dataSize.data(), 8) != 8) return false;
            const std::uint64_t value = le(&dataSize[0], 4) | std::uint64_t{le(&dataSize[4], 4)}
                                                                  << 32;
            if (value <= static_cast<std::uint64_t>(INT64_MAX)) ds64DataSize = value;
        }
        const bool isData = std::memcmp(header.data(), "data", 4) == 0;
        if (isData && length == 0xFFFFFFFF && ds64DataSize) length = *ds64DataSize;
        Chunk* found = std::memcmp(header.data(), "fmt ", 4) == 0 ? &format
                       : isData                                   ? &data
                                                                  : nullptr;
        if (found && found->at < 0) *found = {at, length};
        at += 8 + length;
        // An odd-sized chunk is followed by a pad byte, which some writers leave out: take the
        // next header where a chunk id stands.
        if ((length & 1) != 0 && !chunkIdAt(file, at)) ++at;
    }
    return true;
}

} // namespace

WAVInfo::WAVInfo() {
    for (int channels = 1; channels <= 2; ++channels) {
        NameIDPair pair;
        pair.Init(channelName(channels), static_cast<std::int16_t>(channels));
        m_channelList.add(channelName(channels), std::move(pair));
    }
}

std::string WAVInfo::channelName(int channels) {
    if (channels == 1) return "Mono";
    if (channels == 2) return "Stereo";
    return std::to_string(channels);
}

bool WAVInfo::LoadWAV(const std::string& fileName) {
    // Every field starts from zero, so nothing of a previously loaded file shows through.
    m_sampleBits = 0;
    m_channels = 0;
    m_sampleRate = 0;
    m_bytesPerSecond = 0;
    m_blockAlign = 0;
    m_dataLength = 0;
    m_length = {};
    m_filename = fileName;
    // A freshly loaded file has nothing changed yet; saving it again asks nothing.
    m_headerChanged = false;
    m_noFormatHeader = false;
    m_formatFieldsAt = -1;

    m_bigEndian = false;

    BinaryFile file;
    if (!file.open(fileName, BinaryFile::Mode::Read)) return false;
    Layout layout;
    if (!walkChunks(file, layout)) return false;
    m_bigEndian = layout.bigEndian;
    if (m_bigEndian) return false;
    const Chunk& format = layout.format;
    const Chunk& data = layout.data;
    m_noFormatHeader = format.at < 0;
    if (m_noFormatHeader) return true;
    m_formatFieldsAt = format.at + 10;

    // Bytes past the end of the chunk or of the file read as zero.
    std::array<std::uint8_t, 14> fields{};
    const std::int64_t inChunk = std::clamp<std::int64_t>(format.size - 2, 0, 14);
    if (file.readAt(format.at + 10, fields.data(), inChunk) < 0) return false;
    m_channels = static_cast<int>(le(&fields[0], 2));
    m_sampleRate = le(&fields[2], 4);
    m_bytesPerSecond = le(&fields[6], 4);
    m_blockAlign = le(&fields[10], 2);
    m_sampleBits = std::min<int>(static_cast<int>(le(&fields[12], 2)), MaxSampleBits());

    if (data.at < 0) return true;
    // A streaming encoder that could not go back writes 0xFFFFFFFF, and a file cut short
    // states more than it holds: the samples are the bytes that are there.
    m_dataLength = std::min(data.size, std::max<std::int64_t>(0, file.size() - (data.at + 8)));
    if (m_bytesPerSecond == 0) return false;
    m_length = Duration::fromSeconds(m_dataLength / m_bytesPerSecond);
    return true;
}

void WAVInfo::setSampleBits(int bits) {
    bits = std::min(bits, MaxSampleBits());
    if (bits == m_sampleBits) return;
    m_sampleBits = bits;
    m_headerChanged = true;
    recomputeDerived();
}

void WAVInfo::setSampleRate(std::int64_t hz) {
    if (hz == m_sampleRate) return;
    m_sampleRate = hz;
    m_headerChanged = true;
    recomputeDerived();
}

void WAVInfo::setChannels(int channels) {
    channels = std::min(channels, MaxChannels());
    if (channels == m_channels) return;
    m_channels = channels;
    m_headerChanged = true;
    recomputeDerived();
}

void WAVInfo::recomputeDerived() {
    const int bytesPerSample = m_sampleBits % 8 == 0 ? m_sampleBits / 8 : m_sampleBits / 8 + 1;
    m_blockAlign = static_cast<std::int64_t>(m_channels) * bytesPerSample;
    // Out-of-range assignments (a negative channel count, say) must not overflow: such a step
    // is reported and keeps its old value, and the save refuses the fields later.
    const long double product = static_cast<long double>(m_sampleRate) * m_blockAlign;
    if (std::fabs(product) > 9.0e18L) {
        if (m_reportError) m_reportError("Overflow");
    } else {
        m_bytesPerSecond = m_sampleRate * m_blockAlign;
    }
    if (m_bytesPerSecond == 0) {
        // The length keeps its old value; the caller decides whether to tell anyone.
        if (m_reportError) m_reportError("Division by zero");
        return;
    }
    m_length = Duration::fromSeconds(m_dataLength / m_bytesPerSecond);
}

Result WAVInfo::SaveWAV() {
    if (!m_headerChanged) return Result::ok();
    const Result noFormat = Result::failure(m_filename, "it has no WAV format header");
    const Result bigEndian =
        Result::failure(m_filename, "it is a big-endian WAV file, which cannot be written");
    // Nobody is asked about writing a header the file does not have, or cannot have.
    if (m_noFormatHeader) return noFormat;
    if (m_bigEndian) return bigEndian;
    if (!m_confirm || !m_confirm(HeaderQuestion)) return Result::ok();

    BinaryFile file;
    if (!file.open(m_filename, BinaryFile::Mode::ReadWrite)) return file.failure();
    Layout layout;
    if (!walkChunks(file, layout)) return file.failure();
    // Little-endian fields in a big-endian file would say nonsense.
    m_bigEndian = layout.bigEndian;
    if (m_bigEndian) return bigEndian;
    const Chunk& format = layout.format;
    m_noFormatHeader = format.at < 0;
    if (m_noFormatHeader) return noFormat;
    // The fields are written only inside the chunk: not into the next one, and not past the end
    // of a file that is cut short.
    if (format.size < 16 || format.at + 24 > file.size())
        return Result::failure(m_filename, "its format header is cut short");
    if (!fits(m_channels, 0xFFFF) || !fits(m_sampleRate, 0xFFFFFFFF) ||
        !fits(m_bytesPerSecond, 0xFFFFFFFF) || !fits(m_blockAlign, 0xFFFF) ||
        !fits(m_sampleBits, 0xFFFF))
        return Result::failure(m_filename, "a format value does not fit its field");

    std::array<std::uint8_t, 14> fields{};
    putLe(&fields[0], static_cast<std::uint32_t>(m_channels), 2);
    putLe(&fields[2], static_cast<std::uint32_t>(m_sampleRate), 4);
    putLe(&fields[6], static_cast<std::uint32_t>(m_bytesPerSecond), 4);
    putLe(&fields[10], static_cast<std::uint32_t>(m_blockAlign), 2);
    putLe(&fields[12], static_cast<std::uint32_t>(m_sampleBits), 2);
    if (!file.writeAt(format.at + 10, fields.data(), 14) || !file.close()) return file.failure();
    return Result::ok();
}

} // namespace tunewalk
