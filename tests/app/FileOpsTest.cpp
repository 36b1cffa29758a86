// The window as a file manager: drops, moves, conflicts, deletion, new folders, renames and the
// progress window.
#include "Form1Fixture.h"
#include "app/window/ProgressWindow.h"

#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QPushButton>
#include <QToolButton>
#include <optional>
#include <thread>

namespace tunewalk {
namespace {

class FileOpsTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("Rock/Live");
        mkdir("Rock2");
        writeMp3("a.mp3");
        writeMp3("b.mp3");
        writeBytes("notes.txt", "text");
        start(music());
        ASSERT_EQ(names(), (QStringList{"Rock", "Rock2", "a.mp3", "b.mp3"}));
    }

    QPoint pointOn(const char* name) const { return rectOf(QLatin1String(name)).center(); }
    QPoint emptySpace() const { return QPoint(10, form->list()->viewport()->height() - 5); }
    // Whether the list takes the data at a point, as a drag over it would ask.
    bool listTakes(QMimeData* data, QPoint at) {
        QDragMoveEvent event(at, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, {});
        return form->listDragOver(&event);
    }
    void dropOnList(QMimeData* data, QPoint at) {
        QDropEvent event(at, Qt::MoveAction | Qt::CopyAction, data, Qt::LeftButton, {});
        form->listDrop(&event);
        settleFileJobs();
    }
    // The list's own drag, from its data to its completion, with a drop in between.
    void dragRows(const QStringList& rows, const std::function<void(QMimeData*)>& drop) {
        select(rows);
        Qt::DropActions allowed;
        std::unique_ptr<QMimeData> data(form->listDragData(&allowed));
        drop(data.get());
        settleFileJobs();
        form->completeListDrag(allowed == Qt::MoveAction ? Qt::MoveAction : Qt::CopyAction);
    }
    bool exists(const QString& relative) const { return QFileInfo::exists(path(relative)); }
    // A name editor is open in the list.
    bool editing() const {
        auto* editor = form->list()->findChild<QLineEdit*>();
        return editor && editor->isVisible();
    }
};

TEST_F(FileOpsTest, RefusedDrops) {
    const auto rock = fileData({path("Rock")});
    EXPECT_FALSE(listTakes(rock.get(), pointOn("Rock"))) << "onto its own row";
    list(path("Rock"));
    EXPECT_FALSE(listTakes(rock.get(), pointOn("Live"))) << "onto its own sub-folder";
    EXPECT_FALSE(listTakes(rock.get(), emptySpace())) << "into itself";
    list(music());
    // Music2 beside Music: the name merely starts alike.
    EXPECT_TRUE(listTakes(rock.get(), pointOn("Rock2")));

    QMimeData text;
    text.setText(path("a.mp3"));
    EXPECT_FALSE(listTakes(&text, pointOn("Rock"))) << "text is no file list";
    const auto song = fileData({path("a.mp3")});
    EXPECT_FALSE(listTakes(song.get(), pointOn("a.mp3"))) << "a file row is no folder";
    select({"a.mp3"});
    Qt::DropActions allowed;
    const std::unique_ptr<QMimeData> own(form->listDragData(&allowed));
    EXPECT_FALSE(listTakes(song.get(), emptySpace())) << "the list's own rows onto itself";
    form->completeListDrag(Qt::IgnoreAction);
    EXPECT_TRUE(listTakes(song.get(), emptySpace()));
}

