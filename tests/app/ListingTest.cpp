// The folder listing: rows, sort order, column clicks, navigation and its messages.
#include "Form1Fixture.h"

#include "app/ListText.h"

#include "app/ListHeader.h"

#include <QLocale>
#include <QStandardPaths>
#include <QTest>

namespace tunewalk {
namespace {

class ListingTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        // The desktop and documents folders of this test, through the user-dirs file.
        QDir(root.path()).mkpath("xdg");
        QDir(root.path()).mkpath("Desktop");
        QDir(root.path()).mkpath("Documents");
        QFile dirs(root.filePath("xdg/user-dirs.dirs"));
        ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
        dirs.write(QStringLiteral("XDG_DESKTOP_DIR=\"%1\"\nXDG_DOCUMENTS_DIR=\"%2\"\n")
                       .arg(root.filePath("Desktop"), root.filePath("Documents"))
                       .toUtf8());
        dirs.close();
        savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", root.filePath("xdg").toUtf8());
        start();
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", savedConfigHome); }

    // A click on a column's header section, as the user gives it.
    void clickHeader(int column) {
        QHeaderView* header = form->ListView1->header();
        const QPoint centre(header->sectionViewportPosition(column) +
                                header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, centre);
    }
    // Where the header draws its arrow, and which way.
    std::pair<int, Qt::SortOrder> arrow() const {
        const auto* header = static_cast<const ListHeader*>(form->ListView1->header());
        return {header->arrowSection(), header->sortKeyOrder()};
    }

