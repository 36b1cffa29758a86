#include "AudioFixtures.h"
#include "CliRunner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;

TEST(SetCommand, WritesOnlyTheTagAndTheGivenFields) {
    TempDir dir;
    const std::string audio = fx::id3v2Tag(600) + fx::mpegFrames({}, 40);
    fx::writeFile(dir / "tagged.mp3",
                  audio + fx::id3v1Tag("Old", "Keep Me", "Album", "1980", "Old comment", 3));
    fx::writeFile(dir / "bare.mp3", audio);

    const RunResult r =
        runTag({"set", "--title", "Caf\u00E9 \u00C0 la carte", "--genre=classic rock",
                "--comment=-starts with a dash", "tagged.mp3", "bare.mp3"},
               dir);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");

    // The title is stored as ISO 8859-1 bytes.
    const std::string title = "Caf\xE9 \xC0 la carte", comment = "-starts with a dash";
    EXPECT_EQ(fx::readFile(dir / "tagged.mp3"),
              audio + fx::id3v1Tag(title, "Keep Me", "Album", "1980", comment, 1));
    EXPECT_EQ(fx::readFile(dir / "bare.mp3"), audio + fx::id3v1Tag(title, "", "", "", comment, 1));

    // A file without a tag and without --genre gets "None", not a made-up genre.
    fx::writeFile(dir / "fresh.MP3", audio);
    EXPECT_EQ(runTag({"set", "--year", "2001", "fresh.MP3"}, dir).exitCode, 0);
    EXPECT_EQ(fx::readFile(dir / "fresh.MP3"), audio + fx::id3v1Tag("", "", "", "2001", "", 255));
}

