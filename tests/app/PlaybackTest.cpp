// Playback on a player the test drives: what plays, what ends, what the window shows.
#include "Form1Fixture.h"

#include "app/window/PlayerPanel.h"

#include <QAccessible>

namespace tunewalk {
namespace {

class PlaybackTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("sub");
        writeMp3("a.mp3", 200, fixtures::id3v1Tag("Alpha", "Ann"));
        writeMp3("b.mp3");
        writeMp3("c.mp3", 200, fixtures::id3v1Tag("Gamma"));
        start(music());
        ASSERT_EQ(names(), (QStringList{"sub", "a.mp3", "b.mp3", "c.mp3"}));
    }

    QString current() const { return form->playingFile(); }
    QString icon(const char* name) const { return rowNamed(QLatin1String(name))->iconKey(); }
    // What a screen reader says for a label: its accessible name.
    static QString spoken(QWidget* label) {
        return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
    }
    QString panel() const { return spoken(form->currentLabel()); }
};

TEST_F(PlaybackTest, PlayingARowMakesItCurrentEverywhere) {
    play("a.mp3");
    EXPECT_EQ(player.calls, (QStringList{"open " + path("a.mp3")}));
    EXPECT_TRUE(player.autoStart());
    EXPECT_EQ(current(), path("a.mp3"));
    EXPECT_TRUE(form->playing());
    EXPECT_EQ(icon("a.mp3"), "Playing");
    EXPECT_EQ(panel(), "Alpha");
    EXPECT_EQ(tray.toolTip(), "Playing: Alpha");
    EXPECT_EQ(spoken(form->playerPanel()->findChild<QLabel*>("lblTime")), "00:00:00 / 00:00:00");
    EXPECT_TRUE(shown("Pause"));
    EXPECT_TRUE(shown("Stop"));

    // A file without a title shows its file name; the icon moves with the current file.
    play("b.mp3");
    EXPECT_EQ(panel(), "b.mp3");
    EXPECT_EQ(tray.toolTip(), "Playing: b.mp3");
    EXPECT_EQ(icon("a.mp3"), "MP3");
    EXPECT_EQ(icon("b.mp3"), "Playing");

    form->pauseCommand();
    EXPECT_EQ(player.calls.last(), "pause");
    player.report(MediaPlayer::Paused);
    EXPECT_TRUE(form->paused());
    EXPECT_EQ(tray.toolTip(), "Paused: b.mp3");
    form->pauseCommand();
    EXPECT_EQ(player.calls.last(), "play");
    player.report(MediaPlayer::Playing);
    EXPECT_FALSE(form->paused());
    EXPECT_EQ(tray.toolTip(), "Playing: b.mp3");
}

TEST_F(PlaybackTest, StopGoesIdleThroughThePlayersReport) {
    play("c.mp3");
    form->stopCommand();
    EXPECT_TRUE(player.calls.contains("stop"));
    EXPECT_TRUE(idle());
    EXPECT_EQ(icon("c.mp3"), "MP3");
    EXPECT_EQ(panel(), "(none)");
    EXPECT_EQ(tray.toolTip(), "Stopped");
    EXPECT_EQ(player.calls.last(), "unload");
    EXPECT_FALSE(player.autoStart());
    EXPECT_FALSE(shown("Stop"));
    EXPECT_TRUE(shown("Play"));

    // Stop while nothing plays does nothing.
    player.calls.clear();
    form->stopCommand();
    EXPECT_TRUE(player.calls.isEmpty());
}

TEST_F(PlaybackTest, EndOfFileWithEachPlayAllAndRepeat) {
    struct Case {
        bool all, repeat;
        const char* from;
        const char* then; // what plays next; empty: idle
        const char* selected;
    };
    for (const Case c : {
             Case{true, false, "a.mp3", "b.mp3", "b.mp3"},
             Case{true, true, "a.mp3", "b.mp3", "b.mp3"},
             Case{false, true, "a.mp3", "a.mp3", "a.mp3"},
             Case{false, false, "a.mp3", "", "a.mp3"},
             // The last row: Play All starts again from the first audio file with Repeat,
             // or stops with that file selected.
             Case{true, true, "c.mp3", "a.mp3", "a.mp3"},
             Case{true, false, "c.mp3", "", "a.mp3"},
         }) {
        SCOPED_TRACE(std::string(c.from) + " all=" + (c.all ? "1" : "0") +
                     " repeat=" + (c.repeat ? "1" : "0"));
        setToggles(c.all, c.repeat);
        play(c.from);
        player.calls.clear();
        player.reachEnd();
        if (*c.then) {
            EXPECT_EQ(current(), path(QLatin1String(c.then)));
            EXPECT_EQ(player.calls.last(), "open " + path(QLatin1String(c.then)));
            EXPECT_EQ(icon(c.then), "Playing");
            player.startPlaying();
            EXPECT_TRUE(form->playing());
        } else {
            EXPECT_TRUE(idle());
            EXPECT_EQ(panel(), "(none)");
        }
        EXPECT_EQ(form->currentRow(), rowNamed(QLatin1String(c.selected)));
        EXPECT_EQ(form->getSelCount(), 1);
        if (QLatin1String(c.then) != QLatin1String(c.from)) {
            EXPECT_EQ(icon(c.from), "MP3");
        }
        form->stopCommand();
    }
}

