// Undo and redo on real files: every kind of change, made the way the program makes it, is
// taken back to the very bytes and times and made again; a change someone else made since stops
// the whole entry; a run cut short tells at the next start which of its changes are on the disk.
#include "history/Undo.h"

#include "AudioFixtures.h"
#include "FifoGuard.h"
#include "QtPrinters.h"
#include "TempDir.h"
#include "common/FileTimes.h"
#include "common/NativePath.h"
#include "fileops/FileJob.h"
#include "fileops/FileMoves.h"
#include "fileops/Trash.h"
#include "history/FileChanges.h"
#include "history/Recording.h"
#include "metadata/codec/MP3TagEditor.h"

#include <QCryptographicHash>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace tunewalk {
namespace {

namespace fs = std::filesystem;
using namespace history;
using EntryKind = HistoryStore::EntryKind;
using State = HistoryStore::State;
using fixtures::writeFile;

// Every move is one to another drive: the engine copies, checks and removes.
struct AcrossDrives : FileFaults {
    int rename(const fs::path&, const fs::path&) override { return EXDEV; }
};

// Each item of a tree by its relative path: a folder, or a file's content hash and time.
using Tree = std::map<std::string, std::string>;
Tree snapshot(const fs::path& root) {
    Tree tree;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(e.path(), root).generic_string();
        if (e.is_directory()) {
            tree[name] = "folder";
            continue;
        }
        const QByteArray bytes = QByteArray::fromStdString(fixtures::readFile(e.path()));
        tree[name] = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)
                         .toHex()
                         .left(16)
                         .toStdString() +
                     " @" + std::to_string(lookAt(fromFsPath(e.path())).modifiedNs);
    }
    return tree;
}

class UndoTest : public ::testing::Test {
public:
    void SetUp() override {
        // The Trash goes into the test's own tree.
        qputenv("XDG_DATA_HOME", QFile::encodeName(fromFsPath(dir / "data")));
        const std::string frames = fixtures::mpegFrames({}, 4);
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "album/1.mp3", "album/deep/2.mp3",
                                 "merge/from/x.mp3", "merge/from/sub/y.mp3", "merge/from/sub/z.mp3",
                                 "merge/to/keep.mp3", "merge/to/sub/w.mp3"})
            put(name, frames + fixtures::id3v1Tag(name, "Artist"));
        put("bare.mp3", frames);
        put("h.wav", fixtures::wavFile({.dataBytes = 400}));
        fs::create_directory(music / "into");
    }
    void TearDown() override {
        hadData ? qputenv("XDG_DATA_HOME", savedData) : qunsetenv("XDG_DATA_HOME");
    }

    QString at(const std::string& name) const { return fromFsPath(music / name); }
    // A file dated long ago, so a change's new time always differs from it.
    void put(const std::string& name, const std::string& bytes) const {
        fs::create_directories((music / name).parent_path());
        writeFile(music / name, bytes);
        setTime(name, 1600000000123456789);
    }
    qint64 time(const std::string& name) const { return lookAt(at(name)).modifiedNs; }
    void setTime(const std::string& name, qint64 ns) const {
        ASSERT_TRUE(setModificationTime(at(name), {ns / 1000000000, ns % 1000000000}));
    }
    // Another file of the same name and content in its place.
    void replace(const std::string& name) const {
        fs::copy_file(music / name, music / (name + ".new"));
        fs::rename(music / (name + ".new"), music / name);
    }

    // As the program does it: every change planned and written ahead, then each one made and
    // settled in turn (the first `count` of them, for a run cut short).
    static void run(Recording& r, const std::vector<Change>& planned,
                    const std::function<void(const Change&)>& make, std::size_t count = 99) {
        for (const Change& c : planned)
            r.plan(c);
        ASSERT_TRUE(r.begin());
        for (std::size_t i = 0; i < std::min(count, planned.size()); ++i) {
            make(r.change(i));
            r.made(i);
        }
    }
    void saveTags(Recording& r, const std::vector<std::string>& names,
                  std::size_t count = 99) const {
        std::vector<Change> planned;
        for (const std::string& name : names)
            planned.push_back(tagWrite(at(name)));
        run(
            r, planned,
            [](const Change& c) {
                MP3TagEditor editor;
                ASSERT_TRUE(editor.LoadMP3(toNativePath(c.path).toStdString()));
                editor.setTitle("New title");
                const Result saved = editor.SaveMP3();
                ASSERT_TRUE(saved) << saved.message();
            },
            count);
    }
    void moves(Recording& r, FileJob& job,
               const std::vector<std::pair<std::string, std::string>>& fromTo) const {
        std::vector<Change> planned;
        for (const auto& [from, to] : fromTo)
            planned.push_back(history::move(ChangeKind::Move, at(from), at(to)));
        run(r, planned, [&](const Change& c) {
            const MoveOutcome moved = moveItem(c.path, c.target, job);
            EXPECT_TRUE(moved.ok) << moved.description().toStdString();
        });
    }
    void trash(Recording& r, const std::string& name) const {
        run(r, {Change{ChangeKind::Trash, at(name)}}, [&](const Change& c) {
            TrashEntry made;
            const Result trashed = moveToTrash(toNativePath(c.path), &made);
            ASSERT_TRUE(trashed) << trashed.message();
            r.change(0).target = fromNativePath(made.file);
            r.change(0).trashInfo = fromNativePath(made.info);
        });
    }

    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    TempDir dir;
    const fs::path music = dir / "music";
    const QString db = fromFsPath(dir / "data/Tunewalk/history.sqlite");
    HistoryStore store{db};
};

