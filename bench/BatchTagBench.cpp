// Measures a batch of 1,000 MP3 tag writes through the batch dialogs' own run: the whole batch
// from OK to the dialog closing, the longest the event loop is held up meanwhile, and how soon
// Cancel stops a run. A plain program: what matters is what the dialog's user waits for.
//
//   tunewalk-bench-batch [--repetitions=N]

#include "AudioFixtures.h"
#include "BenchSeams.h"
#include "BenchTiming.h"
#include "common/PathRules.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/TagHost.h"
#include "metadata/dialogs/frmBatchFiles.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace tunewalk::bench;

constexpr int kFiles = 1000;
constexpr double kTotalTargetMs = 2000;
constexpr double kStallTargetMs = 50;
constexpr double kCancelTargetMs = 100;

std::string encoded(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// The main window's side of a batch: its rows, and a refresh that reads the file again the way
// the list's details do.
class BenchHost : public tunewalk::TagHost {
public:
    std::vector<Row> rows() const override { return list; }
    QString currentFolder() const override { return folder; }
    bool refreshRow(const QString& key) override {
        ++refreshed;
        return reader.LoadMP3(encoded(key));
    }

    std::vector<Row> list;
    QString folder;
    int refreshed = 0;
    tunewalk::MP3TagEditor reader;
};

QString nameOf(int i) {
    return QStringLiteral("Mara Lind %1 - Blue River.mp3").arg(i, 4, 10, QLatin1Char('0'));
}

// Writes the folder afresh (every file tagged, so each batch replaces a tag in place) and reads
// it once, so every run starts from the same warm page cache.
void makeFiles(BenchHost& host) {
    const std::string audio = tunewalk::fixtures::mpegFrames({}, 4);
    const std::string tag =
        tunewalk::fixtures::id3v1Tag("Old Title", "Old Artist", "Album", "1999", "Old comment", 12);
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = encoded(tunewalk::joinPath(host.folder, nameOf(i)));
        tunewalk::fixtures::writeFile(path, audio + tag);
        (void)tunewalk::fixtures::readFile(path);
    }
    host.refreshed = 0;
}

// Every file carries the batch's tag and was refreshed once.
bool allWritten(const BenchHost& host, int expected) {
    if (host.refreshed != expected) return false;
    tunewalk::MP3TagEditor e;
    int written = 0;
    for (int i = 0; i < kFiles; ++i) {
        if (!e.LoadMP3(encoded(tunewalk::joinPath(host.folder, nameOf(i))))) return false;
        if (e.Artist() == "Bench Artist") {
            const std::string number = nameOf(i).mid(10, 4).toStdString();
            if (e.Comment() != "Track " + number || e.Genra() != 17) return false;
            ++written;
        }
    }
    return written == expected;
}

struct Run {
    double totalMs = 0, stallMs = 0, cancelMs = -1;
    int done = 0;
    bool ok = false;
};

// One batch over every file through a shown (offscreen) file dialog. With `cancelAtMs` >= 0 a
// precise timer presses the progress dialog's Cancel that long after OK; the latency counts
// from when the press was due, so a late timer (a busy loop) counts against the run.
Run runBatch(BenchHost& host, tunewalk::Prompter& prompter, double cancelAtMs) {
    tunewalk::frmBatchFiles files(host, prompter, tunewalk::bench::batchBenchOptions());
    files.show();
    files.btnSelectAll->click();
    QApplication::processEvents();

    Run r;
    StallProbe probe;
    Clock::time_point stoppedAt{}, cancelDue{};
    QTimer cancel;
    cancel.setSingleShot(true);
    cancel.setTimerType(Qt::PreciseTimer);
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        if (auto* dlg = files.progressDialog())
            if (auto* button = dlg->findChild<QPushButton*>()) button->click();
    });

    probe.start();
    const auto start = Clock::now();
    files.cmdOK->click();
    QObject::connect(files.run(), &tunewalk::BatchTagRun::finished,
                     [&] { stoppedAt = Clock::now(); });
    if (cancelAtMs >= 0) {
        cancelDue = start + std::chrono::microseconds(static_cast<long>(cancelAtMs * 1000));
        cancel.start(static_cast<int>(cancelAtMs));
    }
    const auto until = start + std::chrono::seconds(60);
    while (files.result() != QDialog::Accepted && Clock::now() < until)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    r.stallMs = probe.stop();
    r.totalMs = msBetween(start, stoppedAt);
    r.done = files.run()->done();
    if (cancelAtMs >= 0 && files.run()->wasCancelled())
        r.cancelMs = msBetween(cancelDue, stoppedAt);
    r.ok = files.result() == QDialog::Accepted;
    return r;
}

bool printRow(const char* what, const Stat& s, double target) {
    const bool met = s.worst < target;
    std::printf("  %-40s median %7.1f ms  worst %7.1f ms  target < %4.0f ms: %s\n", what, s.median,
                s.worst, target, met ? "met" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int repetitions = tunewalk::bench::repetitionsFrom(argc, argv, 5);

    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    BenchHost host;
    host.folder = QDir::toNativeSeparators(dir.path());
    for (int i = 0; i < kFiles; ++i)
        host.list.push_back(
            {tunewalk::joinPath(host.folder, nameOf(i)), tunewalk::RowKind::MP3, nameOf(i), false});
    tunewalk::bench::CountingPrompter prompter;

    std::printf("Tunewalk batch tagging benchmark: %d files, %d repetitions\n", kFiles,
                repetitions);
    // One untimed batch loads fonts and the style and warms the page cache.
    makeFiles(host);
    runBatch(host, prompter, -1);

    bool wrong = false;
    std::vector<double> totals, stalls, cancels, cancelStalls;
    for (int rep = 0; rep < repetitions; ++rep) {
        makeFiles(host);
        const Run r = runBatch(host, prompter, -1);
        const bool right = r.ok && r.done == kFiles && allWritten(host, kFiles) && !prompter.count;
        wrong = wrong || !right;
        totals.push_back(r.totalMs);
        stalls.push_back(r.stallMs);
        std::printf("  run %d: batch %7.1f ms, longest stall %5.1f ms%s\n", rep + 1, r.totalMs,
                    r.stallMs, right ? "" : "  WRONG");
    }
    // Cancel half-way through a batch as long as the median one.
    const double cancelAt = std::max(5.0, stat(totals).median / 2);
    for (int rep = 0; rep < repetitions; ++rep) {
        makeFiles(host);
        const Run r = runBatch(host, prompter, cancelAt);
        const bool stopped = r.cancelMs >= 0 && r.done < kFiles;
        const bool right = r.ok && stopped && allWritten(host, host.refreshed) &&
                           host.refreshed == r.done && !prompter.count;
        wrong = wrong || !right;
        cancels.push_back(r.cancelMs);
        cancelStalls.push_back(r.stallMs);
        std::printf("  cancel %d at %.0f ms: stopped %5.1f ms later after %d files%s\n", rep + 1,
                    cancelAt, r.cancelMs, r.done, right ? "" : "  WRONG");
    }

    std::printf("\n");
    bool met = printRow("batch of 1000 files, OK to closed", stat(totals), kTotalTargetMs);
    met = printRow("longest stall during a batch", stat(stalls), kStallTargetMs) && met;
    met = printRow("Cancel to run stopped", stat(cancels), kCancelTargetMs) && met;
    met = printRow("longest stall during a cancelled batch", stat(cancelStalls), kStallTargetMs) &&
          met;
    if (wrong) std::printf("\n  a run went WRONG (see above)\n");
    return wrong || !met ? 1 : 0;
}
