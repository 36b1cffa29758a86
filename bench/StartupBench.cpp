// Measures the program's start-up on a big folder behind a slow file system (latencyfs, a FUSE
// pass-through that waits before every call, set up by bench/run-startup): when the window
// shows, when every name, every size and time and every audio detail is in, the longest the
// event loop is held up and the processor time spent; then a second start on a warm details
// cache, a tree expand of the big folder and a start-up next to a very slow sibling mount.
//
//   tunewalk-bench-startup prepare DIR
//   tunewalk-bench-startup run --big=FOLDER [--stats=FILE] [--delay-ms=N] [--music=FOLDER]
//                              [--slow-stats=FILE] [--tree-volume=FOLDER] [--no-latency=REASON]
//                              [--repetitions=N] [--before=PROGRAM]
//
// Each start-up is a fresh process (this program, started again with "start"), timed from the
// moment it is started, so nothing of the window's state carries over between runs. Each cold
// start is followed by one with every tag and format off (the program's own codec alone) and,
// with --before, one of PROGRAM: this benchmark built from an earlier version of the program.

#include "AudioFixtures.h"
#include "BenchSeams.h"
#include "BenchTiming.h"
#include "ListingFolders.h"
#include "app/listing/FolderModel.h"
#include "app/listing/ListEntry.h"
#include "app/listing/ListText.h"
#include "app/playback/SystemPlayer.h"
#include "app/window/Form1.h"
#include "common/MemoryUse.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "foldertree/Treefolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace fx = tunewalk::fixtures;
using namespace tunewalk::bench;

namespace {

constexpr long kBigFiles = 2000;
constexpr int kBigFolders = 300;
constexpr int kMusicFiles = 20;
constexpr int kStartLimitMs = 300000; // one start-up, however slow the code under test is

using Values = std::map<std::string, double>;

long long nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
        .count();
}

// ---- prepare: the folders the script serves through latencyfs

int prepare(const fs::path& dir) {
    const FolderInfo big = prepareFolder(dir / "data", kBigFiles);
    // The generator makes a few sub-folders; the rest of the 300 are empty ones.
    for (int i = big.folders + 1; i <= kBigFolders; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Folder %03d", i);
        fs::create_directories(big.path / name);
    }
    const fs::path music = dir / "A" / "B" / "music";
    fs::create_directories(music);
    for (int i = 1; i <= kMusicFiles; ++i) {
        const std::string title = "Song " + std::to_string(i);
        fx::writeFile(music / (title + ".mp3"),
                      fx::mpegFrames({}, 4) + fx::id3v1Tag(title, "Local Band"));
    }
    fs::create_directories(dir / "A" / "slow");
    fs::create_directories(dir / "slow-source" / "Remote Album");
    fs::create_directories(dir / "mnt");
    warmCache(dir / "data");
    std::printf("%s\n%ld %d %ld\n", big.path.filename().c_str(), big.files, kBigFolders,
                big.titled);
    return 0;
}

// ---- start: one start-up as main.cpp does it, reported on one line

// Catches what the window does without changing it: its first paint, the start-up timer that
// begins the listing, and the stages' signals.
class Watcher : public QObject {
public:
    Watcher(tunewalk::Form1& window, Clock::time_point t0, int rows, long files, long titled)
        : m_window(window), m_t0(t0), m_rows(rows), m_files(files), m_titled(titled) {
        qApp->installEventFilter(this);
        window.firstListingTimer()->installEventFilter(this);
        connect(&window, &tunewalk::Form1::listed, this, &Watcher::onListed);
        connect(&window, &tunewalk::Form1::detailsFilled, this, &Watcher::onDetails);
        connect(&window, &tunewalk::Form1::statsFilled, this, &Watcher::onStats);
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        connect(&m_ticker, &QTimer::timeout, this, [this] { tick(); });
    }

    Values values;
    std::string wrong;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer && watched == m_window.firstListingTimer())
            note("listing_start");
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == &m_window && !values.count("shown")) {
            note("shown");
            // The stalls the user can see begin with the window.
            m_lastTick = Clock::now();
            m_ticker.start();
            qApp->removeEventFilter(this);
        }
        return false;
    }

