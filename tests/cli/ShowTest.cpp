#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;
using Keys = std::vector<std::string>;

const Keys kMp3Keys = {
    "file", "kind",        "ok",       "tag",        "title",   "artist",  "album",
    "year", "comment",     "genre",    "genre_name", "version", "bitrate", "average_bitrate",
    "vbr",  "sample_rate", "channels", "length"};
const Keys kWavKeys = {
    "file",        "kind", "ok",          "channels", "sample_rate", "bytes_per_second",
    "block_align", "bits", "data_length", "length"};

TEST(ShowCommand, ReportsEveryKindOfFileInArgumentOrder) {
    TempDir dir;
    // Joint stereo MPEG-1 with a Xing header counting 383 frames: 383 * 1152 / 44100 = 10.0 s.
    fx::FrameShape joint{.mode = 1};
    fx::writeFile(dir / "tagged.mp3",
                  fx::vbrHeaderFrame(joint, fx::VbrKind::Xing, 383, 0) +
                      fx::mpegFrames(joint, 382) +
                      fx::id3v1Tag("Song", "Band", "Record", "1999", "Nice", 17));
    // MPEG-2 mono at 80 kbit/s, 500 frames of 261 bytes: 130500 * 8 / 80000 = 13.05 s.
    fx::FrameShape mono{.version = 2, .mode = 3};
    fx::writeFile(dir / "PLAIN.Mp3", fx::mpegFrames(mono, 500));
    fx::WavShape wavSpec;
    wavSpec.channels = 1;
    wavSpec.sampleRate = 8000;
    wavSpec.dataBytes = 48000;
    fx::writeFile(dir / "tone.WAV", fx::wavFile(wavSpec));
    fx::writeFile(dir / "notes.txt", "hello");

    const RunResult all =
        runTag({"show", "tagged.mp3", "PLAIN.Mp3", "tone.WAV", "notes.txt", "gone.mp3"}, dir);
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(all.err, "");
    const auto lines = all.jsonLines();
    ASSERT_EQ(lines.size(), 5u) << all.out;

    const auto& tagged = lines[0];
    EXPECT_EQ(keysOf(tagged), kMp3Keys);
    EXPECT_EQ(tagged["file"], "tagged.mp3");
    EXPECT_EQ(tagged["kind"], "mp3");
    EXPECT_EQ(tagged["ok"], true);
    EXPECT_EQ(tagged["tag"], true);
    EXPECT_EQ(tagged["title"], "Song");
    EXPECT_EQ(tagged["artist"], "Band");
    EXPECT_EQ(tagged["album"], "Record");
    EXPECT_EQ(tagged["year"], "1999");
    EXPECT_EQ(tagged["comment"], "Nice");
    EXPECT_EQ(tagged["genre"], 17);
    EXPECT_EQ(tagged["genre_name"], "Rock");
    EXPECT_EQ(tagged["version"], 1);
    EXPECT_EQ(tagged["bitrate"], 128);
    EXPECT_NEAR(tagged["average_bitrate"].get<int>(), 128, 1);
    EXPECT_EQ(tagged["vbr"], true);
    EXPECT_EQ(tagged["sample_rate"], 44100);
    EXPECT_EQ(tagged["channels"], "Joint Stereo");
    EXPECT_EQ(tagged["length"], 10);

    const auto& plain = lines[1];
    EXPECT_EQ(keysOf(plain), kMp3Keys);
    EXPECT_EQ(plain["file"], "PLAIN.Mp3");
    EXPECT_EQ(plain["ok"], true);
    EXPECT_EQ(plain["tag"], false);
    for (const char* text : {"title", "artist", "album", "year", "comment", "genre_name"})
        EXPECT_EQ(plain[text], "") << text;
    EXPECT_EQ(plain["genre"], 256);
    EXPECT_EQ(plain["version"], 2);
    EXPECT_EQ(plain["bitrate"], 80);
    EXPECT_EQ(plain["average_bitrate"], 80);
    EXPECT_EQ(plain["vbr"], false);
    EXPECT_EQ(plain["sample_rate"], 22050);
    EXPECT_EQ(plain["channels"], "Mono");
    EXPECT_EQ(plain["length"], 13);

    const auto& wav = lines[2];
    EXPECT_EQ(keysOf(wav), kWavKeys);
    EXPECT_EQ(wav["file"], "tone.WAV");
    EXPECT_EQ(wav["kind"], "wav");
    EXPECT_EQ(wav["ok"], true);
    EXPECT_EQ(wav["channels"], 1);
    EXPECT_EQ(wav["sample_rate"], 8000);
    EXPECT_EQ(wav["bytes_per_second"], 16000);
    EXPECT_EQ(wav["block_align"], 2);
    EXPECT_EQ(wav["bits"], 16);
    EXPECT_EQ(wav["data_length"], 48000);
    EXPECT_EQ(wav["length"], 3);

    const auto& other = lines[3];
    EXPECT_EQ(keysOf(other), (Keys{"file", "kind", "ok", "error"}));
    EXPECT_EQ(other["file"], "notes.txt");
    EXPECT_EQ(other["kind"], "other");
    EXPECT_EQ(other["ok"], false);
    EXPECT_FALSE(other["error"].get<std::string>().empty());

    const auto& missing = lines[4];
    EXPECT_EQ(keysOf(missing), kMp3Keys);
    EXPECT_EQ(missing["file"], "gone.mp3");
    EXPECT_EQ(missing["ok"], false);
    EXPECT_EQ(missing["tag"], false);
    EXPECT_EQ(missing["genre"], 256);

    // Only loadable files: success.
    const RunResult good = runTag({"show", "tone.WAV", "tagged.mp3"}, dir);
    EXPECT_EQ(good.exitCode, 0);
    ASSERT_EQ(good.jsonLines().size(), 2u);
    EXPECT_EQ(good.jsonLines()[0]["file"], "tone.WAV");
}

