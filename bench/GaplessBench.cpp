// Gapless Play All through the real window: a 30 s sweep cut into three files at odd sample
// positions, played as the user plays a folder, and the recording compared with the sweep at
// the two junctions. Per set (WAV, FLAC, MP3 with its LAME tag) the samples inserted or lost at
// each junction, and how long after the new file's first sample is played out the window shows
// it. Then the same WAV set through a PulseAudio server of the benchmark's own: the older
// Qt Multimedia player's gaps, and the processor time of both players. A plain program rather
// than Google Benchmark: the window's event loop runs it.
//
//   tunewalk-bench-gapless [--sets=wav,flac,mp3,qt,cpu] [--keep]
//
// "qt" is the Qt player's gaps; "cpu" plays the set through both players (with "qt" the Qt run
// is shared). Every set plays in real time: about 35 s each. --keep keeps the files, the
// recordings and the windows' settings, and tells where.

#include "BenchTiming.h"
#include "BenchWindow.h"
#include "GaplessJunctions.h"
#include "PulseDaemon.h"
#include "app/listing/FolderModel.h"
#include "app/listing/ListEntry.h"
#include "app/playback/Playback.h"
#include "app/playback/QtMediaPlayer.h"
#include "app/window/Form1.h"
#include "common/SettingsStore.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace {

using namespace tunewalk::bench;
using tunewalk::Form1;
using tunewalk::Playback;

// Where the sweep is cut: the first frames of the second and third files.
const std::vector<long> kCuts{441000 + 123, 882000 + 4567};
constexpr long kLossyTargetSamples = 44; // 1 ms
constexpr double kDelayTargetMs = 50;
constexpr double kCpuRatioTarget = 1.05;
constexpr int kPlayLimitMs = 100000;

double msOf(long frames) {
    return frames * 1000.0 / kRate;
}

// ---- the files

bool tool(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, arguments);
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
        return true;
    std::fprintf(stderr, "failed: %s %s\n", qPrintable(program), qPrintable(arguments.join(' ')));
    return false;
}

// The sweep as raw frames in dir/source.raw, and its three pieces as dir/KIND/01.KIND to 03.
bool makeSets(const QString& dir, const QStringList& kinds) {
    const QStringList raw{"-t", "raw", "-r", "44100", "-c", "2", "-b", "16", "-e", "signed"};
    const QString source = dir + "/source.raw";
    if (!tool("sox", QStringList{"-n"} + raw +
                         QStringList{source, "synth", "30", "sine", "100-8000", "gain", "-6"}))
        return false;
    const QString wav = dir + "/wav";
    QDir().mkpath(wav);
    const std::array<QStringList, 3> trims{
        QStringList{"0s", QString::number(kCuts[0]) + "s"},
        QStringList{QString::number(kCuts[0]) + "s", QString::number(kCuts[1] - kCuts[0]) + "s"},
        QStringList{QString::number(kCuts[1]) + "s"}};
    for (int i = 0; i < 3; ++i) {
        const QString piece = QStringLiteral("%1/0%2.wav").arg(wav).arg(i + 1);
        if (!tool("sox", raw + QStringList{source, piece, "trim"} + trims[std::size_t(i)]))
            return false;
        for (const QString& kind : {QStringLiteral("flac"), QStringLiteral("mp3")}) {
            if (!kinds.contains(kind)) continue;
            const QString out = QStringLiteral("%1/%2/0%3.%2").arg(dir, kind).arg(i + 1);
            QDir().mkpath(dir + "/" + kind);
            const bool ok = kind == "flac"
                                ? tool("flac", {"-s", "-f", "-o", out, piece})
                                : tool("lame", {"--quiet", "-b", "192", piece, out}); // LAME tag
            if (!ok) return false;
        }
    }
    return true;
}

// ---- one play of a folder through a window

struct Played {
    bool finished = false;
    int asked = 0;    // questions the window put: none expected
    int switches = 0; // gapless switches the window followed
    double cpuMs = 0;
    std::array<std::optional<Clock::time_point>, 3> shownAt;     // the "Current" panel
    std::array<std::optional<Clock::time_point>, 3> announcedAt; // the media controls' title
    std::vector<std::pair<Clock::time_point, qint64>> growth;    // the output file's sizes
};

