// The members the host calls: UpOneDir, the node operations, CreateNewDirectory.
#include "TreefolderFixture.h"

using namespace tunewalk;
using namespace tunewalk::TreeNode;

TEST_F(TreefolderTest, UpOneDirClimbsFromEveryKindOfNode) {
    const QString desktop = shown(desktopKey());

    tree->Desktop();
    events.clear();
    tree->UpOneDir();
    EXPECT_TRUE(events.isEmpty()) << "the top";

    for (auto go : {&Treefolder::MyDocuments, &Treefolder::MyComputer}) {
        (tree.get()->*go)();
        events.clear();
        tree->UpOneDir();
        EXPECT_EQ(events, (QStringList{"NodeClick " + desktop, "PathChanged desktop"}));
        EXPECT_EQ(selectedKey(), desktopKey());
    }

    tree->SetPath(p("vol1"));
    events.clear();
    tree->UpOneDir();
    EXPECT_EQ(events, (QStringList{"NodeClick MyComputer", "MyComputerClicked"}));
    EXPECT_EQ(selectedKey(), "MyComputer");

    // A first-level folder goes to its volume root, a deeper one to its parent.
    tree->SetPath(p("vol1/Media/Live"));
    events.clear();
    tree->UpOneDir();
    EXPECT_EQ(selectedKey(), k("vol1/Media"));
    tree->UpOneDir();
    EXPECT_EQ(events, (QStringList{"PathChanged folder", "PathChanged folder"}));
    EXPECT_EQ(selectedKey(), volumeKey("vol1"));
    EXPECT_EQ(tree->Path(), volumeKey("vol1"));

    // Within My Documents the way up stays in that branch.
    tree->MyDocuments();
    tree->SetPath(p("vol1/home/Documents/Music"));
    tree->UpOneDir();
    EXPECT_EQ(selectedKey(), documentsKey());
}

TEST_F(TreefolderTest, GoingToASpecialNodeClicksAndExpandsIt) {
    expand(desktopKey());
    events.clear();
    tree->MyDocuments();
    const QString documents = shown(documentsKey());
    EXPECT_EQ(events,
              (QStringList{"NodeClick " + documents, "PathChanged folder", "Expand " + documents}));
    EXPECT_EQ(tree->Path(), p("vol1/home/Documents"));
    EXPECT_EQ(childTexts(documentsKey()), (QStringList{"Empty", "Music"}));

    // A user's click on a folder: NodeClick, PathChanged, and the view's own Click.
    int clicks = 0;
    QObject::connect(tree.get(), &Treefolder::Click, [&] { ++clicks; });
    events.clear();
    click(node(QStringLiteral("MD_") + k("vol1/home/Documents/Music")));
    EXPECT_EQ(events, (QStringList{"NodeClick " + documents + "/Music", "PathChanged folder"}));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(tree->Path(), p("vol1/home/Documents/Music")) << "the plain path";
    EXPECT_EQ(selectedImage(tree->SelectedItem()), "OpenFolder");
}

