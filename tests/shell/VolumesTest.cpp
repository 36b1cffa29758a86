#include "shell/Volumes.h"
#include "EventLoopWait.h"

#include <QDir>
#include <QTemporaryDir>
#include <future>
#include <gtest/gtest.h>
#include <memory>

using namespace tunewalk;

TEST(Volumes, RootFirstNoPseudoFileSystemsEveryRootEndsWithASeparator) {
    const QList<Volume> volumes = mountedVolumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.front().root.toStdString(), "/");
    EXPECT_TRUE(volumes.front().ready);

    QStringList roots;
    for (const Volume& volume : volumes) {
        SCOPED_TRACE(volume.root.toStdString());
        roots << volume.root;
        EXPECT_TRUE(volume.root.endsWith(QLatin1Char('/')));
        for (const char* pseudo : {"/proc/", "/sys/", "/dev/"})
            EXPECT_FALSE(volume.root.startsWith(pseudo));
        EXPECT_TRUE(QStringList({"Drive", "Floppy", "NetDrive", "CD"}).contains(volume.iconKey))
            << volume.iconKey.toStdString();
    }
    EXPECT_EQ(roots.removeDuplicates(), 0);
}

TEST(Volumes, RootIsRecognisedWithOrWithoutItsSeparator) {
    EXPECT_TRUE(isVolumeRoot("/"));
    for (const Volume& volume : mountedVolumes()) {
        EXPECT_TRUE(isVolumeRoot(volume.root)) << volume.root.toStdString();
        QString bare = volume.root;
        if (bare.size() > 1) bare.chop(1);
        EXPECT_TRUE(isVolumeRoot(bare)) << bare.toStdString();
    }

    QTemporaryDir dir;
    for (const QString& other : {dir.path(), dir.path() + "/", QString("/proc"), QString()})
        EXPECT_FALSE(isVolumeRoot(other)) << other.toStdString();
}

TEST(Volumes, AMountThatDoesNotAnswerInTimeIsNotReadyAndHoldsUpNoOther) {
    // "/dead/" hangs like a dead network mount; "/file/" is a bound file, no volume at all.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    const VolumeCheck check = [released](Volume volume) -> std::optional<Volume> {
        if (volume.root == "/dead/") released.wait();
        if (volume.root == "/file/") return std::nullopt;
        volume.label = "Label of " + volume.root;
        return volume;
    };
    const QList<Volume> mounts{{"/live/", "Drive", "/live/", true},
                               {"/dead/", "NetDrive", "/dead/", true},
                               {"/file/", "Drive", "/file/", true}};
    QList<QList<Volume>> calls;
    QObject context;
    gatherVolumes(mounts, check, 200, &context, [&calls](QList<Volume> found) { calls << found; });
    ASSERT_TRUE(waitUntil([&calls] { return !calls.isEmpty(); }));
    ASSERT_EQ(calls.front().size(), 2);
    EXPECT_EQ(calls.front()[0].label.toStdString(), "Label of /live/");
    EXPECT_TRUE(calls.front()[0].ready);
    EXPECT_EQ(calls.front()[1].root.toStdString(), "/dead/");
    EXPECT_FALSE(calls.front()[1].ready);

    // The late answer, and one for a context that is gone, reach no one.
    auto gone = std::make_unique<QObject>();
    gatherVolumes(mounts, check, 200, gone.get(),
                  [&calls](QList<Volume> found) { calls << found; });
    gone.reset();
    release.set_value();
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(calls.size(), 1);
}
