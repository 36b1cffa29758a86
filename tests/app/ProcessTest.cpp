// The real program as a process: one copy per user, and a polite end on SIGTERM.
#include "Form1Fixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <csignal>

namespace tunewalk {
namespace {

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        for (const char* folder : {"config", "runtime", "music"})
            QDir(root.path()).mkpath(folder);
        QFile::setPermissions(root.filePath("runtime"), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
        env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", root.filePath("config"));
        env.insert("XDG_DATA_HOME", root.filePath("data")); // the change history, the Trash
        env.insert("XDG_CACHE_HOME", root.filePath("cache"));
        env.insert("XDG_RUNTIME_DIR", root.filePath("runtime"));
        // A user name of its own keeps this test's copies apart from any other running copy.
        env.insert("USER",
                   QStringLiteral("tunewalk-test-%1").arg(QRandomGenerator::global()->generate()));
    }
    void TearDown() override {
        for (QProcess* p : {&first, &second})
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
    }
    QString settingsFile() const { return root.filePath("config/Tunewalk/Tunewalk.conf"); }
    void startFirst() {
        first.setProcessEnvironment(env);
        first.start(TUNEWALK_PROGRAM, {root.filePath("music")});
        ASSERT_TRUE(first.waitForStarted());
        // Running once the window id is recorded.
        ASSERT_TRUE(waitUntil([&] {
            QSettings s(settingsFile(), QSettings::IniFormat);
            return s.contains("Settings/HWND");
        }));
    }
    // SIGTERM, as the end of a session sends it.
    void terminateFirst() {
        ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
        ASSERT_TRUE(first.waitForFinished(5000));
        EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(first.exitCode(), 0);
    }
    QByteArray settingsBytes() const {
        QFile f(settingsFile());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir root;
    QProcessEnvironment env;
    QProcess first, second;
};

TEST_F(ProcessTest, SecondStartLeavesAtOnceWithoutTouchingTheSettings) {
    startFirst();
    const QByteArray before = settingsBytes();
    second.setProcessEnvironment(env);
    second.start(TUNEWALK_PROGRAM, {root.filePath("music")});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(settingsBytes(), before);
    EXPECT_EQ(first.state(), QProcess::Running);
    terminateFirst();
    EXPECT_NE(settingsBytes(), before) << "the first copy saved its place";
}

TEST_F(ProcessTest, TerminateEndsTheProgramWhileStartUpMessageBoxesWait) {
    {
        // A value that is no number and an unreadable favorite: two boxes, one after the other.
        QSettings bad(settingsFile(), QSettings::IniFormat);
        bad.setValue("Position/Left", "abc");
        bad.setValue("Settings/FavoritesList", "no favorite|");
    }
    startFirst();
    terminateFirst();
    // The shut-down saved the window's place as closing does.
    QSettings saved(settingsFile(), QSettings::IniFormat);
    saved.beginGroup("Position");
    for (const char* key : {"Left", "Top", "Width", "Height", "TreeWidth", "File", "Track",
                            "Modified", "FilePos", "ModifiedPos"})
        EXPECT_TRUE(saved.contains(key)) << key;
    EXPECT_EQ(saved.value("Maximized").toString(), "False");
    EXPECT_FALSE(saved.contains("SmLeft"));
    bool isNumber = false;
    saved.value("Left").toString().toDouble(&isNumber);
    EXPECT_TRUE(isNumber);
}

} // namespace
} // namespace tunewalk