    QByteArray savedConfigHome;
};

TEST_F(ListingTest, RowsCarryKeysTagsIconsAndSortKeys) {
    mkdir("zz");
    writeMp3("b.mp3");
    writeBytes("A.WAV", fixtures::wavFile({}));
    writeBytes("notes.txt", "x");
    writeBytes("empty.mp3", "");
    list(music());

    EXPECT_EQ(names(), (QStringList{"zz", "A.WAV", "b.mp3"}));
    const ListRow* folder = rowNamed("zz");
    EXPECT_EQ(folder->key, path("zz"));
    EXPECT_EQ(folder->tag, "Folder");
    EXPECT_EQ(folder->iconKey(), "Folder");
    EXPECT_EQ(folder->cell(Col::Size), " ");
    EXPECT_EQ(folder->cell(Col::AscFirst), "C_zz");
    EXPECT_EQ(folder->cell(Col::AscFirst + Col::Size), "C_000000000000");
    EXPECT_EQ(folder->cell(Col::AscFirst + Col::Length), "C_0");
    EXPECT_TRUE(folder->cell(Col::DescFirst + Col::Modified).startsWith("C_"));

    const ListRow* wav = rowNamed("A.WAV");
    EXPECT_EQ(wav->tag, "WAV");
    EXPECT_EQ(wav->iconKey(), "WAV");
    const ListRow* mp3 = rowNamed("b.mp3");
    EXPECT_EQ(mp3->key, path("b.mp3"));
    EXPECT_EQ(mp3->tag, "MP3");
    const QString size = mp3->cell(Col::SizeInBytes);
    EXPECT_EQ(size, QString::number(QFileInfo(path("b.mp3")).size()));
    EXPECT_EQ(mp3->cell(Col::AscFirst), "D_b.mp3");
    EXPECT_EQ(mp3->cell(Col::DescFirst), "B_b.mp3");
    EXPECT_EQ(mp3->cell(Col::AscFirst + Col::Size), "D_" + paddedSize(size.toLongLong()));
    EXPECT_EQ(mp3->cell(Col::DescFirst + Col::Size), "B_" + paddedSize(size.toLongLong()));
    EXPECT_TRUE(form->hasAudioFiles);
    // The first row is current and alone selected.
    EXPECT_EQ(form->currentRow(), folder);
    EXPECT_EQ(form->getSelCount(), 1);
}

TEST_F(ListingTest, HeaderClicksAlternateShowTheArrowAndKeepKindsGrouped) {
    mkdir("zz");
    writeMp3("b.mp3", 400);
    writeBytes("A.wav", fixtures::wavFile({}));
    list(music());
    EXPECT_EQ(arrow(), std::make_pair(Col::Name, Qt::AscendingOrder));
    int sorts = 0;
    QObject::connect(form->ListView1->model(), &QAbstractItemModel::layoutChanged,
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
    EXPECT_EQ(form->ListView1->sortColumn(), Col::AscFirst + Col::Size);
    EXPECT_EQ(arrow(), std::make_pair(Col::Size, Qt::AscendingOrder));
    clickHeader(Col::Name);
    EXPECT_EQ(form->ListView1->sortColumn(), Col::AscFirst);

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
    form->PopulateList(form->dirCurrent);
    EXPECT_EQ(names(), (QStringList{"Track 10.mp3", "Track 2.mp3", "track 1.mp3"}));

    // A custom play order is dropped by a refresh, and another folder starts from names.
    form->playOrderActive = true;
    form->PopulateList(form->dirCurrent);
    EXPECT_EQ(names().first(), "track 1.mp3");
    EXPECT_FALSE(form->playOrderActive);
    form->handleColumnClick(Col::Name);
    mkdir("other");
    writeMp3("other/x1.mp3");
    writeMp3("other/x2.mp3");
    list(path("other"));
    EXPECT_EQ(names(), (QStringList{"x1.mp3", "x2.mp3"}));
}

TEST_F(ListingTest, NaturalOrderComparesDigitRunsAsNumbersAndIgnoresCase) {
    EXPECT_TRUE(naturalLess(u"D_96kbps", u"D_128kbps"));
    EXPECT_FALSE(naturalLess(u"D_128kbps", u"D_96kbps"));
    EXPECT_TRUE(naturalLess(u"a", u"B"));
    EXPECT_TRUE(naturalLess(u"C_zz", u"D_a")); // prefixes still group the kinds
    EXPECT_TRUE(naturalLess(u"x2", u"x10"));
    EXPECT_TRUE(naturalLess(u"x", u"x1"));
    EXPECT_TRUE(naturalLess(u"D_000000004096", u"D_000000010000"));
    EXPECT_FALSE(naturalLess(u"same", u"same"));
    // Equal by the rule but different texts still have an order, in one direction only.
    EXPECT_NE(naturalLess(u"x01", u"x1"), naturalLess(u"x1", u"x01"));
}

TEST_F(ListingTest, EmptyFolderListsNothingAndSelectsNothing) {
    mkdir("empty");
    writeBytes("empty/zero.mp3", "");
    list(path("empty"));
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(form->getSelCount(), 0);
    EXPECT_FALSE(form->hasAudioFiles);
    EXPECT_EQ(form->dirCurrent, path("empty"));
}

TEST_F(ListingTest, MissingFolderIsReportedAndTheOldFolderStaysCurrent) {
    mkdir("doomed");
    writeMp3("doomed/a.mp3");
    list(path("doomed"));
    QDir(path("doomed")).removeRecursively();
    prompter.clear();
    form->mnuRefresh->trigger();
    waitForDetails();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "No such directory: \"" + path("doomed") + "\"");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Critical);
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(form->dirCurrent, path("doomed"));
}

TEST_F(ListingTest, DesktopShowsMyComputerAndMyDocumentsFirstThenLast) {
    const QString desktop = root.filePath("Desktop");
    ASSERT_EQ(form->desktopFolder(), desktop);
    QDir(desktop).mkpath("folder");
    fixtures::writeFile((desktop + "/a.mp3").toStdString(), fixtures::mpegFrames({}, 50));
    form->listingDesktop = true;
    form->PopulateList(desktop);
    waitForDetails();
    EXPECT_EQ(names(), (QStringList{"My Computer", "My Documents", "folder", "a.mp3"}));
    EXPECT_EQ(row(0)->key, "Drives");
    EXPECT_EQ(row(0)->iconKey(), "MyComputer");
    EXPECT_EQ(row(1)->key, root.filePath("Documents"));
    EXPECT_EQ(row(1)->iconKey(), "MyDocuments");
    EXPECT_EQ(row(1)->tag, "Folder");
    form->handleColumnClick(Col::Name);
    EXPECT_EQ(names(), (QStringList{"folder", "a.mp3", "My Documents", "My Computer"}));
    EXPECT_FALSE(form->listingDesktop);

    // Without the flag the same folder is an ordinary folder.
    form->PopulateList(desktop);
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 2);

    // Double-clicking My Computer lists the volumes; "/" is one of them.
    form->listingDesktop = true;
    form->PopulateList(desktop);
    form->clickRow(rowNamed("My Computer"));
    form->handleDoubleClick(form->currentRow());
    EXPECT_EQ(form->dirCurrent, "Drives");
    EXPECT_EQ(form->windowTitle(), "Tunewalk - Drives");
    ASSERT_NE(form->findRow("/"), nullptr);
    EXPECT_EQ(form->findRow("/")->tag, "Drive");
}

