// Start-up, the settings it applies, the start folder and what shut-down saves.
#include "Form1Fixture.h"

namespace tunewalk {
namespace {

TEST_F(Form1Test, FirstRunUsesEveryDefaultAndListsTheFallbackFolder) {
    setSetting("HWND", "12345"); // an earlier run's window id is replaced
    Form1& w = start();
    EXPECT_EQ(checked({w.command("mnuRepeat"), w.command("mnuAll"), w.command("mnuConfirmDeletes"),
                       w.command("mnuPermanentDelete"), w.command("mnuFloater"),
                       w.command("mnuFolderSizes"), w.command("mnuShowTree"),
                       w.command("mnuGridLines"), w.command("mnuSystemTray"),
                       w.command("mnuStartupZoom"), w.command("mnuRememberPosition")}),
              "01101010001");
    // The desktop's word for where deleted files go.
    EXPECT_EQ(w.button("Delete")->toolTip(), "Send Selected Item(s) to Trash");
    EXPECT_EQ(w.command("mnuDeleteFile")->text(), "&Delete File/Folder to Trash");
    EXPECT_EQ(w.command("mnuDelete")->text(), "&Delete (to Trash)");
    EXPECT_EQ(w.button("Zoom")->toolTip(), "Zoom to Small Window");
    EXPECT_EQ(w.folder(), programFolder());
    EXPECT_EQ(w.windowTitle(), "Tunewalk - " + programFolder());
    EXPECT_EQ(w.currentLabel()->text(), "(none)");
    EXPECT_TRUE(prompter.shown.empty());

    // Nothing but the window id is written before shut-down.
    QSettings raw(settingsFile, QSettings::IniFormat);
    EXPECT_EQ(raw.allKeys(), QStringList{"Settings/HWND"});
    EXPECT_EQ(setting("HWND"), QString::number(w.winId()));
}

TEST_F(Form1Test, SavedOptionsAreAppliedByTheirOwnRule) {
    // "on only if True" keys take anything else as off; "on unless False" keys the reverse.
    setSettings({"Repeat", "true", "All", "no", "ShowTree", "yes", "GridLines", "1", "SystemTray",
                 "True", "PermanentDelete", "True"});
    Form1& w = start();
    EXPECT_EQ(checked({w.command("mnuRepeat"), w.command("mnuAll"), w.command("mnuShowTree"),
                       w.command("mnuGridLines")}),
              "0101");
    EXPECT_FALSE(w.tree()->isVisible());
    EXPECT_EQ(w.button("Zoom")->toolTip(), "Zoom to System Tray");
    EXPECT_EQ(w.button("Delete")->toolTip(), "Delete Selected Item(s)");
}

TEST_F(Form1Test, PositionIsRestoredAndSavedInTwips) {
    // The saved place and size are the outer frame's.
    setPositions({"Left", "1500", "Top", "1500", "Width", "9000", "Height", "6000.4", "TreeWidth",
                  "4500", "Track", "1500", "Artist", "4852.5", "ArtistPos", "0", "FilePos", "3"});
    Form1& w = start();
    EXPECT_EQ(w.frameGeometry(), QRect(100, 100, 600, 400));
    EXPECT_EQ(w.treeWidthTwips(), 4500);
    EXPECT_EQ(w.list()->columnWidth(Col::Track), 100);
    EXPECT_EQ(w.list()->columnWidth(Col::Artist), toPixels(4852.5));
    EXPECT_EQ(w.list()->header()->visualIndex(Col::Name), 3);

    w.close();
    EXPECT_EQ(
        positions({"Maximized", "Left", "Top", "Width", "Height", "TreeWidth", "Track", "FilePos",
                   "SmLeft"}),
        (QStringList{"False", "1500", "1500", "9000", "6000", "4500", "1500", "3", "absent"}));
    for (const char* key : {"File", "Length", "Bitrate", "Size", "Modified"})
        EXPECT_NE(position(key), "absent") << key;
}

TEST_F(Form1Test, HugeOrFarAwayGeometryIsBroughtWhollyOntoTheScreenAndSavedSo) {
    // The last case is a window saved at a smaller scale: wider than this screen, and placed so
    // that its right side (the volume and the time) would be off it.
    for (const char* left : {"-100000000", "100000000", "3000"}) {
        const char* top = left[0] == '-' ? "100000000" : "-100000000";
        // The list takes any column width, though no screen is that wide.
        setPositions({"Left", left, "Top", top, "Width", "1000000000", "Height", "1000000000",
                      "TreeWidth", "1000000000", "Artist", "3000000"});
        if (QByteArray(left) == "3000")
            setPositions({"Top", "0", "Width", "18000", "Height", "6000"});
        Form1& w = start();
        const QRect area = w.screen()->availableGeometry();
        const QRect frame = w.frameGeometry();
        EXPECT_TRUE(area.contains(frame)) << left;
        EXPECT_LT(w.treeWidthTwips(), toTwips(area.width()));
        EXPECT_LE(w.list()->columnWidth(Col::Artist), area.width());
        w.close();
        EXPECT_EQ(
            positions({"Left", "Top", "Width", "Height"}),
            (QStringList{QString::number(toTwips(frame.x())), QString::number(toTwips(frame.y())),
                         QString::number(toTwips(frame.width())),
                         QString::number(toTwips(frame.height()))}))
            << left;
        EXPECT_EQ(position("TreeWidth").toDouble(), w.treeWidthTwips());
        EXPECT_EQ(position("Artist").toDouble(), toTwips(w.list()->columnWidth(Col::Artist)));
    }
}

TEST_F(Form1Test, MaximizedWindowTakesItsNormalGeometryFirstAndKeepsItAtShutDown) {
    setPositions({"Left", "1500", "Width", "9000", "Maximized", "True"});
    Form1& w = start();
    EXPECT_TRUE(w.isMaximized());
    // Within the frame's borders, which are set exactly when it comes back from maximized.
    EXPECT_NEAR(w.normalGeometry().width(), 600, w.frameGeometry().width() - w.width());
    w.close();
    EXPECT_EQ(position("Maximized"), "True");
    EXPECT_EQ(position("Width"), "9000"); // the saved size is left alone
}

TEST_F(Form1Test, SmallWindowShutDownSavesOnlyTheSmallPlace) {
    setPositions({"Width", "12000"});
    Form1& w = start();
    w.zoom();
    ASSERT_TRUE(w.inSmallWindow());
    w.move(300, 40);
    setPositions({"Width", "9999"}); // full geometry from an earlier run must survive
    w.close();
    EXPECT_EQ(positions({"SmLeft", "SmTop", "SmWidth", "Width", "Maximized"}),
              (QStringList{"4500", "600", QString::number(toTwips(w.width())), "9999", "False"}));
}

TEST_F(Form1Test, RememberPositionOffNeitherReadsNorWritesPosition) {
    setSetting("RememberPos", "False");
    setPositions({"Width", "3000"});
    Form1& w = start();
    EXPECT_NE(w.width(), 200);
    w.close();
    QSettings raw(settingsFile, QSettings::IniFormat);
    raw.beginGroup("Position");
    EXPECT_EQ(raw.allKeys(), QStringList{"Width"});
}

TEST_F(Form1Test, NonNumericPositionValueIsReportedOnceAndSkipped) {
    setPositions({"Left", "abc", "Top", "300", "FilePos", "x1"});
    Form1& w = start();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains("Left = \"abc\""));
    EXPECT_TRUE(prompter.shown[0].text.contains("FilePos"));
    EXPECT_EQ(w.pos().y(), 20); // the rest of start-up went on
    EXPECT_EQ(w.folder(), programFolder());
}

TEST_F(Form1Test, StartFolderComesFromTheCommandLineOrTheDefault) {
    const QString prog = programFolder(), folder = path("Best Of");
    mkdir("Best Of");
    mkdir("My Music");
    writeMp3("a b.mp3");
    // The command line and the default folder, then the folder and the file chosen.
    const QStringList cases[] = {
        {'"' + folder + '"', "none", folder, ""},            // quoted, with a blank in it
        {path("a b.mp3"), "none", music(), path("a b.mp3")}, // unquoted, existing as a whole
        // No such file or folder: only the text before the first blank counts.
        {path("My Music/x.mp3 /extra"), "none", music(), ""},
        {path("gone.mp3"), "none", music(), ""},
        // The default folder, the program's folder, and the fallback for a folder that is gone.
        {"", folder, folder, ""},
        {"", "none", prog, ""},
        {"", path("gone"), prog, ""},
        {"\"\"", "none", prog, ""}};
    for (const QStringList& c : cases) {
        const StartChoice got = chooseStartFolder(c[0], c[1], prog);
        EXPECT_EQ(QStringList({got.folder, got.pendingSelection}), c.mid(2)) << c[0].toStdString();
    }
    // Several items from Open With: the first; a typed path in pieces: the whole of it.
    writeMp3("b.mp3");
    EXPECT_EQ(commandLineOf({path("a b.mp3"), path("b.mp3")}, "/"), path("a b.mp3"));
    EXPECT_EQ(commandLineOf({path("a"), "b.mp3"}, "/"), path("a b.mp3"));
    EXPECT_EQ(commandLineOf({"a", "b.mp3"}, music()), "a b.mp3");
}

TEST_F(Form1Test, WithNothingNamedTheProgramStartsInTheMusicFolderOrElseAtHome) {
    // Where the desktop keeps the user's folders, as the user's own settings name them.
    const QString home = root.filePath("home");
    setEnv("HOME", home);
    setEnv("XDG_CONFIG_HOME", home + "/.config");
    QDir(home).mkpath(".config");
    const auto userDirs = [&](const QByteArray& line) {
        QFile file(home + "/.config/user-dirs.dirs");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(line) == line.size());
    };
    userDirs("XDG_MUSIC_DIR=\"$HOME/Tunes\"\n");
    EXPECT_EQ(fallbackStartFolder(), home) << "the named folder is not there";
    QDir(home).mkpath("Tunes");
    EXPECT_EQ(fallbackStartFolder(), home + "/Tunes");
    QFile::remove(home + "/.config/user-dirs.dirs");
    QDir(home).mkpath("Music");
    EXPECT_EQ(fallbackStartFolder(), home + "/Music") << "the usual name when none is set";
}

