// Measures how the main window lists a big folder: the blocking PopulateList call, the time
// until every row has its audio details, the longest the event loop is held up while they fill
// in, and the peak memory. A plain program rather than Google Benchmark: what matters is what
// an event loop sees, not a tight loop of calls.
//
//   tunewalk-bench-listing [--corpus=DIR] [--repetitions=N]
//
// The folders of generated MP3 files live in DIR (default BUILD_DIR/bench-listing) and are
// made once; a marker in each folder records what it holds.

#include "BenchSeams.h"
#include "BenchTiming.h"
#include "BenchWindow.h"
#include "ListingFolders.h"
#include "app/Form1.h"
#include "app/ListRow.h"
#include "app/QtMediaPlayer.h"
#include "common/SettingsStore.h"
#include "shell/Prompter.h"
#include "shell/TrayIcon.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tunewalk::bench::FolderInfo;
using tunewalk::bench::prepareFolder;
using tunewalk::bench::warmCache;

namespace {

using namespace tunewalk::bench;

constexpr std::array<long, 2> kSizes = {1000, 10000};

constexpr double kListingTargetMs = 250;
constexpr double kFilledTargetMs = 1000;
constexpr double kStallTargetMs = 50;
constexpr double kMemoryTargetMB = 200;

double peakMemoryMB() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return 0;
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // KiB on Linux
}

struct Sample {
    double listingMs = 0; // the PopulateList call
    double filledMs = 0;  // from the call until detailsFilled
    double stallMs = 0;   // longest gap between ticks after the call, until detailsFilled
};

// Watches the window's event loop: a 1 ms ticker whose gaps are the stalls, and the moment
// the details are all in.
class Probe {
public:
    explicit Probe(tunewalk::Form1& window) {
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, &m_ticker, [this] { tick(Clock::now()); });
        QObject::connect(&window, &tunewalk::Form1::detailsFilled, &m_ticker, [this] {
            const auto now = Clock::now();
            // The turn that emitted the signal held the loop up to now.
            tick(now);
            m_measuring = false;
            m_filledAt = now;
            m_filled = true;
            if (m_loop) m_loop->quit();
        });
        m_ticker.start();
    }

    void startMeasuring(Clock::time_point from) {
        m_lastTick = from;
        m_maxGapMs = 0;
        m_measuring = true;
    }
    void reset() { m_filled = false; }

    // Runs the event loop until detailsFilled; false when it does not come within `limit`.
    bool waitForDetails(std::chrono::milliseconds limit) {
        if (m_filled) return true;
        QEventLoop loop;
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
        return m_filled;
    }

    Clock::time_point filledAt() const { return m_filledAt; }
    double maxGapMs() const { return m_maxGapMs; }

private:
    void tick(Clock::time_point now) {
        if (!m_measuring) return;
        m_maxGapMs = std::max(m_maxGapMs, msBetween(m_lastTick, now));
        m_lastTick = now;
    }

    QTimer m_ticker;
    QEventLoop* m_loop = nullptr;
    bool m_measuring = false;
    bool m_filled = false;
    Clock::time_point m_lastTick, m_filledAt;
    double m_maxGapMs = 0;
};

constexpr std::chrono::seconds kWaitLimit{120};

// Lists the empty folder so the next run starts from a clean list. The call's duration (the
// old rows go away in it) or nothing when the list did not end up empty.
std::optional<double> clearList(tunewalk::Form1& window, Probe& probe, const QString& emptyFolder) {
    probe.reset();
    const auto start = Clock::now();
    window.PopulateList(emptyFolder);
    const double ms = msBetween(start, Clock::now());
    const bool ok = probe.waitForDetails(kWaitLimit);
    settle(50);
    if (!ok || window.ListView1->topLevelItemCount() != 0) return std::nullopt;
    return ms;
}

