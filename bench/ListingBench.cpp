// Measures how the main window lists a big folder in stages: the time until the rows appear
// (`listed`), until every row has its audio details (`detailsFilled`) with an empty details
// cache and with a warm one, the longest the event loop is held up over the whole listing, the
// peak memory, how soon a file another program adds to the listed folder shows as a row, and,
// on the biggest folder, how soon a click on a column header or a key typed into the filter
// shows on screen; then the biggest folder all over again with every column shown, and the peak
// memory of that alone.
// A plain program rather than Google Benchmark: what matters is what an event loop sees, not a
// tight loop of calls.
//
//   tunewalk-bench-listing [--corpus=DIR] [--repetitions=N] [--sizes=1000,10000,100000]
//                          [--sort-only]
//
// The folders of generated MP3 files live in DIR (default BUILD_DIR/bench-listing) and are
// made once; a marker in each folder records what it holds.

#include "BenchTiming.h"
#include "BenchWindow.h"
#include "Corpus.h"
#include "ListingFolders.h"
#include "NameSortBench.h"
#include "app/listing/DetailReader.h"
#include "app/listing/DetailsCache.h"
#include "app/listing/FolderListing.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "app/listing/ListEntry.h"
#include "app/listing/ListText.h"
#include "app/window/Form1.h"
#include "common/MemoryUse.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace tunewalk::bench;
using tunewalk::cellText;
using tunewalk::DetailReader;
using tunewalk::Form1;
using tunewalk::ListEntry;
namespace Col = tunewalk::Col;

struct Targets {
    double rowsColdMs, rowsWarmMs, coldMs, warmMs, stallMs, memoryMB;
};
// Up to 10,000 files the 10,000-file targets; the 1,000-file folder has none of its own.
Targets targetsFor(long files) {
    if (files > 10000) return {500, 400, 8000, 1000, 50, 200};
    return {60, 60, 1000, 150, 30, 200};
}
constexpr double kLeavingTargetMs = 50;
constexpr double kWatchTargetMs = 1000;
constexpr long kWatchedFiles = 10000;
// The folder whose header clicks and filter keys are timed, and their targets.
constexpr long kInteractiveFiles = 100000;
constexpr double kSortTargetMs = 150;
constexpr double kFilterTargetMs = 50;
// The key typed into the filter: it keeps about a third of the rows, scattered over the list.
constexpr char kFilterLetter = 'v';
constexpr int kWaitLimitMs = 300000;
// With every column shown, the 100,000 files may take this much of the peak memory they took
// with the columns shown at first.
constexpr double kAllColumnsMemoryRatio = 1.2;

double peakMemoryMB() {
    return static_cast<double>(peakMemoryBytes()) / (1024.0 * 1024.0);
}

// Watches the window's event loop: a 1 ms ticker whose gaps are the stalls, and the moments
// the rows appear and the details are all in.
class Probe {
public:
    explicit Probe(Form1& window) {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] { tick(Clock::now()); });
        // The worker has read and sorted the names; the window's turns make the rows from them.
        QObject::connect(&window.listing(), &tunewalk::FolderListing::namesRead, &m_ticker,
                         [this] { m_namesAt = tick(Clock::now()); });
        QObject::connect(&window, &Form1::listed, &m_ticker, [this, &window] {
            // The turn that emitted the signal held the loop up to now.
            m_listedAt = tick(Clock::now());
            m_rowsAtListed = window.rows().size();
            m_listed = true;
        });
        // With a warm cache the details are in with the names, before the sizes: the listing
        // has ended once both have come.
        QObject::connect(&window, &Form1::statsFilled, &m_ticker, [this] {
            m_statsAt = tick(Clock::now());
            m_stats = true;
            m_measuring = !m_filled;
        });
        QObject::connect(&window, &Form1::detailsFilled, &m_ticker, [this] {
            m_filledAt = tick(Clock::now());
            m_filled = true;
            m_measuring = !m_stats;
        });
        m_ticker.start();
    }

    // Starts measuring a listing whose call begins at `from`.
    void begin(Clock::time_point from) {
        m_listed = m_stats = m_filled = false;
        m_lastTick = from;
        m_maxGapMs = 0;
        m_measuring = true;
    }
    // Runs the event loop until statsFilled and detailsFilled; false when they do not come in
    // time.
    bool waitForListing() {
        return waitFor([this] { return m_stats && m_filled; }, kWaitLimitMs);
    }

    // The signal still missing.
    const char* awaited() const {
        return !m_listed ? "listed" : !m_stats ? "statsFilled" : "detailsFilled";
    }
    int rowsAtListed() const { return m_rowsAtListed; }
    Clock::time_point namesAt() const { return m_namesAt; }
    Clock::time_point listedAt() const { return m_listedAt; }
    Clock::time_point statsAt() const { return m_statsAt; }
    Clock::time_point stallEnd() const { return m_stallEnd; }
    Clock::time_point filledAt() const { return m_filledAt; }
    double maxGapMs() const { return m_maxGapMs; }