TEST_F(FileOpsTest, DragFromTheListOntoAFolderRowMovesAndTheRowsFollow) {
    // The events the platform delivers: the drag enters over a dragged row (no folder), moves
    // over a folder row and drops there.
    dragRows({"a.mp3", "Rock2"}, [&](QMimeData* data) {
        EXPECT_EQ(FolderModel::fileList(data), (QStringList{path("Rock2"), path("a.mp3")}));
        QWidget* viewport = form->list()->viewport();
        QDragEnterEvent enter(pointOn("a.mp3"), Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        EXPECT_TRUE(enter.isAccepted()) << "a refused enter ends the drag";
        QDragMoveEvent over(pointOn("Rock"), Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &over);
        EXPECT_TRUE(over.isAccepted());
        EXPECT_EQ(over.dropAction(), Qt::MoveAction);
        QDropEvent drop(pointOn("Rock"), Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
    });
    settleFileJobs();
    EXPECT_TRUE(exists("Rock/a.mp3"));
    EXPECT_TRUE(exists("Rock/Rock2"));
    EXPECT_FALSE(exists("a.mp3"));
    EXPECT_EQ(names(), (QStringList{"Rock", "b.mp3"}));
    EXPECT_TRUE(form->draggedPaths().isEmpty());
}

TEST_F(FileOpsTest, DropsFromOutsideUpAndNonAudioFiles) {
    // Another program's file list: spaces, non-ASCII, a text file and a missing path.
    QTemporaryDir outside;
    const QString song = outside.filePath("Für Elise 01.mp3");
    fixtures::writeFile(song.toStdString(), fixtures::mpegFrames({}, 20));
    const QString text = outside.filePath("readme.txt");
    fixtures::writeFile(text.toStdString(), "x");
    const auto data = fileData({song, text, outside.filePath("gone.mp3")});
    EXPECT_TRUE(data->data("text/uri-list").contains("F%C3%BCr%20Elise"));
    ASSERT_TRUE(listTakes(data.get(), emptySpace()));
    dropOnList(data.get(), emptySpace());
    EXPECT_TRUE(exists("Für Elise 01.mp3"));
    EXPECT_NE(rowNamed("Für Elise 01.mp3"), nullptr);
    EXPECT_TRUE(QFileInfo::exists(text)) << "only MP3 and WAV files move";
    EXPECT_TRUE(prompter.shown.empty());

    // "Up" moves into the listed folder's parent.
    list(path("Rock"));
    writeMp3("Rock/up.mp3");
    list(path("Rock"));
    const auto up = fileData({path("Rock/up.mp3")});
    QToolButton* button = form->upButton();
    QDropEvent drop(button->rect().center(), Qt::MoveAction, up.get(), Qt::LeftButton, {});
    QDragMoveEvent over(button->rect().center(), Qt::MoveAction, up.get(), Qt::LeftButton, {});
    EXPECT_TRUE(form->upButtonDragOver(&over));
    QDragMoveEvent edge(QPoint(0, 0), Qt::MoveAction, up.get(), Qt::LeftButton, {});
    EXPECT_FALSE(form->upButtonDragOver(&edge)) << "strictly inside only";
    form->upButtonDrop(&drop);
    settleFileJobs();
    EXPECT_TRUE(exists("up.mp3"));
    EXPECT_EQ(rowNamed("up.mp3"), nullptr);
}

TEST_F(FileOpsTest, ConflictQuestionsYesAndNo) {
    writeMp3("Rock/a.mp3", 5);
    mkdir("Rock/Rock2");
    writeMp3("Rock/Rock2/keep.mp3", 5);
    writeMp3("Rock2/new.mp3", 7);
    list(music());

    prompter.answers = {Prompter::Answer::No, Prompter::Answer::No};
    dragRows({"a.mp3", "Rock2"}, [&](QMimeData* data) { dropOnList(data, pointOn("Rock")); });
    ASSERT_EQ(prompter.shown.size(), 2u);
    EXPECT_EQ(prompter.shown[0].text,
              "A folder named \"Rock2\" already exists at this location.\r\nWould you like to "
              "replace files in the existing folder with matching files from the folder you "
              "are moving?");
    EXPECT_EQ(prompter.shown[1].text,
              "A file named \"a.mp3\" already exists at this location.\r\nWould you like to "
              "replace it with the file you are moving?");
    EXPECT_EQ(names(), (QStringList{"Rock", "Rock2", "a.mp3", "b.mp3"})) << "declined rows stay";

    prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    const auto size = QFileInfo(path("a.mp3")).size();
    dragRows({"a.mp3", "Rock2"}, [&](QMimeData* data) { dropOnList(data, pointOn("Rock")); });
    EXPECT_EQ(QFileInfo(path("Rock/a.mp3")).size(), size) << "replaced";
    EXPECT_TRUE(exists("Rock/Rock2/keep.mp3"));
    EXPECT_TRUE(exists("Rock/Rock2/new.mp3"));
    EXPECT_FALSE(exists("Rock2"));
    EXPECT_EQ(names(), (QStringList{"Rock", "b.mp3"}));
}

// Two dropped files of one name: the second would replace the first, whose source is gone.
TEST_F(FileOpsTest, OfTwoDroppedItemsWithOneNameOnlyTheFirstMoves) {
    writeMp3("Rock/a.mp3", 5);
    writeMp3("Rock2/a.mp3", 9);
    const auto size = QFileInfo(path("a.mp3")).size();
    prompter.answers = {Prompter::Answer::Yes, Prompter::Answer::Yes};
    const auto data = fileData({path("a.mp3"), path("Rock2/a.mp3")});
    dropOnList(data.get(), pointOn("Rock"));
    EXPECT_EQ(QFileInfo(path("Rock/a.mp3")).size(), size);
    EXPECT_TRUE(exists("Rock2/a.mp3"));
    ASSERT_EQ(prompter.shown.size(), 2u) << "one question, then what stayed";
    EXPECT_EQ(prompter.shown[1].text,
              QString("\"%1\" was not moved: another item of that name is being moved there.")
                  .arg(path("Rock2/a.mp3")));
}

TEST_F(FileOpsTest, DeleteFromTheListAndItsSwitches) {
    form->command("mnuConfirmDeletes")->setChecked(true);
    form->command("mnuPermanentDelete")->setChecked(false);
    select({"a.mp3", "Rock2"});
    prompter.answers = {Prompter::Answer::Yes};
    form->command("mnuDelete")->trigger();
    settleFileJobs();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Are you sure you want to move these 2 items to the Trash?");
    EXPECT_TRUE(QFileInfo::exists(root.filePath("data/Trash/files/a.mp3")));
    EXPECT_TRUE(QFileInfo::exists(root.filePath("data/Trash/files/Rock2")));
    EXPECT_EQ(names(), (QStringList{"Rock", "b.mp3"}));

    // Declined: nothing in the views or on the disk changes.
    prompter.answers = {Prompter::Answer::No};
    form->clickRow(rowNamed("b.mp3"));
    form->button("Delete")->trigger();
    settleFileJobs();
    EXPECT_TRUE(exists("b.mp3"));
    EXPECT_EQ(names(), (QStringList{"Rock", "b.mp3"}));

    // Permanent without a question; an item gone meanwhile fails alone, the rest go.
    form->command("mnuConfirmDeletes")->setChecked(false);
    form->command("mnuPermanentDelete")->setChecked(true);
    writeMp3("c.mp3");
    list(music());
    select({"b.mp3", "c.mp3"});
    QFile::remove(path("c.mp3"));
    prompter.shown.clear();
    form->deleteCommand();
    settleFileJobs();
    EXPECT_FALSE(exists("b.mp3"));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              QString("Cannot delete \"%1\": it no longer exists.").arg(path("c.mp3")));
    EXPECT_EQ(names(), (QStringList{"Rock"}));
}

TEST_F(FileOpsTest, ASlowSecondClickRenamesAndADoubleClickPlays) {
    form->clickRow(rowNamed("a.mp3"));
    QWidget* viewport = form->list()->viewport();
    const QRect r = rectOf("a.mp3");
    const QPoint onName(r.left() + 60, r.center().y());
    QTest::mouseClick(viewport, Qt::LeftButton, {}, onName);
    ASSERT_TRUE(waitUntil([&] { return editing(); }, 3000));
    auto* editor = form->list()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("renamed.mp3");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return exists("renamed.mp3"); }, 3000));
    EXPECT_NE(form->findRow(path("renamed.mp3")), nullptr);

    // The second click of a double-click plays instead.
    form->clickRow(rowNamed("b.mp3"));
    const QRect b = rectOf("b.mp3");
    QTest::mouseClick(viewport, Qt::LeftButton, {}, QPoint(b.left() + 60, b.center().y()));
    form->handleDoubleClick(rowNamed("b.mp3"));
    waitUntil([] { return false; }, form->renameClickDelayMs() + 100);
    EXPECT_FALSE(editing());
    EXPECT_EQ(form->playingFile(), path("b.mp3"));
}