// Checks the filled list; an empty text when it is right.
std::string checkList(const tunewalk::Form1& window, const FolderInfo& f) {
    using tunewalk::ListRow;
    namespace Col = tunewalk::Col;
    const int rows = window.ListView1->topLevelItemCount();
    if (rows != f.expectedRows())
        return "rows " + std::to_string(rows) + ", expected " + std::to_string(f.expectedRows());
    long files = 0, titled = 0, bare = 0;
    QString firstBare;
    for (int i = 0; i < rows; ++i) {
        const auto* row = static_cast<const ListRow*>(window.ListView1->topLevelItem(i));
        if (!row->isFile()) continue;
        ++files;
        if (row->cell(Col::Track).isEmpty() || row->cell(Col::Length).isEmpty()) {
            if (!bare++) firstBare = row->cell(Col::Name);
            continue;
        }
        if (row->cell(Col::Track) != QLatin1String("(unknown)")) ++titled;
    }
    if (bare)
        return std::to_string(bare) + " file row(s) without details, the first \"" +
               firstBare.toStdString() + "\"";
    if (files != f.files)
        return "file rows " + std::to_string(files) + ", expected " + std::to_string(f.files);
    if (titled != f.titled)
        return "rows with a title " + std::to_string(titled) + ", expected " +
               std::to_string(f.titled);
    return {};
}

// One timed listing. Nullopt (with `error`) when the run could not be measured at all; a
// wrong list after detailsFilled is reported in `wrong` and the run still counts.
std::optional<Sample> runOnce(tunewalk::Form1& window, Probe& probe, const FolderInfo& f,
                              std::string& error, std::string& wrong) {
    const QString folder = QString::fromStdString(f.path.string());
    probe.reset();
    const auto start = Clock::now();
    window.PopulateList(folder);
    const auto returned = Clock::now();
    probe.startMeasuring(returned);
    if (window.ListView1->topLevelItemCount() != f.expectedRows()) {
        error = "PopulateList returned with " +
                std::to_string(window.ListView1->topLevelItemCount()) + " rows, expected " +
                std::to_string(f.expectedRows());
        return std::nullopt;
    }
    if (!probe.waitForDetails(kWaitLimit)) {
        error = "detailsFilled did not come within " + std::to_string(kWaitLimit.count()) + " s";
        return std::nullopt;
    }
    const Sample sample{msBetween(start, returned), msBetween(start, probe.filledAt()),
                        probe.maxGapMs()};
    wrong.clear();
    if (window.isFillingDetails()) wrong = "isFillingDetails() is still true after detailsFilled";
    if (std::string problem = checkList(window, f); !problem.empty()) {
        // Tell a signal that came too early from details that never arrive.
        settle(200);
        const std::string later = checkList(window, f);
        wrong += (wrong.empty() ? "" : "; ") + problem + " at detailsFilled" +
                 (later.empty() ? " (all there 200 ms later)" : "; 200 ms later: " + later);
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
    std::printf("\n%8s  %-34s %10s %10s %11s  %s\n", "files", "measure", "median", "worst",
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
        std::snprintf(target, sizeof target, "< %.0f %s", r.target, r.unit.c_str());
        std::printf("%8s  %-34s %10s %10s %11s  %s\n", withThousands(r.files).c_str(),
                    r.measure.c_str(), median, worst, target, judged < r.target ? "met" : "MISSED");
    }
    std::printf("(a target is met when the worst run meets it)\n");
}

struct Options {
    std::string corpus;
    int repetitions = 5;
};

bool parse(const QStringList& args, Options& o) {
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg.startsWith(QLatin1String("--corpus="))) {
            o.corpus = arg.mid(9).toStdString();
        } else if (arg.startsWith(QLatin1String("--repetitions="))) {
            bool ok = false;
            o.repetitions = arg.mid(14).toInt(&ok);
            if (!ok || o.repetitions < 1) return false;
        } else {
            return false;
        }
    }
    return true;
}

