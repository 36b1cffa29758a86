#include "FrameScanner.h"

#include "MpegFrame.h"

#include <algorithm>

namespace tunewalk {
namespace {

constexpr std::int64_t kMaxScanBlock = 64 * 1024;
// How far past the first sync a confirmed frame is looked for: more than any junk or damaged
// tag before the audio seen in real files, and a bound on what a file that holds no audio
// costs to read.
constexpr std::int64_t kConfirmWindow = 1024 * 1024;

bool confirmed(FrameScanner& scanner, std::int64_t at) {
    std::array<std::uint8_t, 4> bytes{};
    if (!scanner.headerAt(at, bytes)) return false;
    const auto header = mpeg::readHeader(bytes.data());
    if (!header || !header->complete()) return false;
    if (!scanner.headerAt(at + header->length(), bytes)) return false;
    const auto next = mpeg::readHeader(bytes.data());
    return next && next->complete() && next->sameStreamAs(*header);
}

} // namespace

std::int64_t FrameScanner::find(std::int64_t from, bool anyLayer) {
    while (from + 1 < m_end) {
        if (from < m_base || from + 1 >= m_base + static_cast<std::int64_t>(m_buffer.size())) {
            if (!load(from)) return -2;
        }
        const auto offset = static_cast<std::size_t>(from - m_base);
        if (auto hit =
                mpeg::findFrameSync(m_buffer.data() + offset, m_buffer.size() - offset, anyLayer))
            return from + static_cast<std::int64_t>(*hit);
        // Keep the last byte: it may be the 0xFF of a pair that the next block completes.
        from = m_base + static_cast<std::int64_t>(m_buffer.size()) - 1;
    }
    return -1;
}

bool FrameScanner::headerAt(std::int64_t at, std::array<std::uint8_t, 4>& header) {
    if (at < 0 || at + 4 > m_end) return false;
    std::size_t available = 0;
    if (const std::uint8_t* held = bytesAt(at, available); available >= 4) {
        std::copy_n(held, 4, header.begin());
        return true;
    }
    const std::int64_t got = m_file.readAt(at, header.data(), 4);
    if (got < 0) m_failed = true;
    return got == 4;
}

const std::uint8_t* FrameScanner::bytesAt(std::int64_t at, std::size_t& available) const {
    if (at < m_base || at >= m_base + static_cast<std::int64_t>(m_buffer.size())) {
        available = 0;
        return nullptr;
    }
    available = m_buffer.size() - static_cast<std::size_t>(at - m_base);
    return m_buffer.data() + (at - m_base);
}

void FrameScanner::patch(std::int64_t at, std::uint8_t value) {
    if (at >= m_base && at < m_base + static_cast<std::int64_t>(m_buffer.size()))
        m_buffer[static_cast<std::size_t>(at - m_base)] = value;
}

void FrameScanner::adopt(std::int64_t base, std::vector<std::uint8_t> bytes) {
    m_base = base;
    m_buffer = std::move(bytes);
    if (m_base + static_cast<std::int64_t>(m_buffer.size()) > m_end)
        m_buffer.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, m_end - m_base)));
}

bool FrameScanner::load(std::int64_t from) {
    const std::int64_t want = std::min(m_block, m_end - from);
    m_block = std::min(m_block * 2, kMaxScanBlock);
    m_buffer.resize(static_cast<std::size_t>(want));
    const std::int64_t got = m_file.readAt(from, m_buffer.data(), want);
    if (got < 0) {
        m_failed = true;
        m_buffer.clear();
        return false;
    }
    m_buffer.resize(static_cast<std::size_t>(got));
    m_base = from;
    // A file that shrank under us ends the scan rather than looping.
    if (got < 2) m_end = from + got;
    return true;
}

std::int64_t locateFirstFrame(FrameScanner& scanner, std::int64_t start, std::int64_t end) {
    const std::int64_t first = scanner.find(start);
    if (first == -2) return -2;
    const std::int64_t limit = std::min(end, std::max(first, start) + kConfirmWindow);
    for (std::int64_t from = start; from < limit;) {
        const std::int64_t at = scanner.find(from, true);
        if (at == -2) return -2;
        if (at < 0 || at >= limit) break;
        if (confirmed(scanner, at)) return at;
        if (scanner.failed()) return -2;
        from = at + 1;
    }
    return first;
}

} // namespace tunewalk
