#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;

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
    // The name, not its folder.
    EXPECT_EQ(fx::readFile(dir / "Album 9/07 - Intro.MP3"),
              audio + fx::id3v1Tag("07 - Intro", "Duo", "", "", "Track 07"));
    EXPECT_EQ(fx::readFile(dir / (name40 + ".mp3")),
              audio + fx::id3v1Tag(name40.substr(0, 30), "Duo", "", "", "Track 0123456789"));
    EXPECT_EQ(fx::readFile(dir / "03 Live.mp3"),
              audio + fx::id3v1Tag("Live", "Duo", "", "", "Note", 12));

    ASSERT_EQ(runTag({"set", "--title-from-filename", "--overwrite-title", "--guess-track",
                      "--overwrite-comment", "03 Live.mp3"},
                     dir)
                  .exitCode,
              0);
    EXPECT_EQ(fx::readFile(dir / "03 Live.mp3"),
              audio + fx::id3v1Tag("03 Live", "Duo", "", "", "Track 03", 12));
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

} // namespace
} // namespace tunewalk::clitest
