// Edit > Undo and Redo in the window, by their keys: every kind of change taken back and made
// again, refusals when the disk changed since, runs cut short found at the start, and a
// damaged history.
#include "Form1Fixture.h"
#include "SmallDisk.h"

#include "app/history/UndoHistory.h"
#include "fileops/Trash.h"
#include "history/FileChanges.h"
#include "history/Recording.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace tunewalk {
namespace {

class EditHistoryTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("Rock");
        mkdir("Rock2");
        mkdir("Rock/Rock2/Live"); // a drop of Rock2 onto Rock merges
        writeMp3("Rock/Rock2/e.mp3");
        writeMp3("a.mp3", 200, std::string(128, 'T').replace(0, 3, "TAG"));
        writeMp3("b.mp3");
        writeMp3("Rock2/c.mp3");
        mkdir("Rock2/Live");
        writeMp3("Rock2/Live/d.mp3");
    }
    void keys(const QKeySequence& sequence, QWidget* to = nullptr) {
        QTest::keySequence(to ? to : form->list(), sequence);
        EXPECT_TRUE(waitUntil([&] { return !form->history().busy(); }));
        settleFileJobs();
    }
    void undo() { keys(QKeySequence::Undo); }
    void redo() { keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)); }
    QString undoText() const { return form->command("mnuUndo")->text(); }
    QString dbPath() const { return root.filePath("data/Tunewalk/history.sqlite"); }
};

TEST_F(EditHistoryTest, EveryKindOfChangeIsUndoneAndRedoneByTheKeys) {
    start(music());
    form->tree()->SetPath(path("Rock2/Live")); // the tree shows the music folder's folders
    form->command("mnuConfirmDeletes")->setChecked(false);
    form->command("mnuPermanentDelete")->setChecked(false);
    struct Case {
        const char* what;
        const char* undoText;
        std::function<void()> change;
    };
    const std::vector<Case> cases{
        {"rename", "&Undo Rename \"a.mp3\" to \"z.mp3\"",
         [&] { form->renameRow(rowNamed("a.mp3")->key, "z.mp3"); }},
        {"new folder", "&Undo New folder \"New Folder\"",
         [&] {
             form->command("mnuNewFolder")->trigger();
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
         }},
        {"drop of two files", "&Undo Move 2 items to \"Rock\"",
         [&] {
             form->MoveDroppedItems({path("a.mp3"), path("b.mp3")}, path("Rock"));
             settleFileJobs();
         }},
        {"merge of a folder", "&Undo Move \"Rock2\" to \"Rock\"",
         [&] {
             form->MoveDroppedItems({path("Rock2")}, path("Rock"));
             settleFileJobs();
         }},
        {"folder to the Trash", "&Undo Move \"Rock2\" to the Trash",
         [&] {
             select({"Rock2"});
             QTest::keyClick(form->list(), Qt::Key_Delete);
             settleFileJobs();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list(music());
        const auto before = tree();
        c.change();
        const auto after = tree();
        ASSERT_NE(after, before);
        EXPECT_EQ(undoText(), QString::fromUtf8(c.undoText));
        undo();
        EXPECT_EQ(tree(), before);
        EXPECT_TRUE(undoText() != QString::fromUtf8(c.undoText));
        EXPECT_TRUE(form->command("mnuRedo")->isEnabled());
        redo();
        EXPECT_EQ(tree(), after);
        undo(); // the next case starts from the same files
        EXPECT_EQ(tree(), before);
    }
    // What came back is listed again, and the folder that went and came back is in the tree.
    EXPECT_EQ(names(), (QStringList{"Rock", "Rock2", "a.mp3", "b.mp3"}));
    EXPECT_NE(form->tree()->node(pathKey(path("Rock2"))), nullptr);
    // The merge's question, and nothing else.
    EXPECT_EQ(prompter.shown.size(), 1u) << prompter.texts().join('\n').toStdString();

    // A permanent delete is recorded, but Undo passes over it.
    form->command("mnuPermanentDelete")->setChecked(true);
    select({"b.mp3"});
    form->deleteCommand();
    settleFileJobs();
    EXPECT_EQ(form->history().store()->entries(1).front().description,
              "Delete \"b.mp3\" permanently");
    EXPECT_FALSE(form->history().store()->entries(1).front().undoable);
}

TEST_F(EditHistoryTest, UndoRefusesWhenTheFileChangedSinceAndChangesNothing) {
    start(music());
    form->MoveDroppedItems({path("a.mp3"), path("b.mp3")}, path("Rock"));
    settleFileJobs();
    // Another file of the same name took a's place: a different item.
    QFile::remove(path("Rock/a.mp3"));
    writeMp3("Rock/a.mp3", 20);
    const auto before = tree();
    undo();
    EXPECT_EQ(tree(), before) << "b.mp3 stays moved too";
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains(
        QString("\"%1\" is another item now.").arg(path("Rock/a.mp3"))))
        << prompter.shown[0].text.toStdString();
    EXPECT_TRUE(prompter.shown[0].text.endsWith("Nothing was changed."));

    // Ctrl+Z in a text field edits the text, never the files.
    form->renameRow(rowNamed("Rock")->key, "Jazz");
    form->command("mnuFilter")->trigger();
    QTest::keyClicks(form->findChild<QLineEdit*>("txtFilter"), "xy");
    keys(QKeySequence::Undo, form->findChild<QLineEdit*>("txtFilter"));
    EXPECT_TRUE(QFileInfo(path("Jazz")).isDir());
}

TEST_F(EditHistoryTest, ADamagedRecordRefusesTheUndoByNameAndChangesNothing) {
    start(music());
    form->renameRow(rowNamed("a.mp3")->key, "z.mp3");
    const qint64 id = form->history().undoTarget().value().id;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "meddling");
        db.setDatabaseName(dbPath());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        q.prepare("UPDATE changes SET data = ? WHERE entry = ?");
        q.addBindValue(QByteArray("garbage in the record"));
        q.addBindValue(id);
        ASSERT_TRUE(q.exec());
    }
    QSqlDatabase::removeDatabase("meddling");
    const auto before = tree();
    undo();
    EXPECT_EQ(tree(), before);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Rename \"a.mp3\" to \"z.mp3\" cannot be undone:\n\nIts record in the history is "
              "damaged.\n\nNothing was changed.");
    EXPECT_EQ(form->history().store()->entry(id)->state, HistoryStore::State::Done);
}

