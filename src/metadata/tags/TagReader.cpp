#include "metadata/tags/TagReader.h"

#include "metadata/tags/RegularFileStream.h"

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2frame.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/taglib.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <vector>

namespace tunewalk {

namespace {

std::string extensionOf(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// The extension readAudioTags reads the name's kind by, in lower case; empty for one it does not
// read.
std::string tagReaderKind(const std::string& path) {
    static const std::vector<std::string> known{"mp3",  "wav", "flac", "ogg", "oga",
                                                "opus", "m4a", "aif",  "aiff"};
    std::string ext = extensionOf(path);
    return std::find(known.begin(), known.end(), ext) != known.end() ? ext : std::string();
}

// The leading whole number of a text ("3/12" gives 3, "2019-04-01" gives 2019), and the one
// after a slash when asked.
int leadingNumber(const std::string& text, std::size_t from = 0) {
    int value = 0;
    while (from < text.size() && text[from] == ' ')
        ++from;
    std::from_chars(text.data() + from, text.data() + text.size(), value);
    return value > 0 ? value : 0;
}
int afterSlash(const std::string& text) {
    const auto slash = text.find('/');
    return slash == std::string::npos ? 0 : leadingNumber(text, slash + 1);
}

std::string utf8(const TagLib::String& s) {
    return s.to8Bit(true);
}

// Fills each field of `out` that is still empty from one tag's properties, so that the tags of
// a file can be asked in order of trust.
void fillFrom(const TagLib::PropertyMap& properties, AudioTags& out) {
    const auto first = [&](const char* key) -> std::string {
        const auto it = properties.find(key);
        if (it == properties.end() || it->second.isEmpty()) return {};
        return utf8(it->second.front());
    };
    const auto text = [&](std::string& field, const char* key) {
        if (field.empty()) field = first(key);
    };
    text(out.title, "TITLE");
    text(out.artist, "ARTIST");
    text(out.album, "ALBUM");
    text(out.albumArtist, "ALBUMARTIST");
    text(out.genre, "GENRE");
    text(out.comment, "COMMENT");
    text(out.comment, "DESCRIPTION"); // what many Vorbis and FLAC taggers write
    text(out.composer, "COMPOSER");
    const auto number = [&](int& field, int& total, const char* key, const char* totalKey) {
        const std::string value = first(key);
        if (field == 0) field = leadingNumber(value);
        if (total == 0) total = afterSlash(value);
        if (total == 0 && totalKey) total = leadingNumber(first(totalKey));
    };
    number(out.track, out.trackTotal, "TRACKNUMBER", "TRACKTOTAL");
    if (out.trackTotal == 0) out.trackTotal = leadingNumber(first("TOTALTRACKS"));
    number(out.disc, out.discTotal, "DISCNUMBER", "DISCTOTAL");
    if (out.year == 0) out.year = leadingNumber(first("DATE"));
}

// The text properties() takes from these frames, when they are marked Latin-1 and go beyond
// ASCII, as the bytes they were written with: TagLib took each byte for the Latin-1 character of
// its number, so to8Bit(false) gives them back. Any other text reads the same in every page and
// is left to TagLib, which also reads genre numbers.
std::optional<std::string> latin1Bytes(const TagLib::ID3v2::FrameList& frames) {
    using namespace TagLib::ID3v2;
    for (const Frame* frame : frames) {
        TagLib::String text;
        // TagLib hands on the frame's encoding byte as it stands in the file, and it need not be
        // one of String::Type's values (kept in that enum it is undefined behaviour): it is kept
        // as a number.
        int encoding = 0;
        if (const auto* comment = dynamic_cast<const CommentsFrame*>(frame)) {
            if (!comment->description().isEmpty()) continue; // not the COMMENT property
            text = comment->text();
            encoding = static_cast<int>(comment->textEncoding());
        } else if (const auto* textFrame = dynamic_cast<const TextIdentificationFrame*>(frame)) {
            if (textFrame->fieldList().isEmpty()) return std::nullopt;
            text = textFrame->fieldList().front();
            encoding = static_cast<int>(textFrame->textEncoding());
        } else {
            return std::nullopt;
        }
        if (encoding != TagLib::String::Latin1) return std::nullopt;
        std::string bytes = text.to8Bit(false);
        if (std::all_of(bytes.begin(), bytes.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
            return std::nullopt;
        return bytes;
    }
    return std::nullopt;
}

// An ID3v2 tag, like fillFrom, with its Latin-1 texts read in `page`; Automatic guesses the page
// once from all of them together.
void fillFromId3v2(TagLib::ID3v2::Tag* tag, CodePage page, AudioTags& out) {
    if (!tag) return;
    if (page != CodePage::Latin1) {
        static const std::pair<const char*, std::string AudioTags::*> fields[] = {
            {"TIT2", &AudioTags::title},   {"TPE1", &AudioTags::artist},
            {"TALB", &AudioTags::album},   {"TPE2", &AudioTags::albumArtist},
            {"TCON", &AudioTags::genre},   {"TCOM", &AudioTags::composer},
            {"COMM", &AudioTags::comment},
        };
        std::vector<std::pair<std::string AudioTags::*, std::string>> texts;
        std::string sample;
        for (const auto& [id, field] : fields) {
            if (auto bytes = latin1Bytes(tag->frameListMap()[id])) {
                sample += *bytes + ' ';
                texts.emplace_back(field, std::move(*bytes));
            }
        }
        if (page == CodePage::Automatic) page = detectCodePage(sample);
        for (const auto& [field, bytes] : texts)
            if ((out.*field).empty()) out.*field = decodeCodePage(bytes, page);
    }
    fillFrom(tag->properties(), out);
}

bool id3v2HasPicture(TagLib::ID3v2::Tag* tag) {
    return tag && !tag->frameListMap()["APIC"].isEmpty();
}
bool xiphHasPicture(TagLib::Ogg::XiphComment* tag) {
    return tag && (!tag->pictureList().isEmpty() || tag->contains("METADATA_BLOCK_PICTURE") ||
                   tag->contains("COVERART"));
}

// TagLib works a length out in floating point and casts it to int, which does not fit when a
// stream states an impossible sample count or end position (an x86 processor then gives
// INT_MIN): what is below zero is taken as not known.
int known(int value) {
    return std::max(value, 0);
}

void readProperties(const TagLib::AudioProperties* p, AudioTags& out) {
    if (!p) return;
    out.lengthMs = known(p->lengthInMilliseconds());
    out.bitrate = known(p->bitrate());
    out.sampleRate = known(p->sampleRate());
    out.channels = known(p->channels());
}

std::string mpegFormat(const TagLib::MPEG::Properties* p) {
    if (!p) return "MPEG";
    // Named as the program's own MPEG reader names them.
    static constexpr const char* layers[] = {"", " Layer I", " Layer II", " Layer III"};
    const char* version = p->version() == TagLib::MPEG::Header::Version1   ? "MPEG-1"
                          : p->version() == TagLib::MPEG::Header::Version2 ? "MPEG-2"
                                                                           : "MPEG 2.5";
    return std::string(version) + (p->layer() >= 1 && p->layer() <= 3 ? layers[p->layer()] : "");
}

std::string mp4Format(const TagLib::MP4::Properties* p) {
    if (!p) return "MP4";
    switch (p->codec()) {
    case TagLib::MP4::Properties::AAC:
        return "MP4 AAC";
    case TagLib::MP4::Properties::ALAC:
        return "MP4 ALAC";
    default:
        return "MP4";
    }
}

// Vorbis and Opus alike: a Xiph comment and the stream's properties.
template <typename OggFile>
bool readOgg(TagLib::IOStream* stream, const char* format, AudioTags& out) {
    OggFile f(stream, true, TagLib::AudioProperties::Average);
    if (!f.isValid()) return false;
    fillFrom(f.tag()->properties(), out);
    out.hasCover = xiphHasPicture(f.tag());
    readProperties(f.audioProperties(), out);
    out.format = format;
    return true;
}

// An ID3v2 tag at the start, or an APE tag at the end (before an ID3v1 tag, if any).
bool mpegTagsWhereExpected(TagLib::IOStream& stream) {
    stream.seek(0);
    if (stream.readBlock(3) == TagLib::ByteVector("ID3", 3)) return true;
    const auto length = stream.length();
    for (const int back : {32, 32 + 128}) {
        if (length < back) continue;
        stream.seek(length - back);
        if (stream.readBlock(8) == TagLib::ByteVector("APETAGEX", 8)) return true;
    }
    return false;
}

bool readByKind(const std::string& ext, TagLib::IOStream* stream, const TagReadOptions& options,
                AudioTags& out) {
    using Style = TagLib::AudioProperties::ReadStyle;
    constexpr Style style = TagLib::AudioProperties::Average;
    const bool properties = options.audioProperties;
    const CodePage latin1Page = options.latin1Page;
    if (ext == "mp3") {
        // Without the stream's properties only the tags are wanted, and they are where taggers
        // put them; the library would search all of a file without an ID3v2 tag for one.
        if (!properties && !mpegTagsWhereExpected(*stream)) return true;
        TagLib::MPEG::File f(stream, TagLib::ID3v2::FrameFactory::instance(), properties, style);
        if (!f.isValid()) return false;
        if (f.hasID3v2Tag()) fillFromId3v2(f.ID3v2Tag(), latin1Page, out);
        if (f.hasAPETag()) fillFrom(f.APETag()->properties(), out);
        out.hasCover = f.hasID3v2Tag() && id3v2HasPicture(f.ID3v2Tag());
        readProperties(f.audioProperties(), out);
        if (properties) out.format = mpegFormat(f.audioProperties());
        return true;
    }
    if (ext == "wav") {
        TagLib::RIFF::WAV::File f(stream, properties, style);
        if (!f.isValid()) return false;
        if (f.hasID3v2Tag()) fillFromId3v2(f.ID3v2Tag(), latin1Page, out);
        if (f.hasInfoTag()) fillFrom(f.InfoTag()->properties(), out);
        out.hasCover = f.hasID3v2Tag() && id3v2HasPicture(f.ID3v2Tag());
        readProperties(f.audioProperties(), out);
        if (const auto* p = f.audioProperties()) out.bitDepth = known(p->bitsPerSample());
        if (properties) out.format = "WAV";
        return true;
    }
    if (ext == "aif" || ext == "aiff") {
        TagLib::RIFF::AIFF::File f(stream, true, style);
        if (!f.isValid()) return false;
        if (f.hasID3v2Tag()) fillFromId3v2(f.tag(), latin1Page, out);
        out.hasCover = f.hasID3v2Tag() && id3v2HasPicture(f.tag());
        readProperties(f.audioProperties(), out);
        if (const auto* p = f.audioProperties()) out.bitDepth = known(p->bitsPerSample());
        out.format = "AIFF";
        return true;
    }
    if (ext == "flac") {
        TagLib::FLAC::File f(stream, TagLib::ID3v2::FrameFactory::instance(), true, style);
        if (!f.isValid()) return false;
        if (f.hasXiphComment()) fillFrom(f.xiphComment()->properties(), out);
        if (f.hasID3v2Tag()) fillFromId3v2(f.ID3v2Tag(), latin1Page, out);
        out.hasCover = !f.pictureList().isEmpty();
        readProperties(f.audioProperties(), out);
        if (const auto* p = f.audioProperties()) out.bitDepth = known(p->bitsPerSample());
        out.format = "FLAC";
        return true;
    }
    if (ext == "opus") return readOgg<TagLib::Ogg::Opus::File>(stream, "Ogg Opus", out);
    if (ext == "ogg" || ext == "oga") {
        // An .oga may hold Opus as well as Vorbis.
        if (readOgg<TagLib::Ogg::Vorbis::File>(stream, "Ogg Vorbis", out)) return true;
        stream->seek(0);
        return readOgg<TagLib::Ogg::Opus::File>(stream, "Ogg Opus", out);
    }
    if (ext == "m4a") {
        TagLib::MP4::File f(stream, true, style);
        if (!f.isValid()) return false;
        if (f.hasMP4Tag()) {
            fillFrom(f.tag()->properties(), out);
            out.hasCover = f.tag()->contains("covr");
        }
        readProperties(f.audioProperties(), out);
        if (const auto* p = f.audioProperties()) out.bitDepth = known(p->bitsPerSample());
        out.format = mp4Format(f.audioProperties());
        return true;
    }
    return false;
}

// The file as the library reads it, in a few large aligned reads kept in memory. The library
// seeks and reads a few bytes at a time, and each seek to the end asks the system for the size
// again: a dozen calls a file where one or two reads do, and on a network share each call waits
// for a round trip. The bytes it gets are the file's, as a plain stream gives them.
// TagLib 2 takes offsets and sizes as offset_t and size_t, TagLib 1 as long and unsigned long.
#if TAGLIB_MAJOR_VERSION >= 2
using StreamOffset = TagLib::offset_t;
using StreamStart = TagLib::offset_t;
using StreamSize = size_t;
#else
using StreamOffset = long;
using StreamStart = unsigned long; // where insert and removeBlock start
using StreamSize = unsigned long;
#endif

class BlockStream : public TagLib::IOStream {
public:
    explicit BlockStream(TagLib::IOStream& file) : m_file(file) {
        // A file shorter than a block is read whole at once, which tells its length too.
        const TagLib::ByteVector& first = block(0);
        m_length = first.size() < Block ? static_cast<StreamOffset>(first.size()) : m_file.length();
    }

    TagLib::FileName name() const override { return m_file.name(); }
    TagLib::ByteVector readBlock(StreamSize length) override {
        TagLib::ByteVector out;
        while (length > 0 && m_position < m_length) {
            const StreamOffset start = m_position / Block * Block;
            const auto offset = static_cast<unsigned>(m_position - start);
            const auto want = static_cast<unsigned>(std::min<StreamSize>(length, Block - offset));
            // mid() shares the block's bytes: a read within one block copies nothing.
            const TagLib::ByteVector part = block(start).mid(offset, want);
            if (part.isEmpty()) break; // the file ended early
            if (out.isEmpty())
                out = part;
            else
                out.append(part);
            m_position += part.size();
            length -= part.size();
        }
        return out;
    }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, StreamStart, StreamSize) override {}
    void removeBlock(StreamStart, StreamSize) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return m_file.isOpen(); }
    void seek(StreamOffset offset, Position from) override {
        const StreamOffset to = offset + (from == Beginning ? 0
                                          : from == Current ? m_position
                                                            : m_length);
        if (to >= 0) m_position = to; // as a file stream, a seek before the start is refused
    }
    StreamOffset tell() const override { return m_position; }
    StreamOffset length() override { return m_length; }
    void truncate(StreamOffset) override {}

private:
    static constexpr StreamOffset Block = 64 * 1024;
    static constexpr std::size_t KeptBlocks = 16; // beyond this the kept ones are let go

    const TagLib::ByteVector& block(StreamOffset start) {
        auto it = m_blocks.find(start);
        if (it != m_blocks.end()) return it->second;
        if (m_blocks.size() >= KeptBlocks) m_blocks.clear();
        m_file.seek(start);
        return m_blocks.emplace(start, m_file.readBlock(Block)).first->second;
    }

    TagLib::IOStream& m_file;
    StreamOffset m_length = 0;
    StreamOffset m_position = 0;
    std::map<StreamOffset, TagLib::ByteVector> m_blocks;
};

} // namespace

bool hasTagReaderExtension(const std::string& path) {
    return !tagReaderKind(path).empty();
}

std::string tagFileKind(const std::string& path) {
    return tagReaderKind(path);
}

std::optional<AudioTags> readAudioTagsFrom(TagLib::IOStream& stream, const std::string& extension,
                                           const TagReadOptions& options) {
    AudioTags out;
    if (!readByKind(extension, &stream, options, out)) return std::nullopt;
    return out;
}

bool readTagFile(const std::string& path, std::string* why,
                 const std::function<bool(TagLib::IOStream&, const std::string& kind)>& read) {
    const std::string ext = tagReaderKind(path);
    if (ext.empty()) {
        if (why) *why = "not an audio file kind that is read";
        return false;
    }
    const std::unique_ptr<TagLib::IOStream> file = openRegularFile(path, why);
    if (!file) return false;
    BlockStream stream(*file);
    if (read(stream, ext)) return true;
    if (why) *why = "not a readable " + ext + " file";
    return false;
}

std::optional<AudioTags> readAudioTags(const std::string& path, std::string* why,
                                       const TagReadOptions& options) {
    std::optional<AudioTags> out;
    readTagFile(path, why, [&](TagLib::IOStream& stream, const std::string& kind) {
        out = readAudioTagsFrom(stream, kind, options);
        return out.has_value();
    });
    return out;
}

} // namespace tunewalk
