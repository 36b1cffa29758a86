// The player panel as the user handles it: the position bar, the volume slider, the mute
// button, and the volume kept from one run to the next.
#include "Form1Fixture.h"

#include "app/window/PlayerPanel.h"

#include <QSlider>
#include <QStyle>
#include <QToolButton>

namespace tunewalk {
namespace {

TEST(VolumeScale, EdgesAndRoundTrips) {
    EXPECT_EQ(MediaPlayer::volumeFromPercent(0), MediaPlayer::SilentVolume);
    EXPECT_EQ(MediaPlayer::volumeFromPercent(100), MediaPlayer::FullVolume);
    EXPECT_EQ(MediaPlayer::volumeFromPercent(50), -3000);
    EXPECT_EQ(MediaPlayer::volumeFromPercent(-5), MediaPlayer::SilentVolume);
    EXPECT_EQ(MediaPlayer::volumeFromPercent(150), MediaPlayer::FullVolume);
    EXPECT_EQ(MediaPlayer::percentFromVolume(MediaPlayer::SilentVolume), 0);
    EXPECT_EQ(MediaPlayer::percentFromVolume(-9999), 1); // faint is not silent
    EXPECT_EQ(MediaPlayer::percentFromVolume(-1), 100);
    for (int percent = 0; percent <= 100; ++percent)
        EXPECT_EQ(MediaPlayer::percentFromVolume(MediaPlayer::volumeFromPercent(percent)), percent);
    // Whatever volume the menu or the desktop set, its percent maps back to itself.
    for (int volume = MediaPlayer::SilentVolume; volume <= 0; volume += 7) {
        const int shown = MediaPlayer::percentFromVolume(volume);
        EXPECT_EQ(MediaPlayer::percentFromVolume(MediaPlayer::volumeFromPercent(shown)), shown);
    }
}

class PlayerPanelTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        writeMp3("a.mp3");
        start(music());
    }
    PlayerPanel* panel() const { return form->playerPanel(); }
    QSlider* volume() const { return panel()->volumeSlider(); }
    // A point on a slider at a share of its width.
    static QPoint at(const QSlider* slider, double share) {
        return {static_cast<int>(slider->width() * share), slider->height() / 2};
    }
    int seeks() const { return player.calls.filter(QStringLiteral("seek")).size(); }
    double lastSeek() const {
        return player.calls.filter(QStringLiteral("seek")).last().mid(5).toDouble();
    }
    bool showsMuted() const {
        const QIcon muted = panel()->style()->standardIcon(QStyle::SP_MediaVolumeMuted);
        return panel()->muteButton()->isChecked() &&
               panel()->muteButton()->icon().pixmap(16).toImage() == muted.pixmap(16).toImage();
    }
};

TEST_F(PlayerPanelTest, APositionBarClickOrDragSeeksThere) {
    play("a.mp3");
    player.length = 200;
    emit player.positionChanged(10);
    QSlider* bar = panel()->slider();
    QTest::mouseClick(bar, Qt::LeftButton, {}, at(bar, 0.75));
    EXPECT_EQ(seeks(), 1);
    EXPECT_NEAR(lastSeek(), 150, 8);

    // A drag seeks once, where it ends.
    QTest::mousePress(bar, Qt::LeftButton, {}, at(bar, 0.25));
    QTest::mouseMove(bar, at(bar, 0.5));
    emit player.positionChanged(60); // the player's report does not take the knob away
    QTest::mouseRelease(bar, Qt::LeftButton, {}, at(bar, 0.5));
    EXPECT_EQ(seeks(), 2);
    EXPECT_NEAR(lastSeek(), 100, 8);

    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_PageUp);
    EXPECT_EQ(seeks(), 3);

    // Stopped, the bar takes no clicks.
    form->stopCommand();
    QTest::mouseClick(bar, Qt::LeftButton, {}, at(bar, 0.5));
    EXPECT_EQ(seeks(), 3);
}