private:
    Clock::time_point tick(Clock::time_point now) {
        if (m_measuring && msBetween(m_lastTick, now) > m_maxGapMs) {
            m_maxGapMs = msBetween(m_lastTick, now);
            m_stallEnd = now;
        }
        m_lastTick = now;
        return now;
    }

    QTimer m_ticker;
    bool m_measuring = false, m_listed = false, m_stats = false, m_filled = false;
    int m_rowsAtListed = 0;
    Clock::time_point m_lastTick, m_namesAt, m_listedAt, m_statsAt, m_filledAt, m_stallEnd;
    double m_maxGapMs = 0;
};

// Notes when some widgets paint: a change is on screen once each of them has painted after it.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(std::vector<QWidget*> widgets)
        : m_widgets(std::move(widgets)), m_painted(m_widgets.size(), false) {
        for (QWidget* w : m_widgets)
            w->installEventFilter(this);
    }
    ~PaintWatch() override {
        for (QWidget* w : m_widgets)
            w->removeEventFilter(this);
    }
    void reset() { std::fill(m_painted.begin(), m_painted.end(), false); }
    bool allPainted() const {
        return std::all_of(m_painted.begin(), m_painted.end(), [](bool p) { return p; });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            for (std::size_t i = 0; i < m_widgets.size(); ++i)
                if (m_widgets[i] == watched) m_painted[i] = true;
        return false;
    }

private:
    std::vector<QWidget*> m_widgets;
    std::vector<bool> m_painted;
};

// Milliseconds from `from` until `done` holds, looked at every millisecond; nothing when it
// does not hold within `limitMs`.
template <typename Done>
std::optional<double> msUntil(Clock::time_point from, Done done, int limitMs) {
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    std::optional<double> ms;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const auto now = Clock::now();
        if (done())
            ms = msBetween(from, now);
        else if (msBetween(from, now) < limitMs)
            return;
        loop.quit();
    });
    poll.start(1);
    loop.exec();
    return ms;
}

struct Sample {
    double callMs = 0;     // the PopulateList call alone
    double namesMs = 0;    // from the call until the names were read (namesRead)
    double rowsMs = 0;     // from the call until listed
    double statsMs = 0;    // from the call until statsFilled
    double detailsMs = 0;  // from the call until detailsFilled
    double stallMs = 0;    // longest gap between ticks from the call until both signals
    double stallEndMs = 0; // when that gap ended, from the call
    qint64 opened = 0;     // audio files opened meanwhile
};

// Lists the empty folder so the next run starts from a clean list. The call's duration (the
// old rows go away in it) or nothing when the list did not end up empty.
std::optional<double> clearList(Form1& window, Probe& probe, const QString& emptyFolder) {
    const auto start = Clock::now();
    probe.begin(start);
    window.PopulateList(emptyFolder);
    const double ms = msBetween(start, Clock::now());
    const bool ok = probe.waitForListing();
    settle(50);
    if (!ok || window.rows().size() != 0) return std::nullopt;
    return ms;
}