private:
    void onStats() {
        if (!values.count("listed")) return;
        values["stats_signal"] = 1;
        if (!statsComplete()) addWrong("sizes or times missing at statsFilled");
        note("stats");
    }

    double sinceStart() const { return msBetween(m_t0, Clock::now()); }
    void note(const char* key) {
        if (!values.count(key)) values[key] = sinceStart();
    }
    void tick() {
        const auto now = Clock::now();
        values["stall"] = std::max(values["stall"], msBetween(m_lastTick, now));
        m_lastTick = now;
    }
    void addWrong(const std::string& text) { wrong += (wrong.empty() ? "" : "; ") + text; }

    bool statsComplete() const {
        using tunewalk::cellText;
        namespace Col = tunewalk::Col;
        const auto& rows = m_window.rows().entries();
        return std::none_of(rows.begin(), rows.end(), [](const tunewalk::ListEntry& row) {
            return cellText(row, Col::Modified).isEmpty() ||
                   (row.isFile() && cellText(row, Col::Size).isEmpty());
        });
    }
    void onListed() {
        if (values.count("listed")) return;
        note("listed");
        const int rows = m_window.rows().size();
        if (rows != m_rows)
            addWrong("rows " + std::to_string(rows) + " at listed, expected " +
                     std::to_string(m_rows));
        // Read in one go with the names, the sizes and times are in already.
        if (statsComplete()) note("stats");
    }

    void onDetails() {
        if (!values.count("listed") || values.count("details")) return;
        note("details");
        values["cpu"] = cpuMs();
        tick();
        m_ticker.stop();
        if (statsComplete()) note("stats");
        long files = 0, titled = 0, bare = 0;
        for (const tunewalk::ListEntry& row : m_window.rows().entries()) {
            if (!row.isFile()) continue;
            ++files;
            namespace Col = tunewalk::Col;
            const QString track = tunewalk::cellText(row, Col::Track);
            if (track.isEmpty() || tunewalk::cellText(row, Col::Length).isEmpty())
                ++bare;
            else if (track != QLatin1String("(unknown)"))
                ++titled;
        }
        if (bare) addWrong(std::to_string(bare) + " file row(s) without details at detailsFilled");
        if (files != m_files || titled != m_titled)
            addWrong("files " + std::to_string(files) + " (" + std::to_string(titled) +
                     " titled), expected " + std::to_string(m_files) + " (" +
                     std::to_string(m_titled) + ")");
        QCoreApplication::exit(0);
    }

    tunewalk::Form1& m_window;
    Clock::time_point m_t0, m_lastTick;
    int m_rows;
    long m_files, m_titled;
    QTimer m_ticker;
};

int start(const QString& folder, Clock::time_point t0, int rows, long files, long titled) {
    const double entered = msBetween(t0, Clock::now());
    // Settings of its own for every process: nothing of one run's window reaches the next.
    QTemporaryDir home;
    tunewalk::SettingsStore settings(home.filePath(QStringLiteral("Tunewalk.conf")));
    if (qEnvironmentVariableIsSet("TUNEWALK_BENCH_OWN_CODEC"))
        settings.save(tunewalk::SettingsStore::Settings, QStringLiteral("ReadAllTags"),
                      QStringLiteral("False"));
    CountingPrompter prompter;
    SilentTrayIcon tray;
    const auto systemPlayer = tunewalk::makeSystemPlayer();
    tunewalk::MediaPlayer& player = *systemPlayer;
    tunewalk::Form1 window(
        {&settings, &prompter, &tray, &player, nullptr, folder, QDir::currentPath()});
    Watcher watcher(window, t0, rows, files, titled);
    watcher.values["main"] = entered;
    window.load();
    window.show();
    QTimer::singleShot(kStartLimitMs, qApp, [] { QCoreApplication::exit(3); });
    const int code = QApplication::exec();
    if (prompter.count) watcher.wrong += " the window asked: " + prompter.last.toStdString();
    std::string line = "RESULT";
    for (const auto& [key, value] : watcher.values)
        line += " " + key + "=" + std::to_string(value);
    if (code == 3) line += " timeout=1";
    std::printf("%s\n", line.c_str());
    if (!watcher.wrong.empty()) std::printf("WRONG %s\n", watcher.wrong.c_str());
    std::fflush(stdout);
    return 0;
}

// ---- run: the driver

