#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;

nlohmann::ordered_json showOne(const TempDir& dir, const std::string& file) {
    const auto lines = runTag({"show", file}, dir).jsonLines();
    return lines.size() == 1 ? lines[0] : nlohmann::ordered_json();
}

TEST(SetFromName, TitleAndTrackComeFromEachFilesOwnName) {
    TempDir dir;
    std::filesystem::create_directory(dir / "Album 9");
    const std::string audio = fx::mpegFrames({}, 8);
    fx::writeFile(dir / "Album 9/07 - Intro.MP3", audio);
    fx::writeFile(dir / "03 Live.mp3", audio + fx::id3v1Tag("Live", "", "", "", "Note", 12));
    const std::string name40 = "0123456789abcdefghijKLMNOPQRSTuvwxyz!!!!";
    fx::writeFile(dir / (name40 + ".mp3"), audio);

    const RunResult r = runTag({"set", "--title-from-filename", "--guess-track", "--artist=Duo",
                                "Album 9/07 - Intro.MP3", "03 Live.mp3", name40 + ".mp3"},
                               dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, ""); // a name cut to the field is what the flag promises: no warning
    const auto intro = showOne(dir, "Album 9/07 - Intro.MP3");
    EXPECT_EQ(intro["title"], "07 - Intro"); // the name, not its folder
    EXPECT_EQ(intro["comment"], "Track 07");
    EXPECT_EQ(intro["artist"], "Duo");
    EXPECT_EQ(showOne(dir, name40 + ".mp3")["title"], name40.substr(0, 30));
    EXPECT_EQ(showOne(dir, "03 Live.mp3")["title"], "Live");
    EXPECT_EQ(showOne(dir, "03 Live.mp3")["comment"], "Note");

    ASSERT_EQ(runTag({"set", "--title-from-filename", "--overwrite-title", "--guess-track",
                      "--overwrite-comment", "03 Live.mp3"},
                     dir)
                  .exitCode,
              0);
    const auto live = showOne(dir, "03 Live.mp3");
    EXPECT_EQ(live["title"], "03 Live");
    EXPECT_EQ(live["comment"], "Track 03");
    EXPECT_EQ(live["genre"], 12);
    EXPECT_EQ(fx::audioPart(fx::readFile(dir / "03 Live.mp3")), audio);
}

TEST(SetFromName, NamesAreStoredAsIso8859OneBytes) {
    TempDir dir;
    const std::string cafe = "Caf\u00E9 5.mp3";        // UTF-8 on disk
    const std::string omega = "\u03A9mega \u00C5.mp3"; // Omega has no ISO 8859-1 byte
    const std::string legacy = "Ol\xE9 6.mp3";         // an old ISO 8859-1 name
    for (const std::string& name : {cafe, omega, legacy})
        fx::writeFile(dir / name, fx::mpegFrames({}, 4));
    EXPECT_EQ(runTag({"set", "--title-from-filename", cafe, omega, legacy}, dir).exitCode, 0);
    const auto title = [&](const std::string& name) {
        const std::string bytes = fx::readFile(dir / name);
        return bytes.substr(bytes.size() - 125, 8);
    };
    EXPECT_EQ(title(cafe), "Caf\xE9 5  ");
    EXPECT_EQ(title(omega), "?mega \xC5 ");
    EXPECT_EQ(title(legacy), "Ol\xE9 6   ");
}

TEST(SetFromName, ConflictingOrIncompleteFlagsChangeNothing) {
    TempDir dir;
    const std::string bytes = fx::mpegFrames({}, 4) + fx::id3v1Tag("T", "A", "B", "2000", "C");
    fx::writeFile(dir / "01 a.mp3", bytes);
    const std::vector<std::vector<std::string>> bad = {
        {"--title", "x", "--title-from-filename"},
        {"--guess-track", "--comment=x"},
        {"--overwrite-title"},
        {"--overwrite-comment", "--title-from-filename"},
        {"--guess-track=yes"},
    };
    for (const auto& wrong : bad) {
        std::vector<std::string> args = {"set", "--year", "1234"};
        args.insert(args.end(), wrong.begin(), wrong.end());
        args.push_back("01 a.mp3");
        const RunResult r = runTag(args, dir);
        EXPECT_EQ(r.exitCode, 2) << wrong.front();
        EXPECT_EQ(r.err.rfind("tunewalk-tag: ", 0), 0u) << r.err;
        EXPECT_EQ(fx::readFile(dir / "01 a.mp3"), bytes) << wrong.front();
    }
}

} // namespace
} // namespace tunewalk::clitest
