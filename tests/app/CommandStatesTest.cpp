// Which commands are enabled and shown, and the settings toggles.
#include "Form1Fixture.h"

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
    void setPlayer(bool playing, bool paused, const QString& file) {
        form->isPlaying = playing;
        form->isPaused = paused;
        form->currentFile = file;
        form->updateCommandStates(false);
    }
    // The player and playlist buttons the toolbar shows.
    QString buttons() const {
        QStringList out;
        for (const char* key : {"Play", "Pause", "Stop", "Next", "Previous", "Random", "MoveUp",
                                "MoveDown", "Tags", "Headers"})
            if (shown(key)) out << QLatin1String(key);
        return out.join(QLatin1Char(' '));
    }
};

TEST_F(CommandStatesTest, ButtonsAndCommandsFollowThePlayer) {
    setPlayer(false, false, {});
    EXPECT_EQ(buttons(), "Play Random");
    EXPECT_TRUE(form->mnuSTPlay->isEnabled());
    EXPECT_FALSE(form->mnuSTStop->isEnabled());
    EXPECT_FALSE(form->mnuShowCurrent->isEnabled());
    EXPECT_TRUE(form->mnuRandom->isEnabled());

    setPlayer(true, false, path("a.mp3")); // playing all
    EXPECT_EQ(buttons(), "Pause Stop Next Previous Random");
    EXPECT_FALSE(form->mnuPlayFile->isEnabled());
    EXPECT_TRUE(form->mnuShowCurrent->isEnabled());
    EXPECT_TRUE(form->currentInList);

    setPlayer(true, true, path("a.mp3")); // paused: Play resumes
    EXPECT_TRUE(form->mnuPlayFile->isEnabled());
    EXPECT_TRUE(form->mnuSTPlay->isEnabled());

    // A current file from another folder: no Next or Previous.
    setPlayer(true, false, "/elsewhere/x.mp3");
    EXPECT_FALSE(form->currentInList);
    EXPECT_EQ(buttons(), "Pause Stop Random");
    EXPECT_FALSE(form->mnuSTPrevious->isEnabled());
}

TEST_F(CommandStatesTest, RowClickShowsTheRowKindsButtons) {
    form->clickRow(rowNamed("a.mp3"));
    EXPECT_EQ(buttons(), "Play Random MoveUp MoveDown Tags");
    EXPECT_FALSE(form->mnuWAVHeaders->isEnabled());
    EXPECT_TRUE(form->mnuMoveUp1->isEnabled());
    form->clickRow(rowNamed("b.wav"));
    EXPECT_EQ(buttons(), "Play Random MoveUp MoveDown Headers");
    EXPECT_TRUE(form->mnuWAVHeaders->isEnabled());
    form->clickRow(rowNamed("folder"));
    EXPECT_EQ(buttons(), "Play Random"); // stopped with audio files in the folder
    EXPECT_FALSE(form->mnuMoveDown1->isEnabled());
    setPlayer(true, false, path("a.mp3"));
    EXPECT_FALSE(shown("Play"));
    EXPECT_FALSE(form->mnuPlayFile->isEnabled());

    // An empty list hides the playlist buttons.
    setPlayer(false, false, {});
    mkdir("none");
    list(path("none"));
    EXPECT_EQ(buttons(), "");
    EXPECT_FALSE(form->mnuRandom->isEnabled());
}

TEST_F(CommandStatesTest, EveryToggleWritesItsSettingAtOnce) {
    struct Toggle {
        QAction* action;
        const char* key;
    };
    const Toggle toggles[] = {{form->mnuSystemTray, "SystemTray"},
                              {form->mnuFloater, "Floater"},
                              {form->mnuStartupZoom, "Zoom"},
                              {form->mnuRememberPosition, "RememberPos"},
                              {form->mnuShowTree, "ShowTree"},
                              {form->mnuGridLines, "GridLines"},
                              {form->mnuFolderSizes, "FolderSizes"},
                              {form->mnuConfirmDeletes, "ConfirmDeletes"},
                              {form->mnuPermanentDelete, "PermanentDelete"},
                              {form->mnuRepeat, "Repeat"},
                              {form->mnuAll, "All"}};
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
    EXPECT_EQ(prompter.shown,
              (Messages{{"Are you sure you want to delete all application settings? This "
                         "includes the Favorites List and Default Folder",
                         Icon::Question, Buttons::YesNo}}));
    EXPECT_EQ(setting("DefaultPath"), music());
    form->mnuUnregister->trigger(); // unscripted: Yes
    EXPECT_EQ(setting("DefaultPath"), "absent");
    EXPECT_EQ(setting("HWND"), "absent");
}

} // namespace
} // namespace tunewalk