TEST_F(EditHistoryTest, ARunCutShortIsFoundAtTheNextStartAndItsChangesCanBeUndone) {
    // A batch over three files was written ahead, then the program was killed after two of
    // them had their tag appended.
    const QStringList files{path("a.mp3"), path("b.mp3"), path("Rock2/c.mp3")};
    const QByteArray rawBytes = toNativePath(music()) + "/caf\xe9.mp3";
    const QString raw = fromNativePath(rawBytes);
    fixtures::writeFile(rawBytes.toStdString(), "not valid UTF-8, and trashed");
    const auto before = tree();
    // A run another program is still making (tunewalk-tag on a long batch) holds its lock: it
    // was not cut short, and is left alone.
    HistoryStore working(dbPath());
    history::Recording live(&working, HistoryStore::EntryKind::TagSave, "Edit tags of \"x.mp3\"");
    live.plan(history::tagWrite(path("b.mp3")));
    ASSERT_TRUE(live.begin());
    {
        HistoryStore store(dbPath());
        std::vector<HistoryStore::Change> planned;
        for (const QString& f : files)
            planned.push_back(history::tagWrite(f));
        ASSERT_NE(
            store.begin({0, 0, HistoryStore::EntryKind::BatchTag, "Batch tag 3 files"}, planned),
            0);
        // And a folder and a file whose name is not valid UTF-8, trashed before the job could
        // note where they went in the Trash.
        std::vector<HistoryStore::Change> trashed(2);
        trashed[0].path = path("Rock2");
        trashed[1].path = raw;
        for (auto& c : trashed)
            c.kind = HistoryStore::ChangeKind::Trash;
        ASSERT_NE(store.begin({0, 0, HistoryStore::EntryKind::Trash, "Move 2 items to the Trash"},
                              trashed),
                  0);
    }
    for (const QString& item : {path("Rock2"), raw}) {
        const Result trashed = moveToTrash(toNativePath(item));
        ASSERT_TRUE(trashed) << trashed.message();
    }
    for (const QString& f : files.mid(0, 2)) {
        QFile file(f);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        const qint64 end = file.size() - (f.endsWith("a.mp3") ? 128 : 0);
        file.seek(end);
        file.write(QByteArray("TAGNew title").leftJustified(128, '\0'));
    }
    start(music());
    EXPECT_TRUE(waitUntil([&] { return !prompter.shown.empty(); }));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "The program stopped while these actions ran:\n\n\"Batch tag 3 files\": 2 files "
              "changed\n\"Move 2 items to the Trash\": 2 files changed\n\nThe files they had "
              "changed are listed in Edit > History, where they can be undone.");
    EXPECT_EQ(form->history().store()->entry(live.id())->state, HistoryStore::State::Open);
    undo(); // the folder comes back from the Trash
    const auto entry = form->history().undoTarget();
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->state, HistoryStore::State::Incomplete);
    EXPECT_EQ(entry->changeCount, 2);
    undo();
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(form->history().store()->entry(entry->id)->state, HistoryStore::State::Undone);
}

