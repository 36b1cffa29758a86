// The real backend on generated files. There is no sound card on the test machines; GStreamer
// still plays in real time there, so a file plays to its end as it would for the user.
#include "app/playback/QtMediaPlayer.h"

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "TempDir.h"

#include <QAudioOutput>
#include <QString>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

using namespace tunewalk;

namespace {

using Report = std::pair<int, int>;

// Everything the player reports, in order.
struct Reports {
    explicit Reports(QtMediaPlayer& player) {
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

class QtMediaPlayerTest : public ::testing::Test {
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
    QtMediaPlayer player;
    Reports reports{player};
};

TEST_F(QtMediaPlayerTest, PlaysAFileToItsEndAndStaysAtTheEnd) {
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);
    EXPECT_TRUE(player.autoStart());

    // The same player plays one file after another, each to its end.
    for (const QString& file : {wav("silence.wav"), mp3("silence.mp3")}) {
        SCOPED_TRACE(file.toStdString());
        reports.clear();
        player.open(file);
        EXPECT_EQ(player.fileName(), file);
        ASSERT_TRUE(reports.waitFor(MediaPlayer::Stopped));

        EXPECT_EQ(reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
        EXPECT_TRUE(reports.errors.empty());
        EXPECT_FALSE(reports.positions.empty());
        EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
        // Played to the end: the window tells this from the user's stop by the position, which
        // it reads while handling the report.
        EXPECT_GT(reports.positionAtReport.back(), 0.4);
        settle();
        EXPECT_GT(player.position(), 0.4);
        EXPECT_EQ(reports.states.size(), 2u);
    }
}

TEST_F(QtMediaPlayerTest, StopPlayAndSeekAfterTheEnd) {
    const QString file = wav("three.wav", 30);

    player.open(file);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing));
    player.stop();
    // Reported inside the call, with the position back at the start.
    EXPECT_EQ(reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_EQ(reports.positionAtReport.back(), 0.0);
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);
    player.stop();
    settle();
    EXPECT_EQ(reports.states.size(), 2u) << "a second stop, or Qt's own, is not reported";

    // play() starts the stopped file again; setPosition(0) after its end plays it once more.
    const QString shortFile = wav("short.wav");
    player.open(shortFile);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Stopped, 2));
    ASSERT_GT(player.position(), 0.4);
    reports.clear();
    player.setPosition(0);
    EXPECT_LT(player.position(), 0.4);
    player.play();
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Stopped));
    EXPECT_EQ(reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_GT(player.position(), 0.4);

    // The user's stop after the end: no report (already stopped), but the position goes to 0.
    player.stop();
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_EQ(reports.states.size(), 2u);
}

TEST_F(QtMediaPlayerTest, PausesAndResumes) {
    player.setAutoStart(false);
    player.open(wav("three.wav", 30));
    settle();
    EXPECT_TRUE(reports.states.empty()) << "without auto-start nothing plays";
    EXPECT_EQ(player.playState(), MediaPlayer::Stopped);

    player.play();
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing));
    player.pause();
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Paused));
    EXPECT_EQ(player.playState(), MediaPlayer::Paused);
    player.play();
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing, 2));
    EXPECT_EQ(reports.states, (std::vector<Report>{{0, 2}, {2, 1}, {1, 2}}));

    // Stop from pause is reported at once too.
    player.pause();
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Paused, 2));
    player.stop();
    EXPECT_EQ(reports.states.back(), Report(1, 0));
}

TEST_F(QtMediaPlayerTest, OpeningAnotherFileWhilePlayingReportsPlayingAgain) {
    const QString first = wav("three.wav", 30);
    player.open(first);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing));

    // Reopening the playing file starts it again.
    player.open(first);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing, 2));

    const QString second = mp3("second.mp3");
    player.open(second);
    EXPECT_EQ(player.fileName(), second);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing, 3));
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Stopped));
    // Qt stops the old source while switching; that never shows as a report.
    ASSERT_EQ(reports.states.size(), 4u);
    EXPECT_EQ(reports.states.back(), Report(2, 0));
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(reports.states[i].second, MediaPlayer::Playing);
    EXPECT_GT(player.position(), 0.4);
}

