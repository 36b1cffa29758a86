// The real program as a process: one copy per user, and a polite end on SIGTERM.
#include "Form1Fixture.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
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

// Three starts at a 1.5 scale: the window comes back where it was, and whole. Under a window
// manager (when one is installed) the frame's title bar is above the inside, which is where a
// window restored by its inside's place creeps up by a title bar on every start.
TEST_F(ProcessTest, ThreeStartsAtAScaleOfOneAndAHalfKeepTheWindowInPlaceAndWhole) {
    env.insert("QT_SCALE_FACTOR", "1.5");
    const auto threeStarts = [&](QSize screenTwips) {
        {
            // Saved at scale 1 on a wider screen: wider than this one, its right side off it.
            QSettings s(settingsFile(), QSettings::IniFormat);
            s.remove("Position");
            for (auto [key, value] : {std::pair{"Left", "3000"},
                                      {"Top", "1500"},
                                      {"Width", "18000"},
                                      {"Height", "9000"}})
                s.setValue(QStringLiteral("Position/") + key, value);
        }
        QList<QStringList> runs;
        for (int run = 0; run < 3; ++run) {
            startFirst();
            QTest::qWait(1500); // the window manager's frame is told after mapping
            terminateFirst();
            QSettings s(settingsFile(), QSettings::IniFormat);
            s.beginGroup("Position");
            QStringList place;
            for (const char* key : {"Left", "Top", "Width", "Height"})
                place << s.value(key).toString();
            runs << place;
            const QRect frame(place[0].toInt(), place[1].toInt(), place[2].toInt(),
                              place[3].toInt());
            EXPECT_TRUE(QRect(QPoint(0, 0), screenTwips).contains(frame))
                << place.join(' ').toStdString();
        }
        EXPECT_EQ(runs[1], runs[0]);
        EXPECT_EQ(runs[2], runs[0]);
    };
    // The off-screen display is 800 by 800 pixels, 533 by 533 at this scale.
    threeStarts(QSize(8000, 8000));

    const QString xvfb = QStandardPaths::findExecutable("Xvfb");
    const QString wm = QStandardPaths::findExecutable("openbox");
    if (xvfb.isEmpty() || wm.isEmpty()) GTEST_SKIP() << "no Xvfb or no openbox";
    QProcess server, manager;
    const QString display =
        QStringLiteral(":%1").arg(100 + QRandomGenerator::global()->bounded(800));
    server.start(xvfb, {display, "-screen", "0", "1366x768x24", "-nolisten", "tcp"});
    ASSERT_TRUE(server.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return QFile::exists("/tmp/.X11-unix/X" + display.mid(1)); }));
    env.insert("DISPLAY", display);
    env.insert("QT_QPA_PLATFORM", "xcb");
    manager.setProcessEnvironment(env);
    manager.start(wm, {});
    QTest::qWait(1000);
    // 1366 by 768 pixels are 910 by 512 at this scale.
    threeStarts(QSize(13665, 7680));
    manager.kill();
    server.kill();
    manager.waitForFinished();
    server.waitForFinished();
}

} // namespace
} // namespace tunewalk