TEST(SetCommand, GenresByNumberOrAnyCaseNameAndLongValuesAreCutWithAWarning) {
    TempDir dir;
    fx::writeFile(dir / "a.mp3", fx::mpegFrames({}, 10));
    const std::pair<std::string, int> genres[] = {{"0", 0},           {"147", 147},  {"200", 200},
                                                  {"255", 255},       {"NONE", 255}, {"hip hop", 7},
                                                  {"Synth Pop", 147}, {"008", 8}};
    for (const auto& [given, id] : genres) {
        const RunResult r = runTag({"set", "--genre", given, "a.mp3"}, dir);
        EXPECT_EQ(r.exitCode, 0) << given << ": " << r.err;
        EXPECT_EQ(showOne(dir, "a.mp3")["genre"], id) << given;
    }

    const std::string longTitle(35, 'x');
    const RunResult r = runTag({"set", "--title", longTitle, "--year", "19999", "a.mp3"}, dir);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.err.find("--title"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--year"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2) << r.err;
    const auto shown = showOne(dir, "a.mp3");
    EXPECT_EQ(shown["title"], std::string(30, 'x'));
    EXPECT_EQ(shown["year"], "1999");
}

TEST(SetCommand, BadValuesAreRefusedBeforeAnyFileIsTouched) {
    TempDir dir;
    const std::string tagged = fx::mpegFrames({}, 10) + fx::id3v1Tag("T", "A", "B", "2000");
    const std::string bare = fx::mpegFrames({}, 10);
    fx::writeFile(dir / "tagged.mp3", tagged);
    fx::writeFile(dir / "bare.mp3", bare);

    const std::vector<std::vector<std::string>> bad = {
        {"--genre", "Polka Metal"},
        {"--genre", "256"},
        {"--genre", "-1"},
        {"--genre", ""},
        {"--title", "Euro \u20AC"},
        {"--artist", "\xC3"},     // cut-off UTF-8
        {"--album", "\xE9t\xE9"}, // Latin-1 bytes are not UTF-8
        {"--comment=\u0141\u00F3d\u017A"},
        {"--title", "ok", "--title", "twice"},
        {"--bits", "8"},
        {"--title", "x", "--verbose"},
        // The warning about the cut would be noise next to the error.
        {"--title", std::string(40, 'x'), "--genre", "Polka Metal"},
        // Names and fixed values exclude each other; the overwrite flags need their source.
        {"--title", "x", "--title-from-filename"},
        {"--guess-track", "--comment=x"},
        {"--overwrite-title"},
        {"--overwrite-comment", "--title-from-filename"},
        {"--guess-track=yes"},
    };
    for (const auto& wrong : bad) {
        // A good field comes first: it must not be written either.
        std::vector<std::string> args = {"set", "--year", "1234"};
        args.insert(args.end(), wrong.begin(), wrong.end());
        args.insert(args.end(), {"tagged.mp3", "bare.mp3"});
        const RunResult r = runTag(args, dir);
        EXPECT_EQ(r.exitCode, 2) << wrong.front();
        EXPECT_EQ(r.err.rfind("tunewalk-tag: ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
        EXPECT_EQ(fx::readFile(dir / "tagged.mp3"), tagged);
        EXPECT_EQ(fx::readFile(dir / "bare.mp3"), bare);
    }
    const RunResult noField = runTag({"set", "tagged.mp3"}, dir);
    EXPECT_EQ(noField.exitCode, 2);
    EXPECT_EQ(fx::readFile(dir / "tagged.mp3"), tagged);
}

TEST(SetCommand, AFileThatCannotBeSavedIsNamedAndTheOthersStillAre) {
    TempDir dir;
    std::filesystem::create_directory(dir / "x.mp3");
    fx::writeFile(dir / "good.mp3", fx::mpegFrames({}, 10));
    fx::writeFile(dir / "song.wav", fx::wavFile({}));
    fx::writeFile(dir / "-dash.mp3", fx::mpegFrames({}, 10));
    const std::string wav = fx::readFile(dir / "song.wav");

    const RunResult r = runTag(
        {"set", "--artist", "Someone", "x.mp3", "song.wav", "good.mp3", "--", "-dash.mp3"}, dir);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("\nnot saved: x.mp3\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not saved: song.wav"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("good.mp3"), std::string::npos) << r.err;
    EXPECT_EQ(showOne(dir, "good.mp3")["artist"], "Someone");
    // Without "--" the name reads as an option.
    EXPECT_EQ(runTag({"show", "-dash.mp3"}, dir).exitCode, 2);
    EXPECT_EQ(runTag({"show", "--", "-dash.mp3"}, dir).jsonLines().at(0)["artist"], "Someone");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "x.mp3"));
    EXPECT_EQ(fx::readFile(dir / "song.wav"), wav);

    // A missing file fails the same way.
    const RunResult missing = runTag({"set", "--album", "A", "missing.mp3"}, dir);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("not saved: missing.mp3"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.mp3"));
}

// A pipe named like an audio file is never opened (an open would wait for a writer for ever):
// each command names it and goes on with the rest. The history is on, as by default.
TEST(SetCommand, APipeIsNamedAndSkippedWithoutBeingOpened) {
    TempDir dir;
    for (const char* name : {"pipe.mp3", "pipe.wav"})
        ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0);
    fx::writeFile(dir / "good.mp3", fx::mpegFrames({}, 10));
    const TempDir data;
    // Under timeout, so that a command that hangs fails here instead of holding the suite.
    const auto tag = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"60", TUNEWALK_TAG_EXE});
        return run("timeout", args, dir.path(), {}, {{"XDG_DATA_HOME", data.path().string()}});
    };
    const RunResult set = tag({"set", "--title", "T", "pipe.mp3", "good.mp3"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err, "tunewalk-tag: pipe.mp3: not a regular file\nnot saved: pipe.mp3\n");
    EXPECT_EQ(showOne(dir, "good.mp3")["title"], "T");

    const RunResult show = tag({"show", "pipe.mp3", "pipe.wav"});
    EXPECT_EQ(show.exitCode, 1);
    EXPECT_EQ(show.err, "tunewalk-tag: pipe.mp3: not a regular file\n"
                        "tunewalk-tag: pipe.wav: not a regular file\n");
    EXPECT_EQ(show.jsonLines().size(), 2u);

    const RunResult wavSet = tag({"wav-set", "--rate", "22050", "--yes", "pipe.wav"});
    EXPECT_EQ(wavSet.exitCode, 1);
    EXPECT_EQ(wavSet.err, "tunewalk-tag: pipe.wav: not a regular file\nnot saved: pipe.wav\n");
}

} // namespace
} // namespace tunewalk::clitest
