// The details cache and the detail reader's abandoned workers.
#include "app/listing/DetailsCache.h"
#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "TempDir.h"
#include "app/listing/DetailReader.h"
#include "common/NativePath.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <utility>

namespace tunewalk {
namespace {

namespace fs = std::filesystem;
using Job = DetailReader::Job;

class DetailsCacheTest : public ::testing::Test {
protected:
    QString path(const std::string& name) const { return fromFsPath(dir / name); }
    // An MP3 file whose bytes are the same length for every four-letter title.
    QString writeMp3(const std::string& name, const char* title) {
        fixtures::writeFile(dir / name, fixtures::mpegFrames({}, 40) + fixtures::id3v1Tag(title));
        return path(name);
    }
    // The same length and modification time, other bytes, as a tag editor that keeps times
    // leaves a file: only the change time tells.
    QString retitle(const std::string& name, const char* title) {
        const auto time = fs::last_write_time(dir / name);
        writeMp3(name, title);
        fs::last_write_time(dir / name, time);
        return path(name);
    }
    static Job job(const QString& file) {
        const NativeFileInfo info = nativeFileInfo(file);
        return {file, RowKind::MP3, info.size, info.modifiedNs, info.inode, info.changedNs};
    }
    DetailReader::Options options(bool useCache = true, bool reread = false) const {
        return {useCache, reread, db, {}};
    }
    // The titles a whole run delivers, in name order (files are read several at a time).
    static QStringList titles(const std::vector<Job>& jobs, const DetailReader::Options& options) {
        DetailReader reader;
        bool finished = false;
        QObject::connect(&reader, &DetailReader::finished, [&] { finished = true; });
        reader.start(jobs, options);
        EXPECT_TRUE(waitUntil([&] { return finished; }));
        QStringList out;
        for (const auto& result : reader.take(jobs.size()))
            out << result.details.title;
        out.sort();
        return out;
    }