// Checks the filled list; an empty text when it is right.
std::string checkList(const Form1& window, const FolderInfo& f) {
    const int rows = window.rows().size();
    if (rows != f.expectedRows())
        return "rows " + std::to_string(rows) + ", expected " + std::to_string(f.expectedRows());
    long files = 0, titled = 0, bare = 0;
    QString firstBare;
    for (const ListEntry& row : window.rows().entries()) {
        if (!row.isFile()) continue;
        ++files;
        const QString track = cellText(row, Col::Track);
        if (track.isEmpty() || cellText(row, Col::Length).isEmpty() ||
            cellText(row, Col::Size).isEmpty() || cellText(row, Col::Modified).isEmpty()) {
            if (!bare++) firstBare = cellText(row, Col::Name);
            continue;
        }
        if (track != QLatin1String("(unknown)")) ++titled;
    }
    if (bare)
        return std::to_string(bare) + " file row(s) without size, time or details, the first \"" +
               firstBare.toStdString() + "\"";
    if (files != f.files)
        return "file rows " + std::to_string(files) + ", expected " + std::to_string(f.files);
    if (titled != f.titled)
        return "rows with a title " + std::to_string(titled) + ", expected " +
               std::to_string(f.titled);
    return {};
}

// One timed listing. Nullopt (with `error`) when the run could not be measured at all; a
// wrong list is reported in `wrong` and the run still counts.
std::optional<Sample> runOnce(Form1& window, Probe& probe, const FolderInfo& f, std::string& error,
                              std::string& wrong) {
    const QString folder = QString::fromStdString(f.path.string());
    const qint64 openedBefore = DetailReader::filesOpened();
    const auto start = Clock::now();
    probe.begin(start);
    window.PopulateList(folder);
    const auto returned = Clock::now();
    if (!probe.waitForListing()) {
        error = std::string(probe.awaited()) + " did not come within " +
                std::to_string(kWaitLimitMs / 1000) + " s";
        return std::nullopt;
    }
    const Sample sample{
        msBetween(start, returned),         msBetween(start, probe.namesAt()),
        msBetween(start, probe.listedAt()), msBetween(start, probe.statsAt()),
        msBetween(start, probe.filledAt()), probe.maxGapMs(),
        msBetween(start, probe.stallEnd()), DetailReader::filesOpened() - openedBefore};
    wrong.clear();
    auto add = [&](const std::string& what) { wrong += (wrong.empty() ? "" : "; ") + what; };
    if (probe.rowsAtListed() != f.expectedRows())
        add("listed came with " + std::to_string(probe.rowsAtListed()) + " rows, expected " +
            std::to_string(f.expectedRows()));
    // Details from the cache come with the names, before the sizes: the list is checked
    // once the listing has ended.
    for (int waited = 0; window.isFillingDetails() && waited < kWaitLimitMs; waited += 10)
        settle(10);
    if (window.isFillingDetails()) add("isFillingDetails() still true long after detailsFilled");
    if (std::string problem = checkList(window, f); !problem.empty()) {
        // Tell a signal that came too early from details that never arrive.
        settle(200);
        const std::string later = checkList(window, f);
        add(problem + " at detailsFilled" +
            (later.empty() ? " (all there 200 ms later)" : "; 200 ms later: " + later));
    }
    return sample;
}

struct Row {
    long files;
    std::string measure;
    std::optional<Stat> stat;
    double single = 0; // when there is no median/worst (memory)
    std::string unit;
    double target;
};

