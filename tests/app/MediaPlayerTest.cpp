// The real backends on generated files, each held to the same reports. There is no sound card
// on the test machines; GStreamer still plays in real time there, so a file plays to its end as
// it would for the user.
#include "app/playback/QtMediaPlayer.h"
#ifdef TUNEWALK_GSTREAMER_PLAYER
#include "app/playback/GstMediaPlayer.h"
#endif

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "TempDir.h"

#include <QAudioOutput>
#include <QString>
#include <gtest/gtest.h>
#include <type_traits>
#include <utility>
#include <vector>

using namespace tunewalk;

namespace {

using Report = std::pair<int, int>;

// Everything the player reports, in order.
struct Reports {
    explicit Reports(MediaPlayer& player) {
        QObject::connect(&player, &MediaPlayer::stateChanged, [this, &player](int from, int to) {
            states.emplace_back(from, to);
            positionAtReport.push_back(player.position());
        });
        QObject::connect(&player, &MediaPlayer::error, [this](quint32 code, const QString& text) {
            errors.emplace_back(code, text);
        });
        QObject::connect(&player, &MediaPlayer::positionChanged,
                         [this](double seconds) { positions.push_back(seconds); });
    }
    int count(int to) const {
        int n = 0;
        for (const auto& s : states)
            n += s.second == to;
        return n;
    }
    bool waitFor(int to, int times = 1) const {
        return waitUntil([&] { return count(to) >= times; });
    }
    void clear() {
        states.clear();
        positionAtReport.clear();
        errors.clear();
        positions.clear();
    }

    std::vector<Report> states;
    std::vector<double> positionAtReport; // what position() said while the report was made
    std::vector<std::pair<quint32, QString>> errors;
    std::vector<double> positions;
};

// Lets late signals arrive before a test checks that nothing more was reported.
void settle() {
    waitUntil([] { return false; }, 500);
}

template <class Player> class MediaPlayerTest : public ::testing::Test {
protected:
    // Half a second of stereo silence.
    QString wav(const std::string& name, std::uint32_t seconds10 = 5) {
        fixtures::WavShape shape;
        shape.dataBytes = 44100 * 4 * seconds10 / 10;
        return write(name, fixtures::wavFile(shape));
    }
    // Nineteen MPEG-1 Layer III frames of silence at 128 kbit/s, 44.1 kHz: half a second.
    QString mp3(const std::string& name) { return write(name, fixtures::silentMpegFrames({}, 19)); }
    QString write(const std::string& name, const std::string& bytes) {
        fixtures::writeFile(dir / name, bytes);
        return QString::fromStdString(dir.file(name));
    }

    TempDir dir;
    Player player;
    Reports reports{player};
};

#ifdef TUNEWALK_GSTREAMER_PLAYER
using Players = ::testing::Types<QtMediaPlayer, GstMediaPlayer>;
#else
using Players = ::testing::Types<QtMediaPlayer>;
#endif
TYPED_TEST_SUITE(MediaPlayerTest, Players);

TYPED_TEST(MediaPlayerTest, PlaysAFileToItsEndAndStaysAtTheEnd) {
    EXPECT_EQ(this->player.playState(), MediaPlayer::Closed);
    EXPECT_TRUE(this->player.autoStart());

    // The same player plays one file after another, each to its end.
    for (const QString& file : {this->wav("silence.wav"), this->mp3("silence.mp3")}) {
        SCOPED_TRACE(file.toStdString());
        this->reports.clear();
        this->player.open(file);
        EXPECT_EQ(this->player.fileName(), file);
        ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Stopped));

        EXPECT_EQ(this->reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
        EXPECT_TRUE(this->reports.errors.empty());
        EXPECT_FALSE(this->reports.positions.empty());
        EXPECT_EQ(this->player.playState(), MediaPlayer::Stopped);
        // Played to the end: the window tells this from the user's stop by the position, which
        // it reads while handling the report.
        EXPECT_GT(this->reports.positionAtReport.back(), 0.4);
        settle();
        EXPECT_GT(this->player.position(), 0.4);
        EXPECT_EQ(this->reports.states.size(), 2u);
    }
}