struct Action {
    const char* name;
    EntryKind kind;
    bool across; // every move of the action, its undo and redo copies as to another drive
    std::function<void(UndoTest&, Recording&, FileJob&)> make;
    std::function<void(UndoTest&)> meddle; // someone else's change afterwards
    const char* named;                     // the item a refusal names
};
void PrintTo(const Action& action, std::ostream* os) {
    *os << action.name;
}

const Action actions[] = {
    {"BatchTagOverExistingTags", EntryKind::BatchTag, false,
     [](UndoTest& t, Recording& r, FileJob&) {
         t.saveTags(r, {"a.mp3", "b.mp3", "c.mp3"});
     },
     [](UndoTest& t) { // another tag of the same size, and the time put back
         const qint64 ns = t.time("b.mp3");
         QFile file(t.at("b.mp3"));
         ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(file.size() - 128));
         file.write(QByteArray::fromStdString(fixtures::id3v1Tag("Someone else")));
         file.close();
         t.setTime("b.mp3", ns);
     },
     "b.mp3"},
    {"TagAppended", EntryKind::TagSave, false,
     [](UndoTest& t, Recording& r, FileJob&) { t.saveTags(r, {"bare.mp3"}); },
     [](UndoTest& t) { // a byte more, and the time put back
         const qint64 ns = t.time("bare.mp3");
         QFile file(t.at("bare.mp3"));
         ASSERT_TRUE(file.open(QIODevice::Append));
         file.write("x");
         file.close();
         t.setTime("bare.mp3", ns);
     },
     "bare.mp3"},
    {"WavHeaderRewritten", EntryKind::HeaderSave, false,
     [](UndoTest& t, Recording& r, FileJob&) {
         // The sample rate and byte rate: 22050 Hz, 88200 bytes a second.
         t.run(r, {bytesWrite(t.at("h.wav"), 24, 8)}, [](const Change& c) {
             QFile file(c.path);
             ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(24));
             file.write(QByteArray("\x22\x56\x00\x00\x88\x58\x01\x00", 8));
         });
     },
     [](UndoTest& t) { t.setTime("h.wav", t.time("h.wav") + 1000000000); }, "h.wav"},
    {"Rename", EntryKind::Rename, false,
     [](UndoTest& t, Recording& r, FileJob&) {
         t.run(r, {history::move(ChangeKind::Rename, t.at("a.mp3"), t.at("A.mp3"))},
               [](const Change& c) { EXPECT_TRUE(moveItem(c.path, c.target).ok); });
     },
     [](UndoTest& t) { t.replace("A.mp3"); }, "A.mp3"},
    {"MoveWithinADrive", EntryKind::Move, false,
     [](UndoTest& t, Recording& r, FileJob& job) {
         t.moves(r, job, {{"c.mp3", "into/c.mp3"}});
     },
     [](UndoTest& t) { t.put("c.mp3", "someone else's"); }, "c.mp3"},
    {"MoveAcrossDrives", EntryKind::Move, true,
     [](UndoTest& t, Recording& r, FileJob& job) {
         t.moves(r, job, {{"b.mp3", "into/b.mp3"}});
     },
     [](UndoTest& t) { t.replace("into/b.mp3"); }, "b.mp3"},
    {"MoveOfAFolder", EntryKind::Move, false,
     [](UndoTest& t, Recording& r, FileJob& job) {
         t.moves(r, job, {{"album", "into/album"}});
     },
     [](UndoTest& t) { fs::create_directory(t.music / "album"); }, "album"},
    {"MergeIntoAnExistingFolder", EntryKind::Move, false,
     [](UndoTest& t, Recording& r, FileJob& job) {
         // Planned as one folder; recorded as what the merge moved, item by item, and the
         // folders it emptied and removed.
         r.plan(history::move(ChangeKind::Move, t.at("merge/from"), t.at("merge/to")));
         ASSERT_TRUE(r.begin());
         const MoveOutcome outcome = mergeFolder(t.at("merge/from"), t.at("merge/to"), job);
         ASSERT_TRUE(outcome.ok) << outcome.description().toStdString();
         ASSERT_EQ(outcome.moved.size(), 5u);
         for (const MoveOutcome::Item& item : outcome.moved)
             r.made(r.plan(history::merged(item)));
     },
     [](UndoTest& t) { t.replace("merge/to/sub/y.mp3"); }, "y.mp3"},
    {"TrashOfAFile", EntryKind::Trash, false,
     [](UndoTest& t, Recording& r, FileJob&) { t.trash(r, "a.mp3"); },
     [](UndoTest& t) { fs::remove(t.dir / "data/Trash/files/a.mp3"); }, "a.mp3"},
    {"TrashOfAFolder", EntryKind::Trash, false,
     [](UndoTest& t, Recording& r, FileJob&) { t.trash(r, "album"); },
     [](UndoTest& t) { t.put("album", "someone else's"); }, "album"},
    {"NewFolder", EntryKind::NewFolder, false,
     [](UndoTest& t, Recording& r, FileJob&) {
         t.run(r, {Change{ChangeKind::NewFolder, t.at("New Folder")}},
               [](const Change& c) { ASSERT_TRUE(fs::create_directory(toFsPath(c.path))); });
     },
     [](UndoTest& t) { t.put("New Folder/x.mp3", "someone else's"); }, "New Folder"},
};