std::string withThousands(long n) {
    std::string digits = std::to_string(n), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

void printTable(const std::vector<Row>& rows) {
    std::printf("\n%8s  %-52s %10s %10s %12s  %s\n", "files", "measure", "median", "worst",
                "target", "result");
    for (const Row& r : rows) {
        const double judged = r.stat ? r.stat->worst : r.single;
        char median[32], worst[32], target[32];
        std::snprintf(median, sizeof median, "%.1f %s", r.stat ? r.stat->median : r.single,
                      r.unit.c_str());
        if (r.stat)
            std::snprintf(worst, sizeof worst, "%.1f %s", r.stat->worst, r.unit.c_str());
        else
            std::snprintf(worst, sizeof worst, "-");
        std::snprintf(target, sizeof target, "<= %.0f %s", r.target, r.unit.c_str());
        std::printf("%8s  %-52s %10s %10s %12s  %s\n", withThousands(r.files).c_str(),
                    r.measure.c_str(), median, worst, target,
                    judged <= r.target ? "met" : "MISSED");
    }
    std::printf("(a target is met when the worst run meets it)\n");
}

struct Options {
    std::string corpus;
    int repetitions = 5;
    std::vector<long> sizes = {1000, 10000, 100000};
    bool sortOnly = false; // only the timing of the name sort, no folders
};

bool parse(const QStringList& args, Options& o) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        bool ok = true;
        if (arg.startsWith(QLatin1String("--corpus="))) {
            o.corpus = arg.mid(9).toStdString();
        } else if (arg.startsWith(QLatin1String("--repetitions="))) {
            o.repetitions = arg.mid(14).toInt(&ok);
            ok = ok && o.repetitions >= 1;
        } else if (arg == QLatin1String("--sort-only")) {
            o.sortOnly = true;
        } else if (arg.startsWith(QLatin1String("--sizes="))) {
            o.sizes.clear();
            for (const QString& n : arg.mid(8).split(QLatin1Char(','))) {
                o.sizes.push_back(n.toLong(&ok));
                if (!ok || o.sizes.back() < 1) return false;
            }
        } else {
            ok = false;
        }
        if (!ok) return false;
    }
    return true;
}

// The details cache as the window finds it from XDG_CACHE_HOME; a cold run starts without it.
void removeDetailsCache(const fs::path& file) {
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(file.string() + suffix);
}

struct Series {
    std::vector<double> rows, details, stalls, leaving, opened;
};

class Bench {
public:
    Bench(const fs::path& root, const QString& home, fs::path cacheFile)
        : m_bench(home), m_window(m_bench.window), m_probe(m_window),
          m_empty(QString::fromStdString((root / "empty").string())),
          m_cacheFile(std::move(cacheFile)) {
        // On by default; the window reads them from its settings only in load(), not run here.
        m_window.command("mnuDetailsCache")->setChecked(true);
        m_window.command("mnuReadAllTags")->setChecked(true);
        settle(100);
    }

    int run(const std::vector<FolderInfo>& folders, int repetitions) {
        // One untimed listing first: fonts, icons and the style load once per process and
        // would otherwise land on the first repetition.
        std::string error, wrong;
        const FolderInfo& first = folders.front();
        if (!runOnce(m_window, m_probe, first, error, wrong)) return fail(first, error), 1;
        note("untimed first listing", wrong);
        if (!clearList(m_window, m_probe, m_empty)) return fail(first, "no clean list"), 1;
        if (!fs::exists(m_cacheFile))
            return fail(first, "no details cache at " + m_cacheFile.string()), 1;

        for (const FolderInfo& f : folders) {
            std::printf("\n%s files:\n", withThousands(f.files).c_str());
            if (!pass(f, repetitions, "")) return 1;
            m_table.push_back({f.files, "peak memory so far (VmHWM)", std::nullopt, peakMemoryMB(),
                               "MB", targetsFor(f.files).memoryMB});
            if (f.files != kInteractiveFiles) continue;
            // The same folder again with every column shown: the peak of that pass alone.
            const double peakBefore = peakMemoryMB();
            std::printf("\n%s files, every column shown:\n", withThousands(f.files).c_str());
            if (!showAllColumns())
                return fail(f, "the header's pop-up did not show every column"), 1;
            if (!resetPeakMemory())
                std::printf("  (VmHWM cannot be reset here: the figure is the whole run's)\n");
            if (!pass(f, repetitions, "all columns: ")) return 1;
            m_table.push_back({f.files, "all columns: peak memory (VmHWM)", std::nullopt,
                               peakMemoryMB(), "MB", kAllColumnsMemoryRatio * peakBefore});
        }
        printTable(m_table);
        if (m_wrongRuns) {
            std::printf("\nFAILED: the list was wrong in %d run(s)\n", m_wrongRuns);
            return 1;
        }
        return 0;
    }

private:
    // Cold and warm listings of `f`, then the added file (10,000 files) or the clicks and keys
    // (100,000); the rows of the table start with `label`.
    bool pass(const FolderInfo& f, int reps, const std::string& label) {
        const Targets t = targetsFor(f.files);
        Series cold, warm;
        if (!series(f, true, reps, cold) || !series(f, false, reps, warm)) return false;
        const auto row = [&](const char* measure, const std::vector<double>& values, double target,
                             const char* unit = "ms") {
            m_table.push_back({f.files, label + measure, stat(values), 0, unit, target});
        };
        row("rows (call until listed), cold", cold.rows, t.rowsColdMs);
        row("rows (call until listed), warm", warm.rows, t.rowsWarmMs);
        row("all details, cold cache", cold.details, t.coldMs);
        row("all details, warm cache", warm.details, t.warmMs);
        row("longest stall, cold (call included)", cold.stalls, t.stallMs);
        row("longest stall, warm (call included)", warm.stalls, t.stallMs);
        cold.leaving.insert(cold.leaving.end(), warm.leaving.begin(), warm.leaving.end());
        row("leaving the list (next call)", cold.leaving, kLeavingTargetMs);
        row("audio files opened, warm cache", warm.opened, 0, "files");
        if (f.files == kWatchedFiles && !watch(f, reps, label)) return false;
        return f.files != kInteractiveFiles || interact(f, reps, label);
    }

