// Measures how quickly a row starts playing through the real player: from the Play command
// (or Next while a file plays) to the player's "playing" report, and the longest the event
// loop is held up meanwhile. A plain program rather than Google Benchmark: what matters is
// what the window's event loop sees.
//
//   tunewalk-bench-playback [--repetitions=N]
//
// The files (five-second WAV and MP3 files) are generated into a temporary folder and read
// once before the runs, so the page cache is warm.

#include "AudioFixtures.h"
#include "BenchSeams.h"
#include "BenchTiming.h"
#include "BenchWindow.h"
#include "app/listing/FolderModel.h"
#include "app/listing/ListEntry.h"
#include "app/playback/MediaPlayer.h"
#include "app/playback/SystemPlayer.h"
#include "app/window/Form1.h"
#include "common/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tunewalk::bench;

using tunewalk::Form1;
using tunewalk::MediaPlayer;

constexpr double kStartTargetMs = 100;
constexpr double kStallTargetMs = 50;
constexpr int kFilesPerKind = 6;

// A 1 ms ticker whose longest gap, while measuring, is the longest stall of the event loop;
// and the moment the player reported "playing".
class Probe {
public:
    explicit Probe(MediaPlayer& player) {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] { tick(); });
        QObject::connect(&player, &MediaPlayer::stateChanged, &m_ticker, [this](int, int state) {
            if (state != MediaPlayer::Playing || !m_measuring) return;
            tick();
            m_playingAt = Clock::now();
            m_playing = true;
            m_measuring = false;
        });
        m_ticker.start();
    }
    void start() {
        m_playing = false;
        m_maxGapMs = 0;
        m_last = Clock::now();
        m_measuring = true;
    }
    bool playing() const { return m_playing; }
    Clock::time_point playingAt() const { return m_playingAt; }
    double maxGapMs() const { return m_maxGapMs; }

private:
    void tick() {
        if (!m_measuring) return;
        const auto now = Clock::now();
        m_maxGapMs = std::max(m_maxGapMs, msBetween(m_last, now));
        m_last = now;
    }
    QTimer m_ticker;
    bool m_measuring = false, m_playing = false;
    Clock::time_point m_last, m_playingAt;
    double m_maxGapMs = 0;
};

void printRow(const char* what, const Stat& s, double target) {
    std::printf("  %-38s %8.1f ms %8.1f ms   < %3.0f ms  %s\n", what, s.median, s.worst, target,
                s.worst < target ? "met" : "MISSED");
}

int run(int repetitions) {
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString music = dir.filePath(QStringLiteral("music"));
    QDir().mkpath(music);
    namespace fx = tunewalk::fixtures;
    for (int i = 0; i < kFilesPerKind; ++i) {
        fx::WavShape wav;
        wav.dataBytes = 44100 * 4 * 5;
        fx::writeFile(QStringLiteral("%1/wav%2.wav").arg(music).arg(i).toStdString(),
                      fx::wavFile(wav));
        // About five seconds of 128 kbit/s frames.
        fx::writeFile(QStringLiteral("%1/mp3%2.mp3").arg(music).arg(i).toStdString(),
                      fx::silentMpegFrames({}, 192));
    }

    tunewalk::bench::BenchWindow bench(dir.path());
    tunewalk::Form1& window = bench.window;
    auto& prompter = bench.prompter;
    auto& player = bench.player;
    window.command("mnuAll")->setChecked(false);
    window.PopulateList(music);
    waitFor([&] { return !window.isFillingDetails(); });
    Probe probe(player);

    std::printf("Tunewalk playback benchmark: %d repetitions per case, platform %s\n", repetitions,
                qPrintable(QGuiApplication::platformName()));

    auto playRow = [&](const QString& name) {
        const auto& rows = window.rows().entries();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const tunewalk::ListEntry& e) { return e.name == name; });
        if (row != rows.end()) window.clickRow(&*row);
        probe.start();
        const auto t0 = Clock::now();
        window.command("mnuPlay")->trigger();
        if (!waitFor([&] { return probe.playing(); })) return -1.0;
        return msBetween(t0, probe.playingAt());
    };

    // One untimed start: the decoders and the audio sink load once per process.
    playRow(QStringLiteral("wav0.wav"));
    window.stopCommand();
    playRow(QStringLiteral("mp30.mp3"));
    window.stopCommand();
    settle(100);

    std::printf("\n  %-38s %11s %11s %9s\n", "case", "median", "worst", "target");
    int failures = 0;
    for (const char* kind : {"wav", "mp3"}) {
        std::vector<double> idle, idleStall, next, nextStall;
        for (int rep = 0; rep < repetitions; ++rep) {
            const QString name =
                QStringLiteral("%1%2.%1").arg(QLatin1String(kind)).arg(rep % kFilesPerKind);
            // From nothing playing.
            const double ms = playRow(name);
            if (ms < 0) {
                std::fprintf(stderr, "%s never reported playing\n", qPrintable(name));
                return 1;
            }
            idle.push_back(ms);
            idleStall.push_back(probe.maxGapMs());
            settle(50);
            // Next while a file plays: the following row of the same kind.
            if (rep % kFilesPerKind < kFilesPerKind - 1) {
                probe.start();
                const auto t0 = Clock::now();
                window.command("mnuNext")->trigger();
                if (!waitFor([&] { return probe.playing(); })) {
                    std::fprintf(stderr, "Next never reported playing\n");
                    return 1;
                }
                next.push_back(msBetween(t0, probe.playingAt()));
                nextStall.push_back(probe.maxGapMs());
            }
            window.stopCommand();
            settle(50);
        }
        const std::string k = kind;
        const Stat a = stat(idle), b = stat(next), c = stat(idleStall), d = stat(nextStall);
        printRow((k + ": Play to playing, from idle").c_str(), a, kStartTargetMs);
        printRow((k + ": Next to playing, while playing").c_str(), b, kStartTargetMs);
        printRow((k + ": longest stall, from idle").c_str(), c, kStallTargetMs);
        printRow((k + ": longest stall, Next").c_str(), d, kStallTargetMs);
        for (const Stat& s : {a, b})
            failures += s.worst >= kStartTargetMs;
        for (const Stat& s : {c, d})
            failures += s.worst >= kStallTargetMs;
    }
    if (prompter.count) {
        std::fprintf(stderr, "the window asked: %s\n", qPrintable(prompter.last));
        return 1;
    }
    std::printf("(a target is met when the worst run meets it)\n");
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int repetitions = tunewalk::bench::repetitionsFrom(argc, argv, 12);
    return run(repetitions);
}
