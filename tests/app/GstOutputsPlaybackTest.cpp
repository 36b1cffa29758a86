// The real player playing into the outputs of a sound server of the test's own: a device
// chosen by its id, changed while playing, and unplugged while it plays.
#include "app/playback/GstMediaPlayer.h"

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "PulseDaemon.h"
#include "QtPrinters.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace tunewalk;

namespace {

TEST(GstOutputsPlayback, PlaysIntoTheChosenDeviceAndOnThroughTheDefaultWhenItGoes) {
    PulseDaemon pulse;
    if (!pulse.ready()) GTEST_SKIP() << "no PulseAudio (scripts/setup installs it)";
    // The first sink is the server's default.
    ASSERT_GE(pulse.addNullSink("tw_alpha", "Alpha"), 0);
    const int beta = pulse.addNullSink("tw_beta", "Beta");
    ASSERT_GE(beta, 0);
    TempDir dir;
    fixtures::WavShape threeSeconds;
    threeSeconds.dataBytes = 44100 * 4 * 3;
    fixtures::writeFile(dir / "three.wav", fixtures::wavFile(threeSeconds));

    GstMediaPlayer player;
    QStringList lost, errors;
    QObject::connect(&player, &MediaPlayer::outputLost, [&](const QString& name) { lost << name; });
    QObject::connect(&player, &MediaPlayer::error,
                     [&](quint32, const QString& text) { errors << text; });
    ASSERT_TRUE(waitUntil([&] { return player.outputs().size() == 2; }));
    EXPECT_EQ(player.outputs().at(1).id, "pulse:tw_beta");

    player.open(QString::fromStdString(dir.file("three.wav")));
    ASSERT_TRUE(waitUntil([&] { return player.position() > 0.3; }));
    EXPECT_EQ(pulse.streamSinks(), QStringList{"tw_alpha"});

    // Another device while playing: the file plays on where it was.
    double before = player.position();
    player.setOutput("pulse:tw_beta");
    EXPECT_EQ(player.output(), "pulse:tw_beta");
    ASSERT_TRUE(waitUntil([&] { return pulse.streamSinks() == QStringList{"tw_beta"}; }))
        << pulse.streamSinks().join(',').toStdString();
    ASSERT_TRUE(waitUntil([&] { return player.position() > before + 0.2; }));
    EXPECT_EQ(player.playState(), MediaPlayer::Playing);

    // Unplugged: on through the default, said once, from where it was.
    before = player.position();
    ASSERT_TRUE(pulse.unload(beta));
    ASSERT_TRUE(waitUntil([&] { return !lost.isEmpty(); }));
    ASSERT_TRUE(waitUntil([&] { return pulse.streamSinks() == QStringList{"tw_alpha"}; }))
        << pulse.streamSinks().join(',').toStdString();
    ASSERT_TRUE(waitUntil([&] { return player.position() > before + 0.2; }));
    EXPECT_GE(player.position(), before) << "not from the start again";
    EXPECT_EQ(player.outputs().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return player.playState() == MediaPlayer::Stopped; }));
    EXPECT_GT(player.position(), 2.9) << "played to its end";
    EXPECT_EQ(lost, QStringList{"Beta"});
    EXPECT_EQ(errors, QStringList{});
}

} // namespace
