// The MP3 round trip: load, assign what the plan says, save, and check that the file changed
// only where a tag edit (and a confirmed header edit) may change it.

#include "FuzzSupport.h"

#include "metadata/codec/MP3TagEditor.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace tunewalk::fuzz {
namespace {

constexpr std::size_t kTag = 128;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

constexpr int kBitrates[2][16] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};
constexpr int kRates[2][4] = {{44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}};
// Layers I and II of MPEG-1, then of MPEG-2 and 2.5 (whose Layer II is their Layer III's).
constexpr int kOtherLayers[2][2][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
const std::array<std::string, 4> kModes = {"Stereo", "Joint Stereo", "Dual Channel", "Mono"};
// How far past the first Layer III sync a frame confirmed by the next one is looked for.
constexpr std::size_t kConfirmWindow = 1024 * 1024;

std::uint8_t at(const std::string& s, std::size_t i) {
    return static_cast<std::uint8_t>(s[i]);
}

// A Layer III frame sync (MPEG-1 or MPEG-2) whose two bytes lie before `end`.
bool isSync(const std::string& f, std::size_t i, std::size_t end) {
    return i + 1 < end && at(f, i) == 0xFF && (at(f, i + 1) & 0xF6) == 0xF2;
}

// Size of a leading ID3v2 tag found in the first `end` bytes; 0 when there is none.
std::size_t id3v2End(const std::string& f, std::size_t end) {
    if (end < 10 || f.compare(0, 3, "ID3") != 0) return 0;
    if (at(f, 3) == 0xFF || at(f, 4) == 0xFF) return 0; // a frame sync, not a tag version
    std::size_t body = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        if (at(f, i) & 0x80) return 0;
        body = (body << 7) | at(f, i);
    }
    return 10 + body + ((at(f, 5) & 0x10) ? 10 : 0);
}

std::size_t firstSync(const std::string& f, std::size_t from, std::size_t end) {
    for (std::size_t i = from; i + 1 < end; ++i)
        if (isSync(f, i, end)) return i;
    return kNone;
}

// A frame header of any version and layer, as the four bytes at `i` say (those past `end`
// read as zero).
struct Header {
    bool valid = false; // a sync, with a version and a layer that are not reserved
    int version = 1, layer = 3;
    bool mpeg25 = false;
    int bitrate = 0, rate = 0, mode = 0, rateIndex = 0;
    std::size_t length = 0; // 0 when the bitrate or the rate is unknown
};

Header headerAt(const std::string& f, std::size_t i, std::size_t end) {
    std::array<std::uint8_t, 4> b{};
    for (std::size_t k = 0; k < 4 && i + k < end; ++k)
        b[k] = at(f, i + k);
    Header h;
    const int versionBits = (b[1] >> 3) & 3, layerBits = (b[1] >> 1) & 3;
    h.valid = b[0] == 0xFF && (b[1] & 0xE0) == 0xE0 && versionBits != 1 && layerBits != 0;
    if (!h.valid) return h;
    h.version = versionBits == 3 ? 1 : 2;
    h.mpeg25 = versionBits == 0;
    h.layer = 4 - layerBits;
    const int index = b[2] >> 4;
    h.bitrate = h.layer == 3 ? kBitrates[h.version - 1][index]
                             : kOtherLayers[h.version - 1][h.layer - 1][index];
    h.rateIndex = (b[2] >> 2) & 3;
    h.rate = kRates[h.version - 1][h.rateIndex] / (h.mpeg25 ? 2 : 1);
    h.mode = b[3] >> 6;
    const std::size_t pad = (b[2] >> 1) & 1;
    if (h.bitrate > 0 && h.rate > 0) {
        const auto bits = static_cast<std::size_t>(h.bitrate) * 1000;
        const auto hz = static_cast<std::size_t>(h.rate);
        if (h.layer == 1)
            h.length = (12 * bits / hz + pad) * 4;
        else
            h.length = (h.layer == 3 && h.version == 2 ? 72 : 144) * bits / hz + pad;
    }
    return h;
}

