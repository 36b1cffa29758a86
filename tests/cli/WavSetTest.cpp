#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;

TEST(WavSetCommand, RewritesOnlyTheFormatFields) {
    TempDir dir;
    const std::string before = fx::wavFile({});
    fx::writeFile(dir / "a.wav", before);

    const RunResult r = runTag(
        {"wav-set", "--bits", "8", "--rate=22050", "--channels", "1", "--yes", "a.wav"}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(fx::readFile(dir / "a.wav"),
              fx::wavFile({.channels = 1, .sampleRate = 22050, .bits = 8}));

    // The largest rate the field holds is accepted.
    EXPECT_EQ(runTag({"wav-set", "--yes", "--rate", "4294967295", "a.wav"}, dir).exitCode, 0);
    EXPECT_EQ(fx::readFile(dir / "a.wav").substr(24, 4), "\xFF\xFF\xFF\xFF");
}

TEST(WavSetCommand, AsksBeforeEachFileAndOnlyYesChangesIt) {
    TempDir dir;
    const std::string before = fx::wavFile({});
    const std::string question =
        "Are you sure you want to modify the header data in this file? [y/N] ";

    struct Case {
        std::string input;
        bool changesA, changesB;
    };
    const Case cases[] = {{"n\n", false, false},
                          {"", false, false},
                          {"yep\ny\n", false, true},
                          {"Yes\nno\n", true, false},
                          {"Y\r\nyES\n", true, true}};
    for (const Case& c : cases) {
        for (const char* name : {"a.wav", "b.wav"})
            fx::writeFile(dir / name, before);
        const RunResult r = runTag({"wav-set", "--bits", "24", "a.wav", "b.wav"}, dir, c.input);
        EXPECT_EQ(r.exitCode, 0) << c.input;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(question), std::string::npos) << r.err;
        EXPECT_EQ(fx::readFile(dir / "a.wav") != before, c.changesA) << c.input;
        EXPECT_EQ(fx::readFile(dir / "b.wav") != before, c.changesB) << c.input;
        EXPECT_EQ(r.err.find("not changed: a.wav") != std::string::npos, !c.changesA) << r.err;
        EXPECT_EQ(r.err.find("not changed: b.wav") != std::string::npos, !c.changesB) << r.err;
    }
}

TEST(WavSetCommand, BadNumbersAreRefusedAndUnreadableFilesNamed) {
    TempDir dir;
    const std::string before = fx::wavFile({});
    fx::writeFile(dir / "a.wav", before);
    const std::vector<std::vector<std::string>> bad = {{"--bits", "0"},
                                                       {"--bits", "33"},
                                                       {"--bits", "+8"},
                                                       {"--bits", " 8"},
                                                       {"--bits", "8.0"},
                                                       {"--bits", "0x10"},
                                                       {"--channels", "0"},
                                                       {"--channels", "3"},
                                                       {"--rate", "0"},
                                                       {"--rate", "4294967296"},
                                                       {"--rate", "-44100"},
                                                       {"--rate", ""},
                                                       {"--yes"},
                                                       {"--bits", "8", "--title", "x"}};
    for (const auto& wrong : bad) {
        // No --yes: should a case get through, the unanswered question keeps the file intact.
        std::vector<std::string> args = {"wav-set"};
        args.insert(args.end(), wrong.begin(), wrong.end());
        args.push_back("a.wav");
        const RunResult r = runTag(args, dir);
        EXPECT_EQ(r.exitCode, 2) << wrong.back();
        EXPECT_EQ(r.err.rfind("tunewalk-tag: ", 0), 0u) << r.err;
        EXPECT_EQ(fx::readFile(dir / "a.wav"), before);
    }

    fx::writeFile(dir / "song.mp3", before);
    // "fmt " only as sample data: there is no format header to write.
    const std::string none =
        fx::riffChunk("RIFF", "WAVE" + fx::riffChunk("data", "fmt " + std::string(60, '\0')));
    fx::writeFile(dir / "none.wav", none);
    const std::string rifx = fx::rifxFile({});
    fx::writeFile(dir / "rifx.wav", rifx);
    const RunResult r = runTag({"wav-set", "--yes", "--bits", "8", "song.mp3", "gone.wav",
                                "none.wav", "rifx.wav", "a.wav"},
                               dir);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not saved: song.mp3"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not saved: gone.wav"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("none.wav has no WAV format header\nnot saved: none.wav"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("Division by zero"), std::string::npos) << r.err;
    EXPECT_EQ(fx::readFile(dir / "song.mp3"), before);
    EXPECT_EQ(fx::readFile(dir / "none.wav"), none);
    EXPECT_NE(r.err.find("tunewalk-tag: rifx.wav is a big-endian WAV file, which cannot be "
                         "read\nnot saved: rifx.wav"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(fx::readFile(dir / "rifx.wav"), rifx);
    const RunResult shown = runTag({"show", "rifx.wav"}, dir);
    EXPECT_EQ(shown.err, "tunewalk-tag: rifx.wav is a big-endian WAV file, which cannot be read\n");
    EXPECT_EQ(showOne(dir, "a.wav")["bits"], 8);
}

} // namespace
} // namespace tunewalk::clitest
