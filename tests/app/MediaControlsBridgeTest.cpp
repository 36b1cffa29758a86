// The desktop's media controls driving the window, over a real session bus.
#include "app/playback/MediaControlsBridge.h"
#include "Form1Fixture.h"
#include "app/window/PlayerPanel.h"
#include "shell/DesktopMediaControls.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QLabel>
#include <QSlider>

namespace tunewalk {
namespace {

const QString Path = "/org/mpris/MediaPlayer2";
const QString PlayerInterface = "org.mpris.MediaPlayer2.Player";

class MediaControlsBridgeTest : public Form1Test {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
        Form1Test::SetUp();
        writeMp3("a.mp3", 200, fixtures::id3v1Tag("Alpha", "Ann"));
        writeMp3("b.mp3");
        start(music());
        ASSERT_TRUE(controls.start());
        connectMediaControls(*form, controls);
    }

    void press(const char* method) {
        auto message = QDBusMessage::createMethodCall(controls.serviceName(), Path, PlayerInterface,
                                                      QLatin1String(method));
        QDBusPendingCall pending = client.asyncCall(message);
        ASSERT_TRUE(waitUntil([&] { return pending.isFinished(); }));
        ASSERT_EQ(pending.reply().type(), QDBusMessage::ReplyMessage) << method;
    }
    QVariant property(const char* name) {
        auto message = QDBusMessage::createMethodCall(controls.serviceName(), Path,
                                                      "org.freedesktop.DBus.Properties", "Get");
        message.setArguments({PlayerInterface, QLatin1String(name)});
        QDBusPendingCall pending = client.asyncCall(message);
        EXPECT_TRUE(waitUntil([&] { return pending.isFinished(); }));
        return pending.reply().arguments().value(0).value<QDBusVariant>().variant();
    }
    QVariantMap metadata() {
        return qdbus_cast<QVariantMap>(property("Metadata").value<QDBusArgument>());
    }

    DesktopMediaControls controls;
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "client");
};

TEST_F(MediaControlsBridgeTest, MediaKeysDriveThePlaylist) {
    EXPECT_EQ(property("PlaybackStatus"), "Stopped");
    press("PlayPause"); // nothing plays: the first audio file starts
    EXPECT_EQ(form->playingFile(), path("a.mp3"));
    player.startPlaying();
    EXPECT_EQ(property("PlaybackStatus"), "Playing");
    const QVariantMap now = metadata();
    EXPECT_EQ(now.value("xesam:title"), "Alpha");
    EXPECT_EQ(now.value("xesam:artist").toStringList(), QStringList{"Ann"});
    EXPECT_EQ(now.value("xesam:url"), QUrl::fromLocalFile(path("a.mp3")).toString());
    EXPECT_EQ(property("CanGoNext"), true);

    press("PlayPause");
    EXPECT_EQ(player.calls.last(), "pause");
    player.report(MediaPlayer::Paused);
    EXPECT_EQ(property("PlaybackStatus"), "Paused");
    press("Pause"); // already paused: nothing
    EXPECT_EQ(player.calls.last(), "pause");
    press("Play");
    EXPECT_EQ(player.calls.last(), "play");
    player.report(MediaPlayer::Playing);

    press("Next");
    EXPECT_EQ(form->playingFile(), path("b.mp3"));
    player.startPlaying();
    EXPECT_EQ(metadata().value("xesam:title"), "b.mp3");
    // Near the start of a file Previous goes back a file; later it restarts the file.
    player.seconds = 0.3;
    press("Previous");
    EXPECT_EQ(form->playingFile(), path("a.mp3"));
    player.startPlaying();
    player.seconds = 5;
    press("Previous");
    EXPECT_EQ(player.calls.last(), "seek 0");

    press("Stop");
    EXPECT_TRUE(form->playingFile().isEmpty());
    EXPECT_EQ(property("PlaybackStatus"), "Stopped");
    EXPECT_EQ(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
              "/org/mpris/MediaPlayer2/TrackList/NoTrack");

    // The desktop's volume is the one the panel shows, and it is kept.
    auto set = QDBusMessage::createMethodCall(controls.serviceName(), Path,
                                              "org.freedesktop.DBus.Properties", "Set");
    set.setArguments({PlayerInterface, "Volume", QVariant::fromValue(QDBusVariant(0.4))});
    QDBusPendingCall pending = client.asyncCall(set);
    ASSERT_TRUE(waitUntil([&] { return pending.isFinished(); }));
    EXPECT_EQ(form->playerPanel()->volumeSlider()->value(), 40);
    EXPECT_EQ(setting("Volume"), "40");
    form->command("volumeMute")->trigger();
    EXPECT_EQ(property("Volume"), 0.0);
    form->command("volumeMute")->trigger();
    EXPECT_EQ(property("Volume"), 0.4);
}

// A file that follows without a gap: the desktop hears of the new track at the switch, with
// no stop in between.
TEST_F(MediaControlsBridgeTest, AGaplessSwitchChangesTheTrackForTheDesktop) {
    player.gapless = true;
    setToggles(true, false);
    press("PlayPause");
    player.startPlaying();
    ASSERT_EQ(metadata().value("xesam:title"), "Alpha");
    ASSERT_TRUE(waitUntil([&] { return player.nextAfter.value(path("a.mp3")) == path("b.mp3"); }));

    player.switchToNext();
    EXPECT_EQ(form->playingFile(), path("b.mp3"));
    EXPECT_EQ(form->currentLabel()->text(), "b.mp3");
    EXPECT_EQ(metadata().value("xesam:title"), "b.mp3");
    EXPECT_EQ(metadata().value("xesam:url"), QUrl::fromLocalFile(path("b.mp3")).toString());
    EXPECT_EQ(property("PlaybackStatus"), "Playing");
}

} // namespace
} // namespace tunewalk
