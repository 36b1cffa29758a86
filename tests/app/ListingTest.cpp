// The folder listing: rows, sort order, column clicks, navigation and its messages.
#include "Form1Fixture.h"
#include "common/NativePath.h"

#include <QTest>
#include <filesystem>

namespace tunewalk {
namespace {

class ListingTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        // The desktop and documents folders of this test, through the user-dirs file.
        for (const char* folder : {"xdg", "Desktop", "Documents"})
            QDir(root.path()).mkpath(folder);
        fixtures::writeFile(root.filePath("xdg/user-dirs.dirs").toStdString(),
                            QStringLiteral("XDG_DESKTOP_DIR=\"%1\"\nXDG_DOCUMENTS_DIR=\"%2\"\n")
                                .arg(root.filePath("Desktop"), root.filePath("Documents"))
                                .toStdString());
        setEnv("XDG_CONFIG_HOME", root.filePath("xdg"));
        start();
    }

    // Where the header draws its arrow, and which way.
    std::pair<int, Qt::SortOrder> arrow() const {
        const QHeaderView* header = form->list()->header();
        EXPECT_TRUE(header->isSortIndicatorShown());
        return {header->sortIndicatorSection(), header->sortIndicatorOrder()};
    }
};

TEST_F(ListingTest, RowsCarryKeysTagsAndIconsAndTheFirstIsSelected) {
    mkdir("zz");
    writeMp3("b.mp3");
    writeBytes("A.WAV", fixtures::wavFile({}));
    writeBytes("notes.txt", "x");
    writeBytes("empty.mp3", "");
    list(music());

    EXPECT_EQ(names(), (QStringList{"zz", "A.WAV", "b.mp3"}));
    QStringList seen;
    for (int i = 0; i < 3; ++i)
        seen << row(i)->key + " " + row(i)->iconKey();
    EXPECT_EQ(seen, (QStringList{path("zz") + " Folder", path("A.WAV") + " WAV",
                                 path("b.mp3") + " MP3"}));
    EXPECT_EQ(row(1)->entry()->kind, RowKind::WAV);
    EXPECT_EQ(row(0)->cell(Col::Size), " ");
    EXPECT_EQ(row(2)->entry()->size, QFileInfo(path("b.mp3")).size());
    EXPECT_TRUE(form->listHasAudio());
    EXPECT_EQ(form->currentRow(), row(0));
    EXPECT_EQ(form->getSelCount(), 1);
}

TEST_F(ListingTest, HeaderClicksAlternateShowTheArrowAndKeepKindsGrouped) {
    mkdir("zz");
    writeMp3("b.mp3", 400);
    writeBytes("A.wav", fixtures::wavFile({}));
    list(music());
    EXPECT_EQ(arrow(), std::make_pair(Col::Name, Qt::AscendingOrder));
    int sorts = 0;
    QObject::connect(form->list()->model(), &QAbstractItemModel::layoutChanged,
                     [&sorts] { ++sorts; });
    clickHeader(Col::Name);
    EXPECT_EQ(sorts, 1) << "a click sorts once, by its key column";
    EXPECT_EQ(names(), (QStringList{"zz", "b.mp3", "A.wav"}));
    EXPECT_EQ(arrow(), std::make_pair(Col::Name, Qt::DescendingOrder));
    clickHeader(Col::Name);
    EXPECT_EQ(names(), (QStringList{"zz", "A.wav", "b.mp3"}));
    EXPECT_EQ(arrow(), std::make_pair(Col::Name, Qt::AscendingOrder));

    // Another column keeps the direction: Size ascending, then Name ascending.
    clickHeader(Col::Size);
    EXPECT_EQ(form->rowOrder().column(), Col::Size);
    EXPECT_EQ(arrow(), std::make_pair(Col::Size, Qt::AscendingOrder));
    clickHeader(Col::Name);
    EXPECT_EQ(form->rowOrder().column(), Col::Name);

    // Size twice: the largest file first, folders still first.
    clickHeader(Col::Size);
    clickHeader(Col::Size);
    EXPECT_EQ(arrow(), std::make_pair(Col::Size, Qt::DescendingOrder));
    const qint64 wavSize = QFileInfo(path("A.wav")).size(),
                 mp3Size = QFileInfo(path("b.mp3")).size();
    ASSERT_NE(wavSize, mp3Size);
    EXPECT_EQ(names(), wavSize > mp3Size ? (QStringList{"zz", "A.wav", "b.mp3"})
                                         : (QStringList{"zz", "b.mp3", "A.wav"}));
}

