#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <regex>
#include <sstream>
#include <utility>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;
using Json = nlohmann::ordered_json;

// The output with each line's group from the tag reader taken off: what scripts read before
// there was one, which must stay byte for byte as it was.
RunResult withoutTags(RunResult r) {
    r.out = std::regex_replace(r.out, std::regex(R"(,"tags":\{[^{}]*\}(\}\n))"), "$1");
    return r;
}

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

    const RunResult withTags =
        runTag({"show", "tagged.mp3", "PLAIN.Mp3", "tone.WAV", "notes.txt", "gone.mp3"}, dir);
    const RunResult all = withoutTags(withTags);
    EXPECT_EQ(all.exitCode, 1);
    EXPECT_EQ(all.err, "tunewalk-tag: notes.txt: not an MP3 or WAV file\n"
                       "tunewalk-tag: gone.mp3: No such file or directory\n")
        << "each file that does not load is named";
    const auto lines = all.jsonLines();
    ASSERT_EQ(lines.size(), 5u) << all.out;
    // The tag reader's group comes last; for MP3 and WAV files it holds only their tags beyond
    // ID3v1 (the codec's keys tell the stream), and a file it cannot read has none.
    auto tagged = withTags.jsonLines();
    for (int i : {0, 1, 2})
        EXPECT_EQ(tagged[i]["tags"], Json::parse(R"({"has_cover":false})")) << i;
    EXPECT_FALSE(tagged[4].contains("tags"));
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

    // The kinds only the tag reader reads, by the end of the name in any case; one it cannot
    // read is named like an MP3 file that does not load, even where the library takes any
    // bytes for a file of its kind (AIFF).
    std::filesystem::create_directory(dir / "folder.flac");
    const std::vector<std::pair<std::string, std::string>> tagOnly = {
        {"junk.flac", "flac"}, {"junk.OGG", "ogg"},  {"junk.oga", "ogg"},  {"junk.Opus", "opus"},
        {"junk.m4a", "m4a"},   {"junk.aif", "aiff"}, {"junk.AIFF", "aiff"}};
    std::vector<std::string> args = {"show"};
    std::string err;
    for (const auto& [name, kind] : tagOnly) {
        fx::writeFile(dir / name, std::string(5000, 'x'));
        args.push_back(name);
        err += "tunewalk-tag: " + name + ": cannot read it\n";
    }
    args.insert(args.end(), {"folder.flac", "gone.flac"});
    const RunResult junk = runTag(args, dir);
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_EQ(junk.err, err + "tunewalk-tag: folder.flac: not a regular file\n"
                              "tunewalk-tag: gone.flac: No such file or directory\n");
    const auto junkLines = junk.jsonLines();
    ASSERT_EQ(junkLines.size(), tagOnly.size() + 2) << junk.out;
    for (std::size_t i = 0; i < tagOnly.size(); ++i)
        EXPECT_EQ(junkLines[i],
                  Json({{"file", tagOnly[i].first}, {"kind", tagOnly[i].second}, {"ok", false}}));
    EXPECT_EQ(junkLines.back(), Json::parse(R"({"file":"gone.flac","kind":"flac","ok":false})"));

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

    const RunResult r = withoutTags(runTag({"show", "odd.mp3", "n\xE4me\xE2\x82.mp3"}, dir));
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

// Files from real encoders: the tags beyond ID3v1 follow the codec's keys, which stay as they
// were for an MP3 with only an ID3v2 tag.
TEST(ShowCommand, TheTagReadersGroupFollowsTheCodecsKeys) {
    for (const char* tool : {"ffmpeg", "lame"})
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not on PATH";
    TempDir dir;
    ASSERT_EQ(run("ffmpeg",
                  {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "2",
                   "tone.wav"},
                  dir.path())
                  .exitCode,
              0);
    ASSERT_EQ(
        run("lame",
            {"--quiet", "--id3v2-only", "--tt", "Road Song", "--ta", "The Band", "--tl", "Long Way",
             "--tc", "Nice", "--tn", "3/12", "--ty", "2019", "tone.wav", "v2.mp3"},
            dir.path())
            .exitCode,
        0);
    std::vector<std::string> ffmpeg = {"-v", "error", "-i", "tone.wav", "-c:a", "flac"};
    for (const char* field :
         {"title=Ünïcode \"Title\"", "artist=Artist", "album=Album", "album_artist=Album Artist",
          "genre=Jazz", "composer=Composer", "track=3/12", "disc=1/2", "date=2019"})
        ffmpeg.insert(ffmpeg.end(), {"-metadata", field});
    ffmpeg.push_back("tone.flac");
    ASSERT_EQ(run("ffmpeg", ffmpeg, dir.path()).exitCode, 0);

    const RunResult r = runTag({"show", "v2.mp3", "tone.flac"}, dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const std::string codec = withoutTags(r).out;
    EXPECT_EQ(codec.substr(0, codec.find('\n') + 1),
              R"({"file":"v2.mp3","kind":"mp3","ok":true,"tag":false,"title":"","artist":"",)"
              R"("album":"","year":"","comment":"","genre":256,"genre_name":"","version":1,)"
              R"("bitrate":128,"average_bitrate":128,"vbr":false,"sample_rate":44100,)"
              R"("channels":"Joint Stereo","length":1})"
              "\n");
    auto lines = r.jsonLines();
    ASSERT_EQ(lines.size(), 2u) << r.out;
    // Only what the file has, in a fixed order. The FLAC's bitrate is the encoder's own: it is
    // checked, then set to 0.
    Json& flac = lines[1]["tags"];
    EXPECT_NEAR(flac["length_ms"].get<int>(), 1000, 10);
    EXPECT_GT(flac["bitrate"].get<int>(), 0);
    flac["length_ms"] = flac["bitrate"] = 0;
    EXPECT_EQ(lines[0]["tags"], Json::parse(R"({"title":"Road Song","artist":"The Band",
        "album":"Long Way","comment":"Nice","track":3,"track_total":12,"year":2019,
        "has_cover":false})"));
    EXPECT_EQ(lines[1], Json::parse(R"({"file":"tone.flac","kind":"flac","ok":true,"tags":{
        "title":"Ünïcode \"Title\"","artist":"Artist","album":"Album",
        "album_artist":"Album Artist","genre":"Jazz","composer":"Composer",
        "track":3,"track_total":12,"disc":1,"disc_total":2,"year":2019,"format":"FLAC",
        "length_ms":0,"bitrate":0,"sample_rate":44100,"channels":2,"bit_depth":16,
        "has_cover":false}})"));
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
