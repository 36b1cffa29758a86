// tunewalk-tag write: the full tags of any kind, as the player's Edit Tags writes them, in one
// history entry; bad values change nothing.
#include "AudioFixtures.h"
#include "CliRunner.h"
#include "common/NativePath.h"
#include "history/HistoryStore.h"

#include <gtest/gtest.h>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;

TEST(CliWrite, WritesEveryKindKeepsId3v1InStepAndRecordsOneEntry) {
    if (!onPath("flac")) GTEST_SKIP() << "no flac encoder";
    TempDir dir, data;
    const std::string audio = fx::mpegFrames({}, 12);
    fx::writeFile(dir / "a.mp3", audio + fx::id3v1Tag("Old", "Artist"));
    fx::writeFile(dir / "src.wav", fx::wavFile({}));
    ASSERT_EQ(run("flac", {"-s", "-o", "b.flac", "src.wav"}, dir.path()).exitCode, 0);
    fx::writeFile(dir / "cover.png", "\x89PNG\r\n\x1a\nnot much of a picture");

    const RunResult out = runTag({"write", "--title", "Ünïcode", "--track", "3/12", "--cover",
                                  "cover.png", "a.mp3", "b.flac", "missing.flac"},
                                 dir, {}, data.path());
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_EQ(out.out, "saved: a.mp3\nsaved: b.flac\nnot saved: missing.flac\n");
    EXPECT_NE(out.err.find("missing.flac: "), std::string::npos) << out.err;
    for (const char* name : {"a.mp3", "b.flac"}) {
        SCOPED_TRACE(name);
        const auto shown = showOne(dir, name);
        ASSERT_TRUE(shown.contains("tags")) << shown.dump();
        EXPECT_EQ(shown["tags"]["title"], "Ünïcode");
        EXPECT_EQ(shown["tags"]["track"], 3);
        EXPECT_EQ(shown["tags"]["track_total"], 12);
        EXPECT_EQ(shown["tags"]["has_cover"], true);
    }
    // The ID3v1 tag in step, in Latin-1.
    const std::string mp3 = fx::readFile(dir / "a.mp3");
    EXPECT_EQ(mp3.substr(mp3.size() - 125, 7), "\xDCn\xEF" "code\0");
    EXPECT_EQ(mp3.substr(0, 4), std::string("ID3\x04", 4));

    HistoryStore store(fromFsPath(data / "Tunewalk" / "history.sqlite"));
    const auto entries = store.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].kind, HistoryStore::EntryKind::TagEdit);
    EXPECT_EQ(entries[0].description, "Edit tags of 3 files (tunewalk-tag)");
    EXPECT_EQ(store.changes(entries[0].id).size(), 2u);

    // Without the history, and with bad values: nothing recorded, nothing written.
    const std::string before = fx::readFile(dir / "b.flac");
    EXPECT_EQ(runTag({"write", "--no-history", "--artist", "X", "b.flac"}, dir, {}, data.path()).exitCode, 0);
    EXPECT_EQ(store.entries().size(), 1u);
    const std::string written = fx::readFile(dir / "b.flac");
    EXPECT_NE(written, before);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"write", "--track", "x", "b.flac"},
          {"write", "--id3v2-version", "5", "--title", "T", "b.flac"},
          {"write", "--cover", "src.wav", "b.flac"},
          {"write", "b.flac"}}) {
        EXPECT_EQ(runTag(bad, dir, {}, data.path()).exitCode, 2) << bad[1];
        EXPECT_EQ(fx::readFile(dir / "b.flac"), written);
    }
}

} // namespace
} // namespace tunewalk::clitest