TEST_F(QtMediaPlayerTest, UnloadIsQuiet) {
    const QString file = wav("three.wav", 30);

    player.open(file);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing));
    reports.clear();
    player.unload();
    // Also unloaded before it loaded: the new pipeline's signals must not surface either.
    player.open(file);
    player.unload();
    settle();
    EXPECT_TRUE(reports.states.empty());
    EXPECT_TRUE(reports.errors.empty());
    EXPECT_EQ(player.playState(), MediaPlayer::Closed);
    EXPECT_TRUE(player.fileName().isEmpty());
    EXPECT_EQ(player.position(), 0.0);
    EXPECT_EQ(player.duration(), 0.0);

    // Nothing to stop or play.
    player.stop();
    player.play();
    player.pause();
    settle();
    EXPECT_TRUE(reports.states.empty());
}

TEST_F(QtMediaPlayerTest, AFileThatCannotPlayReportsOneErrorAndNothingElse) {
    std::string junk;
    for (int i = 0; i < 20000; ++i)
        junk += static_cast<char>((i * 7919 + 13) % 251);
    const QString missing = QString::fromStdString(dir.file("missing.mp3"));
    const QString notAudio = write("noise.mp3", junk);
    const QString good = wav("good.wav");

    for (const QString& bad : {missing, notAudio}) {
        SCOPED_TRACE(bad.toStdString());
        reports.clear();
        player.open(bad);
        ASSERT_TRUE(waitUntil([&] { return !reports.errors.empty(); }));
        settle();
        ASSERT_EQ(reports.errors.size(), 1u);
        EXPECT_NE(reports.errors[0].first, 0u);
        EXPECT_FALSE(reports.errors[0].second.isEmpty());
        EXPECT_TRUE(reports.states.empty());
        EXPECT_NE(player.playState(), MediaPlayer::Playing);
        EXPECT_EQ(player.fileName(), bad);
    }

    // The player is not left broken: the next file plays normally.
    reports.clear();
    player.open(good);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Stopped));
    EXPECT_EQ(reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_TRUE(reports.errors.empty());

    // The window moves on from inside the error report: the bad file's later errors must not be
    // taken for the next file's.
    reports.clear();
    QObject::connect(&player, &MediaPlayer::error, &player, [&] {
        if (player.fileName() == notAudio) player.open(good);
    });
    player.open(notAudio);
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Stopped));
    settle();
    EXPECT_EQ(reports.errors.size(), 1u);
    EXPECT_EQ(reports.states, (std::vector<Report>{{0, 2}, {2, 0}}));
    EXPECT_EQ(player.fileName(), good);
}

TEST_F(QtMediaPlayerTest, VolumeIsInHundredthsOfADecibel) {
    // -2000 and -10000 are checked on the output below.
    EXPECT_EQ(QtMediaPlayer::linearVolume(0), 1.0f);
    EXPECT_NEAR(QtMediaPlayer::linearVolume(-600), 0.501f, 1e-3);
    EXPECT_EQ(player.volume(), 0);
    EXPECT_FALSE(player.isMuted());
    player.setVolume(-20000);
    EXPECT_EQ(player.volume(), -10000);
    player.setVolume(300);
    EXPECT_EQ(player.volume(), 0);
    player.setVolume(-2000);
    player.setMuted(true);
    EXPECT_TRUE(player.isMuted());
    EXPECT_EQ(player.volume(), -2000);

    // Set before a file was opened, the settings reach the output that plays it, and changes
    // while it plays reach it too.
    player.open(wav("three.wav", 30));
    ASSERT_TRUE(reports.waitFor(MediaPlayer::Playing));
    auto outputs = player.findChildren<QAudioOutput*>();
    ASSERT_EQ(outputs.size(), 1);
    EXPECT_NEAR(outputs[0]->volume(), 0.1f, 1e-6);
    EXPECT_TRUE(outputs[0]->isMuted());
    player.setMuted(false);
    player.setVolume(-10000);
    EXPECT_FALSE(outputs[0]->isMuted());
    EXPECT_EQ(outputs[0]->volume(), 0.0f);
    EXPECT_EQ(player.volume(), -10000);
}

} // namespace
