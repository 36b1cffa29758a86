// Measures how fast the list reads every tag and format of a folder's files with an empty details
// cache: 10,000 MP3 files with an ID3v2.4 tag and an ID3v1 tag, and 10,000 FLAC files, a tenth
// of each with a 100 KB front cover (ListingFolders makes them), read through the DetailReader
// as the listing starts it (six readers, all tags, the details cache on but without the files).
// Before each cold run the page cache is dropped when this process may (as root), and the files
// are stat'ed again as the listing does before it reads them; warm runs find them in the page
// cache. Then, on one thread over the warm files, what a file costs in each stage: the program's
// own codec, TagLib, and both as the list reads them.
//
//   tunewalk-bench-tags [--corpus=DIR] [--repetitions=N] [--files=N] [--no-drop]

#include "BenchTiming.h"
#include "Corpus.h"
#include "ListingFolders.h"
#include "app/listing/AudioDetails.h"
#include "app/listing/DetailReader.h"
#include "common/MemoryUse.h"
#include "common/NativePath.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"
#include "metadata/tags/TagReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace tunewalk::bench;
using tunewalk::DetailReader;
using tunewalk::RowKind;

namespace {

constexpr int kWaitLimitMs = 300000;

struct Case {
    FolderKind folder;
    RowKind kind;
    const char* name;
    double targetMs; // all details of 10,000 files, cold
};
constexpr Case kCases[] = {
    {FolderKind::Id3v24, RowKind::MP3, "MP3, ID3v2.4 + ID3v1", 1000},
    {FolderKind::Flac, RowKind::FLAC, "FLAC", 1500},
};

// Writes the dirty pages back and drops the page cache, so the next run reads from the disk;
// false where this process may not.
bool dropPageCache() {
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n" << std::flush;
    return static_cast<bool>(drop);
}

// The folder's files as the listing hands them to the reader once their stats are in, in name
// order.
std::vector<DetailReader::Job> jobsFor(const FolderInfo& f, RowKind kind) {
    std::vector<QString> paths;
    for (const auto& entry : fs::directory_iterator(f.path))
        if (entry.is_regular_file() && !entry.path().filename().string().starts_with("."))
            paths.push_back(
                tunewalk::fromNativePath(QByteArray::fromStdString(entry.path().string())));
    std::sort(paths.begin(), paths.end());
    std::vector<DetailReader::Job> jobs;
    for (const QString& path : paths) {
        const tunewalk::NativeFileInfo info = tunewalk::nativeFileInfo(path);
        jobs.push_back({path, kind, info.size, info.modifiedNs, info.inode, info.changedNs});
    }
    return jobs;
}

struct Outcome {
    double ms = -1, cpuMs = 0; // -1: the run did not finish in time
    std::vector<DetailReader::Result> results;
};

// One run of the reader over the jobs, from start() until `finished` with every result taken,
// storing what it read in a new details cache at `database`.
Outcome readAll(std::vector<DetailReader::Job> jobs, const QString& database) {
    DetailReader reader;
    Outcome out;
    bool finished = false;
    const auto takeAll = [&] {
        for (DetailReader::Result& r : reader.take(SIZE_MAX))
            out.results.push_back(std::move(r));
    };
    QObject::connect(&reader, &DetailReader::resultsReady, &reader, takeAll);
    QObject::connect(&reader, &DetailReader::finished, &reader, [&] { finished = true; });
    DetailReader::Options options; // as the listing starts it: the cache on, every tag
    options.databasePath = database;
    const double cpuBefore = cpuMs();
    const auto start = Clock::now();
    reader.start(std::move(jobs), options);
    if (!waitFor([&] { return finished; }, kWaitLimitMs)) return out;
    takeAll();
    out.ms = msBetween(start, Clock::now());
    out.cpuMs = cpuMs() - cpuBefore;
    return out;
}

// Whether every file shows what its tag holds: the long title (beyond ID3v1's 30 characters),
// artist, album, genre, track, year, its format and sample rate, and exactly the tenth with a
// cover; an empty text when it does.
std::string check(const Outcome& o, const FolderInfo& f) {
    if (o.results.size() != static_cast<std::size_t>(f.files))
        return std::to_string(o.results.size()) + " results, expected " + std::to_string(f.files);
    long covers = 0, bare = 0;
    QString first;
    for (const DetailReader::Result& r : o.results) {
        const tunewalk::AudioDetails& d = r.details;
        covers += d.hasCover;
        if (d.title.size() <= 30 || d.artist.isEmpty() || d.tagTexts().album.isEmpty() ||
            d.tagTexts().genre.isEmpty() || !d.track || !d.year || d.format.isEmpty() ||
            !d.sampleRate)
            if (!bare++) first = r.key;
    }
    if (bare)
        return std::to_string(bare) + " file(s) without all their tag fields, the first " +
               first.toStdString();
    if (covers != f.covers)
        return std::to_string(covers) + " covers, expected " + std::to_string(f.covers);
    return {};
}

// Microseconds a file of the jobs costs on this thread in `read`, over the warm files.
template <typename Read> double perFileUs(const std::vector<DetailReader::Job>& jobs, Read read) {
    const auto start = Clock::now();
    for (const DetailReader::Job& job : jobs)
        read(job, tunewalk::toNativePath(job.key).toStdString());
    return msBetween(start, Clock::now()) * 1000 / static_cast<double>(jobs.size());
}

struct Options {
    QString corpus;
    int repetitions = 5;
    long files = 10000;
    bool drop = true;
};

int run(const Options& o) {
    const fs::path root =
        QDir::cleanPath(o.corpus.isEmpty() ? QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/../bench-tags")
                                           : o.corpus)
            .toStdString();
    QTemporaryDir scratch; // the details caches of the runs
    if (!scratch.isValid()) return std::fprintf(stderr, "cannot make a temporary folder\n"), 1;
    std::printf("Tunewalk tag-reading benchmark: %d repetitions, %ld files a folder\n",
                o.repetitions, o.files);
    const bool canDrop = o.drop && dropPageCache();
    std::printf("  page cache %s\n",
                canDrop  ? "dropped before each cold run (/proc/sys/vm/drop_caches)"
                : o.drop ? "NOT dropped (this process may not write /proc/sys/vm/drop_caches): "
                           "the cold runs read from a warm page cache"
                         : "not dropped (--no-drop): the cold runs read from a warm page cache");
    std::vector<TableRow> table;
    int wrong = 0;
    for (const Case& c : kCases) {
        const auto made = Clock::now();
        const FolderInfo f = prepareFolder(root, o.files, c.folder);
        std::printf("\n%s: %s, %ld files, %ld with a cover (%s in %.1f s)\n", c.name,
                    f.path.c_str(), f.files, f.covers, f.made ? "generated" : "reused",
                    msBetween(made, Clock::now()) / 1000);
        // Each target is for 10,000 files; another count scales it.
        const double target = c.targetMs * static_cast<double>(o.files) / 10000;
        TableRow cold{c.name, "all details, cold", {}, target},
            coldCpu{"", "CPU time of a cold run", {}, -1},
            warm{"", "all details, warm page cache", {}, -1};
        for (int rep = 1; rep <= 2 * o.repetitions; ++rep) {
            const bool isCold = rep <= o.repetitions;
            if (isCold && canDrop) dropPageCache();
            const auto statStart = Clock::now();
            std::vector<DetailReader::Job> jobs = jobsFor(f, c.kind);
            const double statMs = msBetween(statStart, Clock::now());
            const Outcome out =
                readAll(std::move(jobs), scratch.filePath(QStringLiteral("cache-%1").arg(rep)));
            if (out.ms < 0) {
                std::printf("  run %d: did not finish within %d s\n", rep, kWaitLimitMs / 1000);
                ++wrong;
                continue;
            }
            std::printf("  %s %d: all details %7.1f ms, CPU %7.1f ms (stats before it %6.1f ms)\n",
                        isCold ? "cold" : "warm", isCold ? rep : rep - o.repetitions, out.ms,
                        out.cpuMs, statMs);
            if (const std::string problem = check(out, f); !problem.empty()) {
                std::printf("  WRONG: %s\n", problem.c_str());
                ++wrong;
            }
            (isCold ? cold : warm).values.push_back(out.ms);
            if (isCold) coldCpu.values.push_back(out.cpuMs);
            std::fflush(stdout);
        }
        table.insert(table.end(), {cold, coldCpu, warm});

        // The stages one file goes through, on this thread over the warm files.
        const std::vector<DetailReader::Job> jobs = jobsFor(f, c.kind);
        tunewalk::MP3TagEditor mp3;
        tunewalk::WAVInfo wav;
        const auto details = [&](const tunewalk::DetailOptions& options) {
            return perFileUs(jobs, [&](const DetailReader::Job& job, const std::string&) {
                return readAudioDetails(job.key, job.kind, job.size, mp3, wav, options);
            });
        };
        tunewalk::TagReadOptions tagOptions; // as readAudioDetails asks for the kind
        tagOptions.audioProperties = c.kind != RowKind::MP3;
        const double all = details({}),
                     taglib = perFileUs(jobs, [&](auto&, const auto&path) {
                         return tunewalk::readAudioTags(path, nullptr, tagOptions);
                     });
        std::printf("  one thread, per file: all details %.1f us; TagLib alone %.1f us", all,
                    taglib);
        table.push_back({"", "one thread: all details a file", {all}, -1, "us"});
        table.push_back({"", "one thread: TagLib alone a file", {taglib}, -1, "us"});
        if (c.kind == RowKind::MP3) {
            const double own = details({false});
            std::printf("; own codec alone (all tags off) %.1f us", own);
            table.push_back({"", "one thread: own codec a file", {own}, -1, "us"});
        }
        std::printf("\n");
    }
    std::printf("\n  peak memory (VmHWM) %.1f MB\n",
                static_cast<double>(peakMemoryBytes()) / (1024.0 * 1024.0));
    printTable(table, canDrop ? "(worst of the runs; cold: no details cache, page cache dropped)"
                              : "(worst of the runs; cold: no details cache, page cache WARM)");
    if (wrong) {
        std::printf("\nFAILED: %d run(s) were wrong\n", wrong);
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    tunewalk::keepMemoryCompact(); // as the program does
    QCoreApplication app(argc, argv);
    Options o;
    bool ok = true;
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        const QString value = arg.section(QLatin1Char('='), 1);
        if (arg.startsWith(QLatin1String("--corpus=")))
            o.corpus = value;
        else if (arg.startsWith(QLatin1String("--repetitions=")))
            o.repetitions = value.toInt(&ok);
        else if (arg.startsWith(QLatin1String("--files=")))
            o.files = value.toLong(&ok);
        else if (arg == QLatin1String("--no-drop"))
            o.drop = false;
        else
            ok = false;
        if (!ok) break;
    }
    if (!ok || o.repetitions < 1 || o.files < 1) {
        std::fprintf(stderr, "usage: %s [--corpus=DIR] [--repetitions=N] [--files=N] [--no-drop]\n",
                     argv[0]);
        return 2;
    }
    try {
        return run(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tunewalk-bench-tags: %s\n", e.what());
        return 1;
    }
}
