#include "shell/Volumes.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
        EXPECT_FALSE(volume.root.startsWith(QLatin1String("/proc/")));
        EXPECT_FALSE(volume.root.startsWith(QLatin1String("/sys/")));
        EXPECT_FALSE(volume.root.startsWith(QLatin1String("/dev/")));
        const QStringList keys = {"Drive", "Floppy", "NetDrive", "CD"};
        EXPECT_TRUE(keys.contains(volume.iconKey)) << volume.iconKey.toStdString();
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
    EXPECT_FALSE(isVolumeRoot(dir.path()));
    EXPECT_FALSE(isVolumeRoot(dir.path() + "/"));
    EXPECT_FALSE(isVolumeRoot("/proc"));
    EXPECT_FALSE(isVolumeRoot(""));
}