TEST_F(FileOpsTest, PropertiesOfTheCurrentRow) {
    form->clickRow(rowNamed("Rock"));
    form->command("mnuProperties")->trigger();
    ASSERT_EQ(shell.properties.size(), 1u);
    EXPECT_EQ(shell.properties[0].path, path("Rock"));
    EXPECT_EQ(shell.properties[0].owner, form.get());
    form->list()->clearSelection();
    form->command("mnuFileProperties")->trigger(); // nothing selected: nothing shown
    EXPECT_EQ(shell.properties.size(), 1u);
}

TEST_F(FileOpsTest, ShowInFileManagerFromTheFileMenuTheTreeAndThePopUp) {
    // The File menu's command acts on the tree's folder while the tree has the focus.
    EXPECT_TRUE(form->menu("mnuFile")->actions().contains(form->command("mnuShowInFolder")));
    form->tree()->SetPath(path("Rock"));
    waitForDetails();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->tree()->Nodes()->setFocus();
    ASSERT_TRUE(form->tree()->Nodes()->hasFocus());
    shell.canShowInFileManager = false;
    form->command("mnuShowInFolder")->trigger();
    EXPECT_EQ(shell.shownInFileManager, std::vector<QString>{path("Rock")});
    EXPECT_EQ(prompter.shown,
              (Messages{{"The file manager could not be opened to show \"" + path("Rock") + "\".",
                         Icon::Exclamation, Buttons::Ok}}));

    // Back in the list, the pop-up opened on a row as a right-click opens it offers it after
    // Properties, for that row.
    shell.canShowInFileManager = true;
    list(music());
    QWidget* viewport = form->list()->viewport();
    form->list()->setFocus(); // as the click on the row gives it
    form->clickRow(rowNamed("a.mp3"));
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, pointOn("a.mp3"),
                                 viewport->mapToGlobal(pointOn("a.mp3")));
    QApplication::sendEvent(viewport, &rightClick);
    QMenu* popup = form->menu("mnuPopup");
    ASSERT_TRUE(waitUntil([&] { return popup->isVisible(); }));
    const QList<QAction*> items = popup->actions();
    EXPECT_EQ(items.indexOf(form->command("mnuShowInFolder")),
              items.indexOf(form->command("mnuProperties")) + 1);
    QTest::keyClick(popup, Qt::Key_F);
    ASSERT_TRUE(waitUntil([&] { return shell.shownInFileManager.size() == 2; }));
    EXPECT_EQ(shell.shownInFileManager.back(), path("a.mp3"));
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST_F(FileOpsTest, NewFolderNumbering) {
    form->command("mnuNewFolder")->trigger();
    EXPECT_TRUE(QFileInfo(path("New Folder")).isDir());
    form->command("mnuNewFolder")->trigger();
    form->command("mnuNewFolder")->trigger();
    EXPECT_TRUE(QFileInfo(path("New Folder (1)")).isDir());
    EXPECT_TRUE(QFileInfo(path("New Folder (2)")).isDir());
    EXPECT_EQ(form->currentRow(), rowNamed("New Folder (2)"));
    EXPECT_EQ(form->getSelCount(), 1);

    list("Drives");
    const int before = rowCount();
    form->newFolderCommand();
    EXPECT_EQ(rowCount(), before);
}