TYPED_TEST(MediaPlayerTest, StopPlayAndSeekAfterTheEnd) {
    const QString file = this->wav("three.wav", 30);

    this->player.open(file);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing));
    this->player.stop();
    // Reported inside the call, with the position back at the start.
    EXPECT_EQ(this->reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_EQ(this->reports.positionAtReport.back(), 0.0);
    EXPECT_EQ(this->player.position(), 0.0);
    EXPECT_EQ(this->player.playState(), MediaPlayer::Stopped);
    this->player.stop();
    settle();
    EXPECT_EQ(this->reports.states.size(), 2u) << "a second stop, or Qt's own, is not reported";

    // play() starts the stopped file again; setPosition(0) after its end plays it once more.
    const QString shortFile = this->wav("short.wav");
    this->player.open(shortFile);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Stopped, 2));
    ASSERT_GT(this->player.position(), 0.4);
    this->reports.clear();
    this->player.setPosition(0);
    EXPECT_LT(this->player.position(), 0.4);
    this->player.play();
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Stopped));
    EXPECT_EQ(this->reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_GT(this->player.position(), 0.4);

    // The user's stop after the end: no report (already stopped), but the position goes to 0.
    this->player.stop();
    EXPECT_EQ(this->player.position(), 0.0);
    EXPECT_EQ(this->reports.states.size(), 2u);
}

TYPED_TEST(MediaPlayerTest, PausesAndResumes) {
    this->player.setAutoStart(false);
    this->player.open(this->wav("three.wav", 30));
    settle();
    EXPECT_TRUE(this->reports.states.empty()) << "without auto-start nothing plays";
    EXPECT_EQ(this->player.playState(), MediaPlayer::Stopped);

    this->player.play();
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing));
    this->player.pause();
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Paused));
    EXPECT_EQ(this->player.playState(), MediaPlayer::Paused);
    this->player.play();
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing, 2));
    EXPECT_EQ(this->reports.states, (std::vector<Report>{{0, 2}, {2, 1}, {1, 2}}));

    // Stop from pause is reported at once too.
    this->player.pause();
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Paused, 2));
    this->player.stop();
    EXPECT_EQ(this->reports.states.back(), Report(1, 0));
}

TYPED_TEST(MediaPlayerTest, OpeningAnotherFileWhilePlayingReportsPlayingAgain) {
    const QString first = this->wav("three.wav", 30);
    this->player.open(first);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing));

    // Reopening the playing file starts it again.
    this->player.open(first);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing, 2));

    const QString second = this->mp3("second.mp3");
    this->player.open(second);
    EXPECT_EQ(this->player.fileName(), second);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing, 3));
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Stopped));
    // Qt stops the old source while switching; that never shows as a report.
    ASSERT_EQ(this->reports.states.size(), 4u);
    EXPECT_EQ(this->reports.states.back(), Report(2, 0));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(this->reports.states[i].second, MediaPlayer::Playing);
    EXPECT_GT(this->player.position(), 0.4);
}

TYPED_TEST(MediaPlayerTest, UnloadIsQuiet) {
    const QString file = this->wav("three.wav", 30);

    this->player.open(file);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing));
    this->reports.clear();
    this->player.unload();
    // Also unloaded before it loaded: the new pipeline's signals must not surface either.
    this->player.open(file);
    this->player.unload();
    settle();
    EXPECT_TRUE(this->reports.states.empty());
    EXPECT_TRUE(this->reports.errors.empty());
    EXPECT_EQ(this->player.playState(), MediaPlayer::Closed);
    EXPECT_TRUE(this->player.fileName().isEmpty());
    EXPECT_EQ(this->player.position(), 0.0);
    EXPECT_EQ(this->player.duration(), 0.0);

    // Nothing to stop or play.
    this->player.stop();
    this->player.play();
    this->player.pause();
    settle();
    EXPECT_TRUE(this->reports.states.empty());
}