    // Every column of the header's pop-up chosen, as the user chooses them (which the window
    // keeps in its "Columns" setting); whether all are shown.
    bool showAllColumns() {
        auto* menu = m_window.findChild<QMenu*>(QStringLiteral("mnuColumns"));
        if (!menu) return false;
        for (QAction* a : menu->actions())
            if (m_window.list()->isColumnHidden(a->data().toInt())) a->trigger();
        settle(100);
        std::printf("  setting Columns=%s\n",
                    qPrintable(m_bench.settings.get(tunewalk::SettingsStore::Settings,
                                                    QStringLiteral("Columns"), {})));
        for (int c = 0; c < Col::Count; ++c)
            if (m_window.list()->isColumnHidden(c)) return false;
        return true;
    }

    bool fail(const FolderInfo& f, const std::string& what) {
        std::fprintf(stderr, "FAILED on %s: %s\n", f.path.string().c_str(), what.c_str());
        return false;
    }
    void note(const char* what, const std::string& wrong) {
        if (wrong.empty()) return;
        std::printf("  %s: WRONG: %s\n", what, wrong.c_str());
        ++m_wrongRuns;
    }
    bool noPrompts(const FolderInfo& f) {
        return m_bench.prompter.count == 0 ||
               fail(f, "the window asked " + std::to_string(m_bench.prompter.count) +
                           " question(s), last: " + m_bench.prompter.last.toStdString());
    }

    // Repetitions of listing `f`: cold ones each start without a details cache, warm ones
    // list again what the cold ones left in it.
    bool series(const FolderInfo& f, bool isCold, int reps, Series& out) {
        std::string error, wrong;
        for (int rep = 0; rep < reps; ++rep) {
            if (isCold) removeDetailsCache(m_cacheFile);
            const std::optional<Sample> s = runOnce(m_window, m_probe, f, error, wrong);
            if (!s) return fail(f, error);
            if (!noPrompts(f)) return false;
            if (isCold && rep == 0) printSampleRow();
            if (isCold && s->opened != f.files)
                wrong += (wrong.empty() ? "" : "; ") + std::string("opened ") +
                         std::to_string(s->opened) + " audio files, expected all " +
                         std::to_string(f.files) + ": the cache was not empty";
            const std::optional<double> cleared = clearList(m_window, m_probe, m_empty);
            if (!cleared) return fail(f, "listing the empty folder did not clear the list");
            std::printf("  %s %d: rows %7.1f ms (call %4.1f, names read %6.1f), sizes %7.1f ms, "
                        "all details %7.1f "
                        "ms; longest stall %6.1f ms (ending at %7.1f ms); files opened %6lld; "
                        "leaving %5.1f ms\n",
                        isCold ? "cold" : "warm", rep + 1, s->rowsMs, s->callMs, s->namesMs,
                        s->statsMs, s->detailsMs, s->stallMs, s->stallEndMs,
                        static_cast<long long>(s->opened), *cleared);
            note(isCold ? "cold run" : "warm run", wrong);
            std::fflush(stdout);
            out.rows.push_back(s->rowsMs);
            out.details.push_back(s->detailsMs);
            out.stalls.push_back(s->stallMs);
            out.leaving.push_back(*cleared);
            out.opened.push_back(static_cast<double>(s->opened));
        }
        return true;
    }

