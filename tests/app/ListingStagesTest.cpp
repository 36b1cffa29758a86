// A listing that never waits on storage: names first, values as they come, a worker stuck on a
// dead folder left behind, the details cache, and a list that follows other programs.
#include "Form1Fixture.h"
#include "TestFiles.h"
#include "app/listing/DetailReader.h"
#include "app/listing/FolderScan.h"

#include <QProcess>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>

namespace tunewalk {
namespace {

using fixtures::id3v1Tag;

// Holds workers at a seam until the test lets them go, and knows how many wait there.
class Gate {
public:
    void wait(const QString& name) {
        std::unique_lock lock(m_mutex);
        ++m_waiting;
        m_changed.wait(lock, [&] { return m_open.count(name) > 0; });
        --m_waiting;
        m_changed.notify_all();
    }
    void open(const QString& name) {
        std::lock_guard lock(m_mutex);
        m_open.insert(name);
        m_changed.notify_all();
    }
    int waiting() {
        std::lock_guard lock(m_mutex);
        return m_waiting;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::set<QString> m_open;
    int m_waiting = 0;
};

class ListingStagesTest : public Form1Test {
protected:
    void TearDown() override {
        // No worker may still be inside a hook when it goes.
        EXPECT_TRUE(waitUntil([&] { return gate.waiting() == 0; }));
        QTest::qWait(20);
        FolderScan::setBeforeReadingHook(nullptr);
        FolderScan::setBeforeStatHook(nullptr);
        Form1Test::TearDown();
    }
    void shell(const QString& script) {
        QProcess sh;
        sh.setWorkingDirectory(music());
        sh.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
        ASSERT_TRUE(sh.waitForFinished());
        ASSERT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    }
    Gate gate;
};

TEST_F(ListingStagesTest, AListingStuckOnItsFolderIsLeftBehindNeverWaitedFor) {
    start();
    mkdir("dead");
    writeMp3("dead/never.mp3");
    mkdir("live");
    writeMp3("live/song.mp3", 100, id3v1Tag("Song"));
    const QString dead = path("dead");
    FolderScan::setBeforeReadingHook([&, dead](const QString& folder) {
        if (folder == dead) gate.wait(folder);
    });

    form->PopulateList(dead);
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 1; }));
    EXPECT_TRUE(form->isFillingDetails());
    // Another folder lists to the end while the first worker still hangs.
    list(path("live"));
    EXPECT_EQ(gate.waiting(), 1);
    EXPECT_EQ(names(), QStringList{"song.mp3"});
    EXPECT_EQ(row(0)->cell(Col::Track), "Song");

    // Let go, the old worker's names never reach the list.
    gate.open(dead);
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 0; }));
    QTest::qWait(50);
    EXPECT_EQ(names(), QStringList{"song.mp3"});
    EXPECT_EQ(form->folder(), path("live"));

    // Nor does closing the window wait for one.
    FolderScan::setBeforeReadingHook([&](const QString& folder) { gate.wait(folder + "/again"); });
    form->PopulateList(dead);
    ASSERT_TRUE(waitUntil([&] { return gate.waiting() == 1; }));
    form.reset();
    gate.open(dead + "/again");
}

TEST_F(ListingStagesTest, PendingValuesAreBlankSortAsEmptyAndMoveNoRowUntilTheyAreIn) {
    start();
    mkdir("d");
    writeMp3("a.mp3", 100);
    writeMp3("b.mp3", 300);
    writeMp3("c.mp3", 200);
    FolderScan::setBeforeStatHook([&](const QString& name) {
        if (name != "a.mp3" && name != "d") gate.wait(name);
    });
    form->PopulateList(music());
    ASSERT_TRUE(waitUntil([&] {
        const Row a = rowNamed("a.mp3");
        return a && !a->cell(Col::Size).isEmpty();
    }));
    // Every name is there at once; b and c wait for their values, shown blank.
    EXPECT_EQ(names(), (QStringList{"d", "a.mp3", "b.mp3", "c.mp3"}));
    EXPECT_EQ(
        QStringList({rowNamed("b.mp3")->cell(Col::Size), rowNamed("b.mp3")->cell(Col::Modified),
                     rowNamed("b.mp3")->cell(Col::Track)}),
        (QStringList{"", "", ""}));
    EXPECT_FALSE(rowNamed("d")->cell(Col::Modified).isEmpty());

    // Sorted by size meanwhile, the pending rows come before the known ones.
    clickHeader(Col::Size);
    EXPECT_EQ(names(), (QStringList{"d", "b.mp3", "c.mp3", "a.mp3"}));

    // A value that arrives stays where it is until the last one is in; then the list sorts.
    gate.open("b.mp3");
    ASSERT_TRUE(waitUntil([&] { return !rowNamed("b.mp3")->cell(Col::Size).isEmpty(); }));
    EXPECT_EQ(names(), (QStringList{"d", "b.mp3", "c.mp3", "a.mp3"}));
    gate.open("c.mp3");
    waitForDetails();
    EXPECT_EQ(names(), (QStringList{"d", "a.mp3", "c.mp3", "b.mp3"}));
}