struct Run {
    Values values;
    std::string wrong; // empty when the list was right
    std::string note;  // what went wrong with the process rather than the list
    bool finished = false;
};

// The latencyfs counts, or nothing without a stats file.
std::optional<Values> readCounts(const QString& file) {
    if (file.isEmpty()) return std::nullopt;
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) return std::nullopt;
    Values counts;
    for (const QString& pair : QString::fromLatin1(in.readAll()).split(QLatin1Char(' '))) {
        const QStringList kv = pair.trimmed().split(QLatin1Char('='));
        if (kv.size() == 2) counts[kv[0].toStdString()] = kv[1].toDouble();
    }
    return counts;
}

// The calls a latencyfs saw between two readings of its counts.
std::optional<double> callsBetween(const std::optional<Values>& before,
                                   const std::optional<Values>& after) {
    if (!before || !after) return std::nullopt;
    double calls = 0;
    for (const char* key : {"getattr", "readdir", "opens"})
        calls += after->at(key) - before->at(key);
    return calls;
}

// How a start reads its files: every tag and format (the default), the program's own codec alone
// (the setting off), or as the --before program does.
enum class Reading { AllTags, OwnCodec, Before };

// Starts this program (or the --before one) on `folder` with the given cache and reads its
// report.
Run startProcess(const QString& folder, const QString& cache, const QString& scratch,
                 const std::vector<long>& expected, Reading reading = Reading::AllTags,
                 const QString& before = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (reading == Reading::OwnCodec) env.insert(QStringLiteral("TUNEWALK_BENCH_OWN_CODEC"), "1");
    env.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), scratch + QStringLiteral("/data"));
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(scratch);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList args{QStringLiteral("start"), folder, QString::number(nowNs())};
    for (long n : expected)
        args << QString::number(n);
    process.start(reading == Reading::Before ? before : QCoreApplication::applicationFilePath(),
                  args);
    // The report comes before the window is torn down, so a process that then hangs in the
    // file system is still measured; it is killed after a while.
    QByteArray out;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStartLimitMs + 30000);
    while (!out.contains("RESULT") && process.state() != QProcess::NotRunning &&
           Clock::now() < deadline) {
        process.waitForReadyRead(1000);
        out += process.readAllStandardOutput();
    }
    Run run;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
        run.note = "the program did not end within 10 s of its report and was killed";
    }
    out += process.readAllStandardOutput();
    for (const QString& line : QString::fromLocal8Bit(out).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("RESULT"))) {
            run.finished = true;
            for (const QString& pair : line.mid(7).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const QStringList kv = pair.split(QLatin1Char('='));
                run.values[kv[0].toStdString()] = kv.value(1).toDouble();
            }
        } else if (line.startsWith(QLatin1String("WRONG "))) {
            run.wrong = line.mid(6).toStdString();
        }
    }
    if (!run.finished)
        run.note = !run.note.empty() ? "no report within " +
                                           std::to_string(kStartLimitMs / 1000 + 30) + " s; killed"
                   : process.exitStatus() == QProcess::CrashExit
                       ? "the program crashed before its report"
                       : "no report; exit code " + std::to_string(process.exitCode());
    return run;
}

// A time of the run; a stage that never came counts as the time limit.
double at(const Run& r, const char* key) {
    const auto it = r.values.find(key);
    return it != r.values.end() ? it->second : kStartLimitMs;
}

// A time from the start of the listing (the window's start-up timer, else its first paint).
double sinceListing(const Run& r, const char* key) {
    const double begin = r.values.count("listing_start") ? at(r, "listing_start") : at(r, "shown");
    return at(r, key) - begin;
}

