// The window and its folder tree: listing what the tree chose, dragging from and onto nodes,
// renaming by label and deleting the tree's folder.
#include "Form1Fixture.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QScrollBar>

namespace tunewalk {
namespace {

class TreeGlueTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        for (const char* folder : {"Rock/Live", "Rock2", "Desktop", "Documents/Box"})
            mkdir(folder);
        writeMp3("a.mp3");
        start(music());
        // The test's folder stands in for a volume, so the tree's paths stay short.
        volume = QDir::toNativeSeparators(root.path()) + QDir::separator();
        form->tree()->init({path("Desktop"), path("Documents"), [this] {
                                return QList<TreeVolume>{{volume, "Test", "Drive"}};
                            }});
        QObject::connect(form.get(), &Form1::listed, [this] { ++listings; });
        list(music());
        listings = 0;
    }

    QTreeWidgetItem* node(const QString& key) const { return form->tree()->node(key); }
    QPointF at(QTreeWidgetItem* n) const {
        form->tree()->Nodes()->scrollToItem(n);
        return form->tree()->Nodes()->visualItemRect(n).center();
    }
    // What the window offers when a drag starts on a node.
    std::pair<QString, int> offer(QTreeWidgetItem* n) {
        QMimeData data;
        int allowed = 0;
        form->treeStartDragFrom(n, &data, allowed);
        const QStringList paths = FolderModel::fileList(&data);
        return {paths.isEmpty() ? data.text() : paths.join(QLatin1Char('|')), allowed};
    }
    bool takes(const QMimeData* data, QTreeWidgetItem* n) {
        int effect = Qt::MoveAction | Qt::CopyAction;
        const QPointF p = at(n);
        form->treeDragOver(data, effect, float(p.x()), float(p.y()));
        return effect == Qt::MoveAction;
    }

    QString volume;
    int listings = 0;
};

TEST_F(TreeGlueTest, TheTreeChoosesWhatIsListed) {
    form->tree()->SetPath(path("Rock"));
    waitForDetails();
    EXPECT_EQ(form->folder(), path("Rock"));
    EXPECT_EQ(listings, 1);
    form->tree()->SetPath(path("Rock")); // already listed: not again
    EXPECT_EQ(listings, 1);

    form->tree()->UpOneDir();
    EXPECT_EQ(form->folder(), music());
    form->command("mnuUpOne")->trigger();
    EXPECT_EQ(form->folder(), QDir::toNativeSeparators(root.path()));

    form->tree()->MyComputer();
    EXPECT_EQ(form->folder(), "Drives");
    const int before = listings;
    form->tree()->MyComputer();
    EXPECT_EQ(listings, before) << "the drives view is not listed again";

    // A listing that did not come from the tree selects the folder's node.
    list(path("Rock2"));
    EXPECT_EQ(form->tree()->Path(), path("Rock2"));
    EXPECT_EQ(TreeNode::key(form->tree()->SelectedItem()), pathKey(path("Rock2")));
}

TEST_F(TreeGlueTest, WhatADragFromTheTreeOffers) {
    form->tree()->SetPath(path("Rock"));
    EXPECT_EQ(offer(node(pathKey(path("Rock")))),
              std::make_pair(path("Rock"), int(Qt::MoveAction)));
    EXPECT_EQ(form->draggedPaths().value(path("Rock")), 2);
    EXPECT_EQ(offer(node("MyComputer")),
              std::make_pair(QStringLiteral("My Computer"), int(Qt::CopyAction)));
    EXPECT_EQ(offer(node(pathKey(volume))).second, int(Qt::CopyAction));
    EXPECT_EQ(offer(form->tree()->Nodes()->topLevelItem(0)),
              std::make_pair(QStringLiteral("Desktop"), int(Qt::CopyAction)));
    EXPECT_EQ(offer(node("MD_" + pathKey(path("Documents")))),
              std::make_pair(QStringLiteral("My Documents"), int(Qt::CopyAction)));
    // The documents folder in the volume's branch may not move either.
    form->tree()->SetPath(path("Documents"));
    EXPECT_EQ(offer(node(pathKey(path("Documents")))).second, int(Qt::CopyAction));
}

TEST_F(TreeGlueTest, DropTargetsInTheTree) {
    form->tree()->SetPath(path("Rock/Live"));
    form->tree()->SetPath(path("Rock2"));
    const auto rock = fileData({path("Rock")});
    EXPECT_FALSE(takes(rock.get(), node(pathKey(path("Rock"))))) << "onto itself";
    EXPECT_FALSE(takes(rock.get(), node(pathKey(path("Rock/Live"))))) << "into its sub-folder";
    EXPECT_FALSE(takes(rock.get(), node(pathKey(music())))) << "where it already is";
    EXPECT_FALSE(takes(rock.get(), node("MyComputer")));
    EXPECT_TRUE(takes(rock.get(), node(pathKey(path("Rock2"))))) << "a sibling with a longer name";
    EXPECT_EQ(form->tree()->DropHighlight(), node(pathKey(path("Rock2"))));
    QMimeData text;
    text.setText(path("a.mp3"));
    EXPECT_FALSE(takes(&text, node(pathKey(path("Rock2")))));
    EXPECT_EQ(form->tree()->DropHighlight(), nullptr);
}

