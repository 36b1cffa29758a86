#include "AudioFixtures.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

// `bytes` with byte 3 (and byte 4 when given) of the headers of `count` frames of `shape` set,
// the first frame starting at `start`.
std::string withHeaderBytes(std::string bytes, std::size_t start, const fx::FrameShape& shape,
                            int count, char byte3, std::optional<char> byte4 = {}) {
    for (int i = 0; i < count; ++i) {
        const std::size_t at = start + static_cast<std::size_t>(i * fx::frameLength(shape));
        bytes[at + 2] = byte3;
        if (byte4) bytes[at + 3] = *byte4;
    }
    return bytes;
}

// An editor that loaded `path` and gives `answer` to the header question, counting the asks.
MP3TagEditor loaded(const std::string& path, bool answer = true, int* asked = nullptr) {
    MP3TagEditor e;
    e.setConfirmHeaderChange([answer, asked](const std::string& question) {
        EXPECT_EQ(question, MP3TagEditor::HeaderQuestion);
        if (asked) ++*asked;
        return answer;
    });
    EXPECT_TRUE(e.LoadMP3(path));
    return e;
}

} // namespace

TEST(MP3Save, FileWithoutTagGrowsByExactlyOneTag) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    // A file of nothing but 128 bytes starting with "TAG" (a stub left by a tagger) loads as
    // having no tag, since a tag needs audio before it: the save follows that and appends.
    const std::string tagOnlyFile = fx::id3v1Tag("Stub", "", "", "", "", 3);
    for (const std::string& before : {fx::mpegFrames({}, 20), tagOnlyFile, std::string()}) {
        fx::writeFile(path, before);
        MP3TagEditor e;
        ASSERT_TRUE(e.LoadMP3(path));
        EXPECT_FALSE(e.TagExists());
        e.setTitle("abc");
        e.setArtist(std::string(35, 'x')); // cut to 30
        ASSERT_TRUE(e.SaveMP3());
        // Padded with spaces, not NULs; no tag before: genre "None".
        EXPECT_EQ(fx::readFile(path),
                  before + fx::id3v1Tag("abc", std::string(30, 'x'), "", "", "", 255))
            << before.size();
    }
}

TEST(MP3Save, ExistingTagIsReplacedInPlace) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string audio = fx::id3v2Tag(500) + fx::mpegFrames({}, 20);
    fx::writeFile(path, audio + fx::id3v1Tag("Old", "Old", "Old", "1980", "Old", 3));

    for (int genre : {42, 256, -1, 300, 255}) {
        MP3TagEditor e;
        ASSERT_TRUE(e.LoadMP3(path));
        e.setYear("20245");
        e.setComment(std::string("c\0c", 3));
        e.setGenra(genre);
        ASSERT_TRUE(e.SaveMP3());
        EXPECT_EQ(fx::readFile(path),
                  audio + fx::id3v1Tag("Old", "Old", "Old", "2024", std::string("c\0c", 3),
                                       genre >= 0 && genre <= 255 ? genre : 255))
            << genre;
    }
}

// Fields read up to their first zero (a zero-padded tag, or junk after the zero) are written
// back byte for byte unless the user changed them; a changed one is written space-padded.
TEST(MP3Save, FieldsNobodyChangedAreWrittenBackAsTheyWereRead) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string audio = fx::mpegFrames({}, 5);
    const std::string junkAfterZero("Title Screen\0\x01junk", 18);
    const std::string zeroPaddedTag = fx::zeroPaddedId3v1Tag(
        junkAfterZero, "Band", std::string("  Album\0x", 9), "99", "Nice", 7);
    for (const bool changeArtist : {false, true}) {
        fx::writeFile(path, audio + zeroPaddedTag);
        MP3TagEditor e;
        ASSERT_TRUE(e.LoadMP3(path));
        EXPECT_EQ(e.Title(), "Title Screen");
        // What the tag dialog does: every field is assigned the text it shows.
        e.setTitle(e.Title());
        e.setArtist(changeArtist ? "Other" : e.Artist());
        e.setAlbum(e.Album());
        e.setYear(e.Year());
        e.setComment(e.Comment());
        ASSERT_TRUE(e.SaveMP3());
        std::string expected = zeroPaddedTag;
        if (changeArtist) expected.replace(33, 30, "Other" + std::string(25, ' '));
        EXPECT_EQ(fx::readFile(path), audio + expected) << changeArtist;
    }
}

