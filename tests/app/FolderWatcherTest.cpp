// The listed folder's watcher, with another process changing real folders.
#include "app/listing/FolderWatcher.h"

#include "EventLoopWait.h"
#include "TempDir.h"
#include "common/NativePath.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

void runShell(const QString& folder, const QString& script) {
    QProcess shell;
    shell.setWorkingDirectory(folder);
    shell.start("sh", {"-c", script});
    ASSERT_TRUE(shell.waitForFinished(10000));
    ASSERT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
}

// The names reported so far, without the probe's.
QStringList reported(const QSignalSpy& spy) {
    QStringList names;
    for (const auto& emission : spy)
        names += emission.at(0).toStringList();
    names.removeAll("probe");
    return names;
}

// The watch is added on a worker: once a write to "probe" is reported, it is in place. A write
// to a file that exists leaves the folder's own time alone.
void waitUntilWatching(const QString& folder, QSignalSpy& names) {
    const auto probed = [&] {
        for (const auto& emission : names)
            if (emission.at(0).toStringList().contains("probe")) return true;
        return false;
    };
    for (int attempt = 0; attempt < 40; ++attempt) {
        QFile probe(folder + "/probe");
        ASSERT_TRUE(probe.open(QIODevice::Append));
        probe.write("x");
        probe.close();
        if (waitUntil(probed, 250)) {
            names.clear();
            return;
        }
    }
    FAIL() << "the watch never reported the probe";
}

TEST(FolderWatcher, NamesWhatAnotherProgramChangedOnceEach) {
    TempDir temp;
    const QString dir = fromFsPath(temp.path());
    runShell(dir, "printf x > kept.mp3; printf x > old.mp3; printf x > gone.mp3");
    FolderWatcher watcher;
    QSignalSpy spy(&watcher, &FolderWatcher::entriesChanged);
    watcher.watch(dir);
    waitUntilWatching(dir, spy);

    // A tag editor rewrites in place (kept.mp3); a name that is not valid text keeps its bytes.
    runShell(dir, "touch new.mp3; printf y >> kept.mp3; mv old.mp3 renamed.mp3; rm gone.mp3; "
                  "touch \"$(printf 'caf\\351.mp3')\"");
    const QSet<QString> expected{"new.mp3",     "kept.mp3", "old.mp3",
                                 "renamed.mp3", "gone.mp3", fromNativePath("caf\xe9.mp3")};
    const auto all = [&] {
        const QStringList names = reported(spy);
        return QSet<QString>(names.begin(), names.end());
    };
    EXPECT_TRUE(waitUntil([&] { return all() == expected; }, 5000))
        << displayPath(reported(spy).join(", ")).toStdString();
    for (const auto& emission : spy) {
        const QStringList names = emission.at(0).toStringList();
        EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
    }
}

TEST(FolderWatcher, FollowsOnlyTheFolderLastAsked) {
    TempDir firstTemp, secondTemp;
    const QString first = fromFsPath(firstTemp.path()), second = fromFsPath(secondTemp.path());
    FolderWatcher watcher;
    QSignalSpy spy(&watcher, &FolderWatcher::entriesChanged);
    watcher.watch(first);
    waitUntilWatching(first, spy);
    watcher.watch(second);
    waitUntilWatching(second, spy);

    runShell(first, "touch old.mp3");
    runShell(second, "touch new.mp3");
    EXPECT_TRUE(waitUntil([&] { return reported(spy).contains("new.mp3"); }, 5000));
    spy.wait(200); // anything of the first folder would have come by now
    EXPECT_EQ(reported(spy), QStringList{"new.mp3"});

    spy.clear();
    watcher.watch("");
    EXPECT_TRUE(watcher.folder().isEmpty());
    runShell(second, "touch later.mp3");
    EXPECT_FALSE(spy.wait(500));
}

TEST(FolderWatcher, PeriodicCheckReportsAChangedFolderTimeOnce) {
    TempDir temp;
    const QString dir = fromFsPath(temp.path());
    runShell(dir, "touch probe");
    FolderWatcher watcher;
    watcher.checkPeriodically(50);
    QSignalSpy names(&watcher, &FolderWatcher::entriesChanged);
    QSignalSpy changed(&watcher, &FolderWatcher::folderChanged);
    watcher.watch(dir);
    waitUntilWatching(dir, names);
    EXPECT_EQ(changed.count(), 0);

    // inotify names no entry for this, as it names none for a change made on another machine.
    runShell(dir, "touch -d '2001-02-03 04:05:06' .");
    EXPECT_TRUE(changed.wait(5000));
    changed.clear();
    EXPECT_FALSE(changed.wait(300));
}

TEST(FolderWatcher, ReportsTheFolderDeletedOrMovedAway) {
    TempDir temp;
    const QString parent = fromFsPath(temp.path()), folder = parent + "/watched";
    for (const QString script : {"rm -r watched", "mv watched elsewhere"}) {
        ASSERT_TRUE(QDir(parent).mkdir("watched"));
        FolderWatcher watcher;
        QSignalSpy names(&watcher, &FolderWatcher::entriesChanged);
        QSignalSpy gone(&watcher, &FolderWatcher::folderGone);
        watcher.watch(folder);
        waitUntilWatching(folder, names);
        runShell(parent, script);
        EXPECT_TRUE(gone.wait(5000)) << script.toStdString();
    }
}

} // namespace
} // namespace tunewalk
