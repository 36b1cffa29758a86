// The History window: the recorded actions with their states and files, and Undo and Redo
// through its buttons and keys, acting on the disk.
#include "app/history/frmHistory.h"

#include "EventLoopWait.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"
#include "app/fileops/FileOperations.h"
#include "app/history/UndoHistory.h"
#include "history/FileChanges.h"

#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

using Kind = HistoryStore::EntryKind;
using State = HistoryStore::State;
using history::ChangeKind;

const QString CutShortNote = "This action was cut short (the program stopped while it ran). The "
                             "files listed were changed; Undo takes them back.";
const QString DeletedNote = "Deleted for good: this cannot be undone.";

history::Change change(ChangeKind kind, const QString& path, const QString& target = {}) {
    return {.kind = kind, .path = path, .target = target};
}

class HistoryWindowTest : public ::testing::Test {
protected:
    // An entry as an action leaves it; an Open one is still being made.
    qint64 record(Kind kind, const QString& description, State state,
                  const std::vector<history::Change>& changes, bool undoable = true) {
        HistoryStore* store = history.store();
        EXPECT_TRUE(store);
        if (!store) return 0;
        const qint64 id =
            store->begin({0, nextTime += 60000, kind, description, State::Open, undoable}, changes);
        EXPECT_NE(id, 0);
        EXPECT_TRUE(state == State::Open || store->update(id, state, changes));
        return id;
    }
    // "Action | Files | State" of each row, top to bottom.
    static QStringList rows(const frmHistory& window) {
        QStringList out;
        for (int i = 0; i < window.lstEntries->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* row = window.lstEntries->topLevelItem(i);
            out << row->text(1) + " | " + row->text(2) + " | " + row->text(3);
        }
        return out;
    }
    static QStringList files(const frmHistory& window) {
        QStringList out;
        for (int i = 0; i < window.lstFiles->count(); ++i)
            out << window.lstFiles->item(i)->text();
        return out;
    }
    static void clickRow(frmHistory& window, int row) {
        QTreeWidget* list = window.lstEntries;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->topLevelItem(row)).center());
    }
    bool settled() { return !history.busy() && ops.idle(); }

    QTemporaryDir dir;
    const QString music = dir.filePath("music");
    qint64 nextTime = QDateTime(QDate(2024, 3, 9), QTime(21, 30)).toMSecsSinceEpoch();
    ScriptedPrompter prompter;
    FileOperations ops{prompter, nullptr};
    UndoHistory history{ops, prompter, dir.filePath("data/history.sqlite")};
};