class EveryChange : public UndoTest, public ::testing::WithParamInterface<Action> {
protected:
    // Makes the action and reads its entry back as the history will: finished, from the store.
    std::vector<Change> act() {
        const Action& a = GetParam();
        qint64 id = 0;
        {
            Recording r(&store, a.kind, a.name);
            a.make(*this, r, job);
            r.finish();
            id = r.id();
        }
        EXPECT_EQ(store.entry(id).value_or(HistoryStore::Entry{}).state, State::Done);
        return store.changes(id);
    }

    AcrossDrives across;
    FileJob job{GetParam().across ? &across : nullptr};
};

TEST_P(EveryChange, UndoRestoresTheTreeExactlyAndRedoMakesItAgain) {
    const Tree before = snapshot(music);
    std::vector<Change> changes = act();
    if (HasFatalFailure()) return;
    const Tree after = snapshot(music);
    ASSERT_NE(after, before);
    ASSERT_FALSE(changes.empty());

    Outcome undone = applyAll(changes, Direction::Undo, job);
    EXPECT_TRUE(undone.ok) << undone.problems.join('\n').toStdString();
    EXPECT_EQ(undone.applied, int(changes.size()));
    EXPECT_EQ(snapshot(music), before);

    // The undone entry as the history keeps it, read back for the redo.
    const qint64 id = store.entries().at(0).id;
    ASSERT_TRUE(store.update(id, State::Undone, changes));
    changes = store.changes(id);
    const Outcome redone = applyAll(changes, Direction::Redo, job);
    EXPECT_TRUE(redone.ok) << redone.problems.join('\n').toStdString();
    EXPECT_EQ(snapshot(music), after);
}

TEST_P(EveryChange, ChangedSinceRefusesTheWholeEntryAndTouchesNothing) {
    std::vector<Change> changes = act();
    if (HasFatalFailure()) return;
    GetParam().meddle(*this);
    const Tree meddled = snapshot(music);
    const std::vector<Change> recorded = changes;

    const Outcome undone = applyAll(changes, Direction::Undo, job);
    EXPECT_FALSE(undone.ok);
    EXPECT_EQ(undone.applied, 0);
    ASSERT_EQ(undone.problems.size(), 1) << undone.problems.join('\n').toStdString();
    EXPECT_TRUE(undone.problems[0].contains(QString::fromUtf8(GetParam().named)))
        << undone.problems[0].toStdString();
    // Found by the look before anything is done, not by a failed attempt.
    EXPECT_TRUE(std::ranges::any_of(changes, [&](const Change& c) {
        return whatChanged(c, Direction::Undo) == undone.problems[0];
    }));
    EXPECT_EQ(snapshot(music), meddled);
    EXPECT_EQ(changes, recorded);
}

