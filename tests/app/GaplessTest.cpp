// The GStreamer player through its file output: every sample of a tone cut into files is played
// once, in order, across the switches; what changes between a hand-over and its moment; the
// levels ReplayGain and the volume give.
#include "app/playback/GstMediaPlayer.h"

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "TempDir.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

using namespace tunewalk;

namespace {

// A 16-bit tone whose every sample follows from its place in the whole, so that pieces of it
// cut anywhere join into the same samples again.
std::vector<std::int16_t> tone(std::int64_t from, std::int64_t frames, int rate, int channels,
                               double amplitude = 10000) {
    std::vector<std::int16_t> samples;
    samples.reserve(std::size_t(frames * channels));
    for (std::int64_t n = from; n < from + frames; ++n)
        for (int c = 0; c < channels; ++c)
            samples.push_back(static_cast<std::int16_t>(
                std::lround(amplitude * std::sin(2 * M_PI * 441.0 * double(n) / rate + c))));
    return samples;
}

std::string le(std::uint32_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string wavOf(const std::vector<std::int16_t>& samples, int rate, int channels) {
    const std::string format =
        le(1, 2) + le(std::uint32_t(channels), 2) + le(std::uint32_t(rate), 4) +
        le(std::uint32_t(rate * channels * 2), 4) + le(std::uint32_t(channels * 2), 2) + le(16, 2);
    std::string data(samples.size() * 2, '\0');
    std::memcpy(data.data(), samples.data(), data.size());
    return fixtures::riffChunk("RIFF", "WAVE" + fixtures::riffChunk("fmt ", format) +
                                           fixtures::riffChunk("data", data));
}

std::vector<std::int16_t> samplesIn(const std::string& path) {
    const std::string bytes = fixtures::readFile(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

double rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (const std::int16_t s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

class GaplessTest : public ::testing::Test {
protected:
    void SetUp() override {
        player.setOutput(QStringLiteral("file:") + recording);
        QObject::connect(&player, &MediaPlayer::stateChanged,
                         [this](int, int to) { states << to; });
        QObject::connect(&player, &MediaPlayer::switched, [this](const QString& path) {
            switches << name(path);
            statesAtSwitch = states;
        });
        QObject::connect(&player, &MediaPlayer::handedOver,
                         [this](const QString& path) { handed << name(path); });
        QObject::connect(&player, &MediaPlayer::error, [this](quint32, const QString& text) {
            errors << name(player.fileName()) + ": " + text;
        });
    }
    // Pieces of one tone at 44.1 kHz stereo, of the lengths given in frames.
    QStringList pieces(const std::vector<std::int64_t>& lengths) {
        QStringList paths;
        std::int64_t at = 0;
        for (std::size_t i = 0; i < lengths.size(); ++i) {
            const auto samples = tone(at, lengths[i], 44100, 2);
            whole.insert(whole.end(), samples.begin(), samples.end());
            paths << file(std::string(1, char('a' + i)) + ".wav", wavOf(samples, 44100, 2));
            at += lengths[i];
        }
        return paths;
    }
    QString file(const std::string& name, const std::string& bytes) {
        fixtures::writeFile(dir / name, bytes);
        return QString::fromStdString(dir.file(name));
    }
    static QString name(const QString& path) { return path.section('/', -1); }
    // Plays the first file and keeps the next of `order` prepared, as the window does.
    void playAll(const QStringList& order) {
        QObject::connect(
            &player, &MediaPlayer::handedOver, &player, [this, order](const QString& p) {
                const auto at = order.indexOf(p);
                player.setNextFile(p, at + 1 < order.size() ? order[at + 1] : QString());
            });
        player.setNextFile(order[0], order[1]);
        player.open(order[0]);
    }
    // The first file played from its start with the second prepared, until `seconds` in.
    // A file this short is read at once, now and then (a busy machine) before the next one is
    // set: there is no hand-over to change then, and the file is played again.
    bool playHanding(const QStringList& files, double seconds) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            states.clear();
            handed.clear();
            player.setNextFile(files[0], files[1]);
            player.open(files[0]);
            if (!waitUntil([&] { return player.position() > seconds; })) return false;
            if (handed == QStringList{name(files[1])}) return true;
        }
        return false;
    }
    bool waitEnd(int ends = 1) {
        return waitUntil([&] { return states.count(MediaPlayer::Stopped) >= ends; }, 30000);
    }

    TempDir dir;
    QString recording = QString::fromStdString(dir.file("out.raw"));
    GstMediaPlayer player;
    std::vector<std::int16_t> whole;
    QList<int> states, statesAtSwitch;
    QStringList switches, handed, errors;
};

TEST_F(GaplessTest, EverySampleOnceAcrossTheSwitches) {
    const QStringList files = pieces({26460 + 17, 16317, 22050 + 3});
    playAll(files);
    ASSERT_TRUE(waitEnd());
    EXPECT_EQ(states, (QList<int>{MediaPlayer::Playing, MediaPlayer::Stopped}))
        << "the switches are no state changes";
    EXPECT_EQ(switches, (QStringList{"b.wav", "c.wav"}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    EXPECT_EQ(player.fileName(), files[2]);
    EXPECT_GT(player.position(), 0.4);
    const auto played = samplesIn(recording.toStdString());
    ASSERT_EQ(played.size(), whole.size());
    EXPECT_TRUE(played == whole) << "a sample was changed, lost or repeated at a junction";
}

// Changes between the hand-over (at once, for files this short) and the switch.
TEST_F(GaplessTest, WhatChangesBeforeTheSwitchIsHonoured) {
    const QStringList files = pieces({44100, 22050, 22050});
    // Play All turned off: the first file ends as without a next one.
    ASSERT_TRUE(playHanding(files, 0.5));
    player.setNextFile(files[0], {});
    ASSERT_TRUE(waitEnd());
    EXPECT_TRUE(switches.isEmpty());
    EXPECT_EQ(player.fileName(), files[0]);
    EXPECT_GT(player.position(), 0.9);

    // Another next file: the end is reported, and the caller's rule plays the new one.
    ASSERT_TRUE(playHanding(files, 0.5));
    player.setNextFile(files[0], files[2]);
    ASSERT_TRUE(waitEnd());
    EXPECT_TRUE(switches.isEmpty());
    EXPECT_EQ(player.fileName(), files[0]);

    // Next: another file opened; what was handed over never plays.
    ASSERT_TRUE(playHanding(files, 0.3));
    player.open(files[2]);
    ASSERT_TRUE(waitEnd());
    EXPECT_TRUE(switches.isEmpty());
    EXPECT_EQ(player.fileName(), files[2]);

    // A seek in the first file: it plays from there, and the next still follows it.
    ASSERT_TRUE(playHanding(files, 0.3));
    player.setPosition(0.8);
    ASSERT_TRUE(waitUntil([&] { return !switches.isEmpty(); }));
    EXPECT_EQ(switches, QStringList{"b.wav"});
    EXPECT_EQ(statesAtSwitch, QList<int>{MediaPlayer::Playing});
    ASSERT_TRUE(waitEnd());
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(GaplessTest, AMissingNextFileIsTheErrorOfThatFile) {
    const QStringList files = pieces({22050});
    const QString missing = QString::fromStdString(dir.file("gone.wav"));
    player.open(files[0]);
    player.setNextFile(files[0], missing);
    ASSERT_TRUE(waitUntil([&] { return !errors.isEmpty(); }));
    waitUntil([] { return false; }, 300);
    ASSERT_EQ(errors.size(), 1) << errors.join('\n').toStdString();
    EXPECT_TRUE(errors[0].startsWith("gone.wav: ")) << errors[0].toStdString();
    EXPECT_EQ(player.fileName(), missing);
    EXPECT_TRUE(switches.isEmpty());
}

TEST_F(GaplessTest, ASampleRateAndChannelChangePlaysOn) {
    const QStringList first = pieces({22050});
    const QString other = file("mono48k.wav", wavOf(tone(0, 24000, 48000, 1), 48000, 1));
    playAll({first[0], other});
    ASSERT_TRUE(waitEnd());
    EXPECT_EQ(switches, QStringList{"mono48k.wav"});
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    // Half a second each, at the output's 44.1 kHz stereo.
    const auto frames = double(samplesIn(recording.toStdString()).size()) / 2;
    EXPECT_NEAR(frames, 22050 + 22050, 100);
}

TEST_F(GaplessTest, ReplayGainAndVolumeLevelsOnTheOutput) {
    const QString wav = file("tone.wav", wavOf(tone(0, 22050, 44100, 2), 44100, 2));
    const QString flac = QString::fromStdString(dir.file("tone.flac"));
    ASSERT_EQ(QProcess::execute("flac", {"-s", "-f", "-o", flac, wav,
                                         "--tag=REPLAYGAIN_TRACK_GAIN=-6.02 dB",
                                         "--tag=REPLAYGAIN_ALBUM_GAIN=-12.04 dB"}),
              0);
    const auto level = [&](MediaPlayer::Gain gain, double preamp, int volume) {
        QFile::remove(recording);
        player.setReplayGain(gain, preamp);
        player.setVolume(volume);
        states.clear();
        player.open(flac);
        EXPECT_TRUE(waitEnd());
        return rms(samplesIn(recording.toStdString()));
    };
    const double plain = level(MediaPlayer::Gain::Off, 0, 0);
    ASSERT_GT(plain, 5000);
    EXPECT_NEAR(level(MediaPlayer::Gain::Track, 0, 0) / plain, 0.5, 0.02);
    EXPECT_NEAR(level(MediaPlayer::Gain::Album, 0, 0) / plain, 0.25, 0.02);
    EXPECT_NEAR(level(MediaPlayer::Gain::Track, 6.02, 0) / plain, 1.0, 0.03);
    EXPECT_NEAR(level(MediaPlayer::Gain::Off, 0, -2000) / plain, 0.1, 0.01);
    EXPECT_LT(level(MediaPlayer::Gain::Off, 0, MediaPlayer::SilentVolume), 1.0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

} // namespace
