// The tree's content: keys and pictures, loading on expand, collapse, and SetPath.
#include "TreefolderFixture.h"
#include "foldertree/SubFolders.h"

#include <future>

using namespace tunewalk;
using namespace tunewalk::TreeNode;

TEST_F(TreefolderTest, NodesCarryTheirKindsKeysAndPictures) {
    // Desktop root, My Computer, My Documents, volumes.
    ASSERT_EQ(tree->Nodes()->topLevelItemCount(), 1);
    QTreeWidgetItem* desktop = tree->Nodes()->topLevelItem(0);
    EXPECT_EQ(key(desktop), desktopKey());
    EXPECT_EQ(desktop->text(0), "Desktop");
    EXPECT_EQ(tag(desktop), "Desktop");
    EXPECT_FALSE(sorted(desktop));
    EXPECT_EQ(tree->DesktopFolder(), k("vol1/home/Desktop"));
    EXPECT_EQ(tree->MyDocumentsFolder(), k("vol1/home/Documents"));
    EXPECT_EQ(childTexts(desktopKey()), (QStringList{"My Computer", "My Documents"}));
    EXPECT_EQ(key(desktop->child(0)), "MyComputer");
    EXPECT_EQ(tag(node(documentsKey())), "MyDocuments");
    EXPECT_TRUE(sorted(node(documentsKey())));
    EXPECT_TRUE(isUnloaded(node(documentsKey())));

    // Volume roots keep their separator; labels and mount points keep their letter case, in the
    // host's order.
    EXPECT_EQ(childTexts("MyComputer"), (QStringList{"Disk", "usb stick"}));
    EXPECT_EQ(image(node(volumeKey("vol1"))), "Drive");
    EXPECT_EQ(image(node(volumeKey("vol2"))), "Floppy");
    EXPECT_EQ(node(k("vol1")), nullptr) << "no key without the separator";

    // Folders have no trailing separator; each branch has its prefix and tag; hidden folders,
    // files and broken links are left out; children are in text order.
    expand(volumeKey("vol1"));
    EXPECT_EQ(childTexts(volumeKey("vol1")), (QStringList{"Empty", "home", "Media"}));
    ASSERT_NE(node(k("vol1/Media")), nullptr);
    EXPECT_EQ(tag(node(k("vol1/Media"))), "");
    expand(documentsKey());
    const QString music = QStringLiteral("MD_") + k("vol1/home/Documents/Music");
    EXPECT_EQ(tag(node(music)), "MyDocsSub");
    EXPECT_EQ(folder(node(music)), p("vol1/home/Documents/Music"));
    expand(desktopKey());
    EXPECT_EQ(tag(node(QStringLiteral("DT_") + k("vol1/home/Desktop/Beta"))), "DesktopSub");
}