    void printSampleRow() {
        const ListEntry& row = m_window.rows().at(m_window.rows().size() / 2);
        QStringList cells;
        for (int c = 0; c < Col::Count; ++c)
            cells << cellText(row, c);
        std::printf("  a row: %s\n", qPrintable(cells.join(QLatin1String(" | "))));
    }

    // Another program adds a file to the listed folder and then deletes it: how soon the row
    // comes (and gets its details) and goes.
    bool watch(const FolderInfo& f, int reps, const std::string& label) {
        const QString folder = QString::fromStdString(f.path.string());
        std::string error, wrong;
        if (!runOnce(m_window, m_probe, f, error, wrong)) return fail(f, error);
        settle(200);
        QString source;
        for (const ListEntry& row : m_window.rows().entries())
            if (source.isEmpty() && row.isFile()) source = row.key;
        std::vector<double> added, removed;
        for (int rep = 0; rep < reps; ++rep) {
            const QString path = QDir::cleanPath(
                folder + QStringLiteral("/Added by another program %1.mp3").arg(rep + 1));
            QProcess cp, rm;
            auto start = Clock::now();
            cp.start(QStringLiteral("cp"), {source, path});
            const auto came = msUntil(
                start, [&] { return m_window.findRow(path) != nullptr; }, 10000);
            const auto detailed = msUntil(
                start,
                [&] {
                    const ListEntry* row = m_window.findRow(path);
                    return row && !cellText(*row, Col::Length).isEmpty();
                },
                10000);
            start = Clock::now();
            rm.start(QStringLiteral("rm"), {QStringLiteral("-f"), path});
            const auto went = msUntil(
                start, [&] { return m_window.findRow(path) == nullptr; }, 10000);
            cp.waitForFinished();
            rm.waitForFinished();
            fs::remove(path.toStdString()); // when rm could not run
            if (!came || !went)
                return fail(f, std::string("the added file's row did not ") +
                                   (came ? "leave" : "appear") + " within 10 s");
            std::printf("  added by another program %d: row after %6.1f ms, details after "
                        "%6.1f ms, row gone %6.1f ms after the delete\n",
                        rep + 1, *came, detailed.value_or(-1), *went);
            note("added file", detailed ? "" : "the added file's row got no details");
            added.push_back(*came);
            removed.push_back(*went);
            settle(200);
        }
        m_table.push_back({f.files, label + "file added elsewhere: its row appears", stat(added), 0,
                           "ms", kWatchTargetMs});
        m_table.push_back({f.files, label + "file deleted elsewhere: its row leaves", stat(removed),
                           0, "ms", kWatchTargetMs});
        return clearList(m_window, m_probe, m_empty) || fail(f, "no clean list");
    }

