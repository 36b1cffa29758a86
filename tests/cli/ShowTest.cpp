#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <sstream>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;
using Json = nlohmann::ordered_json;

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
    fx::writeFile(dir / "tone.WAV",
                  fx::wavFile({.channels = 1, .sampleRate = 8000, .dataBytes = 48000}));
    fx::writeFile(dir / "notes.txt", "hello");

    const RunResult all =
        runTag({"show", "tagged.mp3", "PLAIN.Mp3", "tone.WAV", "notes.txt", "gone.mp3"}, dir);
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(all.err, "tunewalk-tag: notes.txt: not an MP3 or WAV file\n"
                       "tunewalk-tag: gone.mp3: No such file or directory\n")
        << "each file that does not load is named";
    const auto lines = all.jsonLines();
    ASSERT_EQ(lines.size(), 5u) << all.out;
    // Every key in this order, whatever the file held.
    EXPECT_EQ(lines[0], Json::parse(R"j({"file":"tagged.mp3","kind":"mp3","ok":true,"tag":true,
        "title":"Song","artist":"Band","album":"Record","year":"1999","comment":"Nice","genre":17,
        "genre_name":"Rock","version":1,"bitrate":128,"average_bitrate":128,"vbr":true,
        "sample_rate":44100,"channels":"Joint Stereo","length":10})j"));
    EXPECT_EQ(lines[1], Json::parse(R"j({"file":"PLAIN.Mp3","kind":"mp3","ok":true,"tag":false,
        "title":"","artist":"","album":"","year":"","comment":"","genre":256,"genre_name":"",
        "version":2,"bitrate":80,"average_bitrate":80,"vbr":false,"sample_rate":22050,
        "channels":"Mono","length":13})j"));
    EXPECT_EQ(lines[2], Json::parse(R"j({"file":"tone.WAV","kind":"wav","ok":true,"channels":1,
        "sample_rate":8000,"bytes_per_second":16000,"block_align":2,"bits":16,
        "data_length":48000,"length":3})j"));
    EXPECT_EQ(lines[3], Json::parse(R"j({"file":"notes.txt","kind":"other","ok":false,
        "error":"not an MP3 or WAV file"})j"));
    // An unreadable MP3 file has the keys of a readable one, with nothing found, whatever the
    // file before it held (an MPEG-2 file, two lines up).
    EXPECT_EQ(lines[4], Json::parse(R"j({"file":"gone.mp3","kind":"mp3","ok":false,"tag":false,
        "title":"","artist":"","album":"","year":"","comment":"","genre":256,"genre_name":"",
        "version":1,"bitrate":0,"average_bitrate":0,"vbr":false,"sample_rate":0,"channels":"",
        "length":0})j"));

    // A file that cannot be read fails the run wherever it stands.
    EXPECT_EQ(runTag({"show", "gone.mp3", "tone.WAV"}, dir).exitCode, 1);

    // Only loadable files: success.
    const RunResult good = runTag({"show", "tone.WAV", "tagged.mp3"}, dir);
    EXPECT_EQ(good.exitCode, 0);
    ASSERT_EQ(good.jsonLines().size(), 2u);
    EXPECT_EQ(good.jsonLines()[0]["file"], "tone.WAV");
}

TEST(ShowCommand, PrintsTextsAndNamesByteForByte) {
    TempDir dir;
    // The zero byte ends the field: what follows it is not shown.
    const std::string title = "A\xE9t\xE9 \"q\" \\\x1B\x7F\t\n/" + std::string("\0B", 2);
    fx::writeFile(dir / "odd.mp3", fx::mpegFrames({}, 20) + fx::id3v1Tag(title, "\xFF\xC0"));
    // File names are bytes: what is not UTF-8 is replaced, the rest kept.
    fx::writeFile(dir / "n\xE4me\xE2\x82.mp3", fx::mpegFrames({}, 20));

    const RunResult r = runTag({"show", "odd.mp3", "n\xE4me\xE2\x82.mp3"}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Exactly as scripts have always seen it: control characters but DEL as \u00xx in lower
    // case, non-ASCII text as it is, U+FFFD for each broken sequence of a name, no spaces.
    const std::string audio = R"("version":1,"bitrate":128,"average_bitrate":128,"vbr":false,)"
                              R"("sample_rate":44100,"channels":"Stereo","length":0})"
                              "\n";
    EXPECT_EQ(r.out, R"({"file":"odd.mp3","kind":"mp3","ok":true,"tag":true,"title":"A)"
                     "\u00E9t\u00E9 \\\"q\\\" \\\\\\u001b\x7F\\t\\n/\",\"artist\":\"\u00FF\u00C0\","
                     R"("album":"","year":"","comment":"","genre":255,"genre_name":"None",)" +
                         audio + "{\"file\":\"n\uFFFDme\uFFFD.mp3\"," +
                         R"("kind":"mp3","ok":true,"tag":false,"title":"","artist":"","album":"",)"
                         R"("year":"","comment":"","genre":256,"genre_name":"",)" +
                         audio);
}

TEST(ToolUsage, HelpGoesToStdoutAndBadArgumentsExitWithTwo) {
    TempDir dir;
    // Each line is one command line, split at its spaces.
    const auto words = [](const std::string& line) {
        std::istringstream in(line);
        return std::vector<std::string>(std::istream_iterator<std::string>(in), {});
    };
    for (const char* line : {"--help", "-h", "show --help", "set -h", "wav-set --help",
                             "set --title x --help file.mp3"}) {
        const RunResult r = runTag(words(line), dir);
        EXPECT_EQ(r.exitCode, 0) << line;
        EXPECT_EQ(r.out.rfind("Usage: tunewalk-tag", 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
    // Packaging checks run this from the installed path: one line naming the tool and version.
    const RunResult version = runTag({"--version"}, dir);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("tunewalk-tag \\d+\\.\\d+\\.\\d+\n")))
        << version.out;
    EXPECT_EQ(version.err, "");
    for (const char* line :
         {"", "rename", "--verbose", "show", "show --pretty a.mp3", "set --title",
          "set --yes a.mp3", "wav-set --bits 8", "wav-set --yes=1 --bits 8 a.wav",
          "set --no-history a.mp3", "wav-set --yes --no-history a.wav"}) {
        const RunResult r = runTag(words(line), dir);
        EXPECT_EQ(r.exitCode, 2) << line;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("tunewalk-tag: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

} // namespace
} // namespace tunewalk::clitest