TEST_F(TreefolderTest, OnlyFoldersWithSubFoldersGetAPlaceholder) {
    expand(volumeKey("vol1"));
    EXPECT_TRUE(isUnloaded(node(k("vol1/Media"))));
    EXPECT_TRUE(isUnloaded(node(k("vol1/home"))));
    QTreeWidgetItem* empty = node(k("vol1/Empty"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->childCount(), 0) << "no expand button";

    events.clear();
    expand(k("vol1/Media"));
    EXPECT_EQ(childTexts(k("vol1/Media")), QStringList{"Live"});
    EXPECT_EQ(node(k("vol1/Media/Live"))->childCount(), 0);
    EXPECT_EQ(events, QStringList{"Expand /vol1/Media"});
}

TEST_F(TreefolderTest, CollapseMovesTheSelectionOnlyWhenTheCurrentFolderIsInside) {
    tree->SetPath(p("vol1/Media/Live"));
    ASSERT_EQ(selectedKey(), k("vol1/Media/Live"));
    events.clear();
    node(k("vol1/Media"))->setExpanded(false);
    EXPECT_EQ(events,
              (QStringList{"NodeClick /vol1/Media", "PathChanged folder", "Collapse /vol1/Media"}));
    EXPECT_EQ(tree->Path(), p("vol1/Media"));
    EXPECT_EQ(selectedKey(), k("vol1/Media"));
    EXPECT_TRUE(isUnloaded(node(k("vol1/Media")))) << "the placeholder is back";
    EXPECT_EQ(node(k("vol1/Media/Live")), nullptr) << "the loaded level is gone";

    // Current folder elsewhere: the selection stays, only Collapse.
    tree->SetPath(p("vol2/Data"));
    expand(k("vol1/Media"));
    events.clear();
    node(k("vol1/Media"))->setExpanded(false);
    EXPECT_EQ(events, QStringList{"Collapse /vol1/Media"});
    EXPECT_EQ(selectedKey(), k("vol2/Data"));
    EXPECT_EQ(tree->Path(), p("vol2/Data"));
}

TEST_F(TreefolderTest, CollapsingMyComputerKeepsTheVolumesAndSelectsIt) {
    tree->SetPath(p("vol1/Media/Live"));
    const QString before = tree->Path();
    events.clear();
    node("MyComputer")->setExpanded(false);
    EXPECT_EQ(events,
              (QStringList{"NodeClick MyComputer", "MyComputerClicked", "Collapse MyComputer"}));
    EXPECT_EQ(selectedKey(), "MyComputer");
    EXPECT_EQ(tree->Path(), before) << "My Computer has no folder";
    EXPECT_EQ(childTexts("MyComputer"), (QStringList{"Disk", "usb stick"}));
    EXPECT_FALSE(node(volumeKey("vol1"))->isExpanded());
    EXPECT_TRUE(isUnloaded(node(volumeKey("vol1"))));
    EXPECT_EQ(node(k("vol1/Media")), nullptr);
}

TEST_F(TreefolderTest, DesktopRootReloadsItsFoldersAfterACollapse) {
    const QStringList loaded{"My Computer", "My Documents", "alpha", "Beta", "Zeta"};
    expand(desktopKey());
    EXPECT_EQ(childTexts(desktopKey()), loaded);
    EXPECT_TRUE(isUnloaded(node(QStringLiteral("DT_") + k("vol1/home/Desktop/alpha"))));

    events.clear();
    node(desktopKey())->setExpanded(false);
    const QString desktop = shown(desktopKey());
    EXPECT_EQ(events,
              (QStringList{"NodeClick " + desktop, "PathChanged desktop", "Collapse " + desktop}));
    EXPECT_EQ(childTexts(desktopKey()), (QStringList{"My Computer", "My Documents"}));
    EXPECT_EQ(tree->Path(), p("vol1/home/Desktop"));

    expand(desktopKey());
    EXPECT_EQ(childTexts(desktopKey()), loaded) << "after My Computer and My Documents";
}

TEST_F(TreefolderTest, SetPathOpensEachLevelAndRaisesOnePathChanged) {
    expand(desktopKey());
    expand("MyComputer");
    events.clear();
    tree->SetPath(p("vol1/Media/Live"));
    EXPECT_EQ(events, (QStringList{"Expand " + shown(volumeKey("vol1")), "Expand /vol1/Media",
                                   "PathChanged folder"}));
    EXPECT_EQ(selectedKey(), k("vol1/Media/Live"));
    EXPECT_EQ(tree->Path(), p("vol1/Media/Live"));
    EXPECT_EQ(selectedImage(tree->SelectedItem()), "OpenFolder");

    // Already open: no Expand. A volume root, spelled without its separator.
    events.clear();
    tree->SetPath(p("vol1/Media") + QDir::separator());
    EXPECT_EQ(events, QStringList{"PathChanged folder"});
    tree->SetPath(p("vol2"));
    EXPECT_EQ(selectedKey(), volumeKey("vol2"));
    EXPECT_EQ(tree->Path(), volumeKey("vol2"));
    EXPECT_EQ(selectedImage(tree->SelectedItem()), "") << "a volume is no folder";

    // On no known volume: nothing at all.
    events.clear();
    tree->SetPath(p("elsewhere"));
    tree->SetPath(root);
    tree->SetPath(QString());
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(tree->Path(), volumeKey("vol2"));
}

TEST_F(TreefolderTest, SetPathStaysInTheBranchTheUserIsIn) {
    tree->MyDocuments();
    ASSERT_EQ(selectedKey(), documentsKey());
    tree->SetPath(p("vol1/home/Documents/Music/Rock"));
    EXPECT_EQ(selectedKey(), QStringLiteral("MD_") + k("vol1/home/Documents/Music/Rock"));
    EXPECT_EQ(tree->Path(), p("vol1/home/Documents/Music/Rock"));

    // A path the branch does not show opens in its drive branch.
    tree->SetPath(p("vol1/Media"));
    EXPECT_EQ(selectedKey(), k("vol1/Media"));

    // From the drive branch the same documents path stays there.
    tree->SetPath(p("vol1/home/Documents/Music"));
    EXPECT_EQ(selectedKey(), k("vol1/home/Documents/Music"));

    // The Desktop branch likewise; the desktop itself is the Desktop root.
    tree->Desktop();
    tree->SetPath(p("vol1/home/Desktop/alpha/inner"));
    EXPECT_EQ(selectedKey(), QStringLiteral("DT_") + k("vol1/home/Desktop/alpha/inner"));
    events.clear();
    tree->SetPath(p("vol1/home/Desktop"));
    EXPECT_EQ(selectedKey(), desktopKey());
    EXPECT_EQ(events, QStringList{"PathChanged desktop"});
}

TEST_F(TreefolderTest, SetPathIgnoresPathsDeeperThanTwentyLevels) {
    QString twenty = QStringLiteral("vol2");
    for (int level = 1; level <= 20; ++level)
        twenty += QStringLiteral("/l%1").arg(level);
    const QString deeper = twenty + QStringLiteral("/l21");
    ASSERT_TRUE(QDir().mkpath(p(deeper)));

    tree->SetPath(p(twenty));
    EXPECT_EQ(selectedKey(), k(twenty));
    events.clear();
    tree->SetPath(p(deeper));
    EXPECT_TRUE(events.isEmpty());
    EXPECT_EQ(tree->Path(), p(twenty));
    EXPECT_EQ(selectedKey(), k(twenty));
}

TEST_F(TreefolderTest, AVanishedFolderOrAnUnreadyVolumeDoesNotStopTheTree) {
    // A folder replaced by a file while shown: loading ends, Expand still comes.
    expand(volumeKey("vol1"));
    ASSERT_TRUE(QDir(p("vol1/Media")).removeRecursively());
    QFile replacement(p("vol1/Media"));
    ASSERT_TRUE(replacement.open(QIODevice::WriteOnly));
    events.clear();
    expand(k("vol1/Media"));
    EXPECT_EQ(events, QStringList{"Expand /vol1/Media"});
    EXPECT_EQ(node(k("vol1/Media"))->childCount(), 0);
    // Clicking it still tells the host, which decides what to show.
    events.clear();
    click(node(k("vol1/Media")));
    EXPECT_EQ(events, (QStringList{"NodeClick /vol1/Media", "PathChanged folder"}));

    // A volume without its medium, and one whose root is gone.
    volumes.append({p("vol3") + QDir::separator(), "CD", "CD", false});
    volumes.append({p("vol4") + QDir::separator(), "NET", "NetDrive", true});
    node("MyComputer")->setExpanded(false); // new volumes show when My Computer opens again
    expand("MyComputer");
    for (const QString& name : {QStringLiteral("vol3"), QStringLiteral("vol4")}) {
        events.clear();
        expand(volumeKey(name));
        EXPECT_EQ(events, (QStringList{"DriveNotReadyError", "Expand " + shown(volumeKey(name))}));
        EXPECT_FALSE(node(volumeKey(name))->isExpanded());
        EXPECT_EQ(node(volumeKey(name))->childCount(), 0);
    }
    EXPECT_EQ(image(node(volumeKey("vol3"))), "CD");
    events.clear();
    click(node(volumeKey("vol3")));
    EXPECT_EQ(events, (QStringList{"DriveNotReadyError", "NodeClick " + shown(volumeKey("vol3"))}));

    // The medium arrives: collapsing My Computer brings the placeholder back, and it loads.
    ASSERT_TRUE(QDir().mkpath(p("vol3/Disc")));
    volumes[2].ready = true;
    node("MyComputer")->setExpanded(false);
    ASSERT_TRUE(isUnloaded(node(volumeKey("vol3"))));
    expand(volumeKey("vol3"));
    EXPECT_EQ(childTexts(volumeKey("vol3")), QStringList{"Disc"});
}

TEST_F(TreefolderTest, ABlockedProbeHoldsUpNoExpansionAndItsLateAnswerSetsTheButtons) {
    // Every "has sub-folders" probe waits until the test lets it go, like a slow mount.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    TreefolderEnvironment slow = environment();
    slow.hasSubFolder = [released](const QString& folder) {
        released.wait();
        return SubFolders::hasSubFolder(folder);
    };
    tree->init(slow);

    node(volumeKey("vol1"))->setExpanded(true);
    EXPECT_EQ(childTexts(volumeKey("vol1")), (QStringList{"Empty", "home", "Media"}));
    for (const char* pending : {"vol1/Empty", "vol1/home", "vol1/Media"})
        EXPECT_TRUE(isUnloaded(node(k(pending)))) << "an expand button until the answer";
    EXPECT_TRUE(tree->probesPending());
    // Opened before its probe answered: it simply loads.
    node(k("vol1/Media"))->setExpanded(true);
    EXPECT_EQ(childTexts(k("vol1/Media")), QStringList{"Live"});

    // Folded up and opened again while the probes of the first nodes are still out.
    node(volumeKey("vol1"))->setExpanded(false);
    EXPECT_EQ(node(k("vol1/Empty")), nullptr);
    node(volumeKey("vol1"))->setExpanded(true);
    node(k("vol1/Media"))->setExpanded(true);

    release.set_value();
    marksIn();
    EXPECT_EQ(node(k("vol1/Empty"))->childCount(), 0) << "no sub-folder: the button goes";
    EXPECT_TRUE(isUnloaded(node(k("vol1/home"))));
    EXPECT_EQ(childTexts(k("vol1/Media")), QStringList{"Live"}) << "a loaded node stays loaded";
    EXPECT_EQ(node(k("vol1/Media/Live"))->childCount(), 0);
}

TEST_F(TreefolderTest, MyComputerTakesTheGatheredLabelsAndReadinessWhenTheyCome) {
    std::function<void(QList<TreeVolume>)> answer;
    TreefolderEnvironment gathered = environment();
    gathered.gatherVolumes = [&answer](QObject*, std::function<void(QList<TreeVolume>)> done) {
        answer = std::move(done);
    };
    tree->init(gathered);
    ASSERT_TRUE(answer);
    const auto first = answer;
    EXPECT_EQ(childTexts("MyComputer"), (QStringList{"Disk", "usb stick"})) << "at once";

    tree->init(gathered); // a gathering for a tree that was built again does not count
    first({{volumes[0].root, "Old", "CD", true}});
    EXPECT_EQ(childTexts("MyComputer"), (QStringList{"Disk", "usb stick"}));

    answer(
        {{volumes[0].root, "Music", "Drive", true}, {volumes[1].root, "Stick", "Floppy", false}});
    EXPECT_EQ(childTexts("MyComputer"), (QStringList{"Music", "Stick"}));
    expand(desktopKey());
    expand("MyComputer");
    events.clear();
    node(volumeKey("vol2"))->setExpanded(true);
    EXPECT_EQ(events, (QStringList{"DriveNotReadyError", "Expand " + shown(volumeKey("vol2"))}));
}
