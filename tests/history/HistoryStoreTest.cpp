// The change history's store: what goes in comes back exactly, across a restart and damage.
#include "history/HistoryStore.h"
#include "QtPrinters.h"
#include "TempDir.h"
#include "common/NativePath.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

using Change = HistoryStore::Change;
using Entry = HistoryStore::Entry;
using Kind = HistoryStore::ChangeKind;
using State = HistoryStore::State;
constexpr qint64 Day = 24 * 3600 * 1000;

class HistoryStoreTest : public ::testing::Test {
protected:
    QString path(const std::string& name) const { return fromFsPath(dir / name); }
    static Change tagWrite(const QString& file) {
        return {Kind::TagWrite, file, {}, {}, 100, "TAGold", "TAGnew", false, 228, 5, 1, 2};
    }
    static qint64 add(HistoryStore& store, qint64 timeMs, State state = State::Done) {
        const qint64 id = store.begin({0, timeMs, HistoryStore::EntryKind::TagSave, "Save tag"},
                                      {tagWrite("/m/a.mp3")});
        if (state != State::Open) store.setState(id, state);
        return id;
    }
    static std::vector<qint64> ids(HistoryStore& store) {
        std::vector<qint64> out;
        for (const Entry& e : store.entries())
            out.push_back(e.id);
        return out;
    }

    // Entries are dated now: a store prunes old ones when it opens.
    const qint64 today = QDateTime::currentMSecsSinceEpoch();
    TempDir dir;
    QString db = path("data/Tunewalk/history.sqlite");
};

TEST_F(HistoryStoreTest, EveryChangeKindComesBackExactlyAfterReopening) {
    const QString raw = fromNativePath("/music/caf\xe9.mp3"); // not valid UTF-8
    const QByteArray binary("\0\xff\x01TAG\0\x80", 8);
    const std::vector<Change> planned{
        {Kind::TagWrite, raw, {}, {}, 4000, binary, QByteArray(128, '\0'), false, 4128, 17, 0, 0},
        {Kind::TagWrite, "/m/b.mp3", {}, {}, 4000, {}, "TAG", true, 4128, 18},
        {Kind::HeaderWrite, "/m/c.wav", {}, {}, 0, "RIFF", "RIFX", false, 44, 19},
        {Kind::Rename, "/m/d.mp3", "/m/e.mp3", {}, 0, {}, {}, false, 9, 20, 2049, 77},
        // Device and inode numbers that use the top bit stay unsigned.
        {Kind::Move,
         raw,
         fromNativePath("/n/caf\xe9.mp3"),
         {},
         0,
         {},
         {},
         false,
         9,
         21,
         0xfffffffffffffffeull,
         0x8000000000000001ull},
        {Kind::Trash, "/m/f.mp3", "/t/files/f.mp3", "/t/info/f.mp3.trashinfo"},
        {Kind::NewFolder, "/m/New Folder"},
        {Kind::Delete, "/m/g.mp3"},
    };
    qint64 id = 0;
    {
        HistoryStore store(db);
        ASSERT_TRUE(store.isOpen());
        id = store.begin({0, today, HistoryStore::EntryKind::Move, "Move 8 files"}, planned);
        ASSERT_NE(id, 0);
        EXPECT_TRUE(store.finish(id));
    }
    HistoryStore store(db);
    EXPECT_FALSE(store.wasReset());
    const std::vector<Entry> entries = store.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, id);
    EXPECT_EQ(entries[0].timeMs, today);
    EXPECT_EQ(entries[0].kind, HistoryStore::EntryKind::Move);
    EXPECT_EQ(entries[0].description, "Move 8 files");
    EXPECT_EQ(entries[0].state, State::Done);
    EXPECT_EQ(entries[0].changeCount, int(planned.size()));
    EXPECT_EQ(store.changes(id), planned);
    EXPECT_EQ(toNativePath(store.changes(id)[0].path), "/music/caf\xe9.mp3");
}

