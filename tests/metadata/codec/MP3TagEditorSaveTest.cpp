#include "AudioFixtures.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

// Offsets of every frame header in a file made of the given frames.
std::vector<std::size_t> headerOffsets(std::size_t start, const fx::FrameShape& shape, int count) {
    std::vector<std::size_t> at;
    for (int i = 0; i < count; ++i)
        at.push_back(start + static_cast<std::size_t>(i * fx::frameLength(shape)));
    return at;
}

// Positions where two byte strings of the same length differ.
std::vector<std::size_t> differences(const std::string& a, const std::string& b) {
    std::vector<std::size_t> at;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) at.push_back(i);
    return at;
}

} // namespace

TEST(MP3Save, FileWithoutTagGrowsByExactlyOneTag) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string audio = fx::mpegFrames({}, 20);
    fx::writeFile(path, audio);

    MP3TagEditor e;
    ASSERT_TRUE(e.LoadMP3(path));
    e.setTitle("abc");
    e.setArtist(std::string(35, 'x')); // cut to 30
    ASSERT_TRUE(e.SaveMP3());

    const std::string after = fx::readFile(path);
    ASSERT_EQ(after.size(), audio.size() + 128);
    EXPECT_EQ(after.substr(0, audio.size()), audio);
    const std::string tag = after.substr(audio.size());
    EXPECT_EQ(tag.substr(0, 3), "TAG");
    EXPECT_EQ(tag.substr(3, 30), "abc" + std::string(27, ' ')); // spaces, not NULs
    EXPECT_EQ(tag.substr(33, 30), std::string(30, 'x'));
    EXPECT_EQ(tag.substr(63, 64), std::string(64, ' '));  // album, year, comment never set
    EXPECT_EQ(static_cast<unsigned char>(tag[127]), 255); // no tag before: "None"

    MP3TagEditor reread;
    ASSERT_TRUE(reread.LoadMP3(path));
    EXPECT_TRUE(reread.TagExists());
    EXPECT_EQ(reread.Title(), "abc");
    EXPECT_EQ(reread.Artist(), std::string(30, 'x'));
    EXPECT_EQ(reread.Genra(), 255);
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

        const std::string after = fx::readFile(path);
        ASSERT_EQ(after.size(), audio.size() + 128);
        EXPECT_EQ(after.substr(0, audio.size()), audio);
        MP3TagEditor reread;
        ASSERT_TRUE(reread.LoadMP3(path));
        EXPECT_EQ(reread.Title(), "Old");
        EXPECT_EQ(reread.Year(), "2024");
        EXPECT_EQ(reread.Comment(), std::string("c\0c", 3));
        EXPECT_EQ(reread.Genra(), genre >= 0 && genre <= 255 ? genre : 255) << genre;
    }
}