TEST_F(FileOpsTest, RenamesFollowedByTheTreeAndTheCurrentFile) {
    play("a.mp3");
    form->renameRow(rowNamed("a.mp3")->key, "z.mp3");
    EXPECT_TRUE(exists("z.mp3"));
    EXPECT_EQ(form->playingFile(), path("z.mp3"));
    ASSERT_NE(form->findRow(path("z.mp3")), nullptr);
    EXPECT_EQ(form->findRow(path("z.mp3"))->name, "z.mp3");

    // Onto an existing name: refused, nothing changes.
    form->renameRow(rowNamed("z.mp3")->key, "b.mp3");
    EXPECT_TRUE(exists("z.mp3"));
    ASSERT_FALSE(prompter.shown.empty());
    EXPECT_NE(form->findRow(path("z.mp3")), nullptr);
    form->renameRow(rowNamed("z.mp3")->key, "bad\nname.mp3");
    EXPECT_TRUE(exists("z.mp3"));

    // A folder: the tree's nodes follow.
    form->tree()->SetPath(path("Rock/Live"));
    list(music());
    ASSERT_NE(form->tree()->node(pathKey(path("Rock"))), nullptr);
    form->renameRow(rowNamed("Rock")->key, "Jazz");
    EXPECT_TRUE(QFileInfo(path("Jazz/Live")).isDir());
    EXPECT_EQ(form->findRow(path("Jazz"))->name, "Jazz");
    EXPECT_NE(form->tree()->node(pathKey(path("Jazz"))), nullptr);
    EXPECT_EQ(form->tree()->node(pathKey(path("Rock"))), nullptr);
}