// Starts the window as the program does (its settings are read), lists `folder`, plays its
// first row with Play All on and Repeat off as the user does, and waits until playback has
// stopped after the third file. `output` is the file the player writes, watched as it grows;
// empty for none.
Played play(BenchWindow& bench, const QString& folder, const QString& output) {
    Form1& window = bench.window;
    Playback& playback = window.playback();
    window.load();
    // The start folder (the settings' own, here) is listed first, from a timer.
    waitFor([&] { return !window.folder().isEmpty() && !window.isFillingDetails(); }, 10000);
    if (!window.command("mnuAll")->isChecked()) window.command("mnuAll")->trigger();
    if (window.command("mnuRepeat")->isChecked()) window.command("mnuRepeat")->trigger();
    window.PopulateList(folder);
    QStringList keys;
    waitFor(
        [&] {
            keys.clear();
            for (const tunewalk::ListEntry& e : window.rows().entries())
                if (e.isFile()) keys << e.key;
            return keys.size() == 3 && !window.isFillingDetails();
        },
        10000);
    keys.sort();
    Played played;
    if (keys.size() != 3) {
        std::fprintf(stderr, "%s lists %d files, not 3\n", qPrintable(folder), int(keys.size()));
        return played;
    }
    QStringList texts;
    for (const QString& key : keys)
        texts << window.currentText(key);

    const QByteArray outputPath = QFile::encodeName(output);
    const auto look = [&] {
        const auto now = Clock::now();
        const QString shown = window.currentLabel()->text(), title = playback.shown().title;
        for (int k = 0; k < 3; ++k) {
            if (!played.shownAt[std::size_t(k)] && shown == texts[k]) played.shownAt[k] = now;
            if (!played.announcedAt[std::size_t(k)] && title == texts[k])
                played.announcedAt[std::size_t(k)] = now;
        }
        struct stat st {};
        if (!output.isEmpty() && ::stat(outputPath.constData(), &st) == 0 &&
            (played.growth.empty() || played.growth.back().second != st.st_size))
            played.growth.emplace_back(now, st.st_size);
    };
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, look);
    QObject::connect(&playback, &Playback::shownChanged, &ticker, look);
    QObject::connect(&playback, &Playback::switched, &ticker, [&] {
        ++played.switches;
        look();
    });

    const auto& rows = window.rows().entries();
    const auto first = std::find_if(rows.begin(), rows.end(),
                                    [&](const tunewalk::ListEntry& e) { return e.key == keys[0]; });
    window.clickRow(&*first);
    // The panel and the title change with the reports connected above; the ticker watches the
    // file (and would cost the processor time measured without one).
    if (!output.isEmpty()) ticker.start(1);
    const double cpuBefore = cpuMs();
    window.command("mnuPlay")->trigger();
    played.finished = waitFor([&] { return played.shownAt[2] && playback.currentFile().isEmpty(); },
                              kPlayLimitMs);
    played.cpuMs = cpuMs() - cpuBefore;
    look();
    played.asked = bench.prompter.count;
    return played;
}

// ---- the report

struct Report {
    int failures = 0;
    void row(const QString& what, const QString& measure, const QString& value,
             const QString& target = {}, std::optional<bool> met = std::nullopt) {
        std::printf("%-20s %-40s %18s %12s  %s\n", qPrintable(what), qPrintable(measure),
                    qPrintable(value), qPrintable(target), !met ? "" : (*met ? "met" : "NOT MET"));
        failures += met && !*met;
    }
    void note(const QString& text) { std::printf("    %s\n", qPrintable(text)); }
    void failed(const QString& what, const QString& why) { row(what, why, "-", "-", false); }
};

QString signedMs(double ms) {
    return QString::asprintf("%+.1f ms", ms);
}

bool playedOk(Report& report, const QString& name, const Played& p, int switches) {
    if (p.asked) report.failed(name, "the window asked something");
    if (!p.finished) report.failed(name, "did not play to the end in time");
    if (p.switches != switches)
        report.note(QStringLiteral("%1: %2 gapless switches, not %3")
                        .arg(name)
                        .arg(p.switches)
                        .arg(switches));
    return p.finished && !p.asked;
}

// When the first frame of the file output was played out, by the clock the sink writes to: it
// writes each buffer when the clock reaches it, so frame n is due n frames after the first one.
// Each time the file was seen to grow, the buffer that begins at its old end had been written,
// a poll's delay before; the median over the whole play is the clock, and neither a first buffer
// written late nor a write seen half done (or a late poll) moves it.
std::optional<Clock::time_point>
playOutOrigin(const std::vector<std::pair<Clock::time_point, qint64>>& growth) {
    std::vector<Clock::time_point> due;
    qint64 before = 0;
    for (const auto& [at, size] : growth) {
        if (size <= 0) continue;
        due.push_back(at - std::chrono::duration_cast<Clock::duration>(
                               std::chrono::duration<double, std::milli>(msOf(long(before / 4)))));
        before = size;
    }
    if (due.empty()) return std::nullopt;
    std::nth_element(due.begin(), due.begin() + std::ptrdiff_t(due.size() / 2), due.end());
    return due[due.size() / 2];
}