// The tree's expand of the big folder, in this process: the mount is the only volume.
std::vector<double> treeExpand(const QString& volumeRoot, const QString& big, int repetitions,
                               int& wrong) {
    QTemporaryDir desktop;
    tunewalk::TreefolderEnvironment environment;
    environment.desktop = desktop.path();
    const QString volume = QDir::toNativeSeparators(volumeRoot) + QDir::separator();
    environment.volumes = [volume] {
        return QList<tunewalk::TreeVolume>{{volume, QStringLiteral("Slow"), {}, true}};
    };
    tunewalk::Treefolder tree(environment);
    tree.resize(320, 700);
    tree.show();
    tree.SetPath(big);
    QTreeWidgetItem* node = tree.node(tunewalk::pathKey(big));
    if (!node) {
        ++wrong;
        std::printf("  tree: WRONG: the big folder has no node\n");
        return {};
    }
    // The children are shown by the first paint once they are all there (they may come in
    // stages).
    struct PaintSeen : QObject {
        QTreeWidgetItem* node = nullptr;
        std::optional<Clock::time_point> at;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint && !at && node->childCount() == kBigFolders)
                at = Clock::now();
            return false;
        }
    } paint;
    paint.node = node;
    tree.Nodes()->viewport()->installEventFilter(&paint);
    settle(100);
    std::vector<double> shown;
    // Run 0 is untimed: fonts and icons load once per process.
    for (int rep = 0; rep <= repetitions; ++rep) {
        // Children kept from before would be shown without a listing.
        const int before = node->childCount();
        paint.at.reset();
        const auto begin = Clock::now();
        node->setExpanded(true);
        if (!waitFor([&] { return paint.at.has_value(); }, 60000)) {
            ++wrong;
            std::printf("  tree run %d: WRONG: %d children shown, expected %d\n", rep,
                        node->childCount(), kBigFolders);
            return shown;
        }
        if (rep > 0) {
            shown.push_back(msBetween(begin, *paint.at));
            std::printf("  tree run %d: children shown %.1f ms (%d children before the expand)\n",
                        rep, shown.back(), before);
        }
        node->setExpanded(false);
        settle(50);
    }
    return shown;
}

struct Options {
    QString big, stats, music, slowStats, treeVolume, noLatency, before;
    int delayMs = 5, repetitions = 5;
};