// Whether the window finds the damage itself or tunewalk-tag found it first, the user hears of
// it once, with the place the damaged copy went.
TEST_F(EditHistoryTest, ADamagedHistoryIsSetAsideToldOfOnceAndAFreshOneRecords) {
    const auto damage = [&] {
        QDir().mkpath(root.filePath("data/Tunewalk"));
        QFile damaged(dbPath());
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(8192, 'x'));
    };
    const auto toldOf = [&](const QString& aside) {
        EXPECT_TRUE(waitUntil([&] { return !prompter.shown.empty(); }));
        EXPECT_EQ(prompter.texts(),
                  QStringList{"The change history was damaged and has been set aside as \"" +
                              aside +
                              "\"; a new one was started. Changes made before now cannot be "
                              "undone."});
        prompter.clear();
    };
    const auto newestAside = [&] {
        const QStringList aside =
            QDir(root.filePath("data/Tunewalk"))
                .entryList({"history.sqlite.broken-*"}, QDir::Files, QDir::Name);
        return aside.isEmpty() ? QString() : root.filePath("data/Tunewalk/" + aside.last());
    };

    damage();
    start(music());
    toldOf(newestAside());
    form->renameRow(rowNamed("a.mp3")->key, "z.mp3");
    undo();
    EXPECT_TRUE(QFileInfo::exists(path("a.mp3")));

    form.reset();
    damage();
    QString aside;
    {
        HistoryStore found(dbPath()); // as tunewalk-tag opens it
        ASSERT_TRUE(found.wasReset());
        aside = found.setAsideAs();
    }
    EXPECT_EQ(aside, newestAside());
    start(music());
    toldOf(aside);
    form.reset();
    start(music());
    QCoreApplication::processEvents();
    EXPECT_TRUE(prompter.shown.empty()) << "told once";
}

// A history that cannot be written never stops a change; the status bar says, until a change
// is recorded again, that changes cannot be undone. First a disk that fills up under a running
// window (a small tmpfs: the test needs the right to mount one), then a history that cannot
// even be opened.
TEST_F(EditHistoryTest, AHistoryThatCannotBeWrittenIsSaidInTheStatusBar) {
    const QString disk = root.filePath("data/Tunewalk");
    SmallDisk small(disk, "1m");
    if (!small.mounted()) GTEST_SKIP() << "no right to mount a tmpfs here";
    const QString text = "The change history cannot be written: changes made now cannot be undone.";
    start(music());
    const auto* note = form->findChild<QLabel*>("HistoryNote");
    ASSERT_TRUE(note);
    EXPECT_FALSE(note->isVisible());
    small.fill();
    // Renamed as a user does it: F2, the new name, Enter.
    form->clickRow(rowNamed("a.mp3"));
    form->activateWindow();
    form->list()->setFocus();
    QTest::keyClick(form->list(), Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setText("z.mp3");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_TRUE(waitUntil([&] { return QFileInfo::exists(path("z.mp3")); }));
    EXPECT_TRUE(waitUntil([&] { return note->isVisible(); }));
    EXPECT_EQ(note->text(), text);
    QFile::remove(disk + "/filler");
    form->MoveDroppedItems({path("b.mp3")}, path("Rock"));
    settleFileJobs();
    EXPECT_TRUE(QFileInfo::exists(path("Rock/b.mp3")));
    EXPECT_TRUE(waitUntil([&] { return !note->isVisible(); })) << "recorded again";
    EXPECT_TRUE(prompter.shown.empty()) << "never a message box";

    form.reset();
    small.unmount();
    QDir().mkpath(dbPath()); // its place is a folder
    start(music());
    EXPECT_TRUE(form->findChild<QLabel*>("HistoryNote")->isVisible());
    form->renameRow(rowNamed("z.mp3")->key, "y.mp3");
    EXPECT_TRUE(QFileInfo::exists(path("y.mp3")));
}

} // namespace
} // namespace tunewalk