TEST_F(HistoryWindowTest, ListsEachStateNewestFirstWithItsFilesNoteAndButtons) {
    std::vector<history::Change> moves;
    for (int i = 0; i < 1002; ++i) { // cut short after its last move: nothing left to finish
        moves.push_back(change(ChangeKind::Move, music + QString("/f%1.mp3").arg(i),
                               music + QString("/sub/f%1.mp3").arg(i)));
        moves.back().applied = true;
    }
    const std::vector<history::Change> tag = {change(ChangeKind::TagWrite, music + "/t.mp3")},
                                       gone = {change(ChangeKind::Delete, music + "/d1"),
                                               change(ChangeKind::Delete, music + "/d2")},
                                       renamed = {change(ChangeKind::Rename, music + "/x.mp3",
                                                         music + "/y.mp3")};
    record(Kind::TagSave, "Save tags of t.mp3", State::Done, tag);
    record(Kind::Move, "Move 1,002 items", State::Incomplete, moves);
    record(Kind::Delete, "Delete 2 items", State::Done, gone, false);
    record(Kind::Rename, "Rename x.mp3", State::Undone, renamed);
    record(Kind::BatchTag, "Batch tag 1 file", State::Open, tag);

    frmHistory window(history, nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), "History");
    EXPECT_FALSE(window.isModal());
    EXPECT_EQ(rows(window),
              (QStringList{"Batch tag 1 file | 1 | Unfinished", "Rename x.mp3 | 1 | Undone",
                           "Delete 2 items | 2 | Cannot be undone",
                           "Move 1,002 items | " + QLocale().toString(1002) + " | Cut short",
                           "Save tags of t.mp3 | 1 | Done"}));
    EXPECT_EQ(window.lstEntries->topLevelItem(0)->text(0),
              QLocale().toString(QDateTime::fromMSecsSinceEpoch(nextTime), QLocale::ShortFormat));
    // It opens on the newest entry, the list holding the keys.
    EXPECT_EQ(window.focusWidget(), window.lstEntries);
    EXPECT_EQ(files(window), QStringList{history::describe(tag[0])});

    QStringList longList;
    for (int i = 0; i < 1000; ++i)
        longList << history::describe(moves[size_t(i)]);
    longList << "… and 2 more";
    const struct {
        int row;
        bool undo, redo;
        QString note;
        QStringList files;
    } cases[] = {
        {4, true, false, "", {history::describe(tag[0])}},
        {3, true, false, CutShortNote, longList},
        {2, false, false, DeletedNote, {history::describe(gone[0]), history::describe(gone[1])}},
        {1, false, true, "", {history::describe(renamed[0])}},
        {0, false, false, "", {history::describe(tag[0])}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(rows(window)[c.row].toStdString());
        clickRow(window, c.row);
        EXPECT_EQ(window.cmdUndo->isEnabled(), c.undo);
        EXPECT_EQ(window.cmdRedo->isEnabled(), c.redo);
        EXPECT_EQ(window.lblState->text(), c.note);
        EXPECT_EQ(files(window), c.files);
    }

    // Enter where Undo cannot act starts nothing; Escape closes.
    clickRow(window, 2);
    QTest::keyClick(window.lstEntries, Qt::Key_Return);
    EXPECT_FALSE(history.busy());
    EXPECT_EQ(rows(window)[2], "Delete 2 items | 2 | Cannot be undone");
    QTest::keyClick(window.lstEntries, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(HistoryWindowTest, EnterUndoesTheSelectedRenameAndRedoMakesItAgain) {
    const QString a = writeTestFile(music + "/a.mp3", "tune"), b = music + "/b.mp3";
    std::filesystem::rename(a.toStdString(), b.toStdString());
    history::Change rename = history::move(ChangeKind::Rename, a, b);
    history::settle(rename);
    record(Kind::Rename, "Rename a.mp3", State::Done, {rename});

    frmHistory window(history, nullptr);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // A newer action recorded while the window is open: the selection stays on the rename.
    record(Kind::TagSave, "Save tags of z.mp3", State::Done,
           {change(ChangeKind::TagWrite, music + "/z.mp3")});
    history.recorded();
    ASSERT_EQ(rows(window),
              (QStringList{"Save tags of z.mp3 | 1 | Done", "Rename a.mp3 | 1 | Done"}));
    ASSERT_EQ(window.lstEntries->currentItem(), window.lstEntries->topLevelItem(1));

    QTest::keyClick(window.lstEntries, Qt::Key_Return);
    // The job runs on the worker; its end comes back through this thread's events.
    EXPECT_EQ(rows(window)[1], "Rename a.mp3 | 1 | Unfinished");
    EXPECT_FALSE(window.cmdUndo->isEnabled() || window.cmdRedo->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return settled(); }));
    EXPECT_EQ(rows(window)[1], "Rename a.mp3 | 1 | Undone");
    EXPECT_TRUE(QFileInfo::exists(a) && !QFileInfo::exists(b));
    EXPECT_FALSE(window.cmdUndo->isEnabled());
    EXPECT_TRUE(window.cmdRedo->isEnabled());

    QTest::mouseClick(window.cmdRedo, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return settled(); }));
    EXPECT_EQ(rows(window)[1], "Rename a.mp3 | 1 | Done");
    EXPECT_TRUE(!QFileInfo::exists(a) && QFileInfo::exists(b));
    EXPECT_TRUE(window.cmdUndo->isEnabled());
    EXPECT_FALSE(window.cmdRedo->isEnabled());
    // The keys stay in the list, so Enter goes on undoing rather than closing the window.
    EXPECT_EQ(window.focusWidget(), window.lstEntries);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.texts().join('\n').toStdString();
}

} // namespace
} // namespace tunewalk
