// The window and its folder tree: listing what the tree chose, dragging from and onto nodes,
// renaming by label and deleting the tree's folder.
#include "Form1Fixture.h"

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
        form->Treefolder1->init({path("Desktop"), path("Documents"), [this] {
                                     return QList<TreeVolume>{{volume, "Test", "Drive"}};
                                 }});
        QObject::connect(form.get(), &Form1::listed, [this] { ++listings; });
        list(music());
        listings = 0;
    }

    QTreeWidgetItem* node(const QString& key) const { return form->Treefolder1->node(key); }
    QPointF at(QTreeWidgetItem* n) const {
        form->Treefolder1->Nodes()->scrollToItem(n);
        return form->Treefolder1->Nodes()->visualItemRect(n).center();
    }
    // What the window offers when a drag starts on a node.
    std::pair<QString, int> offer(QTreeWidgetItem* n) {
        form->dragSourceNode = n;
        QMimeData data;
        int allowed = 0;
        form->treeStartDrag(&data, allowed);
        const QStringList paths = Form1::fileList(&data);
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
    form->Treefolder1->SetPath(path("Rock"));
    waitForDetails();
    EXPECT_EQ(form->dirCurrent, path("Rock"));
    EXPECT_EQ(listings, 1);
    form->Treefolder1->SetPath(path("Rock")); // already listed: not again
    EXPECT_EQ(listings, 1);

    form->Treefolder1->UpOneDir();
    EXPECT_EQ(form->dirCurrent, music());
    form->mnuUpOne->trigger();
    EXPECT_EQ(form->dirCurrent, QDir::toNativeSeparators(root.path()));

    form->Treefolder1->MyComputer();
    EXPECT_EQ(form->dirCurrent, "Drives");
    const int before = listings;
    form->Treefolder1->MyComputer();
    EXPECT_EQ(listings, before) << "the drives view is not listed again";

    // A listing that did not come from the tree selects the folder's node.
    list(path("Rock2"));
    EXPECT_EQ(form->Treefolder1->Path(), path("Rock2"));
    EXPECT_EQ(TreeNode::key(form->Treefolder1->SelectedItem()), pathKey(path("Rock2")));
}

TEST_F(TreeGlueTest, WhatADragFromTheTreeOffers) {
    form->Treefolder1->SetPath(path("Rock"));
    EXPECT_EQ(offer(node(pathKey(path("Rock")))),
              std::make_pair(path("Rock"), int(Qt::MoveAction)));
    EXPECT_EQ(form->dragDictionary.value(path("Rock")), 2);
    EXPECT_EQ(offer(node("MyComputer")),
              std::make_pair(QStringLiteral("My Computer"), int(Qt::CopyAction)));
    EXPECT_EQ(offer(node(pathKey(volume))).second, int(Qt::CopyAction));
    EXPECT_EQ(offer(form->Treefolder1->Nodes()->topLevelItem(0)),
              std::make_pair(QStringLiteral("Desktop"), int(Qt::CopyAction)));
    EXPECT_EQ(offer(node("MD_" + pathKey(path("Documents")))),
              std::make_pair(QStringLiteral("My Documents"), int(Qt::CopyAction)));
    // The documents folder in the volume's branch may not move either.
    form->Treefolder1->SetPath(path("Documents"));
    EXPECT_EQ(offer(node(pathKey(path("Documents")))).second, int(Qt::CopyAction));
}

TEST_F(TreeGlueTest, DropTargetsInTheTree) {
    form->Treefolder1->SetPath(path("Rock/Live"));
    form->Treefolder1->SetPath(path("Rock2"));
    const auto rock = fileData({path("Rock")});
    EXPECT_FALSE(takes(rock.get(), node(pathKey(path("Rock"))))) << "onto itself";
    EXPECT_FALSE(takes(rock.get(), node(pathKey(path("Rock/Live"))))) << "into its sub-folder";
    EXPECT_FALSE(takes(rock.get(), node(pathKey(music())))) << "where it already is";
    EXPECT_FALSE(takes(rock.get(), node("MyComputer")));
    EXPECT_TRUE(takes(rock.get(), node(pathKey(path("Rock2"))))) << "a sibling with a longer name";
    EXPECT_EQ(form->Treefolder1->DropHighlight(), node(pathKey(path("Rock2"))));
    QMimeData text;
    text.setText(path("a.mp3"));
    EXPECT_FALSE(takes(&text, node(pathKey(path("Rock2")))));
    EXPECT_EQ(form->Treefolder1->DropHighlight(), nullptr);
}

