#include "AudioFixtures.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

// Filler that holds no 0xFF, so it can never look like a frame sync.
std::string filler(std::size_t bytes) {
    return std::string(bytes, '\x11');
}

MP3TagEditor load(const TempDir& dir, const std::string& bytes, const std::string& name = "a.mp3") {
    const auto path = dir.file(name);
    fx::writeFile(path, bytes);
    MP3TagEditor editor;
    EXPECT_TRUE(editor.LoadMP3(path)) << bytes.size();
    return editor;
}

// MPEG version, bitrate, sample rate and channel mode in one text, for compact comparisons.
std::string header(const MP3TagEditor& e) {
    return std::to_string(e.Version()) + " " + std::to_string(e.Bitrate()) + " " +
           std::to_string(e.SampleRate()) + " " + e.Channels();
}

} // namespace

TEST(MP3Load, ReadsTagFieldsUpToTheirFirstZeroTrimmingBlanks) {
    TempDir dir;
    const auto e = load(dir, fx::mpegFrames({}, 10) +
                                 fx::id3v1Tag("  Title  ", "Artist", "Album", "1999", "note", 17));
    EXPECT_TRUE(e.TagExists());
    EXPECT_EQ(e.Title(), "Title");
    EXPECT_EQ(e.Artist(), "Artist");
    EXPECT_EQ(e.Album(), "Album");
    EXPECT_EQ(e.Year(), "1999");
    EXPECT_EQ(e.Comment(), "note");
    EXPECT_EQ(e.Genra(), 17);
    EXPECT_EQ(e.Filename(), dir.file("a.mp3"));

    // Latin-1 bytes come through unchanged, one per character.
    const auto latin = load(dir, fx::mpegFrames({}, 2) + fx::id3v1Tag("Caf\xE9"), "b.mp3");
    EXPECT_EQ(latin.Title(), "Caf\xE9");

    // Most taggers pad with zeros, and some leave junk after the first zero: a field ends at its
    // first zero byte, then blanks are trimmed.
    const std::pair<std::string, std::string> fields[] = {
        {"Title Screen", "Title Screen"},
        {std::string("Title\0junk", 10), "Title"},
        {std::string(" Two words \0 x", 14), "Two words"},
        {std::string("\0junk", 5), ""},
        {std::string(30, ' '), ""},
    };
    for (const auto& [field, text] : fields) {
        const auto zeroPadded = load(
            dir, fx::mpegFrames({}, 2) + fx::zeroPaddedId3v1Tag(field, field, field, "99", field));
        EXPECT_EQ(zeroPadded.Title(), text);
        EXPECT_EQ(zeroPadded.Artist(), text);
        EXPECT_EQ(zeroPadded.Album(), text);
        EXPECT_EQ(zeroPadded.Year(), "99");
        EXPECT_EQ(zeroPadded.Comment(), text);
    }
}

TEST(MP3Load, FilesWithoutTagOrTooShortForOne) {
    TempDir dir;
    const auto noTag = load(dir, fx::mpegFrames({}, 10));
    EXPECT_FALSE(noTag.TagExists());
    EXPECT_EQ(noTag.Genra(), MP3TagEditor::NoTagGenre);
    EXPECT_EQ(noTag.Title(), "");

    // 128 bytes or fewer: no tag is looked for, yet the frame search runs over the whole file,
    // even over what would have been the tag.
    const std::string small = fx::id3v1Tag("\xFF\xFB\x90");
    ASSERT_EQ(small.size(), 128u);
    const auto tiny = load(dir, small, "tiny.mp3");
    EXPECT_FALSE(tiny.TagExists());
    EXPECT_EQ(tiny.Genra(), 256);
    EXPECT_EQ(tiny.Title(), "");
    EXPECT_EQ(tiny.Bitrate(), 128);

    // One byte more and the tag is read.
    const auto just = load(dir, "\x11" + fx::id3v1Tag("Only tag"), "129.mp3");
    EXPECT_TRUE(just.TagExists());
    EXPECT_EQ(just.Title(), "Only tag");
    EXPECT_EQ(header(just), "1 0 0 (unknown)");
    EXPECT_TRUE(just.Length().isZero());

    for (const std::string& bytes :
         {std::string(), std::string("\xFF"), std::string("\xFF\xFB\x90")}) {
        const auto e = load(dir, bytes, "short.mp3");
        EXPECT_EQ(e.Genra(), 256);
    }
}

