// Tags and stream properties of every kind the list reads, from files the encoders make.
#include "metadata/tags/TagReader.h"
#include "AudioFixtures.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

namespace tunewalk {
namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

class TagReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!run("command -v ffmpeg") || !run("command -v lame")) GTEST_SKIP() << "no encoders";
    }
    // One second of a tone with the usual fields, encoded by ffmpeg with `codec` (and extra
    // arguments), optionally with `cover` as its picture.
    std::string encode(const std::string& name, const std::string& codec, bool cover = false,
                       const std::string& extra = {}) {
        const std::string out = dir.file(name);
        std::string inputs = "-f lavfi -i sine=frequency=440:duration=1:sample_rate=44100";
        std::string maps;
        if (cover) {
            const std::string png = dir.file("c.png");
            run("ffmpeg -y -f lavfi -i color=red:s=16x16 -frames:v 1 " + png);
            inputs += " -i " + png;
            maps = " -map 0 -map 1 -c:v png -disposition:v attached_pic";
        }
        const std::string meta =
            " -metadata title='Ünïcode Title longer than thirty characters' -metadata artist=Artist"
            " -metadata album=Album -metadata album_artist='Album Artist' -metadata genre=Jazz"
            " -metadata composer=Composer -metadata track=3/12 -metadata disc=1/2"
            " -metadata date=2019 -metadata comment=Comment";
        EXPECT_TRUE(run("ffmpeg -y " + inputs + maps + " -ac 2 -c:a " + codec + " " + extra + meta +
                        " " + out))
            << name;
        return out;
    }
    TempDir dir;
};

TEST_F(TagReaderTest, EveryKindGivesItsFieldsFormatAndProperties) {
    const struct {
        const char* name;
        const char* codec;
        const char* extra;
        const char* format;
        int bitDepth;
    } kinds[] = {
        {"a.mp3", "libmp3lame", "-b:a 128k -id3v2_version 4", "MPEG-1 Layer III", 0},
        {"b.mp3", "libmp3lame", "-b:a 128k -id3v2_version 3", "MPEG-1 Layer III", 0},
        {"c.flac", "flac", "", "FLAC", 16},
        {"d.ogg", "libvorbis", "", "Ogg Vorbis", 0},
        {"e.opus", "libopus", "", "Ogg Opus", 0},
        {"f.oga", "libopus", "-f ogg", "Ogg Opus", 0},
        {"g.m4a", "aac", "", "MP4 AAC", 16},
        {"h.m4a", "alac", "", "MP4 ALAC", 16},
        {"i.aiff", "pcm_s16be", "-write_id3v2 1", "AIFF", 16},
        {"j.wav", "pcm_s16le", "", "WAV", 16},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        std::string why;
        const auto tags = readAudioTags(encode(kind.name, kind.codec, false, kind.extra), &why);
        ASSERT_TRUE(tags) << why;
        EXPECT_EQ(tags->format, kind.format);
        EXPECT_NEAR(tags->lengthMs, 1000, 60);
        EXPECT_GT(tags->bitrate, 0);
        EXPECT_EQ(tags->channels, 2);
        EXPECT_EQ(tags->bitDepth, kind.bitDepth);
        EXPECT_EQ(tags->title, "Ünïcode Title longer than thirty characters");
        EXPECT_EQ(tags->artist, "Artist");
        // A WAV's LIST INFO holds no album artist, disc or composer; the rest it does.
        EXPECT_EQ(tags->album, "Album");
        EXPECT_EQ(tags->genre, "Jazz");
        EXPECT_EQ(tags->track, 3);
        EXPECT_EQ(tags->year, 2019);
        if (std::string(kind.format) != "WAV") {
            EXPECT_EQ(tags->albumArtist, "Album Artist");
            EXPECT_EQ(tags->composer, "Composer");
            EXPECT_EQ(tags->trackTotal, 12);
            EXPECT_EQ(tags->disc, 1);
            EXPECT_EQ(tags->discTotal, 2);
        }
        EXPECT_FALSE(tags->hasCover);
    }
}

TEST_F(TagReaderTest, EmbeddedPicturesAreSeen) {
    for (const auto& [name, codec] :
         {std::pair{"p.mp3", "libmp3lame"}, {"p.flac", "flac"}, {"p.m4a", "aac"}}) {
        const auto tags = readAudioTags(encode(name, codec, true));
        ASSERT_TRUE(tags) << name;
        EXPECT_TRUE(tags->hasCover) << name;
    }
}

TEST_F(TagReaderTest, AnMp3WithOnlyID3v1LeavesTheFieldsToTheCodec) {
    const std::string path = dir.file("old.mp3");
    fixtures::writeFile(path, fixtures::silentMpegFrames({}, 40) +
                                  fixtures::id3v1Tag("Old Title", "Old Artist"));
    const auto tags = readAudioTags(path);
    ASSERT_TRUE(tags);
    EXPECT_EQ(tags->format, "MPEG-1 Layer III");
    EXPECT_TRUE(tags->title.empty());
    EXPECT_TRUE(tags->artist.empty());
}

TEST_F(TagReaderTest, WhatIsNotARegularFileOrNotItsKindIsRefusedWithoutBlocking) {
    std::string why;
    EXPECT_FALSE(readAudioTags(dir.file("missing.flac"), &why));
    EXPECT_FALSE(why.empty());
    const std::string fifo = dir.file("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readAudioTags(fifo, &why)); // would block forever if opened for reading
    EXPECT_EQ(why, "not a regular file");
    fixtures::writeFile(dir.file("noise.flac"), std::string(5000, 'x'));
    EXPECT_FALSE(readAudioTags(dir.file("noise.flac"), &why));
    EXPECT_FALSE(readAudioTags(dir.file("a.txt")));
    EXPECT_TRUE(hasTagReaderExtension("/x/Y.OGA"));
    EXPECT_FALSE(hasTagReaderExtension("/x.mp3/y"));
}

} // namespace
} // namespace tunewalk
