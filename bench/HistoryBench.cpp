// Measures what the change history costs the user's work: a batch tag run over 1,000 MP3 files
// of 2 MiB and a move of 10,000 files (within the disk, and onto /dev/shm), each with the
// history on and off in turns so both share the machine's noise; and how long taking the batch
// back takes, by the undo itself and through the window's Undo. The files live beside the
// build, on its disk: the history's durable writes must reach a real disk to count.
//
//   tunewalk-bench-history [--repetitions=N] [--parts=batch,move,across]

#include "AudioFixtures.h"
#include "BenchSeams.h"
#include "BenchTiming.h"
#include "app/fileops/FileOperations.h"
#include "app/history/UndoHistory.h"
#include "common/PathRules.h"
#include "fileops/FileJob.h"
#include "history/FileChanges.h"
#include "history/HistoryStore.h"
#include "history/Undo.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/TagHost.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace tunewalk::bench;
namespace fs = std::filesystem;
using tunewalk::HistoryStore;

constexpr int kBatchFiles = 1000;
constexpr int kBatchFileBytes = 2 << 20;
constexpr int kMoveFiles = 10000;
constexpr double kRatioTarget = 1.10, kUndoTargetMs = 1000;

QString qs(const fs::path& p) {
    return QString::fromStdString(p.string());
}