TEST(MP3Load, HeaderFieldsForEachVersionRateAndMode) {
    const std::pair<fx::FrameShape, const char*> cases[] = {
        {{1, 9, 0, 0}, "1 128 44100 Stereo"},
        {{1, 14, 1, 1}, "1 320 48000 Joint Stereo"},
        {{1, 1, 2, 2}, "1 32 32000 Dual Channel"},
        {{2, 1, 0, 3}, "2 8 22050 Mono"},
        {{2, 14, 1, 1}, "2 160 24000 Joint Stereo"},
        {{2, 8, 2, 3}, "2 64 16000 Mono"},
        {{1, 0, 3, 0}, "1 0 0 Stereo"},      // free format, reserved rate
        {{1, 15, 0, 0}, "1 0 44100 Stereo"}, // bad bitrate index
    };
    TempDir dir;
    for (const auto& [shape, expected] : cases) {
        const auto e = load(dir, fx::mpegFrames(shape, 3));
        EXPECT_EQ(header(e), expected);
        EXPECT_EQ(e.AverageBitrate(), e.Bitrate());
        EXPECT_FALSE(e.VBR());
    }
}

TEST(MP3Load, FrameSearchTakesTheEarliestSyncWhereverItLies) {
    TempDir dir;
    fx::FrameShape mpeg2{2, 10, 1, 3};
    // Other bytes come first; 0xFF followed by a non-sync byte is passed over.
    const auto e =
        load(dir, "junk\xFF\xE0\xFF\x00" + fx::mpegFrames(mpeg2, 2) + fx::mpegFrames({}, 2));
    EXPECT_EQ(header(e), "2 96 24000 Mono");

    // A sync pair across any read boundary is still found, and found once.
    // (An MPEG-1 frame follows, so a reader that missed the pair would report version 1.)
    for (std::size_t at : {1999u, 2047u, 2048u, 4095u, 6143u, 65535u, 100000u}) {
        const auto b =
            load(dir, filler(at) + fx::mpegFrames(mpeg2, 2) + filler(300) + fx::mpegFrames({}, 2));
        EXPECT_EQ(header(b), "2 96 24000 Mono") << at;
    }

    // Both sync bytes must lie in the audio part: a pair inside the tag is no frame.
    const auto edge = load(dir, filler(50) + fx::id3v1Tag("\xFF\xFB\x90"));
    EXPECT_EQ(edge.Channels(), "(unknown)");

    // A header cut short by the tag reads its missing bytes as zero, not from the tag, so
    // adding a tag does not change what the file says.
    const auto cut = load(dir, filler(50) + "\xFF\xFB\xD0" + fx::id3v1Tag("x"));
    EXPECT_EQ(cut.Bitrate(), 256);
    EXPECT_EQ(cut.Channels(), "Stereo"); // 'T' would have said "Joint Stereo"
}