TEST_F(FileOpsTest, TheCurrentFileFollowsMovesAndStopsWhenDeleted) {
    play("a.mp3");
    dragRows({"a.mp3"}, [&](QMimeData* data) { dropOnList(data, pointOn("Rock")); });
    EXPECT_EQ(form->playingFile(), path("Rock/a.mp3"));
    // Its folder moved too: still followed.
    dragRows({"Rock"}, [&](QMimeData* data) { dropOnList(data, pointOn("Rock2")); });
    EXPECT_EQ(form->playingFile(), path("Rock2/Rock/a.mp3"));
    EXPECT_TRUE(form->playing());

    list(path("Rock2/Rock"));
    EXPECT_EQ(rowNamed("a.mp3")->iconKey(), "Playing");
    form->command("mnuConfirmDeletes")->setChecked(false);
    form->clickRow(rowNamed("a.mp3"));
    form->deleteCommand();
    settleFileJobs();
    EXPECT_TRUE(form->playingFile().isEmpty());
    EXPECT_FALSE(form->playing());
    EXPECT_EQ(form->currentLabel()->text(), "(none)");
    EXPECT_EQ(player.calls.last(), "unload");
}

// A file job that takes a while shows the window's progress window; its Cancel stops the job.
TEST_F(FileOpsTest, ASlowJobShowsTheProgressWindowWhoseCancelStopsIt) {
    auto* progress = form->findChild<ProgressWindow*>();
    ASSERT_NE(progress, nullptr);
    std::optional<bool> cancelled;
    form->fileOperations().runner().run(
        "slow",
        [](FileJob& job) {
            while (!job.cancelled())
                std::this_thread::yield();
        },
        [&](bool c) { cancelled = c; });
    ASSERT_TRUE(waitUntil([&] { return progress->isVisible(); }));
    auto* cancel = progress->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return form->fileOperations().idle(); }));
    EXPECT_EQ(cancelled, std::optional<bool>(true));
    EXPECT_TRUE(waitUntil([&] { return !progress->isVisible(); }));
}

} // namespace
} // namespace tunewalk
