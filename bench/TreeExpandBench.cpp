// Measures how the folder tree opens a big folder: a folder with 5,000 sub-folders, every
// other one with a sub-folder of its own, so each child costs a listing entry, a node and a
// background probe for its expand button; then a 300-folder one whose probes each wait 5 ms
// first, as on a slow mount. Timed from the expand call until the children are painted and
// until every probe has answered, with the longest the event loop is held up meanwhile, and
// the collapse that drops them again. A plain program rather than Google Benchmark, since it
// measures what an event loop sees.
//
//   tunewalk-bench-tree [--repetitions=N]

#include "BenchTiming.h"
#include "common/PathRules.h"
#include "foldertree/SubFolders.h"
#include "foldertree/TreeNode.h"
#include "foldertree/Treefolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace tunewalk::bench;

constexpr double kShownTargetMs = 300;
constexpr double kStallTargetMs = 50;

struct Scenario {
    const char* name;
    int folders;
    int probeLatencyMs; // added to each "has sub-folders" probe
};

// Watches the event loop: a 1 ms ticker whose gaps are the stalls, and the first paint of the
// tree's viewport after a given moment.
class Probe : public QObject {
public:
    explicit Probe(QWidget* viewport) : m_viewport(viewport) {
        viewport->installEventFilter(this);
        m_ticker.setTimerType(Qt::PreciseTimer);
        m_ticker.setInterval(1);
        QObject::connect(&m_ticker, &QTimer::timeout, this, [this] { tick(Clock::now()); });
        m_ticker.start();
    }

    void start(Clock::time_point from) {
        m_lastTick = from;
        m_maxGapMs = 0;
        m_paintedAt.reset();
        m_measuring = true;
    }

    // Runs the event loop until `done` holds; false after `limitMs`. The ticker goes on
    // measuring stalls until stop().
    template <typename Done> bool waitUntil(Done done, int limitMs) {
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (done()) loop.quit();
        });
        poll.start(1);
        QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
        loop.exec();
        return done();
    }
    bool waitForPaint(int limitMs) {
        return waitUntil([this] { return m_paintedAt.has_value(); }, limitMs);
    }
    void stop() { m_measuring = false; }

    Clock::time_point paintedAt() const { return *m_paintedAt; }
    double maxGapMs() const { return m_maxGapMs; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_viewport && event->type() == QEvent::Paint && m_measuring &&
            !m_paintedAt) {
            m_paintedAt = Clock::now(); // the paint itself belongs to showing the children
            QTimer::singleShot(0, this, [this] { tick(Clock::now()); });
        }
        return false;
    }

private:
    void tick(Clock::time_point now) {
        if (!m_measuring) return;
        m_maxGapMs = std::max(m_maxGapMs, msBetween(m_lastTick, now));
        m_lastTick = now;
    }

    QWidget* m_viewport;
    QTimer m_ticker;
    bool m_measuring = false;
    std::optional<Clock::time_point> m_paintedAt;
    Clock::time_point m_lastTick;
    double m_maxGapMs = 0;
};

// The big folder: "Folder 00001" ... with "inner" in every odd one.
bool makeFolders(const QString& big, int folders) {
    QDir dir;
    for (int i = 1; i <= folders; ++i) {
        const QString child = big + QStringLiteral("/Folder %1").arg(i, 5, 10, QLatin1Char('0'));
        if (!dir.mkpath(i % 2 ? child + QStringLiteral("/inner") : child)) return false;
    }
    return true;
}

// Checks the loaded level; an empty text when it is right.
std::string checkChildren(const QTreeWidgetItem* big, const QTreeWidget* view, int folders) {
    if (big->childCount() != folders)
        return "children " + std::to_string(big->childCount()) + ", expected " +
               std::to_string(folders);
    int withButton = 0;
    for (int i = 0; i < big->childCount(); ++i)
        withButton += tunewalk::TreeNode::isUnloaded(big->child(i)) ? 1 : 0;
    if (withButton != folders / 2)
        return "children with an expand button " + std::to_string(withButton) + ", expected " +
               std::to_string(folders / 2);
    if (!view->visualItemRect(big->child(0)).isValid()) return "the first child is not shown";
    return {};
}