TEST_F(ListingTest, DoubleClickOpensFoldersAndUpGoesBack) {
    mkdir("sub/deeper");
    list(music());
    form->clickRow(rowNamed("sub"));
    form->handleDoubleClick(form->currentRow());
    EXPECT_EQ(form->dirCurrent, path("sub"));
    form->button("Up")->trigger();
    EXPECT_EQ(form->dirCurrent, music());
    form->PopulateList("/");
    form->mnuUpOne->trigger();
    EXPECT_EQ(form->dirCurrent, "Drives");
}

TEST_F(ListingTest, OpenDirectoryAndOpenDefaultDirectory) {
    mkdir("picked");
    prompter.folders.push_back(path("picked"));
    form->mnuOpen->trigger();
    EXPECT_EQ(prompter.prompts.last(), "Select a Folder");
    EXPECT_EQ(form->dirCurrent, path("picked"));
    form->mnuOpen->trigger(); // cancelled: nothing changes
    EXPECT_EQ(form->dirCurrent, path("picked"));

    form->mnuOpenDefault->trigger();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "You must first set your default directory (File-->Set Default Directory...)");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    setSetting("DefaultPath", music());
    form->mnuOpenDefault->trigger();
    EXPECT_EQ(form->dirCurrent, music());
}

TEST_F(ListingTest, SelectionHelpersFollowDisplayOrder) {
    mkdir("f");
    writeMp3("1.mp3");
    writeMp3("2.mp3");
    writeBytes("3.wav", fixtures::wavFile({}));
    list(music());
    for (int i = 0; i < 4; ++i)
        row(i)->setSelected(true);
    EXPECT_EQ(form->getSelCount(), 4);
    EXPECT_EQ(form->getFileSelCount(), 3);
    EXPECT_EQ(form->getMP3SelCount(), 2);
    const auto selected = form->selectedRows();
    ASSERT_EQ(selected.size(), 4u);
    EXPECT_EQ(selected[1]->cell(Col::Name), "1.mp3");
    EXPECT_EQ(form->listKeys(),
              (QStringList{path("f"), path("1.mp3"), path("2.mp3"), path("3.wav")}));
    form->ListView1->setCurrentItem(row(2), 0, QItemSelectionModel::NoUpdate);
    form->selectOnly();
    EXPECT_EQ(form->getSelCount(), 1);
    EXPECT_TRUE(row(2)->isSelected());
}

TEST_F(ListingTest, SortableTimeUsesTheTwelveHourMask) {
    EXPECT_EQ(sortableTime(QDateTime(QDate(2024, 3, 9), QTime(0, 5, 7))), "2024/03/09 AM 12:05:07");
    EXPECT_EQ(sortableTime(QDateTime(QDate(2024, 3, 9), QTime(13, 0, 0))),
              "2024/03/09 PM 01:00:00");
}

TEST_F(ListingTest, LongFileNameIsTheAbsolutePathOrEmpty) {
    mkdir("a/b");
    EXPECT_EQ(GetLongFileName(path("a/./b/")), path("a/b"));
    EXPECT_EQ(GetLongFileName(path("a/missing")), "");
    EXPECT_EQ(GetLongFileName("/"), "/");
}

} // namespace
} // namespace tunewalk
