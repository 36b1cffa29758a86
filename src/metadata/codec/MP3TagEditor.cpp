#include "MP3TagEditor.h"

#include "BinaryFile.h"
#include "FrameScanner.h"
#include "Mp3Tables.h"
#include "MpegFrame.h"
#include "TrailingTags.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <vector>

namespace tunewalk {
namespace {

constexpr std::int64_t kTagSize = 128;
// Large enough for a leading ID3v2 header, the first frame and its Xing header in one read.
constexpr std::int64_t kHeadBlock = 2048;

std::string idKey(int value) {
    return "ID_" + std::to_string(value);
}

void addPair(MP3TagEditor::LookupList& list, std::string key, std::string name, int id) {
    NameIDPair pair;
    pair.Init(std::move(name), static_cast<std::int16_t>(id));
    list.add(std::move(key), std::move(pair));
}

} // namespace

MP3TagEditor::MP3TagEditor() {
    for (int id = 0; id < mp3tables::kGenreCount; ++id)
        addPair(m_genraList, "ID" + std::to_string(id), GenraLookupByID(id), id);
    addPair(m_genraList, "ID255", "None", 255);

    for (int version = 1; version <= 2; ++version) {
        auto& bitrates = version == 1 ? m_bitrateList1 : m_bitrateList2;
        for (std::uint8_t index = 1; index <= 14; ++index) {
            const int kbps = BitrateLookupByID(index, version);
            addPair(bitrates, idKey(kbps), std::to_string(kbps), index);
        }
        addPair(bitrates, idKey(0), "(unknown)", 0);

        auto& rates = version == 1 ? m_sampleRateList1 : m_sampleRateList2;
        for (std::uint8_t index = 0; index <= 2; ++index) {
            const int hz = SampleRateLookupByID(index, version);
            addPair(rates, idKey(hz), std::to_string(hz), index);
        }
        addPair(rates, idKey(0), "(unknown)", 3);
    }

    for (std::uint8_t mode = 0; mode <= 3; ++mode)
        addPair(m_channelsList, ChannelsLookupByID(mode), ChannelsLookupByID(mode), mode);
}

int MP3TagEditor::BitrateLookupByID(std::uint8_t id, int version) {
    return mp3tables::bitrate(id, version);
}

int MP3TagEditor::SampleRateLookupByID(std::uint8_t id, int version) {
    return mp3tables::sampleRate(id, version);
}

std::string MP3TagEditor::ChannelsLookupByID(std::uint8_t id) {
    return std::string(mp3tables::channelMode(id));
}

std::string MP3TagEditor::GenraLookupByID(int id) {
    return std::string(mp3tables::genreName(id));
}

void MP3TagEditor::setBitrate(int kbps) {
    if (kbps == m_bitrate) return;
    m_bitrate = static_cast<std::int16_t>(kbps);
    m_headerChanged = m_bitrateChanged = true;
}

void MP3TagEditor::setSampleRate(int hz) {
    if (hz == m_sampleRate) return;
    m_sampleRate = hz;
    m_headerChanged = m_sampleRateChanged = true;
}

void MP3TagEditor::setChannels(const std::string& mode) {
    if (mode == m_channels) return;
    m_channels = mode;
    m_headerChanged = m_channelsChanged = true;
}

std::string MP3TagEditor::PadToWidth(const std::string& text, std::size_t width) {
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

std::uint8_t MP3TagEditor::trackOf(const std::string& comment) {
    if (comment.size() != 30 || comment[28] != '\0') return 0;
    return static_cast<std::uint8_t>(comment[29]);
}

void MP3TagEditor::setComment(const std::string& v) {
    if (v == Comment()) return; // unchanged: its bytes, and the track number, stay as read
    m_comment = PadToWidth(v, 30);
    // Only a comment that needs the last two bytes takes the track number's place.
    if (m_track != 0 && m_comment.compare(28, 2, "  ") == 0) {
        m_comment[28] = '\0';
        m_comment[29] = static_cast<char>(m_track);
    }
}

bool MP3TagEditor::HeaderRewritable() const {
    return m_layer == 0 || (m_layer == 3 && !m_mpeg25);
}

std::string MP3TagEditor::HeaderKind() const {
    static constexpr const char* kLayers[] = {"", "Layer I", "Layer II", "Layer III"};
    if (m_layer == 0) return {};
    return std::string(m_mpeg25         ? "MPEG 2.5"
                       : m_version == 1 ? "MPEG-1"
                                        : "MPEG-2") +
           " " + kLayers[m_layer];
}

std::string MP3TagEditor::fieldText(const std::string& field) {
    const std::string_view text(field.data(), std::min(field.find('\0'), field.size()));
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

void MP3TagEditor::assign(std::string& field, const std::string& text, std::size_t width) {
    if (text != fieldText(field)) field = PadToWidth(text, width);
}

void MP3TagEditor::ClearFields() {
    m_tagExists = false;
    m_title.clear();
    m_artist.clear();
    m_album.clear();
    m_year.clear();
    m_comment.clear();
    m_track = 0;
    m_genra = NoneGenre;
    m_bitrate = 0;
    m_length = {};
    m_channels.clear();
    m_sampleRate = 0;
    m_vbr = false;
    m_averageBitrate = 0;
    m_headerBitrate = 0;
    m_layer = 0;
    m_mpeg25 = false;
    m_frameAt = -1;
}

bool MP3TagEditor::LoadMP3(const std::string& fileName) {
    m_headerChanged = m_bitrateChanged = m_sampleRateChanged = m_channelsChanged = false;
    ClearFields();
    m_filename = fileName;
    // Set only by a load that succeeds: what a failed one holds is not written back.
    m_stamp.reset();
    m_otherTags = false;

    BinaryFile file;
    if (!file.open(fileName, BinaryFile::Mode::Read)) return false;
    const std::int64_t size = file.size();
    // As opened, before reading: a change made while the file is read shows at the save.
    const BinaryFile::Stamp stamp = file.stampAtOpen();

    m_genra = NoTagGenre;
    if (size > kTagSize) {
        std::array<char, kTagSize> tag{};
        if (file.readAt(size - kTagSize, tag.data(), kTagSize) != kTagSize) return false;
        ReadTag(std::string(tag.data(), kTagSize));
    }
    const std::int64_t beforeTag = m_tagExists ? size - kTagSize : size;

    // Most files hold their first frame, and any Xing header in it, within the first block.
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min(kHeadBlock, beforeTag)));
    const std::int64_t got = file.readAt(0, head.data(), static_cast<std::int64_t>(head.size()));
    if (got < 0) return false;
    head.resize(static_cast<std::size_t>(got));

    // A leading ID3v2 tag (often with a picture) is skipped: frame syncs inside it mean nothing.
    const std::int64_t audioStart = mpeg::id3v2Size(head.data(), head.size());
    // So are APE and Lyrics3 tags at the end: their bytes are no audio to count.
    const std::int64_t audioEnd = endBeforeTrailingTags(file, audioStart, beforeTag);
    if (audioEnd < 0) return false;
    m_otherTags = audioStart > 0 || audioEnd < beforeTag;
    FrameScanner scanner(file, audioEnd);
    if (audioStart == 0) scanner.adopt(0, std::move(head));

    m_version = 1;
    const std::int64_t at = locateFirstFrame(scanner, audioStart, audioEnd);
    if (at == -2) return false;
    if (at < 0) {
        m_bitrate = 0;
        m_sampleRate = 0;
        m_channels = "(unknown)";
        m_stamp = stamp;
        return true;
    }

    // The frame with room for a Xing or VBRI header after it.
    constexpr std::size_t kFrameLook = 64;
    std::array<std::uint8_t, kFrameLook> frame{};
    std::size_t available = 0;
    const std::uint8_t* bytes = scanner.bytesAt(at, available);
    if (available < kFrameLook && at + static_cast<std::int64_t>(available) < audioEnd) {
        const std::int64_t want = std::min<std::int64_t>(kFrameLook, audioEnd - at);
        const std::int64_t n = file.readAt(at, frame.data(), want);
        if (n < 0) return false;
        bytes = frame.data();
        available = static_cast<std::size_t>(n);
    }
    available = std::min<std::size_t>(available, kFrameLook);
    // Header bytes past the end of the audio read as zero: the tag is never taken for audio,
    // so saving a tag cannot change what a cut-short header says.
    std::array<std::uint8_t, 4> headerBytes{};
    std::copy_n(bytes, std::min<std::size_t>(4, available), headerBytes.begin());
    // Always a header: the place found starts with a sync of a known version and layer.
    const mpeg::FrameHeader header =
        mpeg::readHeader(headerBytes.data()).value_or(mpeg::FrameHeader{});

    m_frameAt = at;
    m_version = static_cast<std::int16_t>(header.version);
    m_layer = header.layer;
    m_mpeg25 = header.mpeg25;
    m_channels = ChannelsLookupByID(header.mode);
    m_sampleRate = header.sampleRate();
    m_headerBitrate = header.bitrate();
    m_bitrate = static_cast<std::int16_t>(m_headerBitrate);

    // Xing, Info and VBRI headers are written into Layer III frames only.
    const auto vbr = header.layer == 3 ? mpeg::findVbrHeader(bytes, available) : std::nullopt;
    // An encoder may give the Info frame of a constant-bitrate stream another bitrate than the
    // audio's (one its header fits in): the frame after it tells the audio's.
    if (vbr && vbr->info && header.complete()) {
        std::array<std::uint8_t, 4> nextBytes{};
        if (scanner.headerAt(at + header.length(), nextBytes)) {
            const auto next = mpeg::readHeader(nextBytes.data());
            if (next && next->complete() && next->sameStreamAs(header))
                m_bitrate = static_cast<std::int16_t>(next->bitrate());
        } else if (scanner.failed()) {
            return false;
        }
    }
    m_averageBitrate = m_bitrate;

    const std::int64_t audioBytes = audioEnd - at;
    if (vbr && vbr->frames > 0 && m_sampleRate > 0) {
        const double exact = static_cast<double>(vbr->frames) * header.samples() / m_sampleRate;
        m_length = Duration::fromSeconds(static_cast<std::int64_t>(std::floor(exact)));
        m_vbr = vbr->variable;
        if (m_vbr && exact > 0)
            m_averageBitrate = static_cast<int>(
                std::lround(static_cast<double>(audioBytes) * 8.0 / (exact * 1000.0)));
    } else {
        m_vbr = vbr && vbr->variable;
        const int kbps = m_bitrate != 0 ? m_bitrate : DefaultBitrate();
        const double seconds = static_cast<double>(audioBytes) * 8.0 / 1000.0 / kbps;
        m_length = Duration::fromSeconds(static_cast<std::int64_t>(std::trunc(seconds)));
    }
    m_stamp = stamp;
    return true;
}

bool MP3TagEditor::ReadTag(const std::string& tag) {
    if (tag.size() != kTagSize || tag.compare(0, 3, "TAG") != 0) return false;
    m_tagExists = true;
    m_title.assign(tag.data() + 3, 30);
    m_artist.assign(tag.data() + 33, 30);
    m_album.assign(tag.data() + 63, 30);
    m_year.assign(tag.data() + 93, 4);
    m_comment.assign(tag.data() + 97, 30);
    m_track = trackOf(m_comment);
    m_genra = static_cast<unsigned char>(tag[127]);
    return true;
}

std::string MP3TagEditor::RenderTag() const {
    const int genre = m_genra >= 0 && m_genra <= 255 ? m_genra : NoneGenre;
    std::string tag = "TAG";
    tag += PadToWidth(m_title, 30);
    tag += PadToWidth(m_artist, 30);
    tag += PadToWidth(m_album, 30);
    tag += PadToWidth(m_year, 4);
    tag += PadToWidth(m_comment, 30);
    tag += static_cast<char>(genre);
    return tag;
}

void MP3TagEditor::setTrack(int track) {
    if (track == Track()) return;
    m_comment = PadToWidth(m_comment, 30);
    if (track > 0 && track <= 255) {
        // ID3v1.1: the comment gives up its last two bytes.
        m_comment[28] = '\0';
        m_comment[29] = static_cast<char>(track);
    } else if (trackOf(m_comment) != 0) {
        m_comment[28] = m_comment[29] = '\0';
    }
    m_track = trackOf(m_comment);
}

Result MP3TagEditor::SaveMP3(bool AllFrames) {
    m_changedSinceLoad = false;
    BinaryFile file;
    // Opened first: a file that is gone or cannot be written says so, whatever the load found.
    if (!file.open(m_filename, BinaryFile::Mode::ReadWrite)) return file.failure();
    if (!m_stamp) return Result::failure(m_filename, "it could not be read, so it was not written");
    const std::int64_t size = file.size();
    // Changed by someone else since the load: the fields may describe a tag that is gone, or
    // miss one that was added.
    if (file.stampAtOpen() != *m_stamp) {
        m_changedSinceLoad = true;
        return Result::failure(m_filename, "it has changed since it was read");
    }

    // The tag is looked for again rather than taken from the load: whatever happened since, the
    // file ends with exactly one tag, and the audio before it is never written.
    // As the load reads it, a tag needs audio before it: a file of 128 bytes that starts with
    // "TAG" has none, so it is appended to rather than overwritten.
    std::int64_t tagAt = size;
    if (size > kTagSize) {
        char marker[3] = {};
        if (file.readAt(size - kTagSize, marker, 3) != 3) return file.failure();
        if (std::memcmp(marker, "TAG", 3) == 0) tagAt = size - kTagSize;
    }
    const int genre = m_genra >= 0 && m_genra <= 255 ? m_genra : NoneGenre;
    const std::string tag = RenderTag();

    const bool written = file.writeAt(tagAt, tag.data(), kTagSize) && file.close();
    const Result outcome = written ? Result::ok() : file.failure();
    if (!written && tagAt == size) {
        // A half-appended tag would be read as audio: give the file its old length back.
        std::error_code ec;
        std::filesystem::resize_file(m_filename, static_cast<std::uintmax_t>(size), ec);
    }
    // Our own writes are no change by someone else: the next save starts from the file as it
    // is now.
    m_stamp = BinaryFile::lookAt(m_filename);
    if (!outcome) return outcome;
    m_writtenTag = tag;
    m_tagExists = true;
    m_genra = genre;
    m_track = trackOf(m_comment);

    if (!m_headerChanged) return Result::ok();
    // Only Layer III headers of MPEG-1 and MPEG-2 have the fields this rewrite knows: nobody is
    // asked about the others.
    if (!HeaderRewritable())
        return Result::failure(m_filename, "its frame headers are " + HeaderKind() +
                                               ", which cannot be rewritten");
    // The file is closed while the user is asked: nothing holds it open behind a question.
    if (!m_confirm || !m_confirm(HeaderQuestion)) return Result::ok();
    if (!file.open(m_filename, BinaryFile::Mode::ReadWrite)) return file.failure();
    Result rewritten = rewriteFrameHeaders(file, AllFrames);
    if (!file.close() && rewritten) rewritten = file.failure();
    m_stamp = BinaryFile::lookAt(m_filename);
    return rewritten;
}

Result MP3TagEditor::rewriteFrameHeaders(BinaryFile& file, bool allFrames) {
    const LookupList& bitrates = m_version == 1 ? m_bitrateList1 : m_bitrateList2;
    const LookupList& rates = m_version == 1 ? m_sampleRateList1 : m_sampleRateList2;
    const NameIDPair* newBitrate = m_bitrateChanged ? bitrates.find(idKey(m_bitrate)) : nullptr;
    const NameIDPair* newRate = m_sampleRateChanged ? rates.find(idKey(m_sampleRate)) : nullptr;
    const NameIDPair* newMode = m_channelsChanged ? m_channelsList.find(m_channels) : nullptr;
    // A value this version cannot express (320 kbit/s under MPEG-2, say) is refused before any
    // header byte is touched.
    if ((m_bitrateChanged && !newBitrate) || (m_sampleRateChanged && !newRate) ||
        (m_channelsChanged && !newMode))
        return Result::failure(m_filename, "the new header values do not exist in MPEG-" +
                                               std::to_string(m_version));

    // The walk starts at the frame the load took for the first, not at a stray sync before it.
    std::int64_t scanFrom = m_frameAt;
    if (scanFrom < 0) {
        std::array<std::uint8_t, 10> id3{};
        const std::int64_t headGot =
            file.readAt(0, id3.data(), std::min<std::int64_t>(10, file.size() - kTagSize));
        if (headGot < 0) return file.failure();
        scanFrom = mpeg::id3v2Size(id3.data(), static_cast<std::size_t>(headGot));
    }
    // Neither the ID3v1 tag nor an APE or Lyrics3 tag before it is written to.
    const std::int64_t audioEnd = endBeforeTrailingTags(file, scanFrom, file.size() - kTagSize);
    if (audioEnd < 0) return file.failure();

    FrameScanner scanner(file, audioEnd);
    do {
        const std::int64_t at = scanner.find(scanFrom);
        if (at == -2) return file.failure();
        if (at < 0 || at + 4 > audioEnd) break;
        // The scanner usually holds the whole header already; read it only when it does not.
        std::array<std::uint8_t, 4> header{};
        std::size_t available = 0;
        if (const std::uint8_t* held = scanner.bytesAt(at, available); available >= 4)
            std::copy_n(held, 4, header.begin());
        else if (file.readAt(at, header.data(), 4) != 4)
            return file.failure();
        const std::uint8_t bitrateIndex = header[2] >> 4;
        const std::uint8_t rateIndex = (header[2] >> 2) & 3;
        const int padding = (header[2] >> 1) & 1;

        if (m_bitrateChanged || m_sampleRateChanged) {
            const int b = newBitrate ? newBitrate->ID() : bitrateIndex;
            const int r = newRate ? newRate->ID() : rateIndex;
            const auto byte3 = static_cast<std::uint8_t>(b * 16 + r * 4 + (header[2] & 3));
            if (!file.writeAt(at + 2, &byte3, 1)) return file.failure();
            scanner.patch(at + 2, byte3);
        }
        if (m_channelsChanged) {
            const auto byte4 = static_cast<std::uint8_t>(newMode->ID() * 64 + (header[3] & 0x3F));
            if (!file.writeAt(at + 3, &byte4, 1)) return file.failure();
            scanner.patch(at + 3, byte4);
        }

        // Step over the frame as it was encoded; MPEG-2 frames hold half as many samples.
        int kbps = BitrateLookupByID(bitrateIndex, m_version);
        if (kbps == 0) kbps = m_bitrate != 0 ? m_bitrate : DefaultBitrate();
        int hz = SampleRateLookupByID(rateIndex, m_version);
        if (hz == 0) hz = m_sampleRate != 0 ? m_sampleRate : 44100;
        const std::int64_t factor = m_version == 1 ? 144000 : 72000;
        const std::int64_t frameBytes = factor * kbps / hz + padding;
        scanFrom = at + std::max<std::int64_t>(frameBytes, 4);
    } while (allFrames && scanFrom < audioEnd);
    return Result::ok();
}

} // namespace tunewalk
