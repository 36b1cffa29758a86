#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;

struct Encode {
    std::string file;
    std::vector<std::string> lameArgs;
    bool constantBitrate;
    const char* mode; // null: any stereo mode
};

nlohmann::json probe(const TempDir& dir, const std::string& file) {
    const RunResult r = run("ffprobe",
                            {"-v", "error", "-show_entries",
                             "stream=sample_rate,channels,channel_layout,bit_rate:format=duration:"
                             "format_tags=title,artist,genre",
                             "-of", "json", file},
                            dir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return nlohmann::json::parse(r.out);
}

// Files from a real encoder, checked against an independent reader.
TEST(RealEncoders, ShowAgreesWithFfprobeAndSetKeepsTheAudioReadable) {
    for (const char* tool : {"lame", "sox", "ffprobe"})
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not on PATH";

    TempDir dir;
    const std::vector<std::string> tone = {"-n",       "-r",    "44100", "-c",   "2",
                                           "tone.wav", "synth", "5",     "sine", "440"};
    ASSERT_EQ(run("sox", tone, dir.path()).exitCode, 0);
    const Encode encodes[] = {
        {"cbr.mp3", {"-b", "128"}, true, nullptr},
        {"vbr.mp3", {"-V", "2"}, false, "Joint Stereo"},
        {"mono22.mp3", {"-m", "m", "-b", "64", "--resample", "22.05"}, true, "Mono"},
        {"mono32.mp3", {"-m", "m", "-b", "48", "--resample", "32"}, true, "Mono"},
        {"stereo48.mp3", {"-m", "s", "-b", "192", "--resample", "48"}, true, "Stereo"},
    };
    for (const Encode& e : encodes) {
        std::vector<std::string> args = {"--quiet"};
        args.insert(args.end(), e.lameArgs.begin(), e.lameArgs.end());
        args.insert(args.end(), {"tone.wav", e.file});
        ASSERT_EQ(run("lame", args, dir.path()).exitCode, 0) << e.file;
    }

    for (const Encode& e : encodes) {
        SCOPED_TRACE(e.file);
        const auto ours = showOne(dir, e.file);
        const auto theirs = probe(dir, e.file);
        const auto& stream = theirs["streams"].at(0);

        EXPECT_EQ(std::to_string(ours["sample_rate"].get<int>()),
                  stream["sample_rate"].get<std::string>());
        const std::string mode = ours["channels"];
        EXPECT_EQ(stream["channels"] == 1, mode == "Mono") << mode;
        if (e.mode) {
            EXPECT_EQ(mode, e.mode);
        }
        EXPECT_EQ(ours["vbr"], !e.constantBitrate);
        if (e.constantBitrate) {
            EXPECT_EQ(ours["bitrate"].get<int>() * 1000,
                      std::stoi(stream["bit_rate"].get<std::string>()));
        }
        // lame writes a Xing (or Info) header into every file, so the length is exact.
        const double seconds = std::stod(theirs["format"]["duration"].get<std::string>());
        EXPECT_LE(std::abs(ours["length"].get<double>() - seconds), 1.0) << seconds;
    }

    // Another reader finds the tag we wrote, and the audio still reads the same.
    const std::string audio = fx::readFile(dir / "cbr.mp3");
    const RunResult set = runTag(
        {"set", "--title", "Sine", "--artist", "Tone Maker", "--genre", "techno", "cbr.mp3"}, dir);
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(fx::audioPart(fx::readFile(dir / "cbr.mp3")), audio);
    const auto after = probe(dir, "cbr.mp3");
    EXPECT_EQ(after["format"]["tags"]["title"], "Sine");
    EXPECT_EQ(after["format"]["tags"]["artist"], "Tone Maker");
    EXPECT_EQ(after["format"]["tags"]["genre"], "Techno");
    EXPECT_EQ(after["streams"].at(0)["sample_rate"], "44100");
}

} // namespace
} // namespace tunewalk::clitest
