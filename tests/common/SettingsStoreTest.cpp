#include "common/SettingsStore.h"

#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <ostream>

using tunewalk::Result;
using tunewalk::SettingsStore;

namespace {

QByteArray fileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SettingsStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("Tunewalk.conf"));
};

TEST_F(SettingsStoreTest, ValuesComeBackAsTheExactTextSaved) {
    // Commas would read back as a list, a leading '@' as a serialised variant.
    const QStringList values = {
        "True",       "4852.5",        "1, 2",         "1,2,3",
        "@x",         "@Variant(abc)", "  spaced  ",   "",
        "a=b;c #d",   "\"quoted\"",    "C:\\Music\\x", "/home/jörg/Müsik/日本の歌",
        "line\nbreak"};
    {
        SettingsStore store(file);
        for (int i = 0; i < values.size(); ++i)
            store.save("Settings", QStringLiteral("k%1").arg(i), values[i]);
    }
    SettingsStore reopened(file);
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(reopened.get("Settings", QStringLiteral("k%1").arg(i), "default"), values[i]);

    // Typed into the file by hand, unquoted: read back as the text it looked like.
    QFile typed(file);
    ASSERT_TRUE(typed.open(QIODevice::Append));
    typed.write("[Typed]\nk=a, b\n");
    typed.close();
    EXPECT_EQ(SettingsStore(file).get("Typed", "k", "default"), "a, b");
}

TEST_F(SettingsStoreTest, AbsentOrRemovedKeysGiveTheDefault) {
    SettingsStore store(file);
    EXPECT_EQ(store.get("Settings", "Missing", "fallback"), "fallback");

    store.save("Position", "Left", "4852.5");
    EXPECT_EQ(store.get("Settings", "Left", "fallback"), "fallback") << "sections are separate";
    store.remove("Position", "Left");
    EXPECT_EQ(store.get("Position", "Left", "fallback"), "fallback");
    EXPECT_FALSE(fileText(file).contains("4852.5")) << "removal reached the file";
}

TEST_F(SettingsStoreTest, WritesThroughAtOnce) {
    SettingsStore writer(file);
    writer.save("Settings", "AlwaysOnTop", SettingsStore::yesNo(true));

    EXPECT_TRUE(fileText(file).contains("AlwaysOnTop=True")) << fileText(file).constData();
    SettingsStore reader(file);
    EXPECT_EQ(reader.get("Settings", "AlwaysOnTop", "False"), "True");

    writer.save("Settings", "AlwaysOnTop", SettingsStore::yesNo(false));
    EXPECT_EQ(reader.get("Settings", "AlwaysOnTop", ""), "False");
}

TEST_F(SettingsStoreTest, DeleteAllEmptiesBothSectionsAndTheFile) {
    SettingsStore store(file);
    store.save("Settings", "Shuffle", "True");
    store.save("Position", "Top", "1200");
    store.deleteAll();

    EXPECT_EQ(store.get("Settings", "Shuffle", "gone"), "gone");
    EXPECT_EQ(store.get("Position", "Top", "gone"), "gone");
    EXPECT_TRUE(fileText(file).trimmed().isEmpty()) << fileText(file).constData();
    EXPECT_EQ(SettingsStore(file).get("Position", "Top", "gone"), "gone");
}

// A write that cannot land names the file and the system's reason (tests run as root, so the
// folder is made impossible by a file standing where it should be).
TEST_F(SettingsStoreTest, AFailedWriteNamesTheFileAndTheReason) {
    QFile blocker(dir.filePath("config"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SettingsStore store(dir.filePath("config/Tunewalk.ini"));
    store.save("Settings", "All", "True");
    const Result status = store.writeStatus();
    ASSERT_FALSE(status);
    EXPECT_EQ(status.message(),
              dir.filePath("config/Tunewalk.ini").toStdString() + ": " + std::strerror(ENOTDIR));

    // A line edited by hand that does not parse is no failed write.
    QFile edited(file);
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
    edited.write("[Settings]\nAll=True\nstray line\n");
    edited.close();
    SettingsStore readable(file);
    readable.save("Settings", "Repeat", "True");
    EXPECT_TRUE(readable.writeStatus());
}

TEST_F(SettingsStoreTest, UserStoreIsTunewalkConfInTheConfigFolder) {
    // Stands in for $XDG_CONFIG_HOME, which QSettings reads only once per process.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    SettingsStore store;
    EXPECT_EQ(store.location(), dir.filePath(QStringLiteral("Tunewalk/Tunewalk.conf")));

    store.save("Settings", "Volume", "-1200");
    EXPECT_TRUE(fileText(store.location()).contains("Volume=-1200"));
    store.deleteAll();
}

} // namespace