std::string fmt(const char* format, double a, double b = 0, double c = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// The summary at the end; a wrong result fails the run, a missed target only says so.
struct Report {
    std::vector<std::string> lines;
    int wrong = 0;

    void check(const std::string& what, bool right, const std::string& problem) {
        if (right) return;
        ++wrong;
        std::printf("  WRONG (%s): %s\n", what.c_str(), problem.c_str());
    }
    // Medians of the runs with the history off and on, and their ratio against the target.
    void ratio(const std::string& what, const std::vector<double>& off,
               const std::vector<double>& on, const std::vector<double>& stallOff,
               const std::vector<double>& stallOn) {
        const double a = stat(off).median, b = stat(on).median;
        lines.push_back(what + fmt(": off %.0f ms, on %.0f ms, ratio %.3f", a, b, b / a) +
                        fmt(" (target <= %.2f: ", kRatioTarget) +
                        (b <= kRatioTarget * a ? "met" : "MISSED") +
                        fmt("); longest stall off %.1f ms, on %.1f ms", stat(stallOff).worst,
                            stat(stallOn).worst));
    }
    void undo(const std::string& what, const std::vector<double>& times) {
        const Stat s = stat(times);
        lines.push_back(what +
                        fmt(": median %.0f ms, worst %.0f ms over %.0f runs", s.median, s.worst,
                            double(times.size())) +
                        fmt(" (target <= %.0f ms: ", kUndoTargetMs) +
                        (s.worst <= kUndoTargetMs ? "met" : "MISSED") + ")");
    }
};

// The window's side of a batch: its rows, a refresh that reads the file again as the list's
// details do, and the history the run records in (null: off).
class BatchHost : public tunewalk::TagHost {
public:
    std::vector<Row> rows() const override { return list; }
    QString currentFolder() const override { return folder; }
    bool refreshRow(const QString& key) override {
        return reader.LoadMP3(QFile::encodeName(key).toStdString());
    }
    HistoryStore* history() const override { return store; }

    std::vector<Row> list;
    QStringList names;
    QString folder;
    HistoryStore* store = nullptr;
    tunewalk::MP3TagEditor reader;
};

const std::string& oldTag() {
    static const std::string tag =
        tunewalk::fixtures::id3v1Tag("Old Title", "Old Artist", "Album", "1999", "Old comment", 12);
    return tag;
}

void makeBatchFiles(BatchHost& host) {
    const tunewalk::fixtures::FrameShape shape;
    const std::string file = tunewalk::fixtures::mpegFrames(
                                 shape, kBatchFileBytes / tunewalk::fixtures::frameLength(shape)) +
                             oldTag();
    for (int i = 0; i < kBatchFiles; ++i) {
        const QString name =
            QStringLiteral("Mara Lind %1 - Blue River.mp3").arg(i, 4, 10, QChar('0'));
        const QString path = tunewalk::joinPath(host.folder, name);
        tunewalk::fixtures::writeFile(QFile::encodeName(path).toStdString(), file);
        host.names << name;
        host.list.push_back({path, tunewalk::RowKind::MP3, name, true});
    }
}

// Puts the old tag back over whatever the last run wrote, so every batch changes every file.
void resetTags(const BatchHost& host) {
    for (const auto& row : host.list) {
        std::fstream f(QFile::encodeName(row.key).toStdString(),
                       std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(-std::streamoff(oldTag().size()), std::ios::end);
        f.write(oldTag().data(), std::streamsize(oldTag().size()));
    }
}

// How many files carry `artist` in their tag.
int taggedWith(const BatchHost& host, const std::string& artist) {
    tunewalk::MP3TagEditor e;
    int n = 0;
    for (const auto& row : host.list)
        n += e.LoadMP3(QFile::encodeName(row.key).toStdString()) && e.Artist() == artist;
    return n;
}

struct Timed {
    double ms = 0, stallMs = 0;
};

// As in the program, the run starts after Batch Preview has read every file, and with the
// history on it takes from the preview each file's tag as it will replace it (the preview's
// reading is not timed, with the history on or off).
Timed timeBatch(BatchHost& host, CountingPrompter& prompter, Report& r) {
    tunewalk::BatchTagRun run(host, prompter, host.names, tunewalk::bench::batchBenchOptions());
    if (host.store) {
        std::vector<HistoryStore::Change> plans;
        for (const QString& name : host.names)
            plans.push_back(tunewalk::history::tagWrite(tunewalk::joinPath(host.folder, name)));
        run.takePlans(std::move(plans));
    }
    Clock::time_point end{};
    QObject::connect(&run, &tunewalk::BatchTagRun::finished, [&] { end = Clock::now(); });
    StallProbe probe;
    probe.start();
    const auto start = Clock::now();
    run.start();
    waitFor([&] { return end != Clock::time_point{}; });
    const double stall = probe.stop();
    r.check("batch", run.savedCount() == kBatchFiles && prompter.count == 0,
            std::to_string(run.savedCount()) + " files saved; " + prompter.last.toStdString());
    return {msBetween(start, end), stall};
}

// The newest entry of the history, which the last run must have written whole.
qint64 newestEntry(HistoryStore& store, HistoryStore::EntryKind kind, int changes, Report& r) {
    const auto entries = store.entries(1);
    const bool right = !entries.empty() && entries.front().kind == kind &&
                       entries.front().state == HistoryStore::State::Done &&
                       entries.front().changeCount == changes;
    r.check("history", right, "the run's entry is not in the history as done with all changes");
    return right ? entries.front().id : 0;
}

// Where the history's share of a batch goes: the same steps the run takes, one at a time, on
// the files as the run finds them (the entry is dropped afterwards).
void breakdown(const BatchHost& host, HistoryStore& store) {
    resetTags(host);
    auto start = Clock::now();
    auto lap = [&] {
        const double ms = msBetween(start, Clock::now());
        start = Clock::now();
        return ms;
    };
    std::vector<HistoryStore::Change> changes;
    for (const auto& row : host.list)
        changes.push_back(tunewalk::history::tagWrite(row.key));
    const double read = lap();
    HistoryStore::Entry entry;
    entry.kind = HistoryStore::EntryKind::BatchTag;
    entry.description = QStringLiteral("Batch tag 1,000 files");
    const qint64 id = store.begin(entry, changes);
    const double ahead = lap();
    for (auto& c : changes)
        tunewalk::history::settle(c);
    const double settled = lap();
    store.update(id, HistoryStore::State::Done, changes);
    const double kept = lap();
    store.discard(id);
    std::printf("  the history's steps alone: tags read %.1f ms (while the preview reads the "
                "files, so not in the run), written ahead %.1f ms, settled %.1f ms (the run takes "
                "it from the save instead), kept %.1f ms\n",
                read, ahead, settled, kept);
}

void batchRuns(BatchHost& host, tunewalk::UndoHistory& undo, CountingPrompter& prompter, Report& r,
               int repetitions) {
    HistoryStore& store = *undo.store();
    Clock::time_point changedAt{};
    QObject::connect(&undo, &tunewalk::UndoHistory::changed, [&] { changedAt = Clock::now(); });

    std::printf("\nbatch tag run over %d files of %d MiB:\n", kBatchFiles, kBatchFileBytes >> 20);
    for (const bool on : {false, true}) { // untimed: the page cache, the store's first write
        resetTags(host);
        host.store = on ? &store : nullptr;
        timeBatch(host, prompter, r);
    }
    std::vector<double> off, on, stallOff, stallOn, direct, window;
    for (int rep = 0; rep < repetitions; ++rep) {
        for (const bool history : {rep % 2 == 1, rep % 2 == 0}) {
            resetTags(host);
            host.store = history ? &store : nullptr;
            const Timed t = timeBatch(host, prompter, r);
            (history ? on : off).push_back(t.ms);
            (history ? stallOn : stallOff).push_back(t.stallMs);
            std::printf("  run %d, history %-3s: %7.1f ms, longest stall %5.1f ms\n", rep + 1,
                        history ? "on" : "off", t.ms, t.stallMs);
            if (!history) continue;
            const qint64 id = newestEntry(store, HistoryStore::EntryKind::BatchTag, kBatchFiles, r);
            if (!id) continue;
            // Taken back in turns by the undo itself and through the window's Undo (a job on
            // the file worker, with the history read and written around it).
            double ms = 0;
            if (rep % 2 == 0) {
                std::vector<HistoryStore::Change> changes = store.changes(id);
                tunewalk::FileJob job;
                const auto start = Clock::now();
                const auto out =
                    tunewalk::history::applyAll(changes, tunewalk::history::Direction::Undo, job);
                ms = msBetween(start, Clock::now());
                r.check("undo", out.ok && out.applied == kBatchFiles,
                        out.problems.join(' ').left(300).toStdString());
                store.update(id, HistoryStore::State::Undone, changes);
                direct.push_back(ms);
            } else {
                const auto start = Clock::now();
                undo.undo(id);
                waitFor([&] { return !undo.busy(); });
                ms = msBetween(start, changedAt);
                r.check("undo",
                        store.entry(id)->state == HistoryStore::State::Undone &&
                            prompter.count == 0,
                        "the window's undo did not take the batch back: " +
                            prompter.last.toStdString());
                window.push_back(ms);
            }
            const int back = taggedWith(host, "Old Artist");
            r.check("undo", back == kBatchFiles,
                    std::to_string(back) + " files have their old tag back");
            std::printf("  undo %s: %7.1f ms\n",
                        rep % 2 == 0 ? "by applyAll        " : "through UndoHistory", ms);
        }
    }
    breakdown(host, store);
    r.ratio("batch 1000 files", off, on, stallOff, stallOn);
    r.undo("undo of batch 1000 files, applyAll", direct);
    r.undo("undo of batch 1000 files, UndoHistory::undo", window);
}

std::vector<tunewalk::FileOperations::Move> makeMoveFiles(const fs::path& from,
                                                          const fs::path& to) {
    static const std::string frames = tunewalk::fixtures::mpegFrames({}, 4);
    std::vector<tunewalk::FileOperations::Move> moves;
    for (int i = 0; i < kMoveFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Song %05d.mp3", i);
        tunewalk::fixtures::writeFile(from / name, frames);
        moves.push_back(
            {tunewalk::FileOperations::Move::Kind::Move, qs(from / name), qs(to / name)});
    }
    return moves;
}

long countIn(const fs::path& folder) {
    long n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

void moveRuns(tunewalk::FileOperations& ops, HistoryStore& store, Report& r, const fs::path& from,
              const fs::path& to, const std::string& what, int repetitions) {
    std::printf("\n%s:\n", what.c_str());
    auto timeMove = [&](bool history) {
        fs::remove_all(from);
        fs::remove_all(to);
        fs::create_directories(from);
        fs::create_directories(to);
        auto moves = makeMoveFiles(from, to);
        ::sync(); // the new files' write-back is no part of the move
        ops.setHistory(history ? &store : nullptr, {});
        Clock::time_point end{};
        bool all = false;
        StallProbe probe;
        probe.start();
        const auto start = Clock::now();
        ops.moveItems(std::move(moves), qs(to), false, [&](const auto& results) {
            end = Clock::now();
            all = results.size() == std::size_t(kMoveFiles);
            for (const auto& m : results)
                all = all && m.sourceGone && m.arrived;
        });
        waitFor([&] { return end != Clock::time_point{}; }, 600000);
        const Timed t{msBetween(start, end), probe.stop()};
        r.check(what, all && countIn(to) == kMoveFiles && countIn(from) == 0,
                "not every file was moved");
        if (history) newestEntry(store, HistoryStore::EntryKind::Move, kMoveFiles, r);
        return t;
    };
    timeMove(false); // untimed
    timeMove(true);
    std::vector<double> off, on, stallOff, stallOn;
    for (int rep = 0; rep < repetitions; ++rep) {
        for (const bool history : {rep % 2 == 1, rep % 2 == 0}) {
            const Timed t = timeMove(history);
            (history ? on : off).push_back(t.ms);
            (history ? stallOn : stallOff).push_back(t.stallMs);
            std::printf("  run %d, history %-3s: %7.1f ms, longest stall %5.1f ms\n", rep + 1,
                        history ? "on" : "off", t.ms, t.stallMs);
        }
    }
    fs::remove_all(from);
    fs::remove_all(to);
    // The history's writes alone: the entry written ahead, then kept.
    std::vector<HistoryStore::Change> changes;
    fs::create_directories(from);
    for (const auto& move : makeMoveFiles(from, to))
        changes.push_back(
            tunewalk::history::move(HistoryStore::ChangeKind::Move, move.source, move.target));
    HistoryStore::Entry entry;
    entry.kind = HistoryStore::EntryKind::Move;
    const auto start = Clock::now();
    const qint64 id = store.begin(entry, changes);
    const auto ahead = Clock::now();
    store.update(id, HistoryStore::State::Done, changes);
    std::printf("  the history's writes alone: written ahead %.1f ms, kept %.1f ms\n",
                msBetween(start, ahead), msBetween(ahead, Clock::now()));
    store.discard(id);
    fs::remove_all(from);
    r.ratio(what, off, on, stallOff, stallOn);
}

int report(const Report& r) {
    std::printf("\n");
    for (const std::string& line : r.lines)
        std::printf("%s\n", line.c_str());
    if (r.wrong) {
        std::printf("\nFAILED: %d wrong result(s)\n", r.wrong);
        return 1;
    }
    return 0;
}

int run(int repetitions, const QStringList& parts) {
    // Beside the build, on its disk (not a memory file system).
    const QString build = QCoreApplication::applicationDirPath() + QStringLiteral("/..");
    const QString pid = QString::number(QCoreApplication::applicationPid());
    QTemporaryDir dir(build + QStringLiteral("/bench-history-%1-XXXXXX").arg(pid));
    if (!dir.isValid()) throw std::runtime_error("cannot make a folder in " + build.toStdString());
    const fs::path work = dir.path().toStdString();

    CountingPrompter prompter;
    tunewalk::FileOperations ops(prompter, nullptr);
    tunewalk::UndoHistory undo(ops, prompter, dir.filePath(QStringLiteral("history.sqlite")));
    if (!undo.store()) throw std::runtime_error("the history cannot be opened");

    std::printf("Tunewalk change-history benchmark (%d repetitions, history on and off in turns)\n",
                repetitions);
    std::printf("files and history in %s\n", qs(work).toLocal8Bit().constData());
    Report r;
    if (parts.contains(QStringLiteral("batch"))) {
        BatchHost host;
        host.folder = dir.filePath(QStringLiteral("batch"));
        fs::create_directories(host.folder.toStdString());
        const auto start = Clock::now();
        makeBatchFiles(host);
        ::sync();
        std::printf("made %d files of %d MiB in %.1f s\n", kBatchFiles, kBatchFileBytes >> 20,
                    msBetween(start, Clock::now()) / 1000);
        batchRuns(host, undo, prompter, r, repetitions);
        fs::remove_all(host.folder.toStdString());
    }
    if (parts.contains(QStringLiteral("move")))
        moveRuns(ops, *undo.store(), r, work / "from", work / "to", "move 10000 files, one disk",
                 repetitions);
    if (!parts.contains(QStringLiteral("across"))) return report(r);

    struct stat here = {}, shm = {};
    QTemporaryDir shmDir(QStringLiteral("/dev/shm/tunewalk-bench-history-%1-XXXXXX").arg(pid));
    if (shmDir.isValid() && ::stat(work.c_str(), &here) == 0 && ::stat("/dev/shm", &shm) == 0 &&
        here.st_dev != shm.st_dev)
        moveRuns(ops, *undo.store(), r, work / "from", fs::path(shmDir.path().toStdString()) / "to",
                 "move 10000 files, onto /dev/shm", repetitions);
    else
        r.lines.push_back("move 10000 files, onto /dev/shm: SKIPPED (no /dev/shm of its own)");

    return report(r);
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        QStringList parts = {QStringLiteral("batch"), QStringLiteral("move"),
                             QStringLiteral("across")};
        for (const QString& arg : app.arguments())
            if (arg.startsWith(QLatin1String("--parts=")))
                parts = arg.mid(8).split(QLatin1Char(','));
        return run(repetitionsFrom(argc, argv, 6), parts);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunewalk-bench-history: %s\n", e.what());
        return 1;
    }
}