TEST_F(HistoryStoreTest, ARunNeverFinishedIsIncompleteAtTheNextStartUntilDealtWith) {
    qint64 done = 0, cut = 0, deleted = 0;
    {
        HistoryStore store(db);
        done = add(store, today);
        deleted = store.begin(
            {0, today, HistoryStore::EntryKind::Delete, "Delete 1 file", State::Open, false},
            {{Kind::Delete, "/m/x.mp3"}});
        store.finish(deleted);
        // A batch killed half-way: begun, never finished.
        cut = store.begin({0, today, HistoryStore::EntryKind::BatchTag, "Batch tag 2 files"},
                          {tagWrite("/m/1.mp3"), tagWrite("/m/2.mp3")});
    }
    HistoryStore store(db);
    EXPECT_EQ(ids(store), (std::vector<qint64>{cut, deleted, done}));
    const auto open = store.incomplete();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].entry.id, cut);
    EXPECT_EQ(open[0].entry.state, State::Open);
    EXPECT_EQ(open[0].changes, (std::vector<Change>{tagWrite("/m/1.mp3"), tagWrite("/m/2.mp3")}));
    EXPECT_FALSE(store.entries()[1].undoable);
    EXPECT_TRUE(store.entries()[2].undoable);

    EXPECT_TRUE(store.setState(cut, State::Undone));
    EXPECT_TRUE(store.incomplete().empty());
    EXPECT_EQ(store.entries()[0].state, State::Undone);
    EXPECT_FALSE(store.setState(cut + 100, State::Done));
}

TEST_F(HistoryStoreTest, PruneDropsOldAndSurplusFinishedEntriesButKeepsOpenOnes) {
    const qint64 now = 1000 * Day;
    struct Case {
        int maxAgeDays, maxEntries;
        std::vector<int> kept; // indexes into the entries added, newest first
    };
    for (const Case& c : {Case{30, 10, {4, 3, 2, 0}}, Case{365, 2, {4, 3, 0}}, Case{30, 1, {4, 0}},
                          Case{365, 10, {4, 3, 2, 1, 0}}}) {
        SCOPED_TRACE(testing::Message() << c.maxAgeDays << " days, " << c.maxEntries);
        QFile::remove(db);
        HistoryStore store(db);
        const std::vector<qint64> added{add(store, now - 300 * Day, State::Open),
                                        add(store, now - 100 * Day), add(store, now - 10 * Day),
                                        add(store, now - Day, State::Undone), add(store, now)};
        store.prune(c.maxAgeDays, c.maxEntries, now);
        std::vector<qint64> expected;
        for (int i : c.kept)
            expected.push_back(added[i]);
        EXPECT_EQ(ids(store), expected);
        // The changes go with their entry.
        EXPECT_EQ(store.changes(added[1]).size(), c.kept.size() == 5 ? 1u : 0u);
    }
}

TEST_F(HistoryStoreTest, DamagedFileIsSetAsideOnceAndAFreshHistoryStarts) {
    // Garbage over the whole file, and one damaged page that only a check of the file finds.
    for (const bool wholeFile : {true, false}) {
        SCOPED_TRACE(wholeFile ? "whole file" : "one page");
        QDir(QFileInfo(db).path()).removeRecursively();
        {
            // Changes enough to fill more pages than a listing of the entries reads.
            HistoryStore store(db);
            store.begin({0, today}, std::vector<Change>(100, tagWrite("/m/a.mp3")));
        }
        QFile file(db);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 page = file.readAll().lastIndexOf("TAGnew") / 4096 * 4096;
        if (wholeFile) file.resize(0);
        file.seek(wholeFile ? 0 : page);
        file.write(QByteArray(4096, 'x'));
        const qint64 size = file.size();
        file.close();
        {
            HistoryStore store(db);
            EXPECT_TRUE(store.isOpen());
            EXPECT_TRUE(store.wasReset());
            EXPECT_TRUE(store.entries().empty());
            EXPECT_NE(add(store, today), 0);
        }
        HistoryStore store(db);
        EXPECT_FALSE(store.wasReset());
        EXPECT_EQ(store.entries().size(), 1u);
        const QStringList aside =
            QDir(QFileInfo(db).path()).entryList({"history.sqlite.broken-*"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(QFileInfo(QFileInfo(db).dir().filePath(aside[0])).size(), size);
    }
}

TEST_F(HistoryStoreTest, AHistoryThatCannotBeCreatedRecordsNothingAndHarmsNothing) {
    ASSERT_TRUE(QDir().mkpath(db)); // a folder where the file should be
    HistoryStore store(db);
    EXPECT_FALSE(store.isOpen());
    EXPECT_FALSE(store.wasReset());
    EXPECT_EQ(add(store, today), 0);
    EXPECT_TRUE(store.entries().empty());
    EXPECT_TRUE(store.incomplete().empty());
    EXPECT_TRUE(QFileInfo(db).isDir());
}

} // namespace
} // namespace tunewalk

// Qt SQL loads its SQLite driver as a plugin, which needs an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
