// The listing's stages on a real folder, without a window: names, then sizes and times, then
// details; a listing stuck on its folder left behind; other programs' changes followed; a
// folder that is not there.
#include "app/listing/FolderListing.h"
#include "app/listing/FolderModel.h"
#include "app/listing/FolderScan.h"
#include "app/listing/FolderSortModel.h"
#include "app/playorder/PlayOrder.h"
#include "common/Detached.h"
#include "common/NativePath.h"

#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "TempDir.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <atomic>
#include <cerrno>
#include <future>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

namespace fs = std::filesystem;
using namespace fixtures;

// The details cache of each test is its own: the user's cache folder points into its folder.
class CacheHome {
public:
    explicit CacheHome(const fs::path& folder)
        : m_was(qgetenv("XDG_CACHE_HOME")), m_set(qEnvironmentVariableIsSet("XDG_CACHE_HOME")) {
        qputenv("XDG_CACHE_HOME", toNativePath(fromFsPath(folder / "cache")));
    }
    ~CacheHome() { m_set ? qputenv("XDG_CACHE_HOME", m_was) : qunsetenv("XDG_CACHE_HOME"); }

private:
    QByteArray m_was;
    bool m_set;
};

class FolderListingTest : public ::testing::Test {
protected:
    FolderListingTest() {
        fs::create_directory(dir / "music");
        const auto record = [this](const char* name) {
            return [this, name] {
                stages << name;
                seen.emplace_back();
                for (int i = 0; i < order.rowCount(); ++i)
                    seen.back().push_back(order.entryAt(i));
            };
        };
        QObject::connect(&listing, &FolderListing::namesRead, record("namesRead"));
        QObject::connect(&listing, &FolderListing::listed, record("listed"));
        QObject::connect(&listing, &FolderListing::statsFilled, record("statsFilled"));
        QObject::connect(&listing, &FolderListing::detailsFilled, record("detailsFilled"));
    }
    void TearDown() override {
        if (!released) release.set_value();
        EXPECT_TRUE(waitUntil([&] { return stuck == 0; }));
        FolderScan::setBeforeReadingHook(nullptr);
    }

    QString music(const std::string& name = {}) const {
        return fromFsPath(name.empty() ? dir / "music" : dir / "music" / name);
    }
    void mp3(const std::string& name, std::string_view title, int frames = 40) {
        writeFile(dir / "music" / name, mpegFrames({}, frames) + id3v1Tag(title, "Art"));
    }
    bool list(const QString& folder) {
        listing.list(folder, music(), {}, {});
        return waitUntil([&] { return !listing.isBusy(); });
    }
    // Every worker has ended and what it sent back has arrived.
    static bool workersDone() {
        if (!waitForDetached(20000)) return false;
        QCoreApplication::processEvents();
        return true;
    }
    QStringList shown() const {
        QStringList names;
        for (int i = 0; i < order.rowCount(); ++i)
            names << order.entryAt(i).name;
        return names;
    }
    const ListEntry* entry(const std::string& name) const { return rows.find(music(name)); }

    TempDir dir;
    CacheHome cache{dir.path()};
    FolderModel rows;
    FolderSortModel order{rows};
    PlayOrder playOrder{rows, order};
    FolderListing listing{rows, order, playOrder};
    QStringList stages;                       // the listing's signals, in order
    std::vector<std::vector<ListEntry>> seen; // the rows as each of them found them

    // A folder read that hangs, as on a dead mount, until released.
    std::promise<void> release;
    std::shared_future<void> releasing = release.get_future().share();
    bool released = false;
    std::atomic<int> stuck{0};
};

