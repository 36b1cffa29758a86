// Which commands are enabled and shown, and the settings toggles.
#include "Form1Fixture.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>

namespace tunewalk {
namespace {

class CommandStatesTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("folder");
        writeMp3("a.mp3");
        writeBytes("b.wav", fixtures::wavFile({}));
        start(music());
    }
    void play(bool playing, bool paused, const QString& file) {
        form->isPlaying = playing;
        form->isPaused = paused;
        form->currentFile = file;
        form->updateCommandStates(false);
    }
};

TEST_F(CommandStatesTest, PlayerStateFollowsPlayingPausedAndPlayAll) {
    struct Case {
        bool playing, paused, all;
        int state;
    };
    for (const Case c :
         {Case{false, false, true, 0}, Case{false, true, false, 0}, Case{true, false, false, 1},
          Case{true, true, false, 2}, Case{true, false, true, 3}, Case{true, true, true, 4}}) {
        form->mnuAll->setChecked(c.all);
        play(c.playing, c.paused, path("a.mp3"));
        EXPECT_EQ(form->playerState, c.state) << c.playing << c.paused << c.all;
    }
}

TEST_F(CommandStatesTest, NothingLoadedShowsOnlyPlay) {
    play(false, false, {});
    EXPECT_TRUE(shown("Play"));
    for (const char* key : {"Pause", "Stop", "Next", "Previous"})
        EXPECT_FALSE(shown(key)) << key;
    EXPECT_TRUE(form->mnuSTPlay->isEnabled());
    EXPECT_FALSE(form->mnuSTStop->isEnabled());
    EXPECT_FALSE(form->mnuShowCurrent->isEnabled());
    EXPECT_TRUE(shown("Random"));
    EXPECT_TRUE(form->mnuRandom->isEnabled());
}

TEST_F(CommandStatesTest, PlayingAndPausedStates) {
    play(true, false, path("a.mp3")); // playing all (state 3)
    for (const char* key : {"Pause", "Stop", "Next", "Previous"})
        EXPECT_TRUE(shown(key)) << key;
    EXPECT_FALSE(form->mnuPlayFile->isEnabled());
    EXPECT_TRUE(form->mnuShowCurrent->isEnabled());
    EXPECT_TRUE(form->currentInList);

    play(true, true, path("a.mp3")); // paused (state 4): Play resumes
    EXPECT_TRUE(form->mnuPlayFile->isEnabled());
    EXPECT_TRUE(form->mnuSTPlay->isEnabled());

    // A current file from another folder: no Next or Previous.
    play(true, false, "/elsewhere/x.mp3");
    EXPECT_FALSE(form->currentInList);
    EXPECT_FALSE(shown("Next"));
    EXPECT_FALSE(form->mnuSTPrevious->isEnabled());
    EXPECT_TRUE(shown("Stop"));
}

TEST_F(CommandStatesTest, RowClickShowsTheRowKindsButtons) {
    form->clickRow(rowNamed("a.mp3"));
    EXPECT_TRUE(shown("MoveUp"));
    EXPECT_TRUE(shown("Tags"));
    EXPECT_FALSE(shown("Headers"));
    EXPECT_FALSE(form->mnuWAVHeaders->isEnabled());
    EXPECT_TRUE(form->mnuMoveUp1->isEnabled());

    form->clickRow(rowNamed("b.wav"));
    EXPECT_TRUE(shown("Headers"));
    EXPECT_FALSE(shown("Tags")); // no MP3 selected
    EXPECT_TRUE(form->mnuWAVHeaders->isEnabled());

    form->clickRow(rowNamed("folder"));
    for (const char* key : {"MoveUp", "MoveDown", "Tags", "Headers"})
        EXPECT_FALSE(shown(key));
    EXPECT_FALSE(form->mnuMoveDown1->isEnabled());
    EXPECT_TRUE(shown("Play")); // stopped with audio files in the folder
    play(true, false, path("a.mp3"));
    EXPECT_FALSE(shown("Play"));
    EXPECT_FALSE(form->mnuPlayFile->isEnabled());
}