TEST_F(Form1Test, AnotherStartListsWhatItWasGivenAndBringsTheWindowForward) {
    mkdir("Best Of");
    writeMp3("Best Of/x y.mp3");
    writeMp3("Best Of/z.mp3");
    writeMp3("a.mp3");
    Form1& w = start();
    int listings = 0;
    QObject::connect(&w, &Form1::listed, [&listings] { ++listings; });
    const auto handOver = [&](const QString& line, const QString& workingFolder) {
        w.showMinimized();
        ASSERT_TRUE(waitUntil([&] { return w.isMinimized(); }));
        listings = 0;
        w.openFromAnotherStart(line, workingFolder);
        EXPECT_FALSE(w.isMinimized()) << "the window comes forward at once";
    };

    // A folder relative to where the other start was made, with a blank in its name.
    handOver("Best Of", music());
    ASSERT_TRUE(waitUntil([&] { return listings == 1; }));
    EXPECT_EQ(w.folder(), path("Best Of"));
    EXPECT_EQ(w.playingFile(), "");

    // A file in the listed folder is played where it is, without listing the folder again.
    handOver(path("Best Of/x y.mp3"), "/");
    ASSERT_TRUE(waitUntil([&] { return w.playingFile() == path("Best Of/x y.mp3"); }));
    EXPECT_EQ(w.currentRow()->key, path("Best Of/x y.mp3"));
    EXPECT_EQ(listings, 0);

    // A file elsewhere: its folder is listed and the file played, as at a first start; while a
    // dialog that reads the list is open, once it has closed.
    QDialog dialog(&w);
    dialog.open();
    handOver('"' + path("a.mp3") + '"', "/");
    waitUntil([] { return false; }, 100);
    EXPECT_EQ(w.folder(), path("Best Of"));
    dialog.accept();
    ASSERT_TRUE(waitUntil([&] { return w.playingFile() == path("a.mp3"); }));
    EXPECT_EQ(w.folder(), music());
    EXPECT_EQ(w.currentRow()->key, path("a.mp3"));

    // Nothing named: only the window comes forward. A folder that is not there is said so,
    // and the list stays.
    handOver("", "");
    handOver(path("gone/x.mp3"), "/");
    ASSERT_TRUE(waitUntil([&] { return !prompter.shown.empty(); }));
    EXPECT_EQ(prompter.shown, (Messages{{"No such directory: \"" + path("gone") + '"',
                                         Icon::Critical, Buttons::Ok}}));
    EXPECT_EQ(w.folder(), music());
    EXPECT_EQ(listings, 0);
    EXPECT_EQ(w.playingFile(), path("a.mp3"));
}

TEST_F(Form1Test, AnAudioFileOnTheCommandLineIsSelectedAfterTheFirstListing) {
    writeMp3("a.mp3");
    writeMp3("b.mp3");
    Form1& w = start(path("b.mp3"));
    EXPECT_EQ(w.folder(), music());
    ASSERT_NE(w.currentRow(), nullptr);
    EXPECT_EQ(w.currentRow()->key, path("b.mp3"));
}

} // namespace
} // namespace tunewalk