int run(const Options& options) {
    const fs::path root = options.corpus.empty()
                              ? fs::path(QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                         QStringLiteral("/../bench-listing"))
                                             .toStdString())
                              : fs::path(options.corpus);
    fs::create_directories(root / "empty");

    std::printf("Tunewalk listing benchmark: %d repetitions, platform %s\n", options.repetitions,
                qPrintable(QGuiApplication::platformName()));
    std::vector<FolderInfo> folders;
    const auto genStart = Clock::now();
    for (long n : kSizes) {
        folders.push_back(prepareFolder(root, n));
        const FolderInfo& f = folders.back();
        std::printf("  %s: %s files + %d folders (%s)\n", f.path.string().c_str(),
                    withThousands(f.files).c_str(), f.folders, f.made ? "generated" : "reused");
    }
    std::printf("  corpus ready in %.1f s\n", msBetween(genStart, Clock::now()) / 1000);
    warmCache(root);

    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    tunewalk::bench::BenchWindow bench(home.path());
    tunewalk::Form1& window = bench.window;
    auto& prompter = bench.prompter;
    Probe probe(window);
    settle(100);

    const QString emptyFolder = QString::fromStdString((root / "empty").string());
    auto fail = [&](const FolderInfo& f, const std::string& what) {
        std::fprintf(stderr, "FAILED on %s: %s\n", f.path.string().c_str(), what.c_str());
        return 1;
    };
    auto noPrompts = [&](const FolderInfo& f) {
        if (prompter.count == 0) return true;
        fail(f, "the window asked " + std::to_string(prompter.count) +
                    " question(s), last: " + prompter.last.toStdString());
        return false;
    };

    // One untimed listing first: fonts, icons and the style load once per process and would
    // otherwise land on the first repetition.
    std::string error, wrong;
    int wrongRuns = 0;
    if (!runOnce(window, probe, folders.front(), error, wrong)) return fail(folders.front(), error);
    if (!wrong.empty()) {
        std::printf("  untimed first listing: WRONG: %s\n", wrong.c_str());
        ++wrongRuns;
    }
    if (!clearList(window, probe, emptyFolder)) return fail(folders.front(), "no clean list");

    std::vector<Row> table;
    for (const FolderInfo& f : folders) {
        std::vector<double> listing, filled, stalls, clearing;
        std::string sampleRow;
        std::printf("\n%s files:\n", withThousands(f.files).c_str());
        for (int rep = 0; rep < options.repetitions; ++rep) {
            const std::optional<Sample> s = runOnce(window, probe, f, error, wrong);
            if (!s) return fail(f, error);
            if (!noPrompts(f)) return 1;
            if (rep == 0) {
                const auto* row = static_cast<const tunewalk::ListRow*>(
                    window.ListView1->topLevelItem(window.ListView1->topLevelItemCount() / 2));
                QStringList cells;
                for (int c = 0; c < tunewalk::Col::Visible; ++c)
                    cells << row->cell(c);
                sampleRow = cells.join(QLatin1String(" | ")).toStdString();
            }
            const std::optional<double> cleared = clearList(window, probe, emptyFolder);
            if (!cleared) return fail(f, "listing the empty folder did not clear the list");
            std::printf("  run %d: listing %6.1f ms, all details %6.1f ms, longest stall %5.1f "
                        "ms, clearing %5.1f ms\n",
                        rep + 1, s->listingMs, s->filledMs, s->stallMs, *cleared);
            if (!wrong.empty()) {
                std::printf("         WRONG: %s\n", wrong.c_str());
                ++wrongRuns;
            }
            std::fflush(stdout);
            listing.push_back(s->listingMs);
            filled.push_back(s->filledMs);
            stalls.push_back(s->stallMs);
            clearing.push_back(*cleared);
        }
        std::printf("  a row: %s\n", sampleRow.c_str());
        table.push_back(
            {f.files, "listing (PopulateList call)", stat(listing), 0, "ms", kListingTargetMs});
        table.push_back({f.files, "all details filled (from the call)", stat(filled), 0, "ms",
                         kFilledTargetMs});
        table.push_back(
            {f.files, "longest stall while filling", stat(stalls), 0, "ms", kStallTargetMs});
        table.push_back({f.files, "leaving the list (next listing)", stat(clearing), 0, "ms",
                         kListingTargetMs});
        table.push_back({f.files, "peak memory so far (ru_maxrss)", std::nullopt, peakMemoryMB(),
                         "MB", kMemoryTargetMB});
    }
    printTable(table);
    if (wrongRuns) {
        std::printf("\nFAILED: the list was wrong after detailsFilled in %d run(s)\n", wrongRuns);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // No display is needed, or wanted: a visible window would add the desktop's own timing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!parse(QCoreApplication::arguments(), options)) {
        std::fprintf(stderr, "usage: %s [--corpus=DIR] [--repetitions=N]\n", argv[0]);
        return 2;
    }
    try {
        return run(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunewalk-bench-listing: %s\n", e.what());
        return 1;
    }
}