TEST_F(TreeGlueTest, DropOnTheMyDocumentsCopyMovesIntoThePlainFolder) {
    form->Treefolder1->MyDocuments();
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
    form->Treefolder1->SetPath(path("Rock2"));
    list(music());
    ASSERT_NE(node(pathKey(path("Rock2"))), nullptr);
    offer(node(pathKey(path("Rock2"))));
    ASSERT_TRUE(QDir().rename(path("Rock2"), path("Documents/Rock2"))); // another program's move
    form->treeCompleteDrag(Qt::MoveAction);
    EXPECT_EQ(node(pathKey(path("Rock2"))), nullptr);
    EXPECT_EQ(rowNamed("Rock2"), nullptr);
    EXPECT_TRUE(form->dragDictionary.isEmpty());
}

TEST_F(TreeGlueTest, RenamingTheTreesFolder) {
    writeMp3("Rock/song.mp3");
    form->Treefolder1->SetPath(path("Rock"));
    waitForDetails();
    play("song.mp3");

    int cancel = 0;
    QString name = "Rock2";
    emit form->Treefolder1->AfterLabelEdit(cancel, name); // taken: refused, label restored
    EXPECT_EQ(cancel, 1);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(QFileInfo(path("Rock/song.mp3")).exists());
    EXPECT_EQ(form->dirCurrent, path("Rock"));

    cancel = 0;
    name = "Metal";
    emit form->Treefolder1->AfterLabelEdit(cancel, name);
    EXPECT_EQ(cancel, 0);
    EXPECT_TRUE(QFileInfo(path("Metal/song.mp3")).exists());
    EXPECT_EQ(form->dirCurrent, path("Metal"));
    EXPECT_EQ(form->windowTitle(), "Tunewalk - " + path("Metal"));
    EXPECT_EQ(form->currentFile, path("Metal/song.mp3"));
    EXPECT_NE(form->findRow(path("Metal/song.mp3")), nullptr);
    EXPECT_NE(node(pathKey(path("Metal"))), nullptr);
}

TEST_F(TreeGlueTest, F2WithTheTreeFocusedRenamesTheTreesFolderNotTheListsRow) {
    form->Treefolder1->SetPath(path("Rock"));
    waitForDetails();
    ASSERT_NE(rowNamed("Live"), nullptr);
    form->activateWindow();
    QTreeWidget* tree = form->Treefolder1->Nodes();
    tree->setFocus();
    ASSERT_TRUE(form->treeActive);
    QTest::keyClick(tree, Qt::Key_F2);
    auto* editor = tree->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr) << "the tree's label is being edited";
    EXPECT_EQ(editor->text(), "Rock");
    EXPECT_EQ(form->ListView1->findChild<QLineEdit*>(), nullptr);
    editor->setText("Metal");
    QTest::keyClick(editor, Qt::Key_Return); // committed from the event loop
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(path("Metal/Live")).isDir(); }));

    // With the list focused, F2 edits the list's row.
    form->ListView1->setFocus();
    QTest::keyClick(form->ListView1, Qt::Key_F2);
    editor = form->ListView1->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Live");
}

TEST_F(TreeGlueTest, DeletingTheTreesFolder) {
    // A folder with no sibling: the tree, losing its node, must not go up once more itself.
    form->Treefolder1->SetPath(path("Rock/Live"));
    waitForDetails();
    form->treeActive = true;
    setEnv("XDG_DATA_HOME", root.filePath("data")); // a Trash of the test's own
    form->mnuConfirmDeletes->setChecked(false);
    listings = 0;
    form->deleteCommand();
    settleFileJobs();
    EXPECT_TRUE(QFileInfo::exists(root.filePath("data/Trash/files/Live")));
    EXPECT_EQ(node(pathKey(path("Rock/Live"))), nullptr);
    EXPECT_EQ(form->dirCurrent, path("Rock")) << "up from the folder that went, once";
    EXPECT_EQ(listings, 1);

    // The special nodes are never deleted.
    for (QTreeWidgetItem* special :
         {node("MyComputer"), node(pathKey(volume)), node("MD_" + pathKey(path("Documents"))),
          form->Treefolder1->Nodes()->topLevelItem(0)}) {
        form->Treefolder1->setSelectedItem(special);
        form->treeActive = true;
        form->ListView1->clearSelection();
        form->deleteCommand();
        EXPECT_TRUE(form->fileOperations().idle());
    }
}

} // namespace
} // namespace tunewalk
