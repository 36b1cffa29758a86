// Tags, stream properties and pictures of every kind the list reads, from files the encoders
// make.
#include "metadata/tags/TagReader.h"
#include "AudioFixtures.h"
#include "FifoGuard.h"
#include "TempDir.h"
#include "metadata/tags/CoverReader.h"

#include <gtest/gtest.h>
#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <cstdlib>
#include <functional>
#include <memory>
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

TEST_F(TagReaderTest, EmbeddedPicturesAreSeenAndRead) {
    for (const auto& [name, codec] :
         {std::pair{"p.mp3", "libmp3lame"}, {"p.flac", "flac"}, {"p.m4a", "aac"}}) {
        SCOPED_TRACE(name);
        const std::string path = encode(name, codec, true);
        const auto tags = readAudioTags(path);
        ASSERT_TRUE(tags);
        EXPECT_TRUE(tags->hasCover);
        std::string why;
        const auto cover = readCoverPicture(path, &why);
        ASSERT_TRUE(cover) << why;
        EXPECT_EQ(cover->data.substr(0, 8), "\x89PNG\r\n\x1a\n");
        EXPECT_EQ(cover->mimeType, "image/png");
        EXPECT_FALSE(readCoverPicture(encode(std::string("no-") + name, codec)));
    }
}

// A picture's type by the numbers ID3v2 and FLAC share: 0 other, 3 front cover, 4 back cover.
struct Picture {
    int type;
    std::string mimeType, data;
};

// Pictures put, in this order, where each kind keeps them.
void addPictures(const std::string& path, const std::vector<Picture>& pictures) {
    using namespace TagLib;
    const std::string ext = path.substr(path.rfind('.') + 1);
    std::unique_ptr<File> file;
    ID3v2::Tag* id3v2 = nullptr;
    std::function<void(FLAC::Picture*)> addBlock;
    if (ext == "mp3") {
        auto* f = new MPEG::File(path.c_str());
        file.reset(f);
        id3v2 = f->ID3v2Tag(true);
    } else if (ext == "wav") {
        auto* f = new RIFF::WAV::File(path.c_str());
        file.reset(f);
        id3v2 = f->ID3v2Tag();
    } else if (ext == "aiff") {
        auto* f = new RIFF::AIFF::File(path.c_str());
        file.reset(f);
        id3v2 = f->tag();
    } else if (ext == "flac") {
        auto* f = new FLAC::File(path.c_str());
        file.reset(f);
        addBlock = [f](FLAC::Picture* block) { f->addPicture(block); };
    } else {
        file.reset(ext == "opus" ? static_cast<File*>(new Ogg::Opus::File(path.c_str()))
                                 : new Ogg::Vorbis::File(path.c_str()));
        auto* comment = dynamic_cast<Ogg::XiphComment*>(file->tag());
        addBlock = [comment](FLAC::Picture* block) { comment->addPicture(block); };
    }
    for (const Picture& p : pictures) {
        const ByteVector data(p.data.data(), static_cast<unsigned>(p.data.size()));
        if (id3v2) {
            auto* frame = new ID3v2::AttachedPictureFrame;
            frame->setType(static_cast<ID3v2::AttachedPictureFrame::Type>(p.type));
            frame->setMimeType(p.mimeType);
            frame->setPicture(data);
            id3v2->addFrame(frame);
        } else {
            auto* block = new FLAC::Picture;
            block->setType(static_cast<FLAC::Picture::Type>(p.type));
            block->setMimeType(p.mimeType);
            block->setData(data);
            addBlock(block);
        }
    }
    ASSERT_TRUE(file->save()) << path;
}