// The place at `i` starts a frame that the next header confirms: both complete and inside
// [0, end), of one version, layer and rate.
bool confirmedAt(const std::string& f, std::size_t i, std::size_t end) {
    if (i + 4 > end) return false;
    const Header h = headerAt(f, i, end);
    if (!h.valid || h.length == 0 || i + h.length + 4 > end) return false;
    const Header n = headerAt(f, i + h.length, end);
    return n.valid && n.length > 0 && n.version == h.version && n.mpeg25 == h.mpeg25 &&
           n.layer == h.layer && n.rateIndex == h.rateIndex;
}

// The first frame: the earliest confirmed place up to the window past the first Layer III
// sync, else that sync.
std::size_t firstFrame(const std::string& f, std::size_t from, std::size_t end) {
    const std::size_t sync = firstSync(f, from, end);
    const std::size_t limit = std::min(end, (sync == kNone ? from : sync) + kConfirmWindow);
    for (std::size_t i = from; i < limit; ++i)
        if (at(f, i) == 0xFF && confirmedAt(f, i, end)) return i;
    return sync;
}

std::uint32_t le32(const std::string& f, std::size_t i) {
    return std::uint32_t{at(f, i)} | std::uint32_t{at(f, i + 1)} << 8 |
           std::uint32_t{at(f, i + 2)} << 16 | std::uint32_t{at(f, i + 3)} << 24;
}

// The end of the audio before APE and Lyrics3 tags that end at `end`.
std::size_t beforeTrailingTags(const std::string& f, std::size_t start, std::size_t end) {
    for (int tags = 0; tags < 3 && end >= start + 15; ++tags) {
        std::size_t tagAt = end;
        if (end >= start + 32 && f.compare(end - 32, 8, "APETAGEX") == 0) {
            const std::size_t size = le32(f, end - 20);
            const std::size_t total = size + ((le32(f, end - 12) & 0x80000000u) ? 32 : 0);
            if (size >= 32 && total <= end - start) tagAt = end - total;
        } else if (f.compare(end - 9, 9, "LYRICS200") == 0) {
            const std::string digits = f.substr(end - 15, 6);
            if (digits.find_first_not_of("0123456789") == std::string::npos) {
                const std::size_t size = std::stoul(digits);
                if (size >= 11 && size + 15 <= end - start &&
                    f.compare(end - 15 - size, 11, "LYRICSBEGIN") == 0)
                    tagAt = end - 15 - size;
            }
        } else if (f.compare(end - 9, 9, "LYRICSEND") == 0) {
            const std::size_t from = std::max(start, end > 5120 ? end - 5120 : 0);
            const auto found = f.substr(from, end - from).rfind("LYRICSBEGIN");
            if (found != std::string::npos) tagAt = from + found;
        }
        if (tagAt == end) break;
        end = tagAt;
    }
    return end;
}