TEST_F(ListingTest, NamesSortNaturallyAndRefreshKeepsTheUsersSort) {
    for (const char* name : {"Track 10.mp3", "Track 2.mp3", "track 1.mp3"})
        writeMp3(name);
    list(music());
    EXPECT_EQ(names(), (QStringList{"track 1.mp3", "Track 2.mp3", "Track 10.mp3"}));

    clickHeader(Col::Name); // descending
    list(form->folder());
    EXPECT_EQ(names(), (QStringList{"Track 10.mp3", "Track 2.mp3", "track 1.mp3"}));

    // A custom play order is dropped by a refresh, and another folder starts from names.
    form->randomizePlaylist();
    ASSERT_TRUE(form->playOrderOn());
    list(form->folder());
    EXPECT_EQ(names().first(), "track 1.mp3");
    EXPECT_FALSE(form->playOrderOn());
    form->handleColumnClick(Col::Name);
    mkdir("other");
    writeMp3("other/x1.mp3");
    writeMp3("other/x2.mp3");
    list(path("other"));
    EXPECT_EQ(names(), (QStringList{"x1.mp3", "x2.mp3"}));
}

TEST_F(ListingTest, EmptyFolderListsNothingAndAMissingOneIsReported) {
    mkdir("empty");
    writeBytes("empty/zero.mp3", "");
    list(path("empty"));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(form->getSelCount(), 0);
    EXPECT_FALSE(form->listHasAudio());

    // Gone before a refresh: said, and the folder stays current.
    QDir(path("empty")).removeRecursively();
    prompter.clear();
    form->command("mnuRefresh")->trigger();
    waitForDetails();
    EXPECT_EQ(prompter.shown, (Messages{{"No such directory: \"" + path("empty") + "\"",
                                         Icon::Critical, Buttons::Ok}}));
    EXPECT_EQ(rowCount(), 0);
    EXPECT_EQ(form->folder(), path("empty"));
}

TEST_F(ListingTest, DesktopShowsMyComputerAndMyDocumentsFirstThenLast) {
    const QString desktop = root.filePath("Desktop");
    ASSERT_EQ(form->desktopFolder(), desktop);
    QDir(desktop).mkpath("folder");
    fixtures::writeFile((desktop + "/a.mp3").toStdString(), fixtures::mpegFrames({}, 50));
    // A click on the tree's Desktop lists the desktop view.
    form->tree()->init({desktop, root.filePath("Documents"), [] { return QList<TreeVolume>{}; }});
    QTreeWidget* nodes = form->tree()->Nodes();
    // The tree is not laid out here: the click is the view's own report of one.
    const auto clickDesktop = [&] {
        emit nodes->itemClicked(nodes->topLevelItem(0), 0);
        waitForDetails();
    };
    clickDesktop();
    EXPECT_EQ(names(), (QStringList{"My Computer", "My Documents", "folder", "a.mp3"}));
    EXPECT_EQ(row(0)->key, "Drives");
    EXPECT_EQ(row(0)->iconKey(), "MyComputer");
    EXPECT_EQ(row(1)->key, root.filePath("Documents"));
    EXPECT_EQ(row(1)->iconKey(), "MyDocuments");
    EXPECT_EQ(row(1)->entry()->kind, RowKind::Special);
    form->handleColumnClick(Col::Name);
    EXPECT_EQ(names(), (QStringList{"folder", "a.mp3", "My Documents", "My Computer"}));

    // Without the flag the same folder is an ordinary folder.
    list(desktop);
    EXPECT_EQ(rowCount(), 2);

    // Double-clicking My Computer lists the volumes; "/" is one of them.
    list(music());
    clickDesktop();
    form->clickRow(rowNamed("My Computer"));
    form->handleDoubleClick(form->currentRow());
    EXPECT_EQ(form->folder(), "Drives");
    EXPECT_EQ(form->windowTitle(), "Tunewalk - Drives");
    ASSERT_NE(form->findRow("/"), nullptr);
    EXPECT_EQ(form->findRow("/")->kind, RowKind::Drive);
}

TEST_F(ListingTest, DoubleClickOpensFoldersAndUpGoesBack) {
    mkdir("sub/deeper");
    list(music());
    form->clickRow(rowNamed("sub"));
    form->handleDoubleClick(form->currentRow());
    waitForDetails();
    EXPECT_EQ(form->folder(), path("sub"));
    form->button("Up")->trigger();
    EXPECT_EQ(form->folder(), music());
    list("/");
    form->command("mnuUpOne")->trigger();
    EXPECT_EQ(form->folder(), "Drives");
}

