// Start-up, the settings it applies, the start folder and what shut-down saves.
#include "Form1Fixture.h"

#include "common/Twips.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QSettings>

namespace tunewalk {
namespace {

TEST_F(Form1Test, FirstRunUsesEveryDefaultAndListsTheProgramFolder) {
    Form1& w = start();
    EXPECT_FALSE(w.mnuRepeat->isChecked());
    EXPECT_TRUE(w.mnuAll->isChecked());
    EXPECT_TRUE(w.mnuSTPlayAll->isChecked());
    EXPECT_TRUE(w.button("All")->isChecked());
    EXPECT_FALSE(w.button("Repeat")->isChecked());
    EXPECT_TRUE(w.mnuConfirmDeletes->isChecked());
    EXPECT_FALSE(w.mnuPermanentDelete->isChecked());
    EXPECT_EQ(w.button("Delete")->toolTip(), "Send Selected Item(s) to Recycle Bin");
    EXPECT_TRUE(w.mnuFloater->isChecked());
    EXPECT_FALSE(w.mnuFolderSizes->isChecked());
    EXPECT_TRUE(w.mnuShowTree->isChecked());
    EXPECT_FALSE(w.mnuGridLines->isChecked());
    EXPECT_FALSE(w.mnuSystemTray->isChecked());
    EXPECT_EQ(w.button("Zoom")->toolTip(), "Zoom to Small Window");
    EXPECT_FALSE(w.mnuStartupZoom->isChecked());
    EXPECT_TRUE(w.mnuRememberPosition->isChecked());
    EXPECT_EQ(w.dirCurrent, programFolder());
    EXPECT_EQ(w.windowTitle(), "Tunewalk - " + programFolder());
    EXPECT_EQ(w.panelCurrent->text(), "(none)");
    EXPECT_FALSE(shown("Next"));
    EXPECT_FALSE(shown("Previous"));
    EXPECT_TRUE(prompter.shown.empty());

    // Nothing but the window id is written before shut-down.
    QSettings raw(settingsFile, QSettings::IniFormat);
    EXPECT_EQ(raw.allKeys(), QStringList{"Settings/HWND"});
}

TEST_F(Form1Test, SavedOptionsAreAppliedByTheirOwnRule) {
    // "on only if True" keys take anything else as off; "on unless False" keys the reverse.
    setSetting("Repeat", "true");
    setSetting("All", "no");
    setSetting("ShowTree", "yes");
    setSetting("GridLines", "1");
    setSetting("SystemTray", "True");
    setSetting("PermanentDelete", "True");
    Form1& w = start();
    EXPECT_FALSE(w.mnuRepeat->isChecked());
    EXPECT_TRUE(w.mnuAll->isChecked());
    EXPECT_FALSE(w.mnuShowTree->isChecked());
    EXPECT_FALSE(w.Treefolder1->isVisible());
    EXPECT_TRUE(w.mnuGridLines->isChecked());
    EXPECT_EQ(w.button("Zoom")->toolTip(), "Zoom to System Tray");
    EXPECT_EQ(w.button("Delete")->toolTip(), "Delete Selected Item(s)");
}

TEST_F(Form1Test, PositionIsRestoredAndSavedInTwips) {
    setPosition("Left", "1500");
    setPosition("Top", "3000");
    setPosition("Width", "12000");
    setPosition("Height", "9000.4");
    setPosition("TreeWidth", "4500");
    setPosition("Track", "1500");
    setPosition("Artist", "4852.5");
    setPosition("ArtistPos", "0");
    setPosition("FilePos", "3");
    Form1& w = start();
    EXPECT_EQ(w.pos(), QPoint(100, 200));
    EXPECT_EQ(w.size(), QSize(800, 600));
    EXPECT_EQ(w.treeWidthTwips(), 4500);
    EXPECT_EQ(w.ListView1->columnWidth(Col::Track), 100);
    EXPECT_EQ(w.ListView1->columnWidth(Col::Artist), toPixels(4852.5));
    EXPECT_EQ(w.ListView1->header()->visualIndex(Col::Name), 3);

    w.close();
    EXPECT_EQ(position("Maximized"), "False");
    EXPECT_EQ(position("Left"), "1500");
    EXPECT_EQ(position("Top"), "3000");
    EXPECT_EQ(position("Width"), "12000");
    EXPECT_EQ(position("Height"), "9000");
    EXPECT_EQ(position("TreeWidth"), "4500");
    EXPECT_EQ(position("Track"), "1500");
    EXPECT_EQ(position("FilePos"), "3");
    for (const char* key : {"File", "Length", "Bitrate", "Size", "Modified"})
        EXPECT_NE(position(key), "absent") << key;
    EXPECT_EQ(position("SmLeft"), "absent");
}

TEST_F(Form1Test, HugeOrFarAwayGeometryIsBroughtOntoTheScreenAndSavedSo) {
    for (const char* left : {"-100000000", "100000000"}) {
        setPosition("Left", left);
        setPosition("Top", left[0] == '-' ? "100000000" : "-100000000");
        for (const char* key : {"Width", "Height", "TreeWidth"})
            setPosition(key, "1000000000");
        setPosition("Artist", "3000000"); // the list takes it, though no screen is that wide
        Form1& w = start();
        const QRect area = w.screen()->availableGeometry();
        EXPECT_TRUE(area.contains(QRect(w.pos(), w.size())));
        EXPECT_LT(w.treeWidthTwips(), toTwips(area.width()));
        EXPECT_LE(w.ListView1->columnWidth(Col::Artist), area.width());
        w.close();
        EXPECT_EQ(position("Left").toDouble(), toTwips(w.x())) << left;
        EXPECT_EQ(position("Top").toDouble(), toTwips(w.y()));
        EXPECT_EQ(position("Width").toDouble(), toTwips(w.width()));
        EXPECT_EQ(position("Height").toDouble(), toTwips(w.height()));
        EXPECT_EQ(position("TreeWidth").toDouble(), w.treeWidthTwips());
        EXPECT_EQ(position("Artist").toDouble(), toTwips(w.ListView1->columnWidth(Col::Artist)));
    }
}

TEST_F(Form1Test, MaximizedWindowTakesItsNormalGeometryFirstAndKeepsItAtShutDown) {
    setPosition("Left", "1500");
    setPosition("Width", "12000");
    setPosition("Maximized", "True");
    Form1& w = start();
    EXPECT_TRUE(w.isMaximized());
    EXPECT_EQ(w.normalGeometry().width(), 800);
    w.close();
    EXPECT_EQ(position("Maximized"), "True");
    EXPECT_EQ(position("Width"), "12000"); // the saved size is left alone
}

TEST_F(Form1Test, SmallWindowShutDownSavesOnlyTheSmallPlace) {
    setPosition("Width", "12000");
    Form1& w = start();
    w.zoom();
    ASSERT_TRUE(w.smallWindowMode);
    w.move(300, 40);
    setPosition("Width", "9999"); // full geometry from an earlier run must survive
    w.close();
    EXPECT_EQ(position("SmLeft"), "4500");
    EXPECT_EQ(position("SmTop"), "600");
    EXPECT_EQ(position("SmWidth"), QString::number(toTwips(w.width())));
    EXPECT_EQ(position("Width"), "9999");
    EXPECT_EQ(position("Maximized"), "False");
}

TEST_F(Form1Test, RememberPositionOffNeitherReadsNorWritesPosition) {
    setSetting("RememberPos", "False");
    setPosition("Width", "3000");
    Form1& w = start();
    EXPECT_NE(w.width(), 200);
    w.close();
    QSettings raw(settingsFile, QSettings::IniFormat);
    raw.beginGroup("Position");
    EXPECT_EQ(raw.allKeys(), QStringList{"Width"});
}

TEST_F(Form1Test, NonNumericPositionValueIsReportedOnceAndSkipped) {
    setPosition("Left", "abc");
    setPosition("Top", "1500");
    setPosition("FilePos", "x1");
    Form1& w = start();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains("Left = \"abc\""));
    EXPECT_TRUE(prompter.shown[0].text.contains("FilePos"));
    EXPECT_EQ(w.pos().y(), 100); // the rest of start-up went on
    EXPECT_EQ(w.dirCurrent, programFolder());
}

TEST_F(Form1Test, StartFolderComesFromTheCommandLineOrTheDefault) {
    const QString prog = programFolder();
    mkdir("Best Of");
    writeMp3("a b.mp3");
    const QString folder = path("Best Of");

    // A quoted folder with a blank in it.
    EXPECT_EQ(chooseStartFolder('"' + folder + '"', "none", prog).folder, folder);
    // An unquoted file that exists as a whole: its folder, and the file is selected.
    StartChoice c = chooseStartFolder(path("a b.mp3"), "none", prog);
    EXPECT_EQ(c.folder, music());
    EXPECT_EQ(c.pendingSelection, path("a b.mp3"));
    // No such file or folder: only the text before the first blank counts.
    mkdir("My Music");
    c = chooseStartFolder(path("My Music/x.mp3 /extra"), "none", prog);
    EXPECT_EQ(c.folder, music());
    EXPECT_TRUE(c.pendingSelection.isEmpty());
    // An MP3 name that does not exist: its folder, nothing to select.
    c = chooseStartFolder(path("gone.mp3"), "none", prog);
    EXPECT_EQ(c.folder, music());
    EXPECT_TRUE(c.pendingSelection.isEmpty());
    // The default folder, the program's folder, and the fallback for a folder that is gone.
    EXPECT_EQ(chooseStartFolder("", folder, prog).folder, folder);
    EXPECT_EQ(chooseStartFolder("", "none", prog).folder, prog);
    EXPECT_EQ(chooseStartFolder("", path("gone"), prog).folder, prog);
    EXPECT_EQ(chooseStartFolder("\"\"", "none", prog).folder, prog);
}

TEST_F(Form1Test, AnAudioFileOnTheCommandLineIsSelectedAfterTheFirstListing) {
    writeMp3("a.mp3");
    writeMp3("b.mp3");
    Form1& w = start(path("b.mp3"));
    EXPECT_EQ(w.dirCurrent, music());
    ASSERT_NE(w.currentRow(), nullptr);
    EXPECT_EQ(w.currentRow()->key, path("b.mp3"));
    EXPECT_TRUE(w.pendingSelection.isEmpty());
}

TEST_F(Form1Test, SecondWindowIdIsWrittenAtEveryStart) {
    setSetting("HWND", "12345");
    Form1& w = start();
    EXPECT_EQ(setting("HWND"), QString::number(w.winId()));
}

} // namespace
} // namespace tunewalk