TYPED_TEST(MediaPlayerTest, AFileThatCannotPlayReportsOneErrorAndNothingElse) {
    std::string junk;
    for (int i = 0; i < 20000; ++i)
        junk += static_cast<char>((i * 7919 + 13) % 251);
    const QString missing = QString::fromStdString(this->dir.file("missing.mp3"));
    const QString notAudio = this->write("noise.mp3", junk);
    const QString good = this->wav("good.wav");

    for (const QString& bad : {missing, notAudio}) {
        SCOPED_TRACE(bad.toStdString());
        this->reports.clear();
        this->player.open(bad);
        ASSERT_TRUE(waitUntil([&] { return !this->reports.errors.empty(); }));
        settle();
        ASSERT_EQ(this->reports.errors.size(), 1u);
        EXPECT_NE(this->reports.errors[0].first, 0u);
        EXPECT_FALSE(this->reports.errors[0].second.isEmpty());
        EXPECT_TRUE(this->reports.states.empty());
        EXPECT_NE(this->player.playState(), MediaPlayer::Playing);
        EXPECT_EQ(this->player.fileName(), bad);
    }

    // The player is not left broken: the next file plays normally.
    this->reports.clear();
    this->player.open(good);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Stopped));
    EXPECT_EQ(this->reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_TRUE(this->reports.errors.empty());

    // The window moves on from inside the error report: the bad file's later errors must not be
    // taken for the next file's.
    this->reports.clear();
    QObject::connect(&this->player, &MediaPlayer::error, &this->player, [&] {
        if (this->player.fileName() == notAudio) this->player.open(good);
    });
    this->player.open(notAudio);
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Stopped));
    settle();
    EXPECT_EQ(this->reports.errors.size(), 1u);
    EXPECT_EQ(this->reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_EQ(this->player.fileName(), good);
}

TYPED_TEST(MediaPlayerTest, VolumeIsInHundredthsOfADecibel) {
    // -2000 and -10000 are checked on the output below.
    EXPECT_EQ(MediaPlayer::linearVolume(0), 1.0f);
    EXPECT_NEAR(MediaPlayer::linearVolume(-600), 0.501f, 1e-3);
    EXPECT_EQ(this->player.volume(), 0);
    EXPECT_FALSE(this->player.isMuted());
    this->player.setVolume(-20000);
    EXPECT_EQ(this->player.volume(), -10000);
    this->player.setVolume(300);
    EXPECT_EQ(this->player.volume(), 0);
    this->player.setVolume(-2000);
    this->player.setMuted(true);
    EXPECT_TRUE(this->player.isMuted());
    EXPECT_EQ(this->player.volume(), -2000);

    // Set before a file was opened, the settings reach the output that plays it, and changes
    // while it plays reach it too. (The GStreamer player's levels are measured on its output in
    // the gapless tests.)
    if constexpr (!std::is_same_v<TypeParam, QtMediaPlayer>) return;
    this->player.open(this->wav("three.wav", 30));
    ASSERT_TRUE(this->reports.waitFor(MediaPlayer::Playing));
    auto outputs = this->player.template findChildren<QAudioOutput*>();
    ASSERT_EQ(outputs.size(), 1);
    EXPECT_NEAR(outputs[0]->volume(), 0.1f, 1e-6);
    EXPECT_TRUE(outputs[0]->isMuted());
    this->player.setMuted(false);
    this->player.setVolume(-10000);
    EXPECT_FALSE(outputs[0]->isMuted());
    EXPECT_EQ(outputs[0]->volume(), 0.0f);
    EXPECT_EQ(this->player.volume(), -10000);
}

} // namespace