    // With the folder listed and its details in, the user's clicks on the column headers and a
    // key typed into the filter, each timed until the list shows the result.
    bool interact(const FolderInfo& f, int reps, const std::string& label) {
        std::string error, wrong;
        if (!runOnce(m_window, m_probe, f, error, wrong)) return fail(f, error);
        note("listing before the clicks", wrong);
        m_window.activateWindow();
        m_window.list()->setFocus();
        settle(200);
        PaintWatch paints({m_window.list()->viewport(), m_window.list()->header()->viewport()});

        // Ascending throughout: each click goes to another column, which keeps the direction.
        const int order[] = {Col::Track, Col::Length,   Col::Artist, Col::Bitrate,
                             Col::Size,  Col::Modified, Col::Name};
        std::vector<std::vector<double>> byColumn(Col::Count);
        std::vector<double> clicks;
        for (int rep = 0; rep < reps; ++rep) {
            std::printf("  header clicks %d:", rep + 1);
            for (int column : order) {
                const std::optional<Shown> ms = clickHeader(column, paints, wrong);
                if (!ms) return fail(f, wrong);
                note("header click", wrong);
                std::printf(" %s %.1f ms (click %.1f)%s", qPrintable(header(column)), ms->ms,
                            ms->inputMs, column == Col::Name ? "\n" : ",");
                byColumn[static_cast<std::size_t>(column)].push_back(ms->ms);
                clicks.push_back(ms->ms);
            }
            std::fflush(stdout);
        }
        int worstColumn = order[0];
        for (int c : order) {
            const Stat s = stat(byColumn[static_cast<std::size_t>(c)]);
            std::printf("  sort by %-9s median %6.1f ms, worst %6.1f ms\n", qPrintable(header(c)),
                        s.median, s.worst);
            if (s.worst > stat(byColumn[static_cast<std::size_t>(worstColumn)]).worst)
                worstColumn = c;
        }
        m_table.push_back(
            {f.files,
             label + "header click until sorted (" + header(worstColumn).toStdString() + " worst)",
             stat(clicks), 0, "ms", kSortTargetMs});

        // The header stays as it is: only the list repaints.
        PaintWatch listPaints({m_window.list()->viewport()});
        std::vector<double> keys;
        for (int rep = 0; rep < reps; ++rep) {
            const std::optional<Shown> ms = typeIntoFilter(listPaints, wrong);
            if (!ms) return fail(f, wrong);
            std::printf("  filter key %d: %.1f ms (key %.1f), %d of %d rows shown\n", rep + 1,
                        ms->ms, ms->inputMs, m_window.rowOrder().rowCount(),
                        m_window.rows().size());
            note("filter key", wrong);
            keys.push_back(ms->ms);
            QTest::keyClick(m_window.filterField(), Qt::Key_Escape);
            settle(200);
            if (m_window.rowOrder().rowCount() != m_window.rows().size())
                return fail(f, "Escape in the filter did not show every row again");
        }
        m_table.push_back({f.files, label + "filter key '" + kFilterLetter + "' until shown",
                           stat(keys), 0, "ms", kFilterTargetMs});
        return clearList(m_window, m_probe, m_empty) || fail(f, "no clean list");
    }

    // Until the result is on screen, and the part of it spent in the click or key itself (the
    // sort or the filter, and what the views do at once); the rest is layout and painting.
    struct Shown {
        double ms, inputMs;
    };

    QString header(int column) const {
        return m_window.rows().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    }

    // A mouse click on the column's header section: milliseconds from the click until the list
    // and its header have painted with the new order and the arrow on the column; nothing (with
    // `wrong` saying why) when that does not come. A list out of order is noted in `wrong`.
    std::optional<Shown> clickHeader(int column, PaintWatch& paints, std::string& wrong) {
        QTreeView* view = m_window.list();
        QHeaderView* header = view->header();
        // A section scrolled out of sight is scrolled in first, as the user would.
        const int width = header->sectionSize(column);
        if (header->sectionViewportPosition(column) < 0 ||
            header->sectionViewportPosition(column) + width > header->viewport()->width()) {
            view->horizontalScrollBar()->setValue(header->sectionPosition(column));
            settle(50);
        }
        const QPoint at(header->sectionViewportPosition(column) + width / 2,
                        header->viewport()->height() / 2);
        paints.reset();
        const auto start = Clock::now();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
        const auto handled = Clock::now();
        const tunewalk::FolderSortModel& order = m_window.rowOrder();
        const bool shown = waitFor(
            [&] {
                return header->sortIndicatorSection() == column && order.column() == column &&
                       paints.allPainted();
            },
            10000);
        const Shown ms{msBetween(start, Clock::now()), msBetween(start, handled)};
        wrong.clear();
        if (!shown) {
            wrong = "a click on " + this->header(column).toStdString() +
                    " did not sort and paint the list within 10 s";
            return std::nullopt;
        }
        for (int i = 1, n = order.rowCount(); i < n && wrong.empty(); ++i)
            if (order.shownBefore(order.entryAt(i), order.entryAt(i - 1)))
                wrong = "sorted by " + this->header(column).toStdString() + ", row " +
                        std::to_string(i) + " belongs above the row before it";
        return ms;
    }