// A tag field as the codec reads it: up to its first zero byte, blanks trimmed.
std::string cutAndTrim(const std::string& text, std::size_t width) {
    std::string s = text.substr(0, width);
    s = s.substr(0, s.find('\0'));
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// ID3v1.1: a zero as the comment's 29th byte makes the 30th a track number, not text.
std::uint8_t trackOf(const std::string& field) {
    return field.size() == 30 && field[28] == '\0' ? static_cast<std::uint8_t>(field[29]) : 0;
}

std::string commentOf(const std::string& field) {
    return cutAndTrim(field, 30); // a track number stands after a zero byte
}

// The comment field a save writes for `text`: one that leaves the last two bytes free keeps the
// loaded tag's track number.
std::string writtenComment(const std::string& text, std::uint8_t track) {
    std::string field = text.substr(0, 30);
    field.resize(30, ' ');
    if (track != 0 && field.compare(28, 2, "  ") == 0) {
        field[28] = '\0';
        field[29] = static_cast<char>(track);
    }
    return field;
}

int storedGenre(int genre) {
    return genre >= 0 && genre <= 255 ? genre : 255;
}

// What a field holds after `text` was assigned to the field `loaded` held: its bytes as they
// were when the text is the one it reads as, else the text cut and padded with spaces.
std::string assignedField(const std::string& loaded, const std::optional<std::string>& text,
                          std::size_t width) {
    if (!text || *text == cutAndTrim(loaded, width)) return loaded;
    std::string field = text->substr(0, width);
    field.resize(width, ' ');
    return field;
}

bool bitrateFits(int kbps, int version) {
    return std::find(std::begin(kBitrates[version - 1]), std::end(kBitrates[version - 1]), kbps) !=
           std::end(kBitrates[version - 1]);
}
bool rateFits(int hz, int version) {
    return std::find(std::begin(kRates[version - 1]), std::end(kRates[version - 1]), hz) !=
           std::end(kRates[version - 1]);
}
bool modeFits(const std::string& mode) {
    return std::find(kModes.begin(), kModes.end(), mode) != kModes.end();
}

struct State {
    bool tagExists = false;
    std::string title, artist, album, year, comment;
    int genre = 0;
    int version = 0, bitrate = 0, sampleRate = 0;
    std::string channels;
    std::int64_t seconds = 0;
    bool vbr = false;
    int averageBitrate = 0;
    int headerBitrate = 0;
    bool rewritable = true;

    explicit State(const MP3TagEditor& e)
        : tagExists(e.TagExists()), title(e.Title()), artist(e.Artist()), album(e.Album()),
          year(e.Year()), comment(e.Comment()), genre(e.Genra()), version(e.Version()),
          bitrate(e.Bitrate()), sampleRate(e.SampleRate()), channels(e.Channels()),
          seconds(e.Length().seconds()), vbr(e.VBR()), averageBitrate(e.AverageBitrate()),
          headerBitrate(e.HeaderBitrate()), rewritable(e.HeaderRewritable()) {}

    bool sameTag(const State& o) const {
        return title == o.title && artist == o.artist && album == o.album && year == o.year &&
               comment == o.comment && genre == o.genre;
    }
    bool sameHeader(const State& o) const {
        return version == o.version && bitrate == o.bitrate && sampleRate == o.sampleRate &&
               channels == o.channels;
    }
    bool sameAudio(const State& o) const {
        return sameHeader(o) && seconds == o.seconds && vbr == o.vbr &&
               averageBitrate == o.averageBitrate;
    }
    std::string header() const {
        return "v" + std::to_string(version) + " " + std::to_string(bitrate) + " kbit/s " +
               std::to_string(sampleRate) + " Hz '" + channels + "'";
    }
};

// The facts about the original file the checks need, worked out without the codec.
struct Layout {
    bool hadTag = false;
    std::size_t tagPos = 0;    // end of the audio part as the load sees it
    std::size_t id3End = 0;    // end of a leading ID3v2 tag inside the audio part
    std::size_t first = kNone; // the first frame after it
    std::uint8_t track = 0;    // the loaded tag's ID3v1.1 track number
    std::string fields[5];     // title, artist, album, year, comment as they were; empty for none
    std::string comment;       // the comment's text as it reads
    // Where the save writes the tag: over one the file ends with, after audio, or after the
    // last byte.
    std::size_t saveAt = 0;

    explicit Layout(const std::string& f) {
        hadTag = f.size() > kTag && f.compare(f.size() - kTag, 3, "TAG") == 0;
        const std::size_t beforeTag = hadTag ? f.size() - kTag : f.size();
        if (hadTag) {
            track = trackOf(f.substr(beforeTag + 97, 30));
            const std::size_t at[] = {3, 33, 63, 93, 97}, width[] = {30, 30, 30, 4, 30};
            for (int i = 0; i < 5; ++i)
                fields[i] = f.substr(beforeTag + at[i], width[i]);
            comment = commentOf(fields[4]);
        }
        saveAt = beforeTag;
        id3End = id3v2End(f, beforeTag);
        tagPos = beforeTrailingTags(f, id3End, beforeTag);
        first = firstFrame(f, id3End, tagPos);
    }
    bool firstComplete() const { return first != kNone && first + 4 <= tagPos; }
};

void checkLoaded(const std::string& f, const Layout& l, const State& s) {
    if (s.tagExists != l.hadTag)
        fail("mp3-load-tag", "TagExists is " + std::to_string(s.tagExists));
    if (l.hadTag) {
        const std::size_t t = l.saveAt;
        const bool same = s.title == cutAndTrim(f.substr(t + 3, 30), 30) &&
                          s.artist == cutAndTrim(f.substr(t + 33, 30), 30) &&
                          s.album == cutAndTrim(f.substr(t + 63, 30), 30) &&
                          s.year == cutAndTrim(f.substr(t + 93, 4), 4) &&
                          s.comment == commentOf(f.substr(t + 97, 30)) && s.genre == at(f, t + 127);
        if (!same) fail("mp3-load-tag", "fields differ from the tag bytes");
    } else if (s.genre != MP3TagEditor::NoTagGenre || !s.title.empty() || !s.comment.empty()) {
        fail("mp3-load-tag", "fields set for a file without a tag");
    }
    if (s.seconds < 0 || s.averageBitrate < 0)
        fail("mp3-load-values", "negative length or average bitrate");

    if (l.first == kNone) {
        if (s.bitrate != 0 || s.sampleRate != 0 || s.channels != "(unknown)" || s.version != 1)
            fail("mp3-load-header", "values for a file without a frame: " + s.header());
        return;
    }
    // Header bytes past the audio part read as zero.
    const Header h = headerAt(f, l.first, l.tagPos);
    // The Info frame of a constant-bitrate stream may state another bitrate than the audio's,
    // which the next frame tells.
    const bool nextTells = confirmedAt(f, l.first, l.tagPos) &&
                           s.bitrate == headerAt(f, l.first + h.length, l.tagPos).bitrate;
    const bool same = h.valid && s.version == h.version && s.headerBitrate == h.bitrate &&
                      (s.bitrate == h.bitrate || nextTells) && s.sampleRate == h.rate &&
                      s.channels == kModes[static_cast<std::size_t>(h.mode)] &&
                      s.rewritable == (h.layer == 3 && !h.mpeg25);
    if (!same)
        fail(l.firstComplete() ? "mp3-load-header" : "mp3-load-cut-header",
             "frame at " + std::to_string(l.first) + " read as " + s.header());
}

void assign(MP3TagEditor& e, const Mp3Plan& p, const Layout& l) {
    if (p.title) e.setTitle(*p.title);
    if (p.artist) e.setArtist(*p.artist);
    if (p.album) e.setAlbum(*p.album);
    if (p.year) e.setYear(*p.year);
    if (p.comment) e.setComment(*p.comment);
    if (p.genre) e.setGenra(*p.genre);
    if (p.bitrate) e.setBitrate(*p.bitrate);
    if (p.sampleRate) e.setSampleRate(*p.sampleRate);
    if (p.channels) e.setChannels(*p.channels);

    const auto expect = [](const std::optional<std::string>& text, std::size_t width,
                           const std::string& got) {
        if (text && got != cutAndTrim(*text, width))
            fail("mp3-assign", "a text field reads back as '" + got + "'");
    };
    expect(p.title, 30, e.Title());
    expect(p.artist, 30, e.Artist());
    expect(p.album, 30, e.Album());
    expect(p.year, 4, e.Year());
    if (p.comment && *p.comment != l.comment &&
        e.Comment() != commentOf(writtenComment(*p.comment, l.track)))
        fail("mp3-assign", "the comment reads back as '" + e.Comment() + "'");
    if ((p.genre && e.Genra() != *p.genre) || (p.sampleRate && e.SampleRate() != *p.sampleRate) ||
        (p.channels && e.Channels() != *p.channels))
        fail("mp3-assign", "an assigned value reads back differently");
}

void checkWrittenTag(const std::string& before, const std::string& after, const Layout& l,
                     const Mp3Plan& p, const State& pre) {
    (void)before;
    const std::size_t t = l.saveAt;
    if (after.compare(t, 3, "TAG") != 0)
        fail("mp3-save-tag", "no TAG marker at " + std::to_string(t));
    struct Field {
        const std::optional<std::string>& text;
        std::size_t pos, width;
    };
    const Field fields[] = {{p.title, 3, 30},
                            {p.artist, 33, 30},
                            {p.album, 63, 30},
                            {p.year, 93, 4},
                            {p.comment, 97, 30}};
    for (int i = 0; i < 5; ++i) {
        const Field& field = fields[i];
        // A field assigned the text it reads as keeps its bytes, as does one not assigned.
        std::string expected =
            l.hadTag ? assignedField(l.fields[i], field.text, field.width)
                     : assignedField(std::string(field.width, ' '), field.text, field.width);
        if (i == 4 && field.text && *field.text != l.comment)
            expected = writtenComment(*field.text, l.track);
        if (after.compare(t + field.pos, field.width, expected) != 0)
            fail("mp3-save-tag", "field at tag offset " + std::to_string(field.pos) + " is wrong");
    }
    if (at(after, t + 127) != storedGenre(pre.genre))
        fail("mp3-save-tag", "genre byte " + std::to_string(at(after, t + 127)) + " for genre " +
                                 std::to_string(pre.genre));
}

// Every changed byte before the tag must be byte 2 or 3 of a complete frame header of the
// original file, outside a leading ID3v2 tag, and only in the bits of an assigned field.
void checkHeaderBytes(const std::string& before, const std::string& after, const Layout& l,
                      const Mp3Plan& p, const std::vector<std::size_t>& changed) {
    const std::uint8_t mask2 = (p.bitrate ? 0xF0 : 0) | (p.sampleRate ? 0x0C : 0);
    const std::uint8_t mask3 = p.channels ? 0xC0 : 0;
    std::size_t header = kNone;
    for (const std::size_t i : changed) {
        const std::string where = " (byte " + std::to_string(i) + ")";
        if (i < l.id3End) fail("mp3-header-bytes", "changed inside the ID3v2 tag" + where);
        std::size_t h = kNone;
        std::uint8_t mask = 0;
        if (i >= 2 && isSync(before, i - 2, l.tagPos)) {
            h = i - 2;
            mask = mask2;
        } else if (i >= 3 && isSync(before, i - 3, l.tagPos)) {
            h = i - 3;
            mask = mask3;
        }
        if (h == kNone || h < l.id3End || h + 4 > l.tagPos)
            fail("mp3-header-bytes", "changed outside a frame header" + where);
        if ((at(before, i) ^ at(after, i)) & ~mask)
            fail("mp3-header-bytes", "changed bits of a field nobody assigned" + where);
        if (!p.allFrames && h != l.first)
            fail("mp3-header-bytes", "changed a header other than the first frame's" + where);
        if (!p.allFrames && header != kNone && h != header)
            fail("mp3-header-bytes", "changed more than one frame header" + where);
        header = h;
    }
}

} // namespace