TEST(ShowCommand, TextsAreLatin1DecodedAndEscapedByJson) {
    TempDir dir;
    const std::string title = std::string("A\0B", 3) + "\xE9t\xE9 \"q\" \\";
    fx::writeFile(dir / "odd.mp3", fx::mpegFrames({}, 20) + fx::id3v1Tag(title, "\xFF\xC0"));
    // A file name that is not UTF-8 must not stop the output.
    fx::writeFile(dir / "n\xE4me.mp3", fx::mpegFrames({}, 20));

    const RunResult r = runTag({"show", "odd.mp3", "n\xE4me.mp3"}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"("title":"A\u0000Bété \"q\" \\")"), std::string::npos) << r.out;
    const auto lines = r.jsonLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0]["title"], std::string("A\0B", 3) + "\u00E9t\u00E9 \"q\" \\");
    EXPECT_EQ(lines[0]["artist"], "\u00FF\u00C0");
    EXPECT_EQ(lines[1]["file"], "n\uFFFDme.mp3");
    EXPECT_EQ(lines[1]["ok"], true);
}

TEST(ToolUsage, HelpGoesToStdoutAndBadArgumentsExitWithTwo) {
    TempDir dir;
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"},
                                               {"-h"},
                                               {"show", "--help"},
                                               {"set", "-h"},
                                               {"wav-set", "--help"},
                                               {"set", "--title", "x", "--help", "file.mp3"}}) {
        const RunResult r = runTag(args, dir);
        EXPECT_EQ(r.exitCode, 0) << args.front();
        EXPECT_EQ(r.out.rfind("Usage: tunewalk-tag", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"rename"},
                                               {"--verbose"},
                                               {"show"},
                                               {"show", "--pretty", "a.mp3"},
                                               {"set", "--title"},
                                               {"set", "--yes", "a.mp3"},
                                               {"wav-set", "--bits", "8"},
                                               {"wav-set", "--yes=1", "--bits", "8", "a.wav"}}) {
        const RunResult r = runTag(args, dir);
        EXPECT_EQ(r.exitCode, 2) << (args.empty() ? "(none)" : args.back());
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tunewalk-tag: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
} // namespace tunewalk::clitest