TEST_F(PlaybackTest, NextAndPreviousAtTheEndsAndBelowAFolder) {
    play("b.mp3");
    form->command("mnuNext")->trigger();
    EXPECT_EQ(current(), path("c.mp3"));
    EXPECT_EQ(form->currentRow(), rowNamed("c.mp3"));
    player.startPlaying();

    player.calls.clear();
    form->command("mnuNext")->trigger(); // the last row: nothing
    EXPECT_EQ(current(), path("c.mp3"));
    EXPECT_TRUE(player.calls.isEmpty());

    form->command("mnuPrevious")->trigger();
    form->command("mnuPrevious")->trigger();
    EXPECT_EQ(current(), path("a.mp3"));
    player.startPlaying();
    player.calls.clear();
    form->command("mnuPrevious")->trigger(); // the row above is a folder: nothing
    EXPECT_EQ(current(), path("a.mp3"));
    EXPECT_TRUE(player.calls.isEmpty());

    // With nothing playing, Next and Previous find no row and stay idle.
    form->stopCommand();
    form->playNext(form->playingFile(), false);
    form->playPrevious(form->playingFile());
    EXPECT_TRUE(idle());
}

TEST_F(PlaybackTest, AnotherFileWhilePaused) {
    // Next while paused loads the file and pauses it as soon as it starts.
    play("a.mp3");
    form->pauseCommand();
    player.report(MediaPlayer::Paused);
    player.calls.clear();
    form->command("mnuNext")->trigger();
    EXPECT_EQ(player.calls, (QStringList{"open " + path("b.mp3")}));
    EXPECT_TRUE(form->pausingOnStart());
    player.startPlaying();
    EXPECT_TRUE(waitUntil([&] { return player.calls.last() == "pause"; }));
    EXPECT_FALSE(form->pausingOnStart());
    player.report(MediaPlayer::Paused);
    EXPECT_TRUE(form->paused());
    EXPECT_EQ(tray.toolTip(), "Paused: b.mp3");

    // Double-click (force on) starts the other file.
    player.calls.clear();
    form->clickRow(rowNamed("c.mp3"));
    form->handleDoubleClick(rowNamed("c.mp3"));
    EXPECT_EQ(player.calls, (QStringList{"open " + path("c.mp3")}));
    EXPECT_FALSE(form->pausingOnStart());
    player.startPlaying();
    EXPECT_FALSE(form->paused());
    EXPECT_EQ(tray.toolTip(), "Playing: Gamma");

    // Play on the paused file itself resumes it.
    form->pauseCommand();
    player.report(MediaPlayer::Paused);
    player.calls.clear();
    form->command("mnuPlayFile")->trigger();
    EXPECT_EQ(player.calls, (QStringList{"play"}));
}

TEST_F(PlaybackTest, ACurrentFileWhoseRowVanished) {
    form->command("mnuPlayingList")->trigger(); // off: another folder listed ends the walk
    play("a.mp3");
    list(path("sub"));
    // It plays on; Next finds no row and stops.
    EXPECT_EQ(current(), path("a.mp3"));
    EXPECT_TRUE(form->playing());
    form->playNext(form->playingFile(), false);
    EXPECT_TRUE(idle());

    // Play All at its end does the same.
    list(music());
    setToggles(true, false);
    play("a.mp3");
    list(path("sub"));
    player.reachEnd();
    EXPECT_TRUE(idle());

    // Repeat at its end starts it again, named by its file.
    list(music());
    setToggles(false, true);
    play("a.mp3");
    list(path("sub"));
    player.reachEnd();
    EXPECT_EQ(current(), path("a.mp3"));
    EXPECT_EQ(player.calls.last(), "open " + path("a.mp3"));
    EXPECT_EQ(panel(), "a.mp3");
}

TEST_F(PlaybackTest, PlayCommandWithAFolderRowCurrent) {
    form->clickRow(rowNamed("sub"));
    form->command("mnuPlayFile")->trigger();
    EXPECT_EQ(current(), path("a.mp3"));
    EXPECT_EQ(form->currentRow(), rowNamed("a.mp3"));
    player.startPlaying();

    // Playing: the command does nothing; paused: it resumes.
    form->clickRow(rowNamed("sub"));
    player.calls.clear();
    form->command("mnuPlayFile")->trigger();
    EXPECT_TRUE(player.calls.isEmpty());
    form->pauseCommand();
    player.report(MediaPlayer::Paused);
    form->clickRow(rowNamed("sub"));
    player.calls.clear();
    form->command("mnuPlayFile")->trigger();
    EXPECT_EQ(player.calls, (QStringList{"play"}));
}