TEST(MP3Save, HeaderRewriteAsksAndTouchesOnlyHeaderBytes) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const fx::FrameShape shape{1, 9, 0, 0, true};
    const std::string id3 = fx::id3v2Tag(3000);
    const std::string original = id3 + fx::mpegFrames(shape, 30) + fx::id3v1Tag("T");
    int asked = 0;

    // Assigning the value already held is no change: nothing is asked.
    fx::writeFile(path, original);
    auto same = loaded(path, true, &asked);
    same.setBitrate(128);
    same.setChannels("Stereo");
    ASSERT_TRUE(same.SaveMP3(true));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(fx::readFile(path), original);

    // Declined: the tag is written, the headers are not, and that is a success.
    auto declined = loaded(path, false, &asked);
    declined.setTitle("New");
    declined.setBitrate(320);
    ASSERT_TRUE(declined.SaveMP3(true));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(fx::readFile(path), fx::audioPart(original) + fx::id3v1Tag("New"));

    // Nobody to ask means no.
    fx::writeFile(path, original);
    MP3TagEditor silent;
    ASSERT_TRUE(silent.LoadMP3(path));
    silent.setBitrate(320);
    ASSERT_TRUE(silent.SaveMP3(true));
    EXPECT_EQ(fx::readFile(path), original);

    // Yes, first frame only: bitrate index 14, rate index 1, padding and private bits kept.
    auto first = loaded(path);
    first.setBitrate(320);
    first.setSampleRate(48000);
    ASSERT_TRUE(first.SaveMP3(false));
    EXPECT_EQ(fx::readFile(path), withHeaderBytes(original, id3.size(), shape, 1, '\xE6'));

    // Yes, every frame: exactly the bytes 3 and 4 of each header change.
    fx::writeFile(path, original);
    auto all = loaded(path);
    all.setSampleRate(32000);
    all.setChannels("Mono");
    ASSERT_TRUE(all.SaveMP3(true));
    EXPECT_EQ(fx::readFile(path), withHeaderBytes(original, id3.size(), shape, 30, '\x9A', '\xC4'));
}

TEST(MP3Save, HeaderWalkStepsOverMpeg2FramesAndStopsBeforeTheTag) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const fx::FrameShape shape{2, 8, 2, 3}; // 64 kbit/s, 16 kHz: 288-byte frames
    // The last frame is cut short so its header sits in the audio but its body runs into the
    // tag; a title holding a sync pair must not be rewritten either.
    std::string audio = fx::mpegFrames(shape, 12);
    audio.resize(audio.size() - 100);
    const std::string original = audio + fx::id3v1Tag("\xFF\xFB\x90\x44");
    fx::writeFile(path, original);

    auto e = loaded(path);
    e.setBitrate(160);
    ASSERT_TRUE(e.SaveMP3(true));
    EXPECT_EQ(fx::readFile(path), withHeaderBytes(original, 0, shape, 12, '\xE8'));
}

// The walk starts at the frame the load took for the first one, and ends before an APE or
// Lyrics3 tag whose bytes hold frame syncs; headers it cannot rewrite are refused unasked.
TEST(MP3Save, HeaderRewriteStartsAtTheFirstFrameAndStaysInTheAudio) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const fx::FrameShape shape{1, 9, 0, 0}, layer2{1, 9, 0, 0, false, false, 2};
    const std::string junk = "\xFF\xFB\x50\x00" + std::string(137, '\x11');
    const std::string frames = fx::mpegFrames(shape, 6);
    const struct {
        const char* name;
        std::string before, audio; // the audio starts after `before`
        bool allFrames;
        int rewritten; // frames; -1: refused
    } cases[] = {
        {"junkBeforeFirstFrame", junk, frames, false, 1},
        {"junkBeforeFirstFrameAll", junk, frames, true, 6},
        {"apeTagAfterTheAudio", "", frames + fx::apeTag(3000), true, 6},
        {"lyrics3AfterTheAudio", "", frames + fx::lyrics3v2Tag("\xFF\xFB\x90\x00"), true, 6},
        {"layer2Stream", "", fx::mpegFrames(layer2, 6), true, -1},
    };
    for (const auto& c : cases) {
        const std::string original = c.before + c.audio + fx::id3v1Tag("T");
        fx::writeFile(path, original);
        int asked = 0;
        auto e = loaded(path, true, &asked);
        e.setSampleRate(48000);
        const Result saved = e.SaveMP3(c.allFrames);
        if (c.rewritten < 0) {
            EXPECT_EQ(saved.reason(),
                      "its frame headers are MPEG-1 Layer II, which cannot be rewritten");
            EXPECT_EQ(asked, 0) << c.name;
            EXPECT_EQ(fx::readFile(path), original) << c.name;
            continue;
        }
        ASSERT_TRUE(saved) << c.name;
        EXPECT_EQ(fx::readFile(path),
                  withHeaderBytes(original, c.before.size(), shape, c.rewritten, '\x94'))
            << c.name;
    }
}