TEST_F(PlayerPanelTest, SliderMuteAndMenuAgreeAndChangesAreSaved) {
    QLabel* level = panel()->volumeLabel();
    EXPECT_EQ(level->text(), "100 %");
    QTest::mouseClick(volume(), Qt::LeftButton, {}, at(volume(), 0.4));
    const int clicked = volume()->value();
    EXPECT_NEAR(clicked, 40, 8);
    EXPECT_EQ(player.volume(), MediaPlayer::volumeFromPercent(clicked));
    EXPECT_EQ(level->text(), QString::number(clicked) + " %");
    EXPECT_EQ(setting("Volume"), QString::number(clicked));

    // A drag plays louder as it goes and is saved when it ends.
    QTest::mousePress(volume(), Qt::LeftButton, {}, at(volume(), 0.4));
    QTest::mouseMove(volume(), at(volume(), 0.8));
    const int dragged = volume()->value();
    EXPECT_GT(dragged, clicked);
    EXPECT_EQ(player.volume(), MediaPlayer::volumeFromPercent(dragged));
    EXPECT_EQ(setting("Volume"), QString::number(clicked));
    QTest::mouseRelease(volume(), Qt::LeftButton, {}, at(volume(), 0.8));
    EXPECT_EQ(setting("Volume"), QString::number(dragged));

    QTest::mouseClick(panel()->muteButton(), Qt::LeftButton);
    EXPECT_TRUE(player.isMuted());
    EXPECT_TRUE(showsMuted());
    EXPECT_EQ(setting("Mute"), "True");
    EXPECT_EQ(volume()->value(), dragged); // muting keeps the level

    // The toolbar's menu and the panel show one volume.
    form->command("volumeMute")->trigger();
    EXPECT_FALSE(showsMuted());
    EXPECT_EQ(setting("Mute"), "False");
    player.setVolume(0);
    form->command("volumeDown")->trigger();
    EXPECT_EQ(volume()->value(), 98); // 1 dB down
    EXPECT_EQ(level->text(), "98 %");
    EXPECT_EQ(setting("Volume"), "98");
    volume()->setFocus();
    QTest::keyClick(volume(), Qt::Key_Home);
    EXPECT_EQ(player.volume(), MediaPlayer::SilentVolume);
    EXPECT_EQ(setting("Volume"), "0");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(PlayerPanelTest, VolumeAndMuteComeBackAndBadValuesMeanTheDefaults) {
    QTest::mouseClick(volume(), Qt::LeftButton, {}, at(volume(), 0.4));
    const int chosen = volume()->value();
    QTest::mouseClick(panel()->muteButton(), Qt::LeftButton);
    form->close();
    struct Case {
        QString volume, mute;
        int percent;
        bool muted;
    };
    for (const Case& c :
         {Case{"", "", chosen, true}, Case{"0", "True", 0, true}, Case{"loud", "yes", 100, false},
          Case{"101", "true", 100, false}, Case{"-1", "False", 100, false}}) {
        SCOPED_TRACE(c.volume.toStdString());
        form.reset();
        if (!c.volume.isEmpty()) setSettings({"Volume", c.volume, "Mute", c.mute});
        player.level = MediaPlayer::FullVolume;
        player.muted = false;
        start(music());
        EXPECT_EQ(player.volume(), MediaPlayer::volumeFromPercent(c.percent));
        EXPECT_EQ(player.isMuted(), c.muted);
        EXPECT_EQ(volume()->value(), c.percent);
        EXPECT_EQ(showsMuted(), c.muted);
    }
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(PlayerPanelTest, TheSmallWindowKeepsEveryControlWhole) {
    form->zoom();
    ASSERT_TRUE(form->inSmallWindow());
    for (QWidget* control : std::initializer_list<QWidget*>{
             panel()->slider(), panel()->muteButton(), volume(), panel()->volumeLabel(),
             panel()->findChild<QLabel*>("lblTime")}) {
        EXPECT_TRUE(control->isVisible()) << control->accessibleName().toStdString();
        EXPECT_TRUE(panel()->rect().contains(control->geometry()))
            << control->accessibleName().toStdString();
    }
    EXPECT_GE(panel()->height(), panel()->minimumSizeHint().height());
    EXPECT_TRUE(form->rect().contains(panel()->geometry()));
}

} // namespace
} // namespace tunewalk