TEST(MP3Save, HeaderRewriteAsksAndTouchesOnlyHeaderBytes) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const fx::FrameShape shape{1, 9, 0, 0, true};
    const std::string id3 = fx::id3v2Tag(3000);
    const std::string original = id3 + fx::mpegFrames(shape, 30) + fx::id3v1Tag("T");
    const auto headers = headerOffsets(id3.size(), shape, 30);

    int asked = 0;
    auto answer = [&](bool yes) {
        return [&asked, yes](const std::string& question) {
            ++asked;
            EXPECT_EQ(question, MP3TagEditor::HeaderQuestion);
            return yes;
        };
    };

    // Assigning the value already held is no change: nothing is asked.
    fx::writeFile(path, original);
    MP3TagEditor same;
    same.setConfirmHeaderChange(answer(true));
    ASSERT_TRUE(same.LoadMP3(path));
    same.setBitrate(128);
    same.setChannels("Stereo");
    ASSERT_TRUE(same.SaveMP3(true));
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(fx::readFile(path), original);

    // Declined: the tag is written, the headers are not, and that is a success.
    MP3TagEditor declined;
    declined.setConfirmHeaderChange(answer(false));
    ASSERT_TRUE(declined.LoadMP3(path));
    declined.setTitle("New");
    declined.setBitrate(320);
    ASSERT_TRUE(declined.SaveMP3(true));
    EXPECT_EQ(asked, 1);
    std::string after = fx::readFile(path);
    EXPECT_EQ(after.substr(0, original.size() - 128), original.substr(0, original.size() - 128));
    EXPECT_NE(after, original);

    // Nobody to ask means no.
    fx::writeFile(path, original);
    MP3TagEditor silent;
    ASSERT_TRUE(silent.LoadMP3(path));
    silent.setBitrate(320);
    ASSERT_TRUE(silent.SaveMP3(true));
    EXPECT_EQ(fx::readFile(path), original);

    // Yes, first frame only.
    MP3TagEditor first;
    first.setConfirmHeaderChange(answer(true));
    ASSERT_TRUE(first.LoadMP3(path));
    first.setBitrate(320);
    first.setSampleRate(48000);
    ASSERT_TRUE(first.SaveMP3(false));
    after = fx::readFile(path);
    EXPECT_EQ(differences(after, original), std::vector<std::size_t>{headers[0] + 2});
    // Bitrate index 14, rate index 1, padding and private bits kept.
    EXPECT_EQ(static_cast<unsigned char>(after[headers[0] + 2]), 0xE6);

    // Yes, every frame: exactly the byte 3 and byte 4 of each header change.
    fx::writeFile(path, original);
    MP3TagEditor all;
    all.setConfirmHeaderChange(answer(true));
    ASSERT_TRUE(all.LoadMP3(path));
    all.setSampleRate(32000);
    all.setChannels("Mono");
    ASSERT_TRUE(all.SaveMP3(true));
    after = fx::readFile(path);
    std::vector<std::size_t> expected;
    for (auto at : headers) {
        expected.push_back(at + 2);
        expected.push_back(at + 3);
        EXPECT_EQ(static_cast<unsigned char>(after[at + 2]), 0x9A);
        EXPECT_EQ(static_cast<unsigned char>(after[at + 3]) >> 6, 3);
    }
    EXPECT_EQ(differences(after, original), expected);
    MP3TagEditor reread;
    ASSERT_TRUE(reread.LoadMP3(path));
    EXPECT_EQ(reread.SampleRate(), 32000);
    EXPECT_EQ(reread.Channels(), "Mono");
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

    MP3TagEditor e;
    e.setConfirmHeaderChange([](const std::string&) { return true; });
    ASSERT_TRUE(e.LoadMP3(path));
    e.setBitrate(160);
    ASSERT_TRUE(e.SaveMP3(true));
    const std::string after = fx::readFile(path);
    std::vector<std::size_t> expected;
    for (auto at : headerOffsets(0, shape, 12))
        expected.push_back(at + 2);
    EXPECT_EQ(differences(after, original), expected);
}

TEST(MP3Save, RefusedValuesAndUnwritableFilesReportFailure) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string original = fx::mpegFrames({2, 8, 2, 3}, 5) + fx::id3v1Tag("T");
    fx::writeFile(path, original);

    // 320 kbit/s does not exist in MPEG-2: the tag is written, no header byte is.
    MP3TagEditor e;
    e.setConfirmHeaderChange([](const std::string&) { return true; });
    ASSERT_TRUE(e.LoadMP3(path));
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

TEST(MP3Save, FileEndsWithExactlyOneTagWhateverHappenedSinceTheLoad) {
    TempDir dir;
    const auto path = dir.file("a.mp3");
    const std::string audio = fx::mpegFrames({}, 20);
    const auto isAudioAndTag = [&](const std::string& title) {
        const std::string bytes = fx::readFile(path);
        return bytes.size() == audio.size() + 128 && bytes.compare(0, audio.size(), audio) == 0 &&
               bytes.substr(audio.size()) == fx::id3v1Tag(title);
    };
    fx::writeFile(path, audio);

    // A second save replaces the tag the first one appended.
    MP3TagEditor e;
    ASSERT_TRUE(e.LoadMP3(path));
    e.setTitle("One");
    ASSERT_TRUE(e.SaveMP3());
    e.setTitle("Two");
    ASSERT_TRUE(e.SaveMP3());
    EXPECT_TRUE(isAudioAndTag("Two"));

    // A tag added by someone else after the load: refused until the file is loaded again.
    fx::writeFile(path, audio);
    ASSERT_TRUE(e.LoadMP3(path));
    fx::writeFile(path, audio + fx::id3v1Tag("Theirs"));
    e.setTitle("Mine");
    EXPECT_FALSE(e.SaveMP3());
    EXPECT_TRUE(isAudioAndTag("Theirs"));
    ASSERT_TRUE(e.LoadMP3(path));
    e.setTitle("Mine");
    ASSERT_TRUE(e.SaveMP3());
    EXPECT_TRUE(isAudioAndTag("Mine"));

    // After a failed load there is nothing to write back.
    MP3TagEditor failed;
    EXPECT_FALSE(failed.LoadMP3(dir.file("missing.mp3")));
    failed.setFilename(path);
    EXPECT_FALSE(failed.SaveMP3());
    EXPECT_TRUE(isAudioAndTag("Mine"));
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
        const std::string after = fx::readFile(path);
        ASSERT_EQ(after.size(), loaded.size());
        EXPECT_EQ(after.substr(audio.size() + 97, 30), field) << comment;
        MP3TagEditor reread;
        ASSERT_TRUE(reread.LoadMP3(path));
        EXPECT_EQ(reread.Comment(), comment);
    }
}
