// The playing list: Play All goes on through the playing folder while another is listed, the
// next file is told to the player ahead, and the window follows the player's switch.
#include "Form1Fixture.h"

#include <QStatusBar>

namespace tunewalk {
namespace {

class PlayingListTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("sub");
        writeMp3("sub/x.mp3");
        writeMp3("a.mp3");
        writeMp3("b.mp3", 200, fixtures::id3v1Tag("Beta"));
        writeMp3("c.mp3");
        start(music());
        setToggles(true, false);
    }
    QString current() const { return form->playingFile(); }
    QString icon(const char* name) const { return rowNamed(QLatin1String(name))->iconKey(); }
    QString told(const char* name) {
        QCoreApplication::processEvents(); // the window tells the player once things settle
        return player.nextAfter.value(path(name)).section('/', -1);
    }
    QString notice() const { return form->statusBar()->currentMessage(); }
};

TEST_F(PlayingListTest, PlayAllGoesOnInThePlayingFolderWhileAnotherIsListed) {
    play("a.mp3");
    list(path("sub"));
    const ListEntry* chosen = form->currentRow();
    ASSERT_EQ(chosen, rowNamed("x.mp3"));
    // Next and Previous act on the playing folder, from the tray too.
    EXPECT_TRUE(form->command("mnuNext")->isEnabled());
    form->command("mnuSTNext")->trigger();
    player.startPlaying();
    EXPECT_EQ(current(), path("b.mp3"));
    EXPECT_EQ(tray.toolTip(), "Playing: Beta");
    form->command("mnuPrevious")->trigger();
    player.startPlaying();
    EXPECT_EQ(current(), path("a.mp3"));
    // The end of a file goes on to the next; the listed folder is left as the user chose it.
    player.reachEnd();
    player.startPlaying();
    EXPECT_EQ(current(), path("b.mp3"));
    EXPECT_EQ(form->currentRow(), chosen);
    EXPECT_EQ(icon("x.mp3"), "MP3");

    // Listed again, the playing folder shows the playing row, and its own order counts.
    list(music());
    EXPECT_EQ(icon("b.mp3"), "Playing");
    player.reachEnd();
    player.startPlaying();
    EXPECT_EQ(current(), path("c.mp3"));
    // Past the last file without Repeat: it stops.
    list(path("sub"));
    player.reachEnd();
    EXPECT_TRUE(idle());
    EXPECT_EQ(form->currentRow(), rowNamed("x.mp3"));
}

TEST_F(PlayingListTest, TheNextFileIsToldAheadAndTheWindowFollowsTheSwitch) {
    player.gapless = true;
    play("a.mp3");
    EXPECT_EQ(told("a.mp3"), "b.mp3");
    player.switchToNext();
    EXPECT_EQ(current(), path("b.mp3"));
    EXPECT_EQ(form->currentRow(), rowNamed("b.mp3"));
    EXPECT_EQ(form->getSelCount(), 1);
    EXPECT_EQ(icon("b.mp3"), "Playing");
    EXPECT_EQ(icon("a.mp3"), "MP3");
    EXPECT_EQ(tray.toolTip(), "Playing: Beta");
    EXPECT_TRUE(form->playing());
    EXPECT_EQ(told("b.mp3"), "c.mp3");

    // A change of the order, of Play All or of Repeat is told again.
    form->clickRow(rowNamed("c.mp3"));
    form->moveUp(); // c before b: b is the last now
    EXPECT_EQ(told("b.mp3"), "");
    setToggles(true, true);
    EXPECT_EQ(told("b.mp3"), "a.mp3");
    setToggles(false, true);
    EXPECT_EQ(told("b.mp3"), "b.mp3");
    setToggles(false, false);
    EXPECT_EQ(told("b.mp3"), "");

    // The user chose another row meanwhile: the switch leaves the selection alone.
    setToggles(true, false);
    form->clickRow(rowNamed("sub"));
    form->playItem(path("a.mp3"), true);
    player.startPlaying();
    form->clickRow(rowNamed("sub"));
    EXPECT_EQ(told("a.mp3"), "c.mp3");
    player.switchToNext();
    EXPECT_EQ(current(), path("c.mp3"));
    EXPECT_EQ(form->currentRow(), rowNamed("sub"));
}

TEST_F(PlayingListTest, AFileThatCannotPlayIsNamedAndSkipped) {
    play("a.mp3");
    player.fail(0xC00D1197u, "Cannot play the file");
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(notice(), "Skipped a.mp3: Cannot play the file");
    EXPECT_EQ(current(), path("b.mp3"));
    player.startPlaying();

    // Round again with Repeat, every file failing: the second time a file fails, the error is
    // shown and playback ends.
    setToggles(true, true);
    player.fail(1, "Bad");
    player.fail(1, "Bad");
    EXPECT_EQ(current(), path("a.mp3"));
    EXPECT_TRUE(prompter.shown.empty());
    player.fail(1, "Bad");
    player.fail(1, "Bad");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(idle());
}

} // namespace
} // namespace tunewalk