TEST(MP3Save, RefusedValuesAndUnwritableFilesReportFailure) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string original = fx::mpegFrames({2, 8, 2, 3}, 5) + fx::id3v1Tag("T");
    fx::writeFile(path, original);

    // 320 kbit/s does not exist in MPEG-2: the tag is written, no header byte is.
    auto e = loaded(path);
    e.setBitrate(320);
    EXPECT_FALSE(e.SaveMP3(false));
    EXPECT_EQ(fx::readFile(path), original);

    // The file vanished after loading: nothing is created.
    MP3TagEditor gone;
    ASSERT_TRUE(gone.LoadMP3(path));
    std::filesystem::remove(path);
    EXPECT_FALSE(gone.SaveMP3());
    EXPECT_FALSE(std::filesystem::exists(path));

    // A directory in its place cannot be written.
    fx::writeFile(path, original);
    MP3TagEditor replaced;
    ASSERT_TRUE(replaced.LoadMP3(path));
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_FALSE(replaced.SaveMP3());

    // The tag was removed by someone else since loading: writing "in place" would overwrite
    // the last 128 bytes of audio, so the save is refused and the file left alone.
    const auto other = dir.file("b.mp3");
    const std::string audio = fx::mpegFrames({}, 10);
    fx::writeFile(other, audio + fx::id3v1Tag("T"));
    MP3TagEditor stale;
    ASSERT_TRUE(stale.LoadMP3(other));
    fx::writeFile(other, audio);
    EXPECT_FALSE(stale.SaveMP3());
    EXPECT_EQ(fx::readFile(other), audio);
}

TEST(CodecSave, AFailureNamesTheFileAndTheSystemsReason) {
    TempDir dir;
    const auto mp3 = dir.file("a.mp3"), wav = dir.file("a.wav");
    fx::writeFile(mp3, fx::mpegFrames({}, 5));
    fx::writeFile(wav, fx::wavFile({}));
    // A file that is not there, and one under a regular file, which cannot be a folder.
    const std::pair<std::string, int> targets[] = {{dir.file("gone"), ENOENT},
                                                   {mp3 + "/b", ENOTDIR}};
    for (const auto& [target, error] : targets) {
        const std::string expected = target + ": " + std::strerror(error);
        MP3TagEditor tags;
        ASSERT_TRUE(tags.LoadMP3(mp3));
        tags.setFilename(target);
        EXPECT_EQ(tags.SaveMP3().message(), expected);

        WAVInfo header;
        ASSERT_TRUE(header.LoadWAV(wav));
        header.setFilename(target);
        header.setConfirmHeaderChange([](const std::string&) { return true; });
        header.setSampleBits(8);
        EXPECT_EQ(header.SaveWAV().message(), expected);
    }
}

TEST(MP3Save, FileEndsWithExactlyOneTagWhateverHappenedSinceTheLoad) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string audio = fx::mpegFrames({}, 20);
    fx::writeFile(path, audio);

    // A second save replaces the tag the first one appended.
    MP3TagEditor e;
    ASSERT_TRUE(e.LoadMP3(path));
    e.setTitle("One");
    ASSERT_TRUE(e.SaveMP3());
    e.setTitle("Two");
    ASSERT_TRUE(e.SaveMP3());
    EXPECT_EQ(fx::readFile(path), audio + fx::id3v1Tag("Two"));

    // A tag added by someone else after the load: refused until the file is loaded again.
    fx::writeFile(path, audio);
    ASSERT_TRUE(e.LoadMP3(path));
    fx::writeFile(path, audio + fx::id3v1Tag("Theirs"));
    e.setTitle("Mine");
    EXPECT_FALSE(e.SaveMP3());
    EXPECT_EQ(fx::readFile(path), audio + fx::id3v1Tag("Theirs"));
    ASSERT_TRUE(e.LoadMP3(path));
    e.setTitle("Mine");
    ASSERT_TRUE(e.SaveMP3());
    EXPECT_EQ(fx::readFile(path), audio + fx::id3v1Tag("Mine"));

    // After a failed load there is nothing to write back.
    MP3TagEditor failed;
    EXPECT_FALSE(failed.LoadMP3(dir.file("missing.mp3")));
    failed.setFilename(path);
    EXPECT_FALSE(failed.SaveMP3());
    EXPECT_EQ(fx::readFile(path), audio + fx::id3v1Tag("Mine"));
}

TEST(MP3Save, Id3v11TrackSurvivesACommentThatLeavesItRoom) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string audio = fx::mpegFrames({}, 5);
    const std::string track("\0\x07", 2);
    const std::string loaded =
        audio + fx::id3v1Tag("T", "", "", "", "old" + std::string(25, ' ') + track);
    const std::pair<std::string, std::string> cases[] = {
        {"new", "new" + std::string(25, ' ') + track},
        {std::string(28, 'c'), std::string(28, 'c') + track},
        {std::string(29, 'c'), std::string(29, 'c') + ' '}, // needs the room: the track goes
    };
    for (const auto& [comment, field] : cases) {
        fx::writeFile(path, loaded);
        MP3TagEditor e;
        ASSERT_TRUE(e.LoadMP3(path));
        EXPECT_EQ(e.Comment(), "old");
        e.setComment(comment);
        ASSERT_TRUE(e.SaveMP3());
        EXPECT_EQ(fx::readFile(path), audio + fx::id3v1Tag("T", "", "", "", field)) << comment;
        MP3TagEditor reread;
        ASSERT_TRUE(reread.LoadMP3(path));
        EXPECT_EQ(reread.Comment(), comment);
    }
}