TEST_F(PlaybackTest, PlayerErrorIsShownAndEndsInIdle) {
    form->command("mnuPlayingList")->trigger(); // off: the error ends Play All
    setToggles(true, false);
    play("a.mp3");
    player.fail(0xC00D1197u, "Cannot play the file");
    EXPECT_EQ(prompter.shown, (Messages{{"C00D1197: Cannot play the file\n\nFile: " + path("a.mp3"),
                                         Icon::Critical, Buttons::Ok}}));
    EXPECT_TRUE(idle());
    EXPECT_EQ(icon("a.mp3"), "MP3");

    // The window keeps working.
    play("b.mp3");
    EXPECT_TRUE(form->playing());
}

TEST_F(PlaybackTest, TitleArrivingWithTheDetailsAndTheMinimizedCaption) {
    writeMp3("d.mp3", 200, fixtures::id3v1Tag("Delta"));
    form->addFile(path("d.mp3"));
    play("d.mp3");
    EXPECT_EQ(panel(), "d.mp3"); // its details are not read yet
    form->detailsChanged(path("d.mp3"));
    waitForDetails();
    EXPECT_EQ(panel(), "Delta");

    form->setWindowState(Qt::WindowMinimized);
    ASSERT_TRUE(form->isMinimized());
    play("a.mp3");
    EXPECT_EQ(form->windowTitle(), "Alpha");
    form->stopCommand();
    EXPECT_EQ(form->windowTitle(), "Tunewalk");
    form->showNormal();
    ASSERT_TRUE(waitUntil([&] { return !form->isMinimized(); }));
    EXPECT_EQ(form->windowTitle(), "Tunewalk - " + music());
}

TEST_F(PlaybackTest, MenusCarryTheCommands) {
    // The pop-up offers Play and the moves for a file row only.
    form->clickRow(rowNamed("sub"));
    form->handleRightClick(rowNamed("sub"));
    EXPECT_FALSE(form->command("mnuPlay")->isVisible());
    EXPECT_FALSE(form->command("mnuMoveUp")->isVisible());
    form->menu("mnuPopup")->hide();
    form->clickRow(rowNamed("a.mp3"));
    form->handleRightClick(rowNamed("a.mp3"));
    EXPECT_TRUE(form->command("mnuPlay")->isVisible());
    EXPECT_TRUE(form->command("mnuMoveDown")->isVisible());
    form->menu("mnuPopup")->hide();
}

TEST_F(PlaybackTest, DoubleClickAndTrayPlay) {
    form->clickRow(rowNamed("b.mp3"));
    form->handleDoubleClick(rowNamed("b.mp3"));
    EXPECT_EQ(current(), path("b.mp3"));
    form->clickRow(rowNamed("c.mp3"));
    form->command("mnuSTPlay")->trigger();
    EXPECT_EQ(current(), path("c.mp3"));
    player.startPlaying();
    form->command("mnuSTStop")->trigger();
    EXPECT_TRUE(idle());
}

TEST_F(PlaybackTest, VolumeMenu) {
    form->menu("mnuVolume")->aboutToShow();
    EXPECT_FALSE(form->command("volumeUp")->isEnabled()); // full volume
    EXPECT_TRUE(form->command("volumeDown")->isEnabled());
    form->command("volumeDown")->trigger();
    EXPECT_EQ(player.volume(), -100);
    form->menu("mnuVolume")->aboutToShow();
    EXPECT_TRUE(form->command("volumeUp")->isEnabled());

    player.setVolume(-9950);
    form->command("volumeDown")->trigger();
    EXPECT_EQ(player.volume(), -10000);
    form->menu("mnuVolume")->aboutToShow();
    EXPECT_FALSE(form->command("volumeDown")->isEnabled());

    player.setVolume(-2500);
    form->command("volumeMute")->trigger();
    EXPECT_TRUE(player.isMuted());
    form->command("volumeMute")->trigger();
    EXPECT_FALSE(player.isMuted());
    EXPECT_EQ(player.volume(), -2500);
    form->command("volumeMute")->trigger();
    form->command("volumeUp")->trigger(); // a volume change unmutes
    EXPECT_FALSE(player.isMuted());
    EXPECT_EQ(player.volume(), -2400);
}

TEST_F(PlaybackTest, ToolbarPreviousRestartsOrGoesBack) {
    play("b.mp3");
    player.seconds = 1.0;
    form->button("Previous")->trigger();
    EXPECT_EQ(player.calls.last(), "seek 0");
    EXPECT_EQ(current(), path("b.mp3"));

    player.seconds = 0.5;
    form->button("Previous")->trigger();
    EXPECT_EQ(current(), path("a.mp3"));

    // The menu item always goes back a file.
    play("b.mp3");
    player.seconds = 1.0;
    form->command("mnuPrevious")->trigger();
    EXPECT_EQ(current(), path("a.mp3"));
}

} // namespace
} // namespace tunewalk