TEST_F(TreefolderTest, NodeOperationsReachEveryBranchThatShowsTheFolder) {
    const QString plain = k("vol1/home/Documents/New");
    const QString copy = QStringLiteral("MD_") + plain;
    tree->SetPath(p("vol1/home/Documents/Music"));
    tree->MyDocuments();
    ASSERT_TRUE(QDir().mkdir(p("vol1/home/Documents/New")));
    events.clear();
    tree->AddNode(p("vol1/home/Documents"), "New");
    ASSERT_NE(node(plain), nullptr);
    EXPECT_EQ(tag(node(plain)), "");
    EXPECT_EQ(tag(node(copy)), "MyDocsSub");
    EXPECT_EQ(childTexts(documentsKey()), (QStringList{"Empty", "Music", "New"}));
    EXPECT_EQ(node(k("vol1/home/Desktop/New")), nullptr);
    // A parent that has not loaded its sub-folders gets none: it finds them when it does.
    tree->AddNode(p("vol2"), "Later");
    EXPECT_EQ(node(k("vol2/Later")), nullptr);
    EXPECT_TRUE(events.isEmpty());

    // Renaming: every copy gets the new text and key, and loaded levels load again.
    expand(QStringLiteral("MD_") + k("vol1/home/Documents/Music"));
    tree->SetPath(p("vol1/home/Documents/Music/Rock"));
    ASSERT_TRUE(QDir().rename(p("vol1/home/Documents/Music"), p("vol1/home/Documents/Songs")));
    tree->UpdateNode(p("vol1/home/Documents/Music"), p("vol1/home/Documents/Songs"), "Songs");
    for (const QString& prefix : {QString(), QStringLiteral("MD_")}) {
        EXPECT_EQ(node(prefix + k("vol1/home/Documents/Music")), nullptr);
        QTreeWidgetItem* songs = node(prefix + k("vol1/home/Documents/Songs"));
        ASSERT_NE(songs, nullptr);
        EXPECT_EQ(songs->text(0), "Songs");
        EXPECT_EQ(folder(songs), p("vol1/home/Documents/Songs"));
        EXPECT_TRUE(isUnloaded(songs));
        EXPECT_EQ(node(prefix + k("vol1/home/Documents/Music/Rock")), nullptr);
    }
    // The open copy held the current folder: folding it chose it, as a collapse does.
    EXPECT_EQ(selectedKey(), QStringLiteral("MD_") + k("vol1/home/Documents/Songs"));
    EXPECT_EQ(tree->Path(), p("vol1/home/Documents/Songs"));
    expand(k("vol1/home/Documents/Songs"));
    EXPECT_NE(node(k("vol1/home/Documents/Songs/Rock")), nullptr);
    // A folder without loaded levels: renamed quietly, and the current folder follows.
    tree->SetPath(p("vol2/Data"));
    events.clear();
    tree->UpdateNode(p("vol2/Data"), p("vol2/Info"), "Info");
    EXPECT_EQ(selectedKey(), k("vol2/Info"));
    EXPECT_EQ(tree->Path(), p("vol2/Info"));
    EXPECT_TRUE(events.isEmpty());

    // Removing a folder that is not selected: all copies go, nothing is raised.
    tree->SetPath(p("vol1/Media"));
    events.clear();
    tree->RemoveNode(p("vol1/home/Documents/New"));
    EXPECT_EQ(node(plain), nullptr);
    EXPECT_EQ(node(copy), nullptr);
    EXPECT_TRUE(events.isEmpty());

    // Removing the selected folder: the current folder moves to the node the view selects
    // next, with the click events.
    tree->RemoveNode(p("vol1/Media"));
    EXPECT_EQ(node(k("vol1/Media")), nullptr);
    ASSERT_NE(tree->SelectedItem(), nullptr);
    const QString next = selectedKey();
    EXPECT_EQ(events, (QStringList{"NodeClick " + shown(next), "PathChanged folder"}));
    EXPECT_EQ(tree->Path(), folder(tree->SelectedItem()));
}

TEST_F(TreefolderTest, CreateNewDirectoryAddsNodesForTheLevelsItMakes) {
    tree->SetPath(p("vol1/Media"));
    expand(k("vol1/Media"));
    tree->CreateNewDirectory(p("vol1/Media/b/c"));
    EXPECT_TRUE(QFileInfo(p("vol1/Media/b/c")).isDir());
    EXPECT_EQ(childTexts(k("vol1/Media")), (QStringList{"b", "Live"}));
    EXPECT_EQ(childTexts(k("vol1/Media/b")), QStringList{"c"});
    EXPECT_EQ(tag(node(k("vol1/Media/b"))), "");

    // Nothing made, nothing added.
    tree->CreateNewDirectory(p("vol1/Media/b/c"));
    EXPECT_EQ(childTexts(k("vol1/Media")), (QStringList{"b", "Live"}));
    EXPECT_EQ(childTexts(k("vol1/Media/b")), QStringList{"c"});

    // Directly under a volume root: under the volume's node.
    expand(volumeKey("vol2"));
    tree->CreateNewDirectory(p("vol2/new") + QDir::separator());
    EXPECT_EQ(childTexts(volumeKey("vol2")), (QStringList{"Data", "new"}));
    // Only the drive branch gets nodes.
    tree->MyDocuments();
    tree->CreateNewDirectory(p("vol1/home/Documents/Fresh"));
    EXPECT_TRUE(QFileInfo(p("vol1/home/Documents/Fresh")).isDir());
    EXPECT_EQ(node(QStringLiteral("MD_") + k("vol1/home/Documents/Fresh")), nullptr);
}