// The first frame is a sync that the next frame's header confirms (the same version, layer and
// rate where the first one's length says the next starts); where no place is confirmed, the
// first Layer III sync is taken as before.
TEST(MP3Load, FirstFrameIsOneTheNextHeaderConfirms) {
    const fx::FrameShape stereo{1, 9, 0, 1}, layer2{1, 11, 1, 0, false, false, 2};
    // 0xFF 0xFB at byte 0, the frames at byte 141, as an encoder's junk before the audio.
    const std::string junkBeforeFirstFrame =
        "\xFF\xFB\x50\x00" + filler(137) + fx::mpegFrames(stereo, 5);
    // A tag that states fewer bytes than it holds: the scan starts inside its picture, whose
    // bytes hold 0xFF 0xFB pairs every 97 bytes.
    std::string badlySizedId3v2 = fx::id3v2Tag(3000);
    badlySizedId3v2[8] = 0x07, badlySizedId3v2[9] = 0x50; // 1000 bytes
    badlySizedId3v2 += fx::mpegFrames(stereo, 5);
    // A Layer II stream with a Layer III sync pair in its first frame's data.
    std::string layer2Stream = fx::mpegFrames(layer2, 4);
    layer2Stream.replace(100, 4, "\xFF\xFB\x90\x00");
    const struct {
        const char* name;
        std::string bytes;
        const char* header; // version, bitrate, rate, mode
        int layer;
        bool mpeg25;
    } cases[] = {
        {"junkBeforeFirstFrame", junkBeforeFirstFrame, "1 128 44100 Joint Stereo", 3, false},
        {"badlySizedId3v2", badlySizedId3v2, "1 128 44100 Joint Stereo", 3, false},
        {"layer2Stream", layer2Stream, "1 224 48000 Stereo", 2, false},
        {"layer1Stream", fx::mpegFrames({2, 12, 2, 3, true, false, 1}, 4), "2 192 16000 Mono", 1,
         false},
        {"mpeg25Stream", fx::mpegFrames({25, 8, 0, 3}, 4), "2 64 11025 Mono", 3, true},
        {"mpeg25Layer2", fx::mpegFrames({25, 4, 2, 0, false, false, 2}, 4), "2 32 8000 Stereo", 2,
         true},
        // Nothing confirmed: the first Layer III sync, as the Part reads it.
        {"unconfirmedSync", "META\xFF\xFB\x50\x00" + filler(100), "1 64 44100 Stereo", 3, false},
        // A lone MPEG 2.5 or Layer II sync is no frame.
        {"loneMpeg25Sync", "\xFF\xE3\x90\x00" + filler(900), "1 0 0 (unknown)", 0, false},
        {"loneLayer2Sync", "\xFF\xFD\x90\x00" + filler(900), "1 0 0 (unknown)", 0, false},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto e = load(dir, c.bytes + fx::id3v1Tag("t"));
        EXPECT_EQ(header(e), c.header) << c.name;
        EXPECT_EQ(e.Layer(), c.layer) << c.name;
        EXPECT_EQ(e.Mpeg25(), c.mpeg25) << c.name;
    }
    // The length counts from the frame taken: 5 frames of 417 bytes at 128 kbit/s.
    EXPECT_EQ(load(dir, junkBeforeFirstFrame + filler(2'000'000)).Length().seconds(), 125);
}