    // Ctrl+F, then one key into the filter field: milliseconds from the key until the rows
    // that match are shown and the list has painted.
    std::optional<Shown> typeIntoFilter(PaintWatch& paints, std::string& wrong) {
        wrong.clear();
        QLineEdit* field = m_window.filterField();
        QTest::keyClick(m_window.list(), Qt::Key_F, Qt::ControlModifier);
        settle(100);
        if (!field->isVisible() || !field->hasFocus()) {
            wrong = "Ctrl+F did not show the filter field with the cursor in it";
            return std::nullopt;
        }
        // What the filter looks at: the name, and a file's Track Name and Artist.
        const QString letter = QString(QLatin1Char(kFilterLetter));
        int expected = 0;
        for (const ListEntry& e : m_window.rows().entries()) {
            bool match = cellText(e, Col::Name).contains(letter, Qt::CaseInsensitive);
            if (e.isFile())
                for (int c : {Col::Track, Col::Artist})
                    match = match || cellText(e, c).contains(letter, Qt::CaseInsensitive);
            expected += match;
        }
        paints.reset();
        const auto start = Clock::now();
        QTest::keyClick(field, kFilterLetter);
        const auto handled = Clock::now();
        const bool shown = waitFor(
            [&] { return m_window.rowOrder().rowCount() == expected && paints.allPainted(); },
            10000);
        const Shown ms{msBetween(start, Clock::now()), msBetween(start, handled)};
        if (!shown) {
            wrong = "the filter did not show the " + std::to_string(expected) +
                    " matching rows within 10 s (it shows " +
                    std::to_string(m_window.rowOrder().rowCount()) + ")";
            return std::nullopt;
        }
        return ms;
    }

    BenchWindow m_bench;
    Form1& m_window;
    Probe m_probe;
    QString m_empty;
    fs::path m_cacheFile;
    std::vector<Row> m_table;
    int m_wrongRuns = 0;
};

int run(const Options& options) {
    const fs::path root = options.corpus.empty()
                              ? fs::path(QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                         QStringLiteral("/../bench-listing"))
                                             .toStdString())
                              : fs::path(options.corpus);
    fs::create_directories(root / "empty");

    std::printf("Tunewalk listing benchmark: %d repetitions, platform %s\n", options.repetitions,
                qPrintable(QGuiApplication::platformName()));
    reportNameSort();
    if (options.sortOnly) return 0;
    std::vector<FolderInfo> folders;
    const auto genStart = Clock::now();
    for (long n : options.sizes) {
        folders.push_back(prepareFolder(root, n));
        const FolderInfo& f = folders.back();
        std::printf("  %s: %s files + %d folders (%s)\n", f.path.string().c_str(),
                    withThousands(f.files).c_str(), f.folders, f.made ? "generated" : "reused");
        std::fflush(stdout);
    }
    std::printf("  corpus ready in %.1f s\n", msBetween(genStart, Clock::now()) / 1000);
    warmCache(root);

    QTemporaryDir home, cacheHome;
    if (!home.isValid() || !cacheHome.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    // A details cache of the benchmark's own, never the user's; the path is looked up when a
    // details run starts.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome.path()));
    const fs::path cacheFile = tunewalk::DetailsCache::defaultPath().toStdString();
    std::printf("  details cache: %s\n", cacheFile.c_str());
    Bench bench(root, home.path(), cacheFile);
    return bench.run(folders, options.repetitions);
}

} // namespace

int main(int argc, char** argv) {
    tunewalk::keepMemoryCompact(); // as the program does
    // No display is needed, or wanted: a visible window would add the desktop's own timing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!parse(QCoreApplication::arguments(), options)) {
        std::fprintf(stderr,
                     "usage: %s [--corpus=DIR] [--repetitions=N] [--sizes=N,N,...] [--sort-only]\n",
                     argv[0]);
        return 2;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunewalk-bench-listing: %s\n", e.what());
        return 1;
    }
}