int runAll(const Options& o) {
    QTemporaryDir scratch; // caches and settings of every start; removed at the end
    if (!scratch.isValid()) return std::fprintf(stderr, "cannot make a temporary folder\n"), 1;
    std::printf("Tunewalk start-up benchmark: %d repetitions, platform %s\n", o.repetitions,
                qPrintable(QGuiApplication::platformName()));
    if (!o.noLatency.isEmpty())
        std::printf("latency file system not available: %s\n  (the big folder is read "
                    "locally, without latency)\n",
                    qPrintable(o.noLatency));
    else
        std::printf("  %s behind %d ms per call\n", qPrintable(o.big), o.delayMs);
    const std::vector<long> bigExpected{
        kBigFiles + kBigFolders, kBigFiles,
        [&] { // titled files, from the generator's marker
            QFile marker(o.big + "/.tunewalk-listing");
            marker.open(QIODevice::ReadOnly);
            static const QRegularExpression re("titled=(\\d+)");
            return re.match(QString::fromLatin1(marker.readAll())).captured(1).toLong();
        }()};
    int wrongRuns = 0;
    auto check = [&](const char* what, int rep, const Run& r) {
        if (!r.note.empty()) std::printf("  %s run %d: %s\n", what, rep, r.note.c_str());
        if (r.values.count("timeout"))
            std::printf("  %s run %d: not all stages came within %d s\n", what, rep,
                        kStartLimitMs / 1000);
        if (r.wrong.empty()) return;
        ++wrongRuns;
        std::printf("  %s run %d: WRONG: %s\n", what, rep, r.wrong.c_str());
    };
    const std::string latency = o.noLatency.isEmpty() ? std::to_string(o.delayMs) + " ms" : "local";
    TableRow shown{"start-up, " + latency, "window shown (from start)", {}, 300},
        names{"", "all names listed (listing)", {}, 300},
        stats{"", "all sizes and times (listing)", {}, kBigFiles * o.delayMs / 8.0 + 300},
        details{"", "all details, cold cache (listing)", {}, -1},
        stall{"", "longest stall, window to details", {}, 50},
        cpu{"", "CPU time of the process", {}, 2000},
        warm{"second start, warm", "all details (listing)", {}, 500},
        warmOpens{"", "audio files opened", {}, 0, "opens"};
    // The details phase of a cold start (from statsFilled, when the listing starts on them,
    // until detailsFilled), read in each way, and the file-system calls of the start.
    struct Way {
        Reading reading;
        const char* name;
        TableRow phase;
        std::vector<double> calls;
    };
    std::vector<Way> ways{
        {Reading::AllTags,
         "all tags",
         {"cold details, " + latency, "details phase, all tags", {}, -1},
         {}},
        {Reading::OwnCodec, "own codec only", {"", "details phase, own codec only", {}, -1}, {}}};
    if (!o.before.isEmpty())
        ways.push_back(
            {Reading::Before, "--before", {"", "details phase, --before program", {}, -1}, {}});
    const auto phaseOf = [](const Run& r) { return at(r, "details") - at(r, "stats"); };
    const auto coldStart = [&](Way& way, const QString& cache, const QString& runDir, int rep) {
        const auto countsBefore = readCounts(o.stats);
        Run r = startProcess(o.big, cache, runDir, bigExpected, way.reading, o.before);
        check(way.name, rep, r);
        if (!r.finished) return r;
        way.phase.values.push_back(phaseOf(r));
        if (const auto calls = callsBetween(countsBefore, readCounts(o.stats)))
            way.calls.push_back(*calls);
        return r;
    };
    bool statsBySignal = true;
    const auto slowBefore = readCounts(o.slowStats);
    for (int rep = 1; rep <= o.repetitions; ++rep) {
        const QString cache = scratch.filePath(QStringLiteral("cache-%1").arg(rep));
        const QString runDir = scratch.filePath(QStringLiteral("run-%1").arg(rep));
        QDir().mkpath(runDir);
        const Run cold = coldStart(ways[0], cache, runDir, rep);
        const auto before = readCounts(o.stats);
        const Run second = startProcess(o.big, cache, runDir, bigExpected);
        check("second start", rep, second);
        const auto after = readCounts(o.stats);
        for (std::size_t w = 1; w < ways.size(); ++w)
            coldStart(ways[w], cache + QStringLiteral("-%1").arg(w), runDir, rep);
        if (!cold.finished || !second.finished) continue;
        std::printf("  run %d: shown %.0f, listing starts %.0f, names +%.0f, sizes +%.0f, "
                    "details +%.0f ms; stall %.0f ms, CPU %.0f ms; second start: details +%.0f "
                    "ms",
                    rep, at(cold, "shown"), at(cold, "listing_start"), sinceListing(cold, "listed"),
                    sinceListing(cold, "stats"), sinceListing(cold, "details"), at(cold, "stall"),
                    at(cold, "cpu"), sinceListing(second, "details"));
        shown.values.push_back(at(cold, "shown"));
        names.values.push_back(sinceListing(cold, "listed"));
        stats.values.push_back(sinceListing(cold, "stats"));
        statsBySignal = statsBySignal && at(cold, "stats_signal") == 1;
        details.values.push_back(sinceListing(cold, "details"));
        stall.values.push_back(at(cold, "stall"));
        cpu.values.push_back(at(cold, "cpu"));
        warm.values.push_back(sinceListing(second, "details"));
        if (before && after) {
            warmOpens.values.push_back(after->at("audio_opens") - before->at("audio_opens"));
            std::printf(", %.0f audio opens", warmOpens.values.back());
        }
        std::printf("\n    details phase:");
        for (const Way& way : ways)
            if (way.phase.values.size() == static_cast<std::size_t>(rep))
                std::printf(" %s %.0f ms%s", way.name, way.phase.values.back(),
                            &way == &ways.back() ? "" : ",");
        std::printf("\n");
        std::fflush(stdout);
    }
    if (const auto calls = callsBetween(slowBefore, readCounts(o.slowStats)))
        std::printf("  %.0f call(s) reached the slow sibling mount during these starts\n", *calls);
    if (!statsBySignal)
        std::printf("  (statsFilled did not come in every run: sizes and times were timed when "
                    "they were all there at listed or detailsFilled)\n");

    std::vector<TableRow> table{shown, names, stats, details, stall, cpu, warm, warmOpens};
    // Details a second in each way; all tags against the --before program (or, without one,
    // the own codec alone): not slower.
    std::printf("  details per second (median details phase):");
    for (const Way& way : ways) {
        table.push_back(way.phase);
        if (way.phase.values.empty()) continue;
        std::printf(" %s %.0f/s", way.name, kBigFiles * 1000 / stat(way.phase.values).median);
        if (!way.calls.empty())
            std::printf(" (%.1f calls a file)", stat(way.calls).median / kBigFiles);
    }
    std::printf("\n");
    const Way& reference = ways.back();
    if (!ways[0].phase.values.empty() && !reference.phase.values.empty())
        table.push_back({"",
                         std::string("all tags / ") + reference.name + ", medians",
                         {stat(ways[0].phase.values).median / stat(reference.phase.values).median},
                         1,
                         "x"});
    if (!o.treeVolume.isEmpty()) {
        std::vector<double> tree = treeExpand(o.treeVolume, o.big, o.repetitions, wrongRuns);
        table.push_back({"tree expand, " + latency, "300 children shown", tree, 300});
    }
    if (!o.music.isEmpty()) {
        TableRow sShown{"slow sibling mount", "window shown (from start)", {}, 300},
            sNames{"", "rows listed (listing)", {}, 300};
        for (int rep = 1; rep <= o.repetitions; ++rep) {
            const QString runDir = scratch.filePath(QStringLiteral("sibling-%1").arg(rep));
            QDir().mkpath(runDir);
            const auto before = readCounts(o.slowStats);
            const Run r = startProcess(o.music, runDir + QStringLiteral("/cache"), runDir,
                                       {kMusicFiles, kMusicFiles, kMusicFiles});
            const auto after = readCounts(o.slowStats);
            check("slow sibling", rep, r);
            if (!r.finished) continue;
            sShown.values.push_back(at(r, "shown"));
            sNames.values.push_back(sinceListing(r, "listed"));
            std::printf("  slow sibling run %d: shown %.0f ms, rows +%.0f ms", rep,
                        sShown.values.back(), sNames.values.back());
            // Whether the start-up reached the slow mount at all (and so tried the case).
            if (const auto calls = callsBetween(before, after))
                std::printf(", %.0f call(s) reached the slow mount", *calls);
            std::printf("\n");
        }
        table.push_back(sShown);
        table.push_back(sNames);
    }
    printTable(table, "(worst of the runs; times from the process's start, listing times from the "
                      "start of the listing)");
    if (wrongRuns) {
        std::printf("\nFAILED: %d run(s) were wrong\n", wrongRuns);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // Before anything else: a start-up's times count from its start.
    const auto entered = Clock::now();
    tunewalk::keepMemoryCompact(); // as the program does
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    if (mode == QLatin1String("prepare") && args.size() == 3)
        return prepare(fs::path(args[2].toStdString()));
    if (mode == QLatin1String("start") && args.size() == 7) {
        const Clock::time_point t0{std::chrono::nanoseconds(args[3].toLongLong())};
        return start(args[2], t0 < entered ? t0 : entered, args[4].toInt(), args[5].toLong(),
                     args[6].toLong());
    }
    Options o;
    bool ok = mode == QLatin1String("run");
    for (const QString& arg : args.mid(2)) {
        const QString value = arg.section(QLatin1Char('='), 1);
        // The starts run in folders of their own: relative paths would not reach them.
        const QString path = QFileInfo(value).absoluteFilePath();
        if (arg.startsWith(QLatin1String("--big=")))
            o.big = path;
        else if (arg.startsWith(QLatin1String("--stats=")))
            o.stats = path;
        else if (arg.startsWith(QLatin1String("--music=")))
            o.music = path;
        else if (arg.startsWith(QLatin1String("--slow-stats=")))
            o.slowStats = path;
        else if (arg.startsWith(QLatin1String("--tree-volume=")))
            o.treeVolume = path;
        else if (arg.startsWith(QLatin1String("--no-latency=")))
            o.noLatency = value;
        else if (arg.startsWith(QLatin1String("--before=")))
            o.before = path;
        else if (arg.startsWith(QLatin1String("--delay-ms=")))
            o.delayMs = value.toInt(&ok);
        else if (arg.startsWith(QLatin1String("--repetitions=")))
            o.repetitions = value.toInt(&ok);
        else
            ok = false;
    }
    if (!ok || o.big.isEmpty() || o.repetitions < 1) {
        std::fprintf(stderr, "usage: tunewalk-bench-startup prepare DIR\n"
                             "       tunewalk-bench-startup run --big=FOLDER [--stats=FILE] "
                             "[--delay-ms=N] [--music=FOLDER] [--slow-stats=FILE] "
                             "[--tree-volume=FOLDER] "
                             "[--no-latency=REASON] [--repetitions=N] [--before=PROGRAM]\n");
        return 2;
    }
    return runAll(o);
}