// A set played into the player's file output: samples inserted or lost at each junction, and
// how long after its first sample was played out the window showed the new file.
void fileSet(Report& report, const QString& dir, const QString& kind, const Frames& source,
             int number) {
    const QString folder = QStringLiteral("%1/window-%2").arg(dir).arg(number);
    QDir().mkpath(folder);
    const QString out = folder + "/out.raw";
    {
        tunewalk::SettingsStore settings(folder + "/Tunewalk.conf");
        settings.save(tunewalk::SettingsStore::Settings, "OutputDevice", "file:" + out);
    }
    Played p;
    {
        BenchWindow bench(folder);
        p = play(bench, dir + "/" + kind, out);
    }
    if (!playedOk(report, kind, p, 2)) return;
    const bool lossless = kind != "mp3";
    const Frames recording = readRawFrames(out);
    const JunctionReport r = measureJunctions(recording, source, kCuts, lossless);
    const std::optional<Clock::time_point> origin = playOutOrigin(p.growth);
    if (!origin || r.junctions.empty()) {
        report.failed(kind, "nothing was recorded");
        return;
    }
    report.note(QStringLiteral("%1: recorded %2 frames (the sweep has %3), %4 before the first "
                               "source frame%5")
                    .arg(kind)
                    .arg(frameCount(recording))
                    .arg(frameCount(source))
                    .arg(r.lead)
                    .arg(lossless ? (r.identical ? "; every sample identical"
                                                 : "; NOT identical to the source")
                                  : ""));
    for (std::size_t k = 0; k < r.junctions.size(); ++k) {
        const Junction& j = r.junctions[k];
        const QString where = QStringLiteral("%1 0%2->0%3").arg(kind).arg(k + 1).arg(k + 2);
        if (!j.found) {
            report.failed(where, "the sweep was not found in the recording");
            continue;
        }
        const long target = lossless ? 0 : kLossyTargetSamples;
        report.row(where, "samples inserted (+) or lost (-)",
                   QStringLiteral("%1 (%2)").arg(j.change()).arg(signedMs(msOf(j.change()))),
                   lossless ? "0" : QStringLiteral("|n| <= %1").arg(target),
                   std::abs(j.change()) <= target && (!lossless || r.identical));
        const long frame = j.at + j.after; // the new file's first, in the recording
        const auto since = [&](Clock::time_point t) { return msBetween(*origin, t) - msOf(frame); };
        const auto& shown = p.shownAt[k + 1];
        if (!shown) {
            report.failed(where, "the window never showed the new file");
            continue;
        }
        const double delay = since(*shown);
        report.row(where, "window shows it, after played out", signedMs(delay),
                   QStringLiteral("|d| <= %1 ms").arg(kDelayTargetMs),
                   std::abs(delay) <= kDelayTargetMs);
        const auto written = std::find_if(p.growth.begin(), p.growth.end(), [&](const auto& g) {
            return g.second > qint64(frame) * 4;
        });
        report.note(QStringLiteral("%1: before %2, after %3 frames; its first frame reached the "
                                   "file at %4; media controls %5")
                        .arg(where)
                        .arg(j.before)
                        .arg(j.after)
                        .arg(written == p.growth.end() ? QStringLiteral("-")
                                                       : signedMs(since(written->first)))
                        .arg(p.announcedAt[k + 1] ? signedMs(since(*p.announcedAt[k + 1]))
                                                  : QStringLiteral("never")));
    }
}

// The WAV set played to the default sink (the private server's null sink) by a window with
// `player`, and what the sink's monitor recorded meanwhile; nothing when the recorder could not
// start.
std::optional<std::pair<Played, Frames>> pulseSet(const QString& dir, int number,
                                                  std::unique_ptr<tunewalk::MediaPlayer> player) {
    const QString folder = QStringLiteral("%1/window-%2").arg(dir).arg(number);
    QDir().mkpath(folder);
    QProcess recorder;
    recorder.setStandardOutputFile(folder + "/monitor.raw");
    recorder.start("parec",
                   {"--format=s16le", "--rate=44100", "--channels=2", "-d", "bench.monitor"});
    if (!recorder.waitForStarted()) return std::nullopt;
    settle(300);
    Played p;
    {
        BenchWindow bench(folder, std::move(player));
        p = play(bench, dir + "/wav", {});
    }
    settle(300);
    recorder.terminate();
    if (!recorder.waitForFinished(5000)) recorder.kill();
    recorder.waitForFinished();
    return std::pair{p, readRawFrames(folder + "/monitor.raw")};
}