TEST_F(ListingTest, OpenDirectoryAndOpenDefaultDirectory) {
    mkdir("picked");
    prompter.folders.push_back(path("picked"));
    form->command("mnuOpen")->trigger();
    EXPECT_EQ(prompter.prompts.last(), "Select a Folder");
    EXPECT_EQ(form->folder(), path("picked"));
    form->command("mnuOpen")->trigger(); // cancelled: nothing changes
    EXPECT_EQ(form->folder(), path("picked"));

    form->command("mnuOpenDefault")->trigger();
    EXPECT_EQ(prompter.shown,
              (Messages{{"You must first set your default directory (File-->Set Default "
                         "Directory...)",
                         Icon::Exclamation, Buttons::Ok}}));
    list(music());
    form->command("mnuDefaultCurrent")->trigger();
    EXPECT_EQ(setting("DefaultPath"), music());
    list(path("picked"));
    form->command("mnuOpenDefault")->trigger();
    EXPECT_EQ(form->folder(), music());
}

// Old Latin-1 names from Windows or Samba are not valid UTF-8: they are listed with
// replacement characters and a tip, but every file call (details, playing, dragging, opening
// the folder, renaming) uses their exact bytes.
TEST_F(ListingTest, NamesThatAreNotValidTextAreListedPlayedDraggedAndRenamed) {
    const std::string folder = QFile::encodeName(music()).toStdString();
    const QString cafe = fromNativePath(QByteArray::fromStdString(folder + "/Caf\xe9.mp3"));
    const QString dejaVu = fromNativePath(QByteArray::fromStdString(folder + "/D\xe9j\xe0 vu"));
    fixtures::writeFile(folder + "/Caf\xe9.mp3", fixtures::mpegFrames({}, 200));
    ASSERT_TRUE(std::filesystem::create_directory(folder + "/D\xe9j\xe0 vu"));
    fixtures::writeFile(folder + "/D\xe9j\xe0 vu/x.mp3", fixtures::mpegFrames({}, 20));
    writeMp3("plain.mp3");
    form.reset(); // a new window, whose tree reads the folders as they are now
    start(music());

    EXPECT_EQ(names(), (QStringList{"D\uFFFDj\uFFFD vu", "Caf\uFFFD.mp3", "plain.mp3"}));
    ASSERT_EQ(form->listKeys(), (QStringList{dejaVu, cafe, path("plain.mp3")}));
    const QString tip = "This name is not valid text; unreadable characters are shown as \uFFFD.";
    EXPECT_EQ(row(0)->data(Col::Name, Qt::ToolTipRole).toString(), tip);
    EXPECT_EQ(row(1)->data(Col::Name, Qt::ToolTipRole).toString(), tip);
    EXPECT_EQ(row(2)->data(Col::Name, Qt::ToolTipRole).toString(), "");
    EXPECT_TRUE(row(0)->entry()->statIn);
    EXPECT_EQ(row(1)->entry()->size, qint64(std::filesystem::file_size(folder + "/Caf\xe9.mp3")));
    EXPECT_EQ(row(1)->cell(Col::Bitrate), "128kbps") << "the details are read by the raw name";

    // Played and dragged by its bytes; shown with the replacement.
    play("Caf\uFFFD.mp3");
    EXPECT_EQ(toNativePath(player.loaded), QByteArray::fromStdString(folder + "/Caf\xe9.mp3"));
    EXPECT_EQ(form->currentLabel()->text(), "Caf\uFFFD.mp3");
    Qt::DropActions allowed;
    std::unique_ptr<QMimeData> data(form->listDragData(&allowed));
    EXPECT_EQ(FolderModel::fileList(data.get()), QStringList{cafe});

    // The folder opens, in the list and in the tree, and shows as text in the caption.
    form->clickRow(rowNamed("D\uFFFDj\uFFFD vu"));
    form->handleDoubleClick(form->currentRow());
    waitForDetails();
    EXPECT_EQ(form->folder(), dejaVu);
    EXPECT_EQ(names(), QStringList{"x.mp3"});
    EXPECT_EQ(form->windowTitle(), "Tunewalk - " + displayPath(dejaVu));
    ASSERT_NE(form->tree()->SelectedItem(), nullptr);
    EXPECT_EQ(form->tree()->SelectedItem()->text(0), "D\uFFFDj\uFFFD vu");
    EXPECT_EQ(TreeNode::folder(form->tree()->SelectedItem()), dejaVu);

    // Renamed by typing over the shown name.
    list(music());
    form->clickRow(rowNamed("Caf\uFFFD.mp3"));
    form->startRename();
    auto* editor = form->list()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Caf\uFFFD.mp3");
    editor->setText("Cafe.mp3");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return form->findRow(path("Cafe.mp3")) != nullptr; }, 3000))
        << prompter.texts().join("\n").toStdString();
    EXPECT_TRUE(std::filesystem::exists(folder + "/Cafe.mp3"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/Caf\xe9.mp3"));
    EXPECT_EQ(rowNamed("Cafe.mp3")->data(Col::Name, Qt::ToolTipRole).toString(), "");
}

} // namespace
} // namespace tunewalk