TEST_F(TreeGlueTest, ADragOverTheTreeKeepsTheUsersSidewaysScroll) {
    QString deep = QStringLiteral("Rock2");
    for (int level = 1; level <= 10; ++level)
        deep += QStringLiteral("/Level %1 with a long folder name").arg(level);
    mkdir(deep);
    form->tree()->SetPath(path(deep));
    QTreeWidget* view = form->tree()->Nodes();
    QScrollBar* sideways = view->horizontalScrollBar();
    ASSERT_GT(sideways->maximum(), 0);
    sideways->setValue(sideways->maximum() / 2); // the user's own
    const int scrolled = sideways->value();
    const QPoint over(view->viewport()->width() / 2,
                      view->visualItemRect(node(pathKey(path(deep)))).center().y());
    const auto song = fileData({path("a.mp3")});
    const Qt::DropActions actions = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(over, actions, song.get(), Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(over, actions, song.get(), Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &move);
    EXPECT_TRUE(move.isAccepted()) << "the window takes the song there";
    EXPECT_EQ(sideways->value(), scrolled);
}

TEST_F(TreeGlueTest, DropOnTheMyDocumentsCopyMovesIntoThePlainFolder) {
    form->tree()->MyDocuments();
    list(music());
    QTreeWidgetItem* box = node("MD_" + pathKey(path("Documents/Box")));
    ASSERT_NE(box, nullptr);
    const auto song = fileData({path("a.mp3")});
    ASSERT_TRUE(takes(song.get(), box));
    int effect = Qt::MoveAction;
    const QPointF p = at(box);
    form->treeDrop(song.get(), effect, float(p.x()), float(p.y()));
    settleFileJobs();
    EXPECT_TRUE(QFileInfo::exists(path("Documents/Box/a.mp3")));
    EXPECT_EQ(rowNamed("a.mp3"), nullptr);
}

TEST_F(TreeGlueTest, ACompletedTreeMoveLeavesNoNodeOrRowBehind) {
    form->tree()->SetPath(path("Rock2"));
    list(music());
    ASSERT_NE(node(pathKey(path("Rock2"))), nullptr);
    offer(node(pathKey(path("Rock2"))));
    ASSERT_TRUE(QDir().rename(path("Rock2"), path("Documents/Rock2"))); // another program's move
    form->treeCompleteDrag(Qt::MoveAction);
    EXPECT_EQ(node(pathKey(path("Rock2"))), nullptr);
    EXPECT_EQ(rowNamed("Rock2"), nullptr);
    EXPECT_TRUE(form->draggedPaths().isEmpty());
}

TEST_F(TreeGlueTest, RenamingTheTreesFolder) {
    writeMp3("Rock/song.mp3");
    form->tree()->SetPath(path("Rock"));
    waitForDetails();
    play("song.mp3");

    int cancel = 0;
    QString name = "Rock2";
    emit form->tree()->AfterLabelEdit(cancel, name); // taken: refused, label restored
    EXPECT_EQ(cancel, 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(QFileInfo(path("Rock/song.mp3")).exists());
    EXPECT_EQ(form->folder(), path("Rock"));

    cancel = 0;
    name = "Metal";
    emit form->tree()->AfterLabelEdit(cancel, name);
    EXPECT_EQ(cancel, 0);
    EXPECT_TRUE(QFileInfo(path("Metal/song.mp3")).exists());
    EXPECT_EQ(form->folder(), path("Metal"));
    EXPECT_EQ(form->windowTitle(), "Tunewalk - " + path("Metal"));
    EXPECT_EQ(form->playingFile(), path("Metal/song.mp3"));
    EXPECT_NE(form->findRow(path("Metal/song.mp3")), nullptr);
    EXPECT_NE(node(pathKey(path("Metal"))), nullptr);
}

TEST_F(TreeGlueTest, F2WithTheTreeFocusedRenamesTheTreesFolderNotTheListsRow) {
    form->tree()->SetPath(path("Rock"));
    waitForDetails();
    ASSERT_NE(rowNamed("Live"), nullptr);
    form->activateWindow();
    QTreeWidget* tree = form->tree()->Nodes();
    tree->setFocus();
    ASSERT_TRUE(tree->hasFocus());
    QTest::keyClick(tree, Qt::Key_F2);
    auto* editor = tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "the tree's label is being edited";
    EXPECT_EQ(editor->text(), "Rock");
    EXPECT_EQ(form->list()->findChild<QLineEdit*>(), nullptr);
    editor->setText("Metal");
    QTest::keyClick(editor, Qt::Key_Return); // committed from the event loop
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(path("Metal/Live")).isDir(); }));

    // With the list focused, F2 edits the list's row.
    form->list()->setFocus();
    QTest::keyClick(form->list(), Qt::Key_F2);
    editor = form->list()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Live");
}

TEST_F(TreeGlueTest, DeletingTheTreesFolder) {
    // A folder with no sibling: the tree, losing its node, must not go up once more itself.
    form->tree()->SetPath(path("Rock/Live"));
    waitForDetails();
    emit form->tree()->GotFocus();
    form->command("mnuConfirmDeletes")->setChecked(false);
    listings = 0;
    form->deleteCommand();
    settleFileJobs();
    EXPECT_TRUE(QFileInfo::exists(root.filePath("data/Trash/files/Live")));
    EXPECT_EQ(node(pathKey(path("Rock/Live"))), nullptr);
    EXPECT_EQ(form->folder(), path("Rock")) << "up from the folder that went, once";
    EXPECT_EQ(listings, 1);

    // The special nodes are never deleted.
    for (QTreeWidgetItem* special :
         {node("MyComputer"), node(pathKey(volume)), node("MD_" + pathKey(path("Documents"))),
          form->tree()->Nodes()->topLevelItem(0)}) {
        form->tree()->setSelectedItem(special);
        emit form->tree()->GotFocus();
        form->list()->clearSelection();
        form->deleteCommand();
        EXPECT_TRUE(form->fileOperations().idle());
    }
}

} // namespace
} // namespace tunewalk
