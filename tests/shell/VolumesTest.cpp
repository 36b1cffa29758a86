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
