// The writes of set and wav-set land in the player's change history, holding exactly the bytes
// they replaced and wrote, so the player can take them back.
#include "AudioFixtures.h"
#include "CliRunner.h"
#include "QtPrinters.h"
#include "common/NativePath.h"
#include "history/HistoryStore.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>

namespace tunewalk::clitest {
namespace {

namespace fx = fixtures;
using Kind = HistoryStore::EntryKind;

TEST(CliHistory, EachWritingRunIsOneEntryWithTheBytesItReplacedAndWrote) {
    // A name that is not valid UTF-8 must come back as the very same file.
    const std::string tagged = "t\xE9.mp3";
    const std::string audio = fx::mpegFrames({}, 12);
    const std::string wav = fx::wavFile({});
    const std::map<std::string, std::string> files = {
        {tagged, audio + fx::id3v1Tag("Old", "Artist")},
        {"bare.mp3", audio},
        {"a.wav", wav},
        // A chunk before the format moves the fields away from where most files have them.
        {"b.wav", fx::riffChunk("RIFF", "WAVE" + fx::riffChunk("LIST", "INFOx") + wav.substr(12))},
    };

    struct Case {
        std::vector<std::string> args;
        std::string input;
        std::optional<Kind> kind; // none: no entry
        QString description;
        std::vector<std::string> changed; // the files the entry holds, in this order
        int exitCode = 0;
        bool historyBlocked = false; // the history's file is a folder
    };
    const QString raw = displayPath(fromNativePath(QByteArray::fromStdString(tagged)));
    const Case cases[] = {
        {{"set", "--title", "New", tagged, "bare.mp3"},
         "",
         Kind::BatchTag,
         "Batch tag 2 files (tunewalk-tag)",
         {tagged, "bare.mp3"}},
        // Named twice, the file is one change; a file that is not there is none.
        {{"set", "--genre=7", tagged, "./" + tagged, "missing.mp3"},
         "",
         Kind::TagSave,
         "Edit tags of \"" + raw + "\" (tunewalk-tag)",
         {tagged},
         1},
        {{"set", "--no-history", "--title", "New", tagged}, "", std::nullopt, {}, {}},
        {{"wav-set", "--yes", "--bits=8", "b.wav"},
         "",
         Kind::HeaderSave,
         "Edit header of \"b.wav\" (tunewalk-tag)",
         {"b.wav"}},
        // Only the file the user agreed to is held.
        {{"wav-set", "--rate", "8000", "a.wav", "b.wav"},
         "n\ny\n",
         Kind::HeaderSave,
         "Edit headers of 2 files (tunewalk-tag)",
         {"b.wav"}},
        {{"wav-set", "--yes", "--bits=8", "--no-history", "a.wav"}, "", std::nullopt, {}, {}},
        // Nothing written, nothing to take back.
        {{"wav-set", "--yes", "--bits=16", "a.wav"}, "", std::nullopt, {}, {}},
        {{"wav-set", "--yes", "--bits=8", "a.wav"}, "", std::nullopt, {}, {}, 0, true},
        {{"set", "--title", "New", tagged, "bare.mp3"}, "", std::nullopt, {}, {}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + " " + c.args[1] + " " + c.args.back());
        TempDir dir, data;
        for (const auto& [name, bytes] : files)
            fx::writeFile(dir / name, bytes);
        const auto db = data / "Tunewalk/history.sqlite";
        if (c.historyBlocked) std::filesystem::create_directories(db);

        const RunResult r = runTag(c.args, dir, c.input, data.path());
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        // A history that cannot be written warns once at most, and the write happens all the
        // same.
        const std::string warning = "the change history could not be written";
        std::size_t warnings = 0;
        for (auto at = r.err.find(warning); at != std::string::npos;
             at = r.err.find(warning, at + 1))
            ++warnings;
        EXPECT_LE(warnings, c.historyBlocked ? 1u : 0u) << r.err;
        if (c.historyBlocked) {
            EXPECT_NE(fx::readFile(dir / c.args.back()), files.at(c.args.back()));
            EXPECT_TRUE(std::filesystem::is_directory(db));
            continue;
        }

        HistoryStore store(fromFsPath(db));
        const auto entries = store.entries();
        EXPECT_TRUE(store.isOpen());
        EXPECT_EQ(entries.size(), c.kind ? 1u : 0u);
        if (!c.kind || entries.size() != 1) continue;
        EXPECT_EQ(entries[0].kind, *c.kind);
        EXPECT_EQ(entries[0].description, c.description);
        EXPECT_EQ(entries[0].state, HistoryStore::State::Done);
        EXPECT_TRUE(entries[0].undoable);

        const auto changes = store.changes(entries[0].id);
        EXPECT_EQ(changes.size(), c.changed.size());
        for (std::size_t i = 0; i < std::min(changes.size(), c.changed.size()); ++i) {
            const std::string& name = c.changed[i];
            const std::string before = files.at(name), after = fx::readFile(dir / name);
            const bool mp3 = name.ends_with(".mp3");
            const bool hadTag = mp3 && before.size() > audio.size();
            const std::size_t at = mp3 ? audio.size() : before.find("fmt ") + 10;
            const std::size_t length = mp3 ? 128 : 14;
            const HistoryStore::Change& change = changes[i];
            SCOPED_TRACE(name);
            EXPECT_EQ(change.path, fromFsPath(std::filesystem::canonical(dir / name)));
            EXPECT_EQ(change.kind, mp3 ? HistoryStore::ChangeKind::TagWrite
                                       : HistoryStore::ChangeKind::HeaderWrite);
            EXPECT_EQ(change.offset, qint64(at));
            EXPECT_EQ(change.noTagBefore, mp3 && !hadTag);
            EXPECT_EQ(change.before.toStdString(),
                      mp3 && !hadTag ? std::string() : before.substr(at, length));
            EXPECT_EQ(change.after.toStdString(), after.substr(at, length));
            EXPECT_NE(change.after, change.before);
            EXPECT_EQ(change.size, qint64(after.size()));
            EXPECT_TRUE(change.applied);
        }
    }
}

// A damaged history is set aside by whichever program finds it first. tunewalk-tag says so at
// once and leaves a note in the fresh history, so the window says so at its next start too.
TEST(CliHistory, ADamagedHistoryIsSetAsideAndSaidSo) {
    TempDir dir, data;
    fx::writeFile(dir / "a.mp3", fx::mpegFrames({}, 12));
    const auto db = data / "Tunewalk/history.sqlite";
    std::filesystem::create_directories(db.parent_path());
    fx::writeFile(db, std::string(8192, 'x'));

    const RunResult r = runTag({"set", "--title", "New", "a.mp3"}, dir, {}, data.path());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::filesystem::path> aside;
    for (const auto& entry : std::filesystem::directory_iterator(db.parent_path()))
        if (entry.path().filename().string().starts_with("history.sqlite.broken-"))
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fx::readFile(aside[0]), std::string(8192, 'x'));
    EXPECT_EQ(r.err, "tunewalk-tag: the change history was damaged; it was set aside as " +
                         aside[0].string() +
                         " and a new one was started. Changes made before now cannot be "
                         "undone.\n");

    HistoryStore store(fromFsPath(db));
    EXPECT_EQ(store.entries().size(), 1u) << "the run is recorded in the fresh history";
    EXPECT_EQ(store.takeSetAsideNotice(), std::optional(fromFsPath(aside[0])));
    EXPECT_EQ(store.takeSetAsideNotice(), std::nullopt) << "told once";
}

} // namespace
} // namespace tunewalk::clitest

// The test reads the history with Qt SQL, whose SQLite driver is a plugin that needs an
// application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
