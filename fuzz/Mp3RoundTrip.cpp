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
const std::array<std::string, 4> kModes = {"Stereo", "Joint Stereo", "Dual Channel", "Mono"};

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

std::string cutAndTrim(const std::string& text, std::size_t width) {
    const std::string s = text.substr(0, width);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// ID3v1.1: a zero as the comment's 29th byte makes the 30th a track number, not text.
std::uint8_t trackOf(const std::string& field) {
    return field.size() == 30 && field[28] == '\0' ? static_cast<std::uint8_t>(field[29]) : 0;
}

std::string commentOf(const std::string& field) {
    return cutAndTrim(field, trackOf(field) != 0 ? 28 : 30);
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

    explicit State(const MP3TagEditor& e)
        : tagExists(e.TagExists()), title(e.Title()), artist(e.Artist()), album(e.Album()),
          year(e.Year()), comment(e.Comment()), genre(e.Genra()), version(e.Version()),
          bitrate(e.Bitrate()), sampleRate(e.SampleRate()), channels(e.Channels()),
          seconds(e.Length().seconds()), vbr(e.VBR()), averageBitrate(e.AverageBitrate()) {}

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
    std::size_t first = kNone; // first frame sync after it
    std::uint8_t track = 0;    // the loaded tag's ID3v1.1 track number
    // Where the save writes the tag: over one the file ends with, even one in a file too short
    // for the load to look at, or after the last byte.
    std::size_t saveAt = 0;

    explicit Layout(const std::string& f) {
        hadTag = f.size() > kTag && f.compare(f.size() - kTag, 3, "TAG") == 0;
        tagPos = hadTag ? f.size() - kTag : f.size();
        if (hadTag) track = trackOf(f.substr(tagPos + 97, 30));
        saveAt = f.size() >= kTag && f.compare(f.size() - kTag, 3, "TAG") == 0 ? f.size() - kTag
                                                                               : f.size();
        id3End = id3v2End(f, tagPos);
        first = firstSync(f, id3End, tagPos);
    }
    bool firstComplete() const { return first != kNone && first + 4 <= tagPos; }
};

void checkLoaded(const std::string& f, const Layout& l, const State& s) {
    if (s.tagExists != l.hadTag)
        fail("mp3-load-tag", "TagExists is " + std::to_string(s.tagExists));
    if (l.hadTag) {
        const std::size_t t = l.tagPos;
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
    std::array<std::uint8_t, 4> h{};
    for (std::size_t i = 0; i < 4 && l.first + i < l.tagPos; ++i)
        h[i] = at(f, l.first + i);
    const int version = (h[1] & 0x08) ? 1 : 2;
    const bool same = s.version == version && s.bitrate == kBitrates[version - 1][h[2] >> 4] &&
                      s.sampleRate == kRates[version - 1][(h[2] >> 2) & 3] &&
                      s.channels == kModes[h[3] >> 6];
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
    if (p.comment && e.Comment() != commentOf(writtenComment(*p.comment, l.track)))
        fail("mp3-assign", "the comment reads back as '" + e.Comment() + "'");
    if ((p.genre && e.Genra() != *p.genre) || (p.sampleRate && e.SampleRate() != *p.sampleRate) ||
        (p.channels && e.Channels() != *p.channels))
        fail("mp3-assign", "an assigned value reads back differently");
}

// The written field holds the text cut to the field's width, then padding.
bool fieldHolds(const std::string& f, std::size_t pos, std::size_t width, const std::string& text) {
    const std::size_t n = std::min(text.size(), width);
    if (f.compare(pos, n, text, 0, n) != 0) return false;
    for (std::size_t i = pos + n; i < pos + width; ++i)
        if (f[i] != ' ' && f[i] != '\0') return false;
    return true;
}

void checkWrittenTag(const std::string& before, const std::string& after, const Layout& l,
                     const Mp3Plan& p, const State& pre) {
    const std::size_t t = l.saveAt;
    if (after.compare(t, 3, "TAG") != 0)
        fail("mp3-save-tag", "no TAG marker at " + std::to_string(t));
    struct Field {
        const std::optional<std::string>& text;
        std::size_t pos, width;
    };
    const std::optional<std::string> comment =
        p.comment ? std::optional(writtenComment(*p.comment, l.track)) : std::nullopt;
    const Field fields[] = {{p.title, 3, 30},
                            {p.artist, 33, 30},
                            {p.album, 63, 30},
                            {p.year, 93, 4},
                            {comment, 97, 30}};
    for (const Field& field : fields) {
        bool ok = true;
        if (field.text)
            ok = fieldHolds(after, t + field.pos, field.width, *field.text);
        else if (l.hadTag) // kept byte for byte
            ok = after.compare(t + field.pos, field.width, before, t + field.pos, field.width) == 0;
        else
            ok = fieldHolds(after, t + field.pos, field.width, "");
        if (!ok)
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
    if (asked > 1 || (asked == 1 && !p.assignsHeader()) ||
        (p.confirm != Confirm::Absent && headerDiffers && asked == 0))
        fail("mp3-save-confirm", "asked " + std::to_string(asked) + " times");
    const bool writable =
        (pre.bitrate == loaded.bitrate || bitrateFits(pre.bitrate, pre.version)) &&
        (pre.sampleRate == loaded.sampleRate || rateFits(pre.sampleRate, pre.version)) &&
        (pre.channels == loaded.channels || modeFits(pre.channels));
    const bool confirmed = p.confirm == Confirm::Yes && asked == 1;
    if (!saved && !(confirmed && !writable))
        fail("mp3-save-result", "SaveMP3 failed; new header " + pre.header());
    if (saved && confirmed && !writable)
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
        // A frame inside what starts like an ID3v2 header is a case of its own: rewriting the
        // frame rewrites the would-be tag size too.
        const bool id3Lookalike = before.compare(0, 3, "ID3") == 0 && layout.first < 10;
        if (!reloaded.sameHeader(pre))
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