TEST_F(ListingStagesTest, DetailsComeFromTheCacheUnlessChangedRefreshedOrSwitchedOff) {
    start();
    writeMp3("one.mp3", 100, id3v1Tag("One"));
    writeMp3("two.mp3", 100, id3v1Tag("Two"));
    mkdir("other");
    list(music());
    auto opensWhileListing = [&](const std::function<void()>& listIt) {
        list(path("other"));
        const qint64 before = DetailReader::filesOpened();
        listIt();
        waitForDetails();
        return DetailReader::filesOpened() - before;
    };
    EXPECT_EQ(opensWhileListing([&] { form->PopulateList(music()); }), 0);
    EXPECT_EQ(rowNamed("two.mp3")->cell(Col::Track), "Two");

    // A file written since is read again, the rest still come from the cache.
    writeMp3("two.mp3", 120, id3v1Tag("Second"));
    EXPECT_EQ(opensWhileListing([&] { form->PopulateList(music()); }), 1);
    EXPECT_EQ(rowNamed("two.mp3")->cell(Col::Track), "Second");

    // So is one rewritten in place with its modification time put back, as a tag editor that
    // keeps times leaves it: same size, same time, same inode.
    list(path("other"));
    {
        const std::filesystem::path one = QFile::encodeName(path("one.mp3")).toStdString();
        const auto time = std::filesystem::last_write_time(one);
        writeMp3("one.mp3", 100, id3v1Tag("Uno"));
        std::filesystem::last_write_time(one, time);
    }
    EXPECT_EQ(opensWhileListing([&] { form->PopulateList(music()); }), 1);
    EXPECT_EQ(rowNamed("one.mp3")->cell(Col::Track), "Uno");

    // Refresh reads every file of the folder.
    const qint64 before = DetailReader::filesOpened();
    form->command("mnuRefresh")->trigger();
    waitForDetails();
    EXPECT_EQ(DetailReader::filesOpened() - before, 2);

    // Switched off, every listing reads the files, and the choice is kept.
    form->command("mnuDetailsCache")->trigger();
    EXPECT_EQ(setting("DetailsCache"), "False");
    EXPECT_EQ(opensWhileListing([&] { form->PopulateList(music()); }), 2);

    // A damaged cache file is set aside without a word, and rebuilt.
    form->command("mnuDetailsCache")->trigger();
    const QString cacheFile = root.filePath("cache/Tunewalk/details.sqlite");
    ASSERT_TRUE(QFileInfo::exists(cacheFile));
    writeTestFile(cacheFile, "this is no database");
    EXPECT_EQ(opensWhileListing([&] { form->PopulateList(music()); }), 2);
    EXPECT_EQ(opensWhileListing([&] { form->PopulateList(music()); }), 0);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ListingStagesTest, TheListFollowsOtherProgramsAndKeepsSelectionAndPlayOrder) {
    start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        writeMp3(name, 100, id3v1Tag(name));
    list(music());
    // A play order and a selection that the changes must not disturb.
    select({"c.mp3"});
    form->moveUp();
    form->moveUp();
    ASSERT_EQ(names(), (QStringList{"c.mp3", "a.mp3", "b.mp3"}));
    int listings = 0;
    QObject::connect(form.get(), &Form1::listed, form.get(), [&] { ++listings; });

    shell(QStringLiteral("cp a.mp3 new.mp3 && mv b.mp3 renamed.mp3"));
    ASSERT_TRUE(waitUntil([&] { return rowNamed("renamed.mp3") && rowNamed("new.mp3"); }));
    waitForDetails();
    EXPECT_EQ(rowNamed("b.mp3"), nullptr);
    EXPECT_EQ(rowNamed("new.mp3")->cell(Col::Track), "a.mp3");

    // Rewritten in place (a tag editor's save): the row's details follow.
    const qint64 size = rowNamed("c.mp3")->entry()->size;
    shell(
        QStringLiteral("printf 'TAGRewritten' | dd of=c.mp3 bs=1 seek=%1 conv=notrunc 2>/dev/null")
            .arg(size - 128));
    ASSERT_TRUE(waitUntil([&] { return rowNamed("c.mp3")->cell(Col::Track) == "Rewritten"; }));

    shell(QStringLiteral("rm a.mp3"));
    ASSERT_TRUE(waitUntil([&] { return rowNamed("a.mp3") == nullptr; }));
    // The order stays, and what came joins it at the end.
    QStringList order = names();
    EXPECT_EQ(order.takeFirst(), "c.mp3");
    order.sort();
    EXPECT_EQ(order, (QStringList{"new.mp3", "renamed.mp3"}));
    EXPECT_TRUE(form->playOrderOn());
    EXPECT_TRUE(rowNamed("c.mp3")->isSelected());
    EXPECT_EQ(form->currentRow(), rowNamed("c.mp3"));
    EXPECT_EQ(listings, 0) << "changes are applied row by row, never by listing again";

    // The program's own rename is applied once: its row already matches the disk, so the
    // watcher's report of it reads nothing and lists nothing.
    const qint64 opened = DetailReader::filesOpened();
    form->renameRow(rowNamed("new.mp3")->key, "own.mp3");
    ASSERT_NE(rowNamed("own.mp3"), nullptr);
    QTest::qWait(300); // the watcher gathers its reports over a moment
    waitForDetails();
    EXPECT_EQ(DetailReader::filesOpened() - opened, 0);
    EXPECT_EQ(listings, 0);
    EXPECT_EQ(names().size(), 3);
}

} // namespace
} // namespace tunewalk
