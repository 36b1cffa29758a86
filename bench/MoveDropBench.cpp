// Measures a drop of 1,000 files onto a sub-folder of the listed folder, on one file system:
// from the drop to the moves done with the list and the tree up to date, and the longest the
// event loop is held up. A plain program: what matters is what the window's user waits for.
//
//   tunewalk-bench-move [--repetitions=N]

#include "AudioFixtures.h"
#include "BenchSeams.h"
#include "BenchTiming.h"
#include "BenchWindow.h"
#include "app/Form1.h"
#include "app/ListRow.h"
#include "app/QtMediaPlayer.h"
#include "common/PathRules.h"
#include "common/SettingsStore.h"
#include "foldertree/Treefolder.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tunewalk::bench;

constexpr int kFiles = 1000;
constexpr double kTargetMs = 1000;

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int repetitions = tunewalk::bench::repetitionsFrom(argc, argv, 5);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    const QString music = QDir::toNativeSeparators(dir.filePath(QStringLiteral("music")));
    const QString target = tunewalk::joinPath(music, QStringLiteral("Target"));
    QDir().mkpath(target);
    const std::string frames = tunewalk::fixtures::mpegFrames({}, 4);

    tunewalk::bench::BenchWindow bench(dir.path());
    tunewalk::Form1& window = bench.window;
    auto& prompter = bench.prompter;
    // The folder's own volume keeps the tree short.
    const QString volume = QDir::toNativeSeparators(dir.path()) + QDir::separator();
    window.Treefolder1->init({{}, {}, [volume] {
                                  return QList<tunewalk::TreeVolume>{
                                      {volume, QStringLiteral("Bench"), QStringLiteral("Drive")}};
                              }});

    std::printf("Tunewalk move benchmark: %d files dropped on a sub-folder, %d repetitions\n",
                kFiles, repetitions);
    std::vector<double> times;
    for (int rep = 0; rep < repetitions; ++rep) {
        QDir(target).removeRecursively();
        QDir().mkpath(target);
        QStringList paths;
        for (int i = 0; i < kFiles; ++i) {
            const QString p = tunewalk::joinPath(
                music, QStringLiteral("Song %1.mp3").arg(i, 4, 10, QLatin1Char('0')));
            tunewalk::fixtures::writeFile(p.toStdString(), frames);
            paths << p;
        }
        window.PopulateList(music);
        waitFor([&] { return !window.isFillingDetails(); });
        const auto start = Clock::now();
        window.MoveDroppedItems(paths, target);
        const auto done = Clock::now();
        const int rows = window.ListView1->topLevelItemCount();
        const int moved = static_cast<int>(QDir(target).entryList(QDir::Files).size());
        if (rows != 1 || moved != kFiles || prompter.count) {
            std::fprintf(stderr, "wrong result: %d rows left, %d files moved, %d questions\n", rows,
                         moved, prompter.count);
            return 1;
        }
        times.push_back(msBetween(start, done));
        std::printf("  run %d: %.1f ms\n", rep + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2], worst = times.back();
    std::printf("\n  drop of %d files to list and tree up to date: median %.1f ms, worst %.1f ms, "
                "target < %.0f ms: %s\n",
                kFiles, median, worst, kTargetMs, worst < kTargetMs ? "met" : "MISSED");
    return worst < kTargetMs ? 0 : 1;
}