TEST(MP3Load, ConstantBitrateLengthFromByteCount) {
    TempDir dir;
    for (int index : {9, 0, 15}) { // 128 kbit/s, and the two unknowns that assume 128
        fx::FrameShape shape{1, index, 0, 0};
        std::string bytes = fx::mpegFrames(shape, 1).substr(0, 4);
        bytes += filler(4'000'000 - bytes.size());
        const auto e = load(dir, bytes);
        EXPECT_EQ(e.Length().seconds(), 250) << index;
    }
    // Bytes before the first frame and the tag do not count.
    std::string bytes = filler(1000) + fx::mpegFrames({1, 5, 0, 0}, 1).substr(0, 4);
    bytes += filler(800'000 - 4) + fx::id3v1Tag("t");
    EXPECT_EQ(load(dir, bytes).Length().seconds(), 100); // 800,000 bytes at 64 kbit/s

    // Files of 256 MiB and more get their length too.
    const auto path = dir.file("big.mp3");
    fx::writeFile(path, fx::mpegFrames({}, 1));
    const std::uintmax_t size = 300ull * 1024 * 1024; // sparse: costs no disk
    std::filesystem::resize_file(path, size);
    MP3TagEditor e;
    ASSERT_TRUE(e.LoadMP3(path));
    EXPECT_EQ(e.Length().seconds(), static_cast<std::int64_t>(size * 8 / 1000 / 128));
}

TEST(MP3Load, LeadingID3v2TagIsSkipped) {
    TempDir dir;
    fx::FrameShape shape{1, 5, 1, 3}; // 64 kbit/s, 48 kHz, mono
    for (bool footer : {false, true}) {
        const std::string id3 = fx::id3v2Tag(30000, footer);
        std::string bytes = id3 + fx::mpegFrames(shape, 1).substr(0, 4);
        bytes += filler(640'000 - 4) + fx::id3v1Tag("t");
        const auto e = load(dir, bytes);
        EXPECT_EQ(header(e), "1 64 48000 Mono") << footer; // not the fake syncs in the picture
        EXPECT_EQ(e.Length().seconds(), 80); // the tag's bytes are not counted as audio
        EXPECT_TRUE(e.OtherTags()) << "the list asks the tag library for this one";
    }
    // "ID3" followed by a frame sync is audio that happens to start with those letters.
    const auto lookalike = load(dir, "ID3" + fx::mpegFrames({1, 5, 0, 3}, 3));
    EXPECT_EQ(lookalike.Bitrate(), 64);

    // A tag that claims more bytes than the file has leaves no audio.
    std::string lying = fx::id3v2Tag(10);
    lying[6] = 0x7F;
    const auto e = load(dir, lying + fx::mpegFrames({}, 3));
    EXPECT_EQ(e.Channels(), "(unknown)");
}

TEST(MP3Load, XingInfoAndVbriHeadersGiveTheLength) {
    TempDir dir;
    struct Case {
        fx::FrameShape shape;
        fx::VbrKind kind;
        std::uint32_t frames;
        std::int64_t seconds;
        bool vbr;
    };
    const Case cases[] = {
        {{1, 9, 0, 1}, fx::VbrKind::Xing, 10000, 261, true}, // 10000 * 1152 / 44100
        {{1, 9, 0, 3}, fx::VbrKind::Xing, 5000, 130, true},  // mono side info
        {{2, 9, 0, 3}, fx::VbrKind::Xing, 8000, 208, true},  // MPEG-2 mono: 576 samples
        {{2, 9, 1, 0}, fx::VbrKind::Xing, 8000, 192, true},  // MPEG-2 stereo at 24 kHz
        {{1, 9, 1, 0}, fx::VbrKind::Info, 3000, 72, false},  // constant bitrate
        {{1, 9, 0, 0}, fx::VbrKind::Vbri, 2000, 52, true},
        {{1, 9, 0, 1, false, true}, fx::VbrKind::Xing, 10000, 261, true}, // CRC announced
    };
    for (const auto& c : cases) {
        const std::string bytes =
            fx::vbrHeaderFrame(c.shape, c.kind, c.frames, 0) + fx::mpegFrames(c.shape, 50);
        const auto e = load(dir, bytes);
        EXPECT_EQ(e.Length().seconds(), c.seconds) << static_cast<int>(c.kind) << c.frames;
        EXPECT_EQ(e.VBR(), c.vbr);
        if (c.vbr) {
            const double exact =
                double(c.frames) * (c.shape.version == 1 ? 1152 : 576) / e.SampleRate();
            EXPECT_EQ(e.AverageBitrate(), std::lround(bytes.size() * 8 / (exact * 1000)));
        } else {
            EXPECT_EQ(e.AverageBitrate(), e.Bitrate());
        }
    }
    // An encoder that did write the header after the CRC is understood too.
    fx::FrameShape crc{1, 9, 0, 0, false, true};
    std::string shifted = fx::vbrHeaderFrame(crc, fx::VbrKind::Xing, 10000, 0);
    shifted.insert(36, 2, '\0');
    shifted.erase(shifted.size() - 2);
    const auto e = load(dir, shifted);
    EXPECT_EQ(e.Length().seconds(), 261);

    // Without a frame count the byte count decides, as for any constant-bitrate file.
    const std::string noCount =
        fx::vbrHeaderFrame({}, fx::VbrKind::Xing, 0, 0) + fx::mpegFrames({}, 99);
    const auto plain = load(dir, noCount);
    EXPECT_FALSE(plain.VBR());
    EXPECT_EQ(plain.Length().seconds(), static_cast<std::int64_t>(noCount.size() * 8 / 1000 / 128));
}

// An encoder gives the Info frame of a constant-bitrate stream a bitrate its header fits in:
// the frame after it tells the audio's, while HeaderBitrate keeps what the first header says.
TEST(MP3Load, InfoFrameOfAnotherBitrateDoesNotGiveTheAudiosBitrate) {
    const fx::FrameShape at56{1, 4, 0, 0}, at64{1, 5, 0, 0};
    const struct {
        const char* name;
        std::string bytes;
        int bitrate, headerBitrate, average;
        bool vbr;
    } cases[] = {
        {"cbrFileWithInfoFrameBitrate",
         fx::vbrHeaderFrame(at56, fx::VbrKind::Info, 100, 0) + fx::mpegFrames(at64, 99), 64, 56, 64,
         false},
        {"infoFrameOfTheAudiosBitrate",
         fx::vbrHeaderFrame(at64, fx::VbrKind::Info, 100, 0) + fx::mpegFrames(at64, 99), 64, 64, 64,
         false},
        // A Xing frame of a variable stream: its bitrate stays, the average tells the rest.
        {"vbrFileWithXingFrame",
         fx::vbrHeaderFrame(at56, fx::VbrKind::Xing, 100, 0) + fx::mpegFrames(at64, 99), 56, 56, 64,
         true},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const auto e = load(dir, c.bytes);
        EXPECT_EQ(e.Bitrate(), c.bitrate) << c.name;
        EXPECT_EQ(e.HeaderBitrate(), c.headerBitrate) << c.name;
        EXPECT_EQ(e.AverageBitrate(), c.average) << c.name;
        EXPECT_EQ(e.VBR(), c.vbr) << c.name;
        EXPECT_EQ(e.Length().seconds(), 2) << c.name; // 100 frames of 1152 samples at 44.1 kHz
    }
}

// APE and Lyrics3 tags at the end are no audio: not counted into the average bitrate or the
// length, and their bytes are never taken for a frame.
TEST(MP3Load, ApeAndLyrics3TagsAtTheEndAreNotAudio) {
    const fx::FrameShape shape{1, 9, 0, 0};
    const std::string vbr17 = fx::vbrHeaderFrame(shape, fx::VbrKind::Xing, 17, 0) +
                              fx::mpegFrames(shape, 16); // 17 frames: 0.444 s at 128 kbit/s
    const std::string id3v1 = fx::id3v1Tag("t");
    const std::pair<const char*, std::string> trailing[] = {
        {"apeTagWithPicture", fx::apeTag(50000) + id3v1},
        {"apeTagAtTheVeryEnd", fx::apeTag(3000)},
        {"lyrics3v2", fx::lyrics3v2Tag("[00:01]la la") + id3v1},
        {"lyrics3v1", fx::lyrics3v1Tag("la la la") + id3v1},
        {"lyrics3v1WithoutId3v1", fx::lyrics3v1Tag("la la la")},
        {"apeThenLyrics3v2", fx::apeTag(2000) + fx::lyrics3v2Tag("la") + id3v1},
    };
    TempDir dir;
    for (const auto& [name, tags] : trailing) {
        const auto e = load(dir, vbr17 + tags);
        EXPECT_EQ(e.AverageBitrate(), 128) << name;
        EXPECT_TRUE(e.VBR()) << name;
        EXPECT_TRUE(e.OtherTags()) << name;
        EXPECT_FALSE(load(dir, vbr17 + id3v1).OtherTags()) << "ID3v1 alone";

        // A constant-bitrate file's length is its audio's bytes at its bitrate.
        const std::string cbr = fx::mpegFrames(shape, 1).substr(0, 4) + filler(160'000 - 4);
        EXPECT_EQ(load(dir, cbr + tags).Length().seconds(), 10) << name;
        // A file of nothing but such tags has no frame.
        EXPECT_EQ(load(dir, filler(10) + tags).Channels(), "(unknown)") << name;
    }
}

TEST(MP3Load, UnreadableFilesFailWithoutCrashing) {
    TempDir dir;
    MP3TagEditor e;
    EXPECT_FALSE(e.LoadMP3(dir.file("missing.mp3")));
    EXPECT_EQ(e.Filename(), dir.file("missing.mp3"));

    // A folder, a FIFO or a device in the file's place: BinaryFileTest.

    // The same editor goes on to load a good file with nothing left over.
    fx::writeFile(dir.file("good.mp3"), fx::mpegFrames({}, 5));
    ASSERT_TRUE(e.LoadMP3(dir.file("good.mp3")));
    EXPECT_EQ(e.Bitrate(), 128);
    EXPECT_EQ(e.Genra(), 256);
}
