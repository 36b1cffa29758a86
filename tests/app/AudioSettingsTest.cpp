// The ReplayGain and output device choices in the Settings menu, clicked as the user does, with
// the fake player: saved at once, handed to the player, back after a restart.
#include "Form1Fixture.h"

#include <QMenuBar>
#include <QStatusBar>

namespace tunewalk {
namespace {

using Output = MediaPlayer::Output;

class AudioSettingsTest : public Form1Test {
protected:
    static QString caption(const QAction* a) {
        return QString(a->text())
            .replace(QStringLiteral("&&"), QStringLiteral("\x01"))
            .remove('&')
            .replace(QLatin1Char('\x01'), QLatin1Char('&'));
    }
    static QAction* item(QMenu* menu, const QString& text) {
        for (QAction* a : menu->actions())
            if (caption(a) == text) return a;
        return nullptr;
    }
    // A click on the menu bar's menu, then on each item of the path in turn.
    void choose(const char* menuName, const QStringList& path) {
        QMenu* menu = form->menu(QLatin1String(menuName));
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        for (const QString& text : path) {
            ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); })) << text.toStdString();
            QAction* a = item(menu, text);
            ASSERT_TRUE(a) << text.toStdString();
            const QPoint at = menu->actionGeometry(a).center();
            QTest::mouseMove(menu, at);
            QTest::mouseClick(menu, Qt::LeftButton, {}, at);
            if (a->menu()) menu = a->menu();
        }
        ASSERT_TRUE(waitUntil([] { return !QApplication::activePopupWidget(); }));
    }
    // The captions of the checked items of a menu.
    QStringList checkedIn(const char* menuName) const {
        QStringList out;
        for (const QAction* a : form->menu(QLatin1String(menuName))->actions())
            if (a->isChecked()) out << caption(a);
        return out;
    }
    static QString last(const QStringList& calls) {
        return calls.isEmpty() ? "none" : calls.last();
    }
    void restart() {
        form.reset();
        player.gains.clear();
        player.outputsChosen.clear();
        start(music());
    }
};

TEST_F(AudioSettingsTest, ReplayGainIsSavedAppliedAndRestored) {
    start(music());
    EXPECT_EQ(player.gains, QStringList{"Off 0"}) << "applied at start-up";
    EXPECT_EQ(checkedIn("mnuReplayGain"), QStringList{"Off"});
    EXPECT_EQ(checkedIn("mnuPreamp"), QStringList{"0 dB"});

    choose("mnuSettings", {"ReplayGain", "Album"});
    EXPECT_EQ(setting("ReplayGain"), "Album");
    EXPECT_EQ(last(player.gains), "Album 0");
    choose("mnuSettings", {"ReplayGain", "Pre-amp", "\u22123 dB"});
    EXPECT_EQ(setting("ReplayGainPreamp"), "-3");
    EXPECT_EQ(last(player.gains), "Album -3");
    EXPECT_EQ(checkedIn("mnuPreamp"), QStringList{"\u22123 dB"});

    restart();
    EXPECT_EQ(player.gains, QStringList{"Album -3"});
    EXPECT_EQ(checkedIn("mnuReplayGain"), QStringList{"Album"});
    EXPECT_EQ(checkedIn("mnuPreamp"), QStringList{"\u22123 dB"});

    // A fixed choice does not follow Play All.
    choose("mnuAudio", {"Play All Files"});
    EXPECT_EQ(player.gains.size(), 1);

    // Automatic: track gain for a file played alone, album gain while the folder plays.
    choose("mnuSettings", {"ReplayGain", "Automatic"});
    EXPECT_EQ(setting("ReplayGain"), "Automatic");
    EXPECT_EQ(last(player.gains), "Track -3");
    choose("mnuAudio", {"Play All Files"});
    EXPECT_EQ(last(player.gains), "Album -3");
    form->button("All")->trigger(); // the toolbar's toggle too
    EXPECT_EQ(last(player.gains), "Track -3");
    restart();
    EXPECT_EQ(player.gains, QStringList{"Track -3"}) << "Play All is off";
}

TEST_F(AudioSettingsTest, OutputDeviceIsRememberedAndTheDefaultPlaysWhileItIsAway) {
    player.offered = {{"pulse:a", "Alpha"}, {"pulse:b", "Beta & Co"}};
    start(music());
    EXPECT_EQ(player.outputsChosen, QStringList{});
    EXPECT_EQ(checkedIn("mnuOutputDevice"), QStringList{"System Default"});

    choose("mnuSettings", {"Output Device", "Beta & Co"});
    EXPECT_EQ(setting("OutputDevice"), "pulse:b");
    EXPECT_EQ(last(player.outputsChosen), "pulse:b");
    restart();
    EXPECT_EQ(player.outputsChosen, QStringList{"pulse:b"});
    EXPECT_EQ(checkedIn("mnuOutputDevice"), QStringList{"Beta & Co"});

    // Unplugged: said once, the default checked, the choice kept for its return.
    QStringList messages;
    QObject::connect(form->statusBar(), &QStatusBar::messageChanged,
                     [&](const QString& text) { messages << text; });
    player.loseOutput();
    const QString gone = "The output device Beta & Co is gone; playing through the system default.";
    EXPECT_EQ(form->statusBar()->currentMessage(), gone);
    EXPECT_EQ(checkedIn("mnuOutputDevice"), QStringList{"System Default"});
    EXPECT_EQ(setting("OutputDevice"), "pulse:b");
    player.offer({{"pulse:a", "Alpha"}, {"pulse:b", "Beta & Co"}});
    EXPECT_EQ(checkedIn("mnuOutputDevice"), QStringList{"Beta & Co"});
    EXPECT_EQ(messages, QStringList{gone});

    // Still away at the next start: handed to the player all the same.
    player.offered = {{"pulse:a", "Alpha"}};
    restart();
    EXPECT_EQ(player.outputsChosen, QStringList{"pulse:b"});
    EXPECT_EQ(checkedIn("mnuOutputDevice"), QStringList{"System Default"});

    choose("mnuSettings", {"Output Device", "System Default"});
    EXPECT_EQ(setting("OutputDevice"), "");
    EXPECT_EQ(last(player.outputsChosen), "");
}

TEST_F(AudioSettingsTest, AccessKeysOpenTheSubMenusAndAFileOutputShowsNowhere) {
    setSetting("OutputDevice", "file:/nowhere/out.raw");
    player.offered = {{"pulse:a", "Alpha"}};
    start(music());
    EXPECT_EQ(player.outputsChosen, QStringList{"file:/nowhere/out.raw"});
    EXPECT_EQ(checkedIn("mnuOutputDevice"), QStringList{});

    // Alt+S opens Settings, and the sub-menu's key opens it; no other item there has the key.
    QStringList keys;
    for (const QAction* a : form->menu("mnuSettings")->actions())
        keys << QKeySequence::mnemonic(a->text()).toString();
    for (const auto& [key, menuName] :
         {std::pair{Qt::Key_L, "mnuReplayGain"}, std::pair{Qt::Key_O, "mnuOutputDevice"}}) {
        QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
        ASSERT_TRUE(waitUntil([&] { return form->menu("mnuSettings")->isVisible(); }));
        QTest::keyClick(form->menu("mnuSettings"), key);
        EXPECT_TRUE(waitUntil([&] { return form->menu(menuName)->isVisible(); })) << menuName;
        EXPECT_EQ(keys.count(QKeySequence(Qt::AltModifier | key).toString()), 1) << menuName;
        while (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
}

} // namespace
} // namespace tunewalk