    TempDir dir;
    QString db = path("cache/details.sqlite");
};

TEST_F(DetailsCacheTest, HitsComeBackUnopenedUntilTheFileChanges) {
    const std::string raw = "caf\xe9.mp3"; // not valid UTF-8
    const std::vector<Job> first{job(writeMp3("a.mp3", "Song")), job(writeMp3(raw, "Raw1"))};
    EXPECT_EQ(titles(first, options()), (QStringList{"Raw1", "Song"}));

    const qint64 opened = DetailReader::filesOpened();
    EXPECT_EQ(titles({job(path("a.mp3")), job(path(raw))}, options()),
              (QStringList{"Raw1", "Song"}));
    EXPECT_EQ(DetailReader::filesOpened(), opened);

    EXPECT_EQ(titles({job(retitle("a.mp3", "Tune")), job(retitle(raw, "Raw2"))}, options()),
              (QStringList{"Raw2", "Tune"}))
        << "rewritten with the time put back";
}

// A job that still carries the file's old stat is one the cache would answer: refresh reads it
// all the same, and a run with the cache off leaves nothing to answer it with.
TEST_F(DetailsCacheTest, RefreshRereadsAndSwitchedOffStoresNothing) {
    const Job a = job(writeMp3("a.mp3", "Song"));
    titles({a}, options());
    retitle("a.mp3", "Tune");
    EXPECT_EQ(titles({a}, options()), QStringList{"Song"});
    EXPECT_EQ(titles({a}, options(true, true)), QStringList{"Tune"});
    EXPECT_EQ(titles({a}, options()), QStringList{"Tune"}); // stored anew

    const Job b = job(writeMp3("b.mp3", "Song"));
    titles({b}, options(false));
    retitle("b.mp3", "Tune");
    EXPECT_EQ(titles({b}, options()), QStringList{"Tune"});
}

TEST_F(DetailsCacheTest, DamagedDatabaseIsSetAsideAndRebuilt) {
    QDir().mkpath(QFileInfo(db).path());
    for (int i = 0; i < 4; ++i) {
        fixtures::writeFile(toFsPath(db), std::string(4096, char('x' + i)));
        EXPECT_EQ(titles({job(writeMp3("a.mp3", "Song"))}, options()), QStringList{"Song"});
    }
    const Job a = job(path("a.mp3"));
    retitle("a.mp3", "Tune");
    EXPECT_EQ(titles({a}, options()), QStringList{"Song"}) << "the rebuilt cache answers";
    // The damaged files are kept for a look, but only the latest two.
    EXPECT_EQ(QDir(QFileInfo(db).path()).entryList({"details.sqlite.broken-*"}).size(), 2);
}

TEST_F(DetailsCacheTest, KeepsRawNamesAndPrunesTheLeastRecentlyUsed) {
    const QString folder = path("");
    {
        DetailsCache cache(db);
        for (const char* name : {"old.mp3", "mid\xff.mp3", "new.mp3"}) {
            cache.store(
                {{folder + fromNativePath(name), {1, 2, 3, RowKind::MP3, {"T", "A", 4000, 128}}}});
            QThread::msleep(2); // a later use time for the next
        }
    }
    DetailsCache pruned(db, 2);
    const auto found = pruned.lookupFolder(folder);
    EXPECT_EQ(found.size(), 2);
    EXPECT_TRUE(found.contains("new.mp3"));
    const auto raw = found.find(fromNativePath("mid\xff.mp3"));
    ASSERT_NE(raw, found.end());
    EXPECT_EQ(raw->details.artist, "A");
    EXPECT_EQ(raw->details, (AudioDetails{"T", "A", 4000, 128}));

    // Every field comes back as stored, the largest numbers and a FLAC's texts included.
    AudioDetails full{"T",   "A",  4000, 900, 192000, sharedFormatName("FLAC"), 65535, 65535, 65535,
                      65535, 2024, 8,    32,  true};
    full.setTagTexts({"Album", "Album Artist", "Genre", "", "Composer"});
    pruned.store({{folder + "full.flac", {1, 2, 3, RowKind::FLAC, full, 4, 5}}});
    const auto back = pruned.lookupFolder(folder).value("full.flac");
    EXPECT_EQ(back.details, full);
    EXPECT_EQ(back.kind, RowKind::FLAC);
    EXPECT_EQ(back.variant, 5);
}

// A worker held on its second row, as on a dead mount: cancelling, a new run and destroying
// the reader return at once, and nothing of the old run arrives.
TEST_F(DetailsCacheTest, AbandonedWorkerIsNeitherWaitedForNorHeard) {
    const std::vector<Job> jobs{job(writeMp3("a.mp3", "Song")), job(writeMp3("b.mp3", "Band"))};
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> held{0};
    auto token = std::make_shared<int>(); // lives as long as the workers' options
    const std::weak_ptr<int> alive = token;
    auto holding = options();
    holding.beforeEachRow = [&held, released, token](const Job& j) {
        if (!j.key.endsWith("b.mp3")) return;
        ++held;
        released.wait();
    };
    token.reset();
    // A reader that waited would be freed only by this.
    std::promise<void> measured;
    std::thread rescue([&, done = measured.get_future()] {
        done.wait_for(std::chrono::seconds(3));
        release.set_value();
    });
    QElapsedTimer clock;
    clock.start();
    {
        auto doomed = std::make_unique<DetailReader>();
        doomed->start(jobs, holding);
        ASSERT_TRUE(waitUntil([&] { return held == 1; }));
        doomed.reset();
    }
    DetailReader reader;
    reader.start(jobs, std::exchange(holding, {}));
    ASSERT_TRUE(waitUntil([&] { return held == 2; }));
    reader.cancel();
    bool finished = false;
    QObject::connect(&reader, &DetailReader::finished, [&] { finished = true; });
    reader.start({jobs[1]}, options());
    EXPECT_TRUE(waitUntil([&] { return finished; }));
    EXPECT_LT(clock.elapsed(), 2000);
    measured.set_value();
    rescue.join();
    EXPECT_TRUE(waitUntil([&] { return alive.expired(); })); // the held workers ended
    QStringList keys;
    for (const auto& result : reader.take(10))
        keys << QFileInfo(result.key).fileName();
    EXPECT_EQ(keys, QStringList{"b.mp3"});
}

} // namespace
} // namespace tunewalk
