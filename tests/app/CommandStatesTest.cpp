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
    // Plays a row and makes the folder row current again, so only the player's buttons change.
    void playFromFolderRow(const QString& name) {
        play(name);
        form->clickRow(rowNamed("folder"));
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
    EXPECT_EQ(buttons(), "Play Random");
    EXPECT_TRUE(form->command("mnuSTPlay")->isEnabled());
    EXPECT_FALSE(form->command("mnuSTStop")->isEnabled());
    EXPECT_FALSE(form->command("mnuShowCurrent")->isEnabled());
    EXPECT_TRUE(form->command("mnuRandom")->isEnabled());

    playFromFolderRow("a.mp3");
    EXPECT_EQ(buttons(), "Pause Stop Next Previous Random");
    EXPECT_FALSE(form->command("mnuPlayFile")->isEnabled());
    EXPECT_TRUE(form->command("mnuShowCurrent")->isEnabled());
    EXPECT_TRUE(form->playingFileListed());

    player.report(MediaPlayer::Paused); // Play resumes
    EXPECT_TRUE(form->command("mnuPlayFile")->isEnabled());
    EXPECT_TRUE(form->command("mnuSTPlay")->isEnabled());

    // A current file from another folder: no Next or Previous, unless Play All keeps the
    // playing folder's list (tested with the playing list).
    form->command("mnuPlayingList")->trigger();
    player.report(MediaPlayer::Playing);
    mkdir("elsewhere/sub"); // the folder row comes first and is current
    writeMp3("elsewhere/x.mp3");
    list(path("elsewhere"));
    EXPECT_FALSE(form->playingFileListed());
    EXPECT_EQ(buttons(), "Pause Stop Random");
    EXPECT_FALSE(form->command("mnuSTPrevious")->isEnabled());
}

TEST_F(CommandStatesTest, RowClickShowsTheRowKindsButtons) {
    form->clickRow(rowNamed("a.mp3"));
    EXPECT_EQ(buttons(), "Play Random MoveUp MoveDown Tags");
    EXPECT_FALSE(form->command("mnuWAVHeaders")->isEnabled());
    EXPECT_TRUE(form->command("mnuMoveUp1")->isEnabled());
    form->clickRow(rowNamed("b.wav"));
    EXPECT_EQ(buttons(), "Play Random MoveUp MoveDown Headers");
    EXPECT_TRUE(form->command("mnuWAVHeaders")->isEnabled());
    form->clickRow(rowNamed("folder"));
    EXPECT_EQ(buttons(), "Play Random"); // stopped with audio files in the folder
    EXPECT_FALSE(form->command("mnuMoveDown1")->isEnabled());
    playFromFolderRow("a.mp3");
    EXPECT_FALSE(shown("Play"));
    EXPECT_FALSE(form->command("mnuPlayFile")->isEnabled());

    // An empty list hides the playlist buttons.
    form->stopCommand();
    ASSERT_TRUE(idle());
    mkdir("none");
    list(path("none"));
    EXPECT_EQ(buttons(), "");
    EXPECT_FALSE(form->command("mnuRandom")->isEnabled());
}

TEST_F(CommandStatesTest, EveryToggleWritesItsSettingAtOnce) {
    struct Toggle {
        QAction* action;
        const char* key;
    };
    const Toggle toggles[] = {{form->command("mnuSystemTray"), "SystemTray"},
                              {form->command("mnuFloater"), "Floater"},
                              {form->command("mnuStartupZoom"), "Zoom"},
                              {form->command("mnuRememberPosition"), "RememberPos"},
                              {form->command("mnuShowTree"), "ShowTree"},
                              {form->command("mnuGridLines"), "GridLines"},
                              {form->command("mnuFolderSizes"), "FolderSizes"},
                              {form->command("mnuConfirmDeletes"), "ConfirmDeletes"},
                              {form->command("mnuPermanentDelete"), "PermanentDelete"},
                              {form->command("mnuRepeat"), "Repeat"},
                              {form->command("mnuAll"), "All"}};
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
    form->command("mnuSystemTray")->trigger();
    EXPECT_EQ(form->button("Zoom")->toolTip(), "Zoom to System Tray");
    form->command("mnuSystemTray")->trigger();
    EXPECT_EQ(form->button("Zoom")->toolTip(), "Zoom to Small Window");

    form->command("mnuPermanentDelete")->trigger();
    EXPECT_EQ(form->button("Delete")->toolTip(), "Delete Selected Item(s)");

    // Repeat and Play All are mirrored on the tray menu and the toolbar, whichever is used.
    form->button("Repeat")->trigger();
    EXPECT_TRUE(form->command("mnuRepeat")->isChecked());
    EXPECT_TRUE(form->command("mnuSTRepeat")->isChecked());
    EXPECT_EQ(setting("Repeat"), "True");
    form->command("mnuSTPlayAll")->trigger();
    EXPECT_FALSE(form->command("mnuAll")->isChecked());
    EXPECT_FALSE(form->button("All")->isChecked());
    EXPECT_EQ(setting("All"), "False");

    // Hiding the tree gives the list the whole width.
    form->command("mnuShowTree")->trigger();
    EXPECT_FALSE(form->tree()->isVisible());
    EXPECT_FALSE(form->treeSpacer()->isVisible());
    EXPECT_EQ(form->list()->x(), 0);
    EXPECT_EQ(form->list()->width(), form->centralWidget()->width());
    form->command("mnuShowTree")->trigger();
    EXPECT_TRUE(form->tree()->isVisible());
    EXPECT_GT(form->list()->x(), form->tree()->width() - 2);
}

TEST_F(CommandStatesTest, DeleteAllSettingsAsksFirst) {
    setSetting("DefaultPath", music());
    prompter.answers.push_back(Prompter::Answer::No);
    form->command("mnuUnregister")->trigger();
    EXPECT_EQ(prompter.shown,
              (Messages{{"Are you sure you want to delete all application settings? This "
                         "includes the Favorites List and Default Folder",
                         Icon::Question, Buttons::YesNo}}));
    EXPECT_EQ(setting("DefaultPath"), music());
    form->command("mnuUnregister")->trigger(); // unscripted: Yes
    EXPECT_EQ(setting("DefaultPath"), "absent");
    EXPECT_EQ(setting("HWND"), "absent");
}

} // namespace
} // namespace tunewalk