TEST_F(CommandStatesTest, EmptyListHidesThePlaylistButtons) {
    mkdir("none");
    list(path("none"));
    for (const char* key : {"Random", "MoveUp", "MoveDown", "Tags", "Headers", "Play"})
        EXPECT_FALSE(shown(key)) << key;
    EXPECT_FALSE(form->mnuRandom->isEnabled());
}

TEST_F(CommandStatesTest, EveryToggleWritesItsSettingAtOnce) {
    struct Toggle {
        QAction* action;
        const char* key;
    };
    const Toggle toggles[] = {
        {form->mnuSystemTray, "SystemTray"},
        {form->mnuFloater, "Floater"},
        {form->mnuStartupZoom, "Zoom"},
        {form->mnuRememberPosition, "RememberPos"},
        {form->mnuShowTree, "ShowTree"},
        {form->mnuGridLines, "GridLines"},
        {form->mnuFolderSizes, "FolderSizes"},
        {form->mnuConfirmDeletes, "ConfirmDeletes"},
        {form->mnuPermanentDelete, "PermanentDelete"},
        {form->mnuRepeat, "Repeat"},
        {form->mnuAll, "All"},
    };
    for (const Toggle& t : toggles) {
        const bool before = t.action->isChecked();
        t.action->trigger();
        QSettings raw(settingsFile, QSettings::IniFormat); // what is on disk now
        EXPECT_EQ(raw.value(QStringLiteral("Settings/") + t.key).toString(),
                  before ? "False" : "True")
            << t.key;
        t.action->trigger();
        EXPECT_EQ(setting(t.key), before ? "True" : "False") << t.key;
    }
}

TEST_F(CommandStatesTest, TogglesTakeEffectAtOnce) {
    form->mnuSystemTray->trigger();
    EXPECT_EQ(form->button("Zoom")->toolTip(), "Zoom to System Tray");
    form->mnuSystemTray->trigger();
    EXPECT_EQ(form->button("Zoom")->toolTip(), "Zoom to Small Window");

    form->mnuPermanentDelete->trigger();
    EXPECT_EQ(form->button("Delete")->toolTip(), "Delete Selected Item(s)");

    // Repeat and Play All are mirrored on the tray menu and the toolbar, whichever is used.
    form->button("Repeat")->trigger();
    EXPECT_TRUE(form->mnuRepeat->isChecked());
    EXPECT_TRUE(form->mnuSTRepeat->isChecked());
    EXPECT_EQ(setting("Repeat"), "True");
    form->mnuSTPlayAll->trigger();
    EXPECT_FALSE(form->mnuAll->isChecked());
    EXPECT_FALSE(form->button("All")->isChecked());
    EXPECT_EQ(setting("All"), "False");

    // Hiding the tree gives the list the whole width.
    form->mnuShowTree->trigger();
    EXPECT_FALSE(form->Treefolder1->isVisible());
    EXPECT_FALSE(form->lblSpacer->isVisible());
    EXPECT_EQ(form->ListView1->x(), 0);
    EXPECT_EQ(form->ListView1->width(), form->centralWidget()->width());
    form->mnuShowTree->trigger();
    EXPECT_TRUE(form->Treefolder1->isVisible());
    EXPECT_GT(form->ListView1->x(), form->Treefolder1->width() - 2);
}

TEST_F(CommandStatesTest, DeleteAllSettingsAsksFirst) {
    setSetting("DefaultPath", music());
    prompter.answers.push_back(Prompter::Answer::No);
    form->mnuUnregister->trigger();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Are you sure you want to delete all application settings? This includes the "
              "Favorites List and Default Folder");
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_EQ(setting("DefaultPath"), music());
    form->mnuUnregister->trigger(); // unscripted: Yes
    EXPECT_EQ(setting("DefaultPath"), "absent");
    EXPECT_EQ(setting("HWND"), "absent");
}

TEST_F(CommandStatesTest, MakeCurrentFolderTheDefault) {
    form->mnuDefaultCurrent->trigger();
    EXPECT_EQ(setting("DefaultPath"), music());
    EXPECT_TRUE(prompter.shown.empty());
}

} // namespace
} // namespace tunewalk