// What a recording through the sound server holds at each junction: samples inserted (the gap)
// or lost, reported only, and how loud the inserted stretch is (silence: 0).
void serverJunctions(Report& report, const QString& what, const Frames& recording,
                     const Frames& source) {
    const JunctionReport r = measureJunctions(recording, source, kCuts, true);
    for (std::size_t k = 0; k < r.junctions.size(); ++k) {
        const Junction& j = r.junctions[k];
        const QString where = QStringLiteral("%1 0%2->0%3").arg(what).arg(k + 1).arg(k + 2);
        if (!j.found) {
            report.failed(where, "the sweep was not found in the recording");
            continue;
        }
        report.row(where, "gap: samples inserted (+) or lost (-)",
                   QStringLiteral("%1 (%2)").arg(j.change()).arg(signedMs(msOf(j.change()))));
        if (j.change() <= 0) continue;
        const auto from = recording.begin() + std::ptrdiff_t(j.at + j.before) * 2;
        const auto peak = std::max_element(from, from + std::ptrdiff_t(j.change()) * 2,
                                           [](int a, int b) { return std::abs(a) < std::abs(b); });
        report.note(QStringLiteral("%1: the inserted stretch peaks at %2")
                        .arg(where)
                        .arg(std::abs(int(*peak))));
    }
    if (!r.junctions.empty() && r.junctions.front().found)
        report.note(QStringLiteral("%1: %2 frames before the first source frame%3")
                        .arg(what)
                        .arg(r.lead)
                        .arg(r.identical ? "; every sample identical" : ""));
}

void pulseSets(Report& report, const QString& dir, const Frames& source, bool qt, bool cpu) {
    tunewalk::PulseDaemon pulse;
    // Without rewinds: a sink that rewinds when a stream starts takes back from its monitor
    // what it had played ahead, and the recording loses that stretch (the silence before, the
    // first milliseconds of the stream).
    if (!pulse.ready() ||
        !tool("pactl", {"load-module", "module-null-sink", "sink_name=bench", "norewinds=1"})) {
        report.failed("pulseaudio", "the private server did not start");
        return;
    }
    std::optional<std::pair<Played, Frames>> gst, qtRun;
    if (cpu) {
        gst = pulseSet(dir, 10, tunewalk::makeSystemPlayer());
        if (gst && playedOk(report, "gst pulse", gst->first, 2))
            serverJunctions(report, "gst pulse wav", gst->second, source);
    }
    qtRun = pulseSet(dir, 11, std::make_unique<tunewalk::QtMediaPlayer>());
    if (!gst && cpu) report.failed("gst pulse", "parec did not start");
    if (!qtRun) report.failed("qt pulse", "parec did not start");
    if (!qtRun || !playedOk(report, "qt pulse", qtRun->first, 0)) return;
    if (qt) serverJunctions(report, "qt pulse wav", qtRun->second, source);
    if (!cpu || !gst || !gst->first.finished) return;
    const double a = gst->first.cpuMs, b = qtRun->first.cpuMs;
    report.row("cpu", "Gst player, processor time", QString::asprintf("%.0f ms", a));
    report.row("cpu", "Qt player, processor time", QString::asprintf("%.0f ms", b));
    report.row("cpu", "ratio Gst / Qt", QString::asprintf("%.2f", a / b),
               QString::asprintf("<= %.2f", kCpuRatioTarget), a / b <= kCpuRatioTarget);
}

int run(const QStringList& sets, bool keep) {
    QTemporaryDir tmp;
    if (!tmp.isValid()) return 1;
    const QString dir = tmp.path();
    tmp.setAutoRemove(!keep);
    if (keep) std::printf("files, recordings and settings kept in %s\n", qPrintable(dir));
    std::printf("Tunewalk gapless benchmark: sets %s, platform %s\n", qPrintable(sets.join(',')),
                qPrintable(QGuiApplication::platformName()));
    if (!makeSets(dir, sets)) return 1;
    const Frames source = readRawFrames(dir + "/source.raw");
    std::printf("a %.0f s sweep cut at frames %ld and %ld\n\n", msOf(frameCount(source)) / 1000,
                kCuts[0], kCuts[1]);
    std::printf("%-20s %-40s %18s %12s  %s\n", "set / junction", "measure", "value", "target",
                "result");
    Report report;
    int number = 0;
    for (const QString kind : {"wav", "flac", "mp3"})
        if (sets.contains(kind)) fileSet(report, dir, kind, source, ++number);
    if (sets.contains("qt") || sets.contains("cpu"))
        pulseSets(report, dir, source, sets.contains("qt"), sets.contains("cpu"));
    std::printf("\n%d target(s) not met\n", report.failures);
    return report.failures ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList sets{"wav", "flac", "mp3", "qt", "cpu"};
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith("--sets=")) {
            sets = arg.mid(7).split(',', Qt::SkipEmptyParts);
        } else if (arg == "--keep") {
            keep = true;
        } else {
            std::fprintf(stderr,
                         "usage: tunewalk-bench-gapless [--sets=wav,flac,mp3,qt,cpu] [--keep]\n");
            return 2;
        }
    }
    return run(sets, keep);
}