int run(const Scenario& scenario, int repetitions) {
    const int folders = scenario.folders;
    QTemporaryDir temp;
    if (!temp.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        return 1;
    }
    const QString volume = QDir::toNativeSeparators(temp.path()) + QDir::separator();
    const QString big = QDir::toNativeSeparators(temp.filePath(QStringLiteral("big")));
    QDir().mkpath(temp.filePath(QStringLiteral("desktop")));
    QElapsedTimer making;
    making.start();
    if (!makeFolders(big, folders)) {
        std::fprintf(stderr, "cannot make the folders in %s\n", qPrintable(big));
        return 1;
    }
    std::printf("\n%s: %d repetitions, platform %s\n", scenario.name, repetitions,
                qPrintable(QGuiApplication::platformName()));
    std::printf("  %s: %d sub-folders, %d with a sub-folder (made in %.1f s), probe latency "
                "%d ms\n",
                qPrintable(big), folders, folders / 2, static_cast<double>(making.elapsed()) / 1000,
                scenario.probeLatencyMs);

    tunewalk::TreefolderEnvironment environment;
    environment.desktop = temp.filePath(QStringLiteral("desktop"));
    environment.volumes = [volume] {
        return QList<tunewalk::TreeVolume>{{volume, QStringLiteral("Bench"), {}, true}};
    };
    if (const int latency = scenario.probeLatencyMs) {
        environment.hasSubFolder = [latency](const QString& folder) {
            std::this_thread::sleep_for(std::chrono::milliseconds(latency));
            return tunewalk::SubFolders::hasSubFolder(folder);
        };
    }
    tunewalk::Treefolder tree(environment);
    tree.resize(320, 700);
    tree.show();
    tree.SetPath(big); // opens the levels above; the big folder itself stays closed
    const auto marksIn = [&tree] { return !tree.probesPending(); };
    QTreeWidget* view = tree.Nodes();
    QTreeWidgetItem* node = tree.node(tunewalk::pathKey(big));
    if (!node) {
        std::fprintf(stderr, "the big folder has no node\n");
        return 1;
    }
    Probe probe(view->viewport());
    settle(100);

    // One untimed round first: the page cache, fonts and icons.
    probe.waitUntil(marksIn, 60000);
    node->setExpanded(true);
    probe.waitUntil(marksIn, 60000);
    node->setExpanded(false);
    settle(50);

    std::vector<double> calls, shown, stalls, marks, markStalls, collapses;
    int wrong = 0;
    for (int rep = 0; rep < repetitions; ++rep) {
        const auto start = Clock::now();
        probe.start(start);
        node->setExpanded(true);
        const auto returned = Clock::now();
        if (!probe.waitForPaint(10000)) {
            std::fprintf(stderr, "FAILED: the tree did not paint after expanding\n");
            return 1;
        }
        const double stallToPaint = probe.maxGapMs();
        if (!probe.waitUntil(marksIn, 60000)) {
            std::fprintf(stderr, "FAILED: the probes did not all answer\n");
            return 1;
        }
        const auto marked = Clock::now();
        probe.stop();
        const std::string problem = checkChildren(node, view, folders);
        settle(20);
        const auto collapseStart = Clock::now();
        node->setExpanded(false);
        const double collapseMs = msBetween(collapseStart, Clock::now());
        settle(50);

        calls.push_back(msBetween(start, returned));
        shown.push_back(msBetween(start, probe.paintedAt()));
        stalls.push_back(stallToPaint);
        marks.push_back(msBetween(start, marked));
        markStalls.push_back(probe.maxGapMs());
        collapses.push_back(collapseMs);
        std::printf("  run %d: expand call %6.1f ms, shown %6.1f ms (stall %5.1f ms), all marks "
                    "in %7.1f ms (stall %5.1f ms), collapse %5.1f ms\n",
                    rep + 1, calls.back(), shown.back(), stalls.back(), marks.back(),
                    markStalls.back(), collapses.back());
        if (!problem.empty()) {
            std::printf("         WRONG: %s\n", problem.c_str());
            ++wrong;
        }
        std::fflush(stdout);
    }

    struct Row {
        const char* measure;
        Stat s;
        double target; // 0: reported only
    };
    const Row rows[] = {
        {"expand call (children listed)", stat(calls), 0},
        {"children shown (painted)", stat(shown), kShownTargetMs},
        {"longest stall, expand to paint", stat(stalls), 0},
        {"all marks in (every probe answered)", stat(marks), 0},
        {"longest stall, expand to marks in", stat(markStalls), kStallTargetMs},
        {"collapse call (children dropped)", stat(collapses), 0},
    };
    std::printf("\n%-36s %10s %10s %10s  %s\n", "measure", "median", "worst", "target", "result");
    for (const Row& r : rows) {
        char target[32] = "-";
        if (r.target > 0) std::snprintf(target, sizeof target, "< %.0f ms", r.target);
        std::printf("%-36s %7.1f ms %7.1f ms %10s  %s\n", r.measure, r.s.median, r.s.worst, target,
                    r.target <= 0 ? "" : (r.s.worst < r.target ? "met" : "MISSED"));
    }
    std::printf("(a target is met when the worst run meets it)\n");
    if (wrong) {
        std::printf("\nFAILED: the loaded level was wrong in %d run(s)\n", wrong);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int repetitions = 5;
    for (const QString& arg : app.arguments().mid(1)) {
        bool ok = false;
        if (arg.startsWith(QLatin1String("--repetitions="))) repetitions = arg.mid(14).toInt(&ok);
        if (!ok || repetitions < 1) {
            std::fprintf(stderr, "usage: tunewalk-bench-tree [--repetitions=N]\n");
            return 2;
        }
    }
    std::printf("Tunewalk tree benchmark\n");
    int result = 0;
    for (const Scenario& scenario : {Scenario{"Local folder", 5000, 0},
                                     Scenario{"Slow folder (probes wait 5 ms each)", 300, 5}})
        result = std::max(result, run(scenario, repetitions));
    return result;
}