void roundTripMp3(const std::string& path, const std::string& before, const Mp3Plan& p) {
    writeBytes(path, before);
    const Layout layout(before);

    MP3TagEditor editor;
    if (!editor.LoadMP3(path)) fail("mp3-load", "LoadMP3 refused a readable file");
    const State loaded(editor);
    checkLoaded(before, layout, loaded);

    assign(editor, p, layout);
    const State pre(editor);
    int asked = 0;
    if (p.confirm != Confirm::Absent)
        editor.setConfirmHeaderChange([&](const std::string& question) {
            ++asked;
            if (question != MP3TagEditor::HeaderQuestion)
                fail("mp3-save-confirm", "unexpected question: " + question);
            return p.confirm == Confirm::Yes;
        });
    const bool saved = static_cast<bool>(editor.SaveMP3(p.allFrames));
    const std::string after = readBytes(path);

    if (after.size() != layout.saveAt + kTag)
        fail("mp3-save-length",
             std::to_string(before.size()) + " bytes became " + std::to_string(after.size()));
    checkWrittenTag(before, after, layout, p, pre);

    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < layout.saveAt; ++i)
        if (before[i] != after[i]) changed.push_back(i);

    const bool headerDiffers = !pre.sameHeader(loaded);
    // Layer I and II and MPEG 2.5 headers are refused before anyone is asked.
    const bool refusedKind = headerDiffers && !loaded.rewritable;
    if (asked > 1 || (asked == 1 && (!p.assignsHeader() || refusedKind)) ||
        (p.confirm != Confirm::Absent && headerDiffers && !refusedKind && asked == 0))
        fail("mp3-save-confirm", "asked " + std::to_string(asked) + " times");
    const bool writable =
        (pre.bitrate == loaded.bitrate || bitrateFits(pre.bitrate, pre.version)) &&
        (pre.sampleRate == loaded.sampleRate || rateFits(pre.sampleRate, pre.version)) &&
        (pre.channels == loaded.channels || modeFits(pre.channels));
    const bool confirmed = p.confirm == Confirm::Yes && asked == 1;
    if (!saved && !(confirmed && !writable) && !refusedKind)
        fail("mp3-save-result", "SaveMP3 failed; new header " + pre.header());
    if (saved && ((confirmed && !writable) || refusedKind))
        fail("mp3-save-result", "SaveMP3 accepted a header it cannot write: " + pre.header());

    const bool headerWritten = saved && confirmed;
    if (!headerWritten && !changed.empty())
        fail("mp3-save-audio", "audio byte " + std::to_string(changed.front()) +
                                   " changed without a confirmed header change");
    checkHeaderBytes(before, after, layout, p, changed);

    MP3TagEditor reader;
    if (!reader.LoadMP3(path)) fail("mp3-reload", "the saved file does not load");
    if (!reader.TagExists()) {
        // A file of 128 bytes or fewer is never searched for a tag, so the tag written to an
        // empty file is not found again. Everything below compares against the tag.
        if (after.size() != kTag)
            fail("mp3-reload", "the saved file of " + std::to_string(after.size()) +
                                   " bytes loads without a tag");
        return;
    }
    const State reloaded(reader);
    State expected = pre;
    expected.genre = storedGenre(pre.genre);
    if (!reloaded.sameTag(expected)) fail("mp3-reload-tag", "tag fields differ after saving");
    if (headerWritten && layout.firstComplete()) {
        // A new bitrate or rate gives the first frame another length, so the next header may no
        // longer confirm it, and the reload take a later frame: it reads as the model says,
        // and as assigned where it is still the first.
        const Layout rewritten(after);
        checkLoaded(after, rewritten, reloaded);
        // A frame inside what starts like an ID3v2 header is a case of its own: rewriting the
        // frame rewrites the would-be tag size too.
        const bool id3Lookalike = before.compare(0, 3, "ID3") == 0 && layout.first < 10;
        const int headerBitrate =
            pre.bitrate != loaded.bitrate ? pre.bitrate : loaded.headerBitrate;
        const bool asAssigned =
            reloaded.version == pre.version && reloaded.headerBitrate == headerBitrate &&
            reloaded.sampleRate == pre.sampleRate && reloaded.channels == pre.channels;
        if (rewritten.first == layout.first && !asAssigned)
            fail(id3Lookalike ? "mp3-reload-id3-lookalike" : "mp3-reload-header",
                 "assigned " + pre.header() + ", reads back as " + reloaded.header());
    } else if (!reloaded.sameAudio(loaded)) {
        fail(layout.first == kNone || layout.firstComplete() ? "mp3-reload-audio"
                                                             : "mp3-reload-cut-header",
             "loaded " + loaded.header() + ", after saving the tag " + reloaded.header());
    }

    // A load starts afresh: saving right after it rewrites the tag as it is and nothing else.
    if (!editor.LoadMP3(path) || !editor.SaveMP3(p.allFrames))
        fail("mp3-resave", "load and save of the saved file failed");
    if (readBytes(path) != after) fail("mp3-resave", "saving without assignments changed the file");
}

} // namespace tunewalk::fuzz