INSTANTIATE_TEST_SUITE_P(Undo, EveryChange, ::testing::ValuesIn(actions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UndoTest, APermanentDeleteIsRecordedAsOneThatCannotBeTakenBack) {
    qint64 id = 0;
    {
        Recording r(&store, EntryKind::Delete, "Delete 1 file", false);
        run(r, {Change{ChangeKind::Delete, at("a.mp3")}},
            [](const Change& c) { ASSERT_TRUE(fs::remove(toFsPath(c.path))); });
        id = r.id();
    }
    EXPECT_FALSE(store.entry(id).value_or(HistoryStore::Entry{}).undoable);
    const std::vector<Change> changes = store.changes(id);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(whatChanged(changes[0], Direction::Undo),
              "\"" + displayPath(at("a.mp3")) +
                  "\" was deleted for good and cannot be brought back.");
}

TEST_F(UndoTest, WhatIsNotTheChangesOwnIsNeverTakenAsMade) {
    // Another file took the tagged file's place between the read ahead and the save: the save
    // wrote into the stranger, whose old bytes the change does not hold.
    Change tag = history::tagWrite(at("a.mp3"));
    put("other.mp3", fixtures::mpegFrames({}, 9) + fixtures::id3v1Tag("Other", "X"));
    fs::rename(music / "other.mp3", music / "a.mp3");
    MP3TagEditor editor;
    ASSERT_TRUE(editor.LoadMP3(toNativePath(at("a.mp3")).toStdString()));
    editor.setTitle("New");
    ASSERT_TRUE(editor.SaveMP3());
    EXPECT_FALSE(history::reached(tag));
    history::settle(tag);
    EXPECT_FALSE(tag.applied);

    // A merge written ahead whose run was cut short: its source is gone and its target is
    // there, yet the target folder held things of its own and must never be moved away whole.
    const Change merge = history::move(ChangeKind::Merge, at("merge/from"), at("merge/to"));
    FileJob job;
    ASSERT_TRUE(mergeFolder(merge.path, merge.target, job).ok);
    EXPECT_FALSE(history::reached(merge));
    EXPECT_EQ(whatChanged(merge, Direction::Undo), "");
}

// A FIFO named like a song (given to tunewalk-tag, or put where a tagged file was) is looked
// at and never opened: reading it ahead, or at the next start, would wait for ever.
TEST_F(UndoTest, AFifoInPlaceOfASongIsNeverOpened) {
    Change tag = tagWrite(at("a.mp3"));
    const fs::path pipe = music / "pipe.mp3";
    ASSERT_TRUE(makeFifo(pipe));
    fs::rename(pipe, music / "a.mp3");
    Change ahead;
    bool reachedFifo = true;
    EXPECT_TRUE(endsWithoutBlocking(music / "a.mp3", [&] {
        ahead = tagWrite(at("a.mp3"));
        reachedFifo = reached(tag);
        settle(tag);
    }));
    EXPECT_FALSE(lookThrough(at("a.mp3")).regular);
    EXPECT_TRUE(ahead.before.isEmpty());
    EXPECT_FALSE(reachedFifo);
    EXPECT_FALSE(tag.applied);
    tag.applied = true;
    tag.after = QByteArray(128, 'x');
    EXPECT_EQ(whatChanged(tag, Direction::Undo),
              "\"" + displayPath(at("a.mp3")) + "\" is not a regular file.");
}

TEST_F(UndoTest, ARunCutShortIsFoundAtTheNextStartWithWhatReachedTheDisk) {
    struct Cut {
        const char* name;
        bool moves;
        std::size_t made; // of 3 changes
    };
    FileJob job;
    for (const Cut& cut : {Cut{"before any change", false, 0}, Cut{"after 2 of 3 tags", false, 2},
                           Cut{"after the moves, before finishing", true, 3}}) {
        SCOPED_TRACE(cut.name);
        const QString file = fromFsPath(dir / (std::string(cut.name) + ".sqlite"));
        qint64 id = 0;
        {
            HistoryStore killed(file);
            auto r = std::make_unique<Recording>(&killed, EntryKind::Move, "Cut short");
            if (cut.moves)
                moves(*r, job,
                      {{"a.mp3", "into/a.mp3"}, {"album", "into/album"}, {"c.mp3", "C.mp3"}});
            else // a file with a tag and one without, among the written and the unwritten
                saveTags(*r, {"a.mp3", "bare.mp3", "b.mp3"}, cut.made);
            if (HasFatalFailure()) return;
            id = r->id();
            // The process dies here: the recording is never finished nor destroyed.
            static auto* leaked = new std::vector<Recording*>;
            leaked->push_back(r.release());
        }
        HistoryStore next(file);
        const std::vector<HistoryStore::Record> open = next.incomplete();
        ASSERT_EQ(open.size(), 1u);
        EXPECT_EQ(open[0].entry.id, id);
        ASSERT_EQ(open[0].changes.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i)
            EXPECT_EQ(reached(open[0].changes[i]), i < cut.made) << i;
    }
}

} // namespace
} // namespace tunewalk