TEST_F(FolderListingTest, NamesThenSizesAndTimesThenDetailsEachStageSignalled) {
    fs::create_directory(dir / "music" / "sub");
    mp3("b.mp3", "Bee");
    writeFile(dir / "music" / "a.wav", wavFile({})); // one second
    writeFile(dir / "music" / "empty.mp3", "");      // plays nothing: goes with its stat
    writeFile(dir / "music" / "notes.txt", "not listed");
    ASSERT_TRUE(list(music()));

    ASSERT_EQ(stages, (QStringList{"namesRead", "listed", "statsFilled", "detailsFilled"}));
    EXPECT_TRUE(seen[0].empty());
    const auto names = [](const std::vector<ListEntry>& entries) {
        QStringList out;
        for (const ListEntry& e : entries)
            out << e.name;
        return out;
    };
    EXPECT_EQ(names(seen[1]), (QStringList{"sub", "a.wav", "b.mp3", "empty.mp3"}));
    for (const ListEntry& e : seen[1])
        EXPECT_FALSE(e.statIn || e.detailsIn) << e.name.toStdString();

    EXPECT_EQ(names(seen[2]), (QStringList{"sub", "a.wav", "b.mp3"}));
    for (const ListEntry& e : seen[2]) {
        const NativeFileInfo info = nativeFileInfo(e.key);
        EXPECT_TRUE(e.statIn && !e.detailsIn) << e.name.toStdString();
        EXPECT_EQ(e.modifiedNs, info.modifiedNs) << e.name.toStdString();
        if (e.isFile()) {
            EXPECT_EQ(e.size, info.size) << e.name.toStdString();
        }
    }

    const std::vector<ListEntry>& filled = seen[3];
    ASSERT_EQ(names(filled), (QStringList{"sub", "a.wav", "b.mp3"}));
    EXPECT_EQ(filled[1].details.lengthMs, 1000);
    const AudioDetails& b = filled[2].details;
    EXPECT_EQ(QStringList({b.title, b.artist, b.format}),
              QStringList({"Bee", "Art", "MPEG-1 Layer III"}));
    EXPECT_EQ(b.bitrate, 128);
    EXPECT_GT(filled[2].details.lengthMs, 0);
    EXPECT_TRUE(filled[1].detailsCurrent() && filled[2].detailsCurrent());
}

TEST_F(FolderListingTest, AListingStuckOnItsFolderIsLeftBehindAndNeverDelivers) {
    fs::create_directories(dir / "music" / "dead");
    fs::create_directories(dir / "music" / "live");
    mp3("dead/never.mp3", "Never");
    mp3("live/song.mp3", "Song");
    const QString dead = music("dead"), live = music("live");
    FolderScan::setBeforeReadingHook([this, dead](const QString& folder) {
        if (folder != dead) return;
        ++stuck;
        releasing.wait();
        --stuck;
    });
    listing.list(dead, music(), {}, {});
    ASSERT_TRUE(waitUntil([&] { return stuck == 1; }));
    EXPECT_TRUE(listing.isBusy());

    ASSERT_TRUE(list(live));
    EXPECT_EQ(stuck, 1);
    EXPECT_EQ(shown(), QStringList{"song.mp3"});
    EXPECT_EQ(entry("live/song.mp3")->details.title, "Song");

    stages.clear();
    release.set_value();
    released = true;
    ASSERT_TRUE(workersDone());
    EXPECT_EQ(shown(), QStringList{"song.mp3"});
    EXPECT_EQ(listing.folder(), live);
    EXPECT_EQ(stages, QStringList());
}

TEST_F(FolderListingTest, FilesOtherProgramsAddRemoveOrRewriteAreFollowedInThePlayOrder) {
    fs::create_directory(dir / "music" / "sub");
    mp3("a.mp3", "Aaa");
    mp3("b.mp3", "Bbb");
    ASSERT_TRUE(list(music()));
    ASSERT_TRUE(workersDone()); // the watch is in place
    bool moved = false;
    playOrder.move({music("b.mp3")}, true, &moved);
    playOrder.activate();
    ASSERT_EQ(shown(), (QStringList{"sub", "b.mp3", "a.mp3"}));

    mp3("c.mp3", "Ccc");
    fs::remove(dir / "music" / "a.mp3");
    mp3("b.mp3", "New", 80);
    ASSERT_TRUE(waitUntil([&] {
        const ListEntry *b = entry("b.mp3"), *c = entry("c.mp3");
        return !entry("a.mp3") && b && b->details.title == "New" && c && c->detailsIn &&
               !listing.isBusy();
    }));
    EXPECT_TRUE(order.playOrder());
    EXPECT_EQ(shown(), (QStringList{"sub", "b.mp3", "c.mp3"}));
    EXPECT_GT(entry("c.mp3")->sequence, entry("b.mp3")->sequence);
    EXPECT_EQ(entry("b.mp3")->size, nativeFileInfo(music("b.mp3")).size);
    EXPECT_EQ(entry("c.mp3")->details.title, "Ccc");
}

TEST_F(FolderListingTest, AFolderThatIsNotThereFailsAndTheListingStaysWhereItWas) {
    QSignalSpy failed(&listing, &FolderListing::failed);
    listing.list(music("gone"), music(), {}, {});
    ASSERT_TRUE(waitUntil([&] { return failed.count() == 1; }));
    EXPECT_EQ(failed[0], (QVariantList{music("gone"), music(), ENOENT}));
    EXPECT_EQ(listing.folder(), music());
    EXPECT_EQ(rows.folder(), music());
}

} // namespace
} // namespace tunewalk

// The details cache's SQLite driver is a plugin, which needs an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int code = RUN_ALL_TESTS();
    tunewalk::finishDetached(5000, code); // a worker a test left stuck must not crash the exit
    return code;
}
