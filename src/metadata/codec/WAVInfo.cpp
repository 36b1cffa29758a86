#include "WAVInfo.h"

#include "BinaryFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace tunewalk {
namespace {

constexpr std::int64_t kHeadBlock = 4 * 1024;
constexpr std::int64_t kSearchBlock = 16 * 1024;

// Finds chunk identifiers by their bytes, not by walking chunk sizes. The start of the file,
// where a well-formed header keeps all three, is read once and searched in memory.
class IdSearch {
public:
    explicit IdSearch(BinaryFile& file) : m_file(file) {}

    bool readHead() {
        m_head.resize(static_cast<std::size_t>(std::min(kHeadBlock, m_file.size())));
        const std::int64_t got =
            m_file.readAt(0, m_head.data(), static_cast<std::int64_t>(m_head.size()));
        if (got < 0) return false;
        m_head.resize(static_cast<std::size_t>(got));
        return true;
    }

    // First position p in [from, lastStart] where the four bytes of `id` stand; -1 when there
    // is none, -2 on a read error.
    std::int64_t find(const char* id, std::int64_t from, std::int64_t lastStart) {
        const auto headSize = static_cast<std::int64_t>(m_head.size());
        for (; from <= lastStart && from + 4 <= headSize; ++from)
            if (std::memcmp(m_head.data() + from, id, 4) == 0) return from;
        return scanFile(id, from, lastStart);
    }

private:
    std::int64_t scanFile(const char* id, std::int64_t from, std::int64_t lastStart) {
        std::vector<char> buffer;
        while (from <= lastStart) {
            const std::int64_t want = std::min(kSearchBlock, lastStart - from + 4);
            buffer.resize(static_cast<std::size_t>(want));
            const std::int64_t got = m_file.readAt(from, buffer.data(), want);
            if (got < 0) return -2;
            if (got < 4) return -1;
            for (std::int64_t i = 0; i + 4 <= got && from + i <= lastStart; ++i)
                if (std::memcmp(buffer.data() + i, id, 4) == 0) return from + i;
            from += got - 3;
        }
        return -1;
    }

    BinaryFile& m_file;
    std::vector<char> m_head;
};

// Position of the "fmt " that follows "WAVE"; -1 when the file has no format, -2 on an error.
std::int64_t findFormat(IdSearch& search, std::int64_t size) {
    if (!search.readHead()) return -2;
    const std::int64_t wave = search.find("WAVE", 0, size - 8);
    if (wave < 0) return wave;
    return search.find("fmt ", wave + 4, size - 4);
}

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

    BinaryFile file;
    if (!file.open(fileName, BinaryFile::Mode::Read)) return false;
    const std::int64_t size = file.size();

    IdSearch search(file);
    const std::int64_t fmt = findFormat(search, size);
    if (fmt == -2) return false;
    if (fmt < 0) return true;

    // Bytes of a format chunk cut short by the end of the file read as zero.
    std::array<std::uint8_t, 14> fields{};
    if (file.readAt(fmt + 10, fields.data(), 14) < 0) return false;
    m_channels = static_cast<int>(le(&fields[0], 2));
    m_sampleRate = le(&fields[2], 4);
    m_bytesPerSecond = le(&fields[6], 4);
    m_blockAlign = le(&fields[10], 2);
    m_sampleBits = std::min<int>(static_cast<int>(le(&fields[12], 2)), MaxSampleBits());

    const std::int64_t data = search.find("data", fmt + 24, size - 4);
    if (data == -2) return false;
    if (data < 0) return true;
    std::array<std::uint8_t, 4> length{};
    if (file.readAt(data + 4, length.data(), 4) < 0) return false;
    m_dataLength = le(length.data(), 4);
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

bool WAVInfo::SaveWAV() {
    if (!m_headerChanged) return true;
    if (!m_confirm || !m_confirm(HeaderQuestion)) return true;

    BinaryFile file;
    if (!file.open(m_filename, BinaryFile::Mode::ReadWrite)) return false;
    const std::int64_t size = file.size();
    IdSearch search(file);
    const std::int64_t fmt = findFormat(search, size);
    if (fmt == -2) return false;
    if (fmt < 0) return true;
    // A format chunk cut short by the end of the file is not extended with our bytes.
    if (fmt + 24 > size) return false;
    if (!fits(m_channels, 0xFFFF) || !fits(m_sampleRate, 0xFFFFFFFF) ||
        !fits(m_bytesPerSecond, 0xFFFFFFFF) || !fits(m_blockAlign, 0xFFFF) ||
        !fits(m_sampleBits, 0xFFFF))
        return false;

    std::array<std::uint8_t, 14> fields{};
    putLe(&fields[0], static_cast<std::uint32_t>(m_channels), 2);
    putLe(&fields[2], static_cast<std::uint32_t>(m_sampleRate), 4);
    putLe(&fields[6], static_cast<std::uint32_t>(m_bytesPerSecond), 4);
    putLe(&fields[10], static_cast<std::uint32_t>(m_blockAlign), 2);
    putLe(&fields[12], static_cast<std::uint32_t>(m_sampleBits), 2);
    if (!file.writeAt(fmt + 10, fields.data(), 14)) return false;
    return file.close();
}

} // namespace tunewalk