TEST_F(TagReaderTest, TheFrontCoverIsTakenElseTheFirstPicture) {
    for (const char* ext : {"mp3", "wav", "aiff", "flac", "ogg", "opus"}) {
        SCOPED_TRACE(ext);
        const auto make = [&](const std::string& name, const std::vector<Picture>& pictures) {
            const std::string path = dir.file(name + "." + ext);
            EXPECT_TRUE(run("ffmpeg -y -f lavfi -i sine=duration=0.2 -map_metadata -1 " + path));
            addPictures(path, pictures);
            return path;
        };
        const std::string front = make("front", {{0, "image/png", "other"},
                                                 {3, "image/jpeg", "front"},
                                                 {3, "image/jpeg", "second front"}});
        const auto cover = readCoverPicture(front);
        ASSERT_TRUE(cover);
        EXPECT_EQ(cover->data, "front");
        EXPECT_EQ(cover->mimeType, "image/jpeg");
        EXPECT_TRUE(readAudioTags(front)->hasCover);
        const auto first = readCoverPicture(make("first", {{4, "PNG", "back"}, {0, "", "x"}}));
        ASSERT_TRUE(first);
        EXPECT_EQ(first->data, "back");
        EXPECT_EQ(first->mimeType, "PNG");
    }
    // A picture beyond the bound is passed over; the next one is taken.
    const std::string big = dir.file("big.mp3");
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i sine=duration=0.2 " + big));
    addPictures(
        big, {{3, "image/jpeg", std::string(MaxCoverBytes + 1, 'x')}, {0, "image/png", "small"}});
    EXPECT_EQ(readCoverPicture(big)->data, "small");
    // The older Ogg field: the bare picture in base 64.
    const std::string old = dir.file("old.ogg");
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i sine=duration=0.2 -metadata COVERART=b2xk " + old));
    const auto oldCover = readCoverPicture(old);
    ASSERT_TRUE(oldCover);
    EXPECT_EQ(oldCover->data, "old");
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

// The frames an old Russian tagger wrote: title, artist and comment in Windows-1251 bytes marked
// Latin-1. The album, written later in UTF-16, is right in any page (its letters beyond ASCII
// would not be if it were read in another page).
void addRussianFrames(TagLib::ID3v2::Tag& tag) {
    using namespace TagLib;
    const auto add = [&](const char* id, String::Type encoding, const String& text) {
        auto* frame = new ID3v2::TextIdentificationFrame(id, encoding);
        frame->setText(text);
        tag.addFrame(frame);
    };
    add("TIT2", String::Latin1,
        String("\xc3\xf0\xf3\xef\xef\xe0 \xea\xf0\xee\xe2\xe8", String::Latin1));
    add("TPE1", String::Latin1, String("\xca\xe8\xed\xee", String::Latin1));
    add("TALB", String::UTF16, String("Déjà vu", String::UTF8));
    auto* comment = new ID3v2::CommentsFrame(String::Latin1);
    comment->setText(String("\xce\xf1\xe5\xed\xfc", String::Latin1));
    tag.addFrame(comment);
}

TEST_F(TagReaderTest, Id3v2FramesMarkedLatin1AreReadInTheChosenPage) {
    for (const char* name : {"r.mp3", "r.wav", "r.aiff", "r.flac"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_TRUE(run(
            "ffmpeg -y -f lavfi -i sine=duration=0.2 -map_metadata -1 -fflags +bitexact " + path));
        const std::string ext = path.substr(path.rfind('.') + 1);
        if (ext == "mp3") {
            TagLib::MPEG::File f(path.c_str());
            addRussianFrames(*f.ID3v2Tag(true));
            ASSERT_TRUE(
                f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3));
        } else if (ext == "wav") {
            TagLib::RIFF::WAV::File f(path.c_str());
            addRussianFrames(*f.ID3v2Tag());
            ASSERT_TRUE(f.save());
        } else if (ext == "aiff") {
            TagLib::RIFF::AIFF::File f(path.c_str());
            addRussianFrames(*f.tag());
            ASSERT_TRUE(f.save());
        } else {
            TagLib::FLAC::File f(path.c_str());
            addRussianFrames(*f.ID3v2Tag(true));
            ASSERT_TRUE(f.save());
        }
        const struct {
            CodePage page;
            const char* title;
            const char* artist;
            const char* comment;
        } pages[] = {
            {CodePage::Latin1, "Ãðóïïà êðîâè", "Êèíî", "Îñåíü"},
            {CodePage::Windows1251, "Группа крови", "Кино", "Осень"},
            {CodePage::Automatic, "Группа крови", "Кино", "Осень"},
            {CodePage::Koi8R, "цПСООЮ ЙПНБХ", "йХМН", "нЯЕМЭ"},
        };
        for (const auto& page : pages) {
            SCOPED_TRACE(codePageName(page.page));
            const auto tags = readAudioTags(path, nullptr, {page.page});
            ASSERT_TRUE(tags);
            EXPECT_EQ(tags->title, page.title);
            EXPECT_EQ(tags->artist, page.artist);
            EXPECT_EQ(tags->comment, page.comment);
            EXPECT_EQ(tags->album, "Déjà vu");
        }
    }
}

TEST_F(TagReaderTest, WhatIsNotARegularFileOrNotItsKindIsRefusedWithoutBlocking) {
    std::string why;
    EXPECT_FALSE(readAudioTags(dir.file("missing.flac"), &why));
    EXPECT_FALSE(why.empty());
    const std::string fifo = dir.file("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(readAudioTags(fifo, &why)); // would block forever if opened for reading
    EXPECT_EQ(why, "not a regular file");
    why.clear();
    EXPECT_TRUE(endsWithoutBlocking(fifo, [&] { EXPECT_FALSE(readCoverPicture(fifo, &why)); }));
    EXPECT_EQ(why, "not a regular file");
    fixtures::writeFile(dir.file("noise.flac"), std::string(5000, 'x'));
    EXPECT_FALSE(readAudioTags(dir.file("noise.flac"), &why));
    EXPECT_FALSE(readCoverPicture(dir.file("noise.flac"), &why));
    EXPECT_EQ(why, "not a readable flac file");
    EXPECT_FALSE(readAudioTags(dir.file("a.txt")));
    EXPECT_TRUE(hasTagReaderExtension("/x/Y.OGA"));
    EXPECT_FALSE(hasTagReaderExtension("/x.mp3/y"));
}

} // namespace
} // namespace tunewalk
