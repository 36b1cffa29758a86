#include "common/Detached.h"
#include "common/NativePath.h"
#include "shell/PropertiesDialog.h"
#include "shell/QtShellOperations.h"

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tunewalk;

namespace {

// Texts in the locale the expectations are written in.
class PropertiesSheet : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(previous); }

    const QLocale previous;
    QTemporaryDir dir;
};

TEST_F(PropertiesSheet, AFileShowsItsNameKindSizeTimeAndPermissions) {
    const QString song = writeTestFile(dir.filePath("Song.mp3"), QByteArray(1'500'000, 'x'));
    QFile file(song);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)),
                                 QFileDevice::FileModificationTime) &&
                file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    PropertiesDialog sheet(song);
    EXPECT_EQ(sheet.windowTitle(), "Song.mp3 Properties");
    EXPECT_EQ(sheet.value("Type"), "MP3 audio");
    EXPECT_EQ(sheet.value("Location"), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(sheet.value("Size"), "1.43 MB (1,500,000 bytes)");
    EXPECT_TRUE(sheet.value("Modified").startsWith("Thursday, March 4, 2021 5:06:07 AM"))
        << sheet.value("Modified").toStdString();
    EXPECT_EQ(sheet.value("Permissions"), "rw----r--");
    EXPECT_TRUE(sheet.value("Contents").isEmpty());

    PropertiesDialog take(writeTestFile(dir.filePath("Take.WAV")));
    EXPECT_EQ(take.value("Type"), "WAV audio");
    EXPECT_EQ(take.value("Size"), "1 byte");
    ASSERT_TRUE(waitUntil([&] { return sheet.isComplete() && take.isComplete(); }));
    EXPECT_EQ(take.value("Format"), "") << "no audio in it, nothing said of it";
}

TEST_F(PropertiesSheet, AnAudioFilesStreamAndTagsFollowWhenRead) {
    if (QProcess::execute("sh", {"-c", "command -v ffmpeg >/dev/null"}) != 0)
        GTEST_SKIP() << "no ffmpeg";
    const QString flac = dir.filePath("a.flac");
    ASSERT_EQ(
        QProcess::execute("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=d=2", "-metadata",
                                     "title=Song", "-metadata", "track=3/12", flac}),
        0);
    PropertiesDialog sheet(flac);
    ASSERT_TRUE(waitUntil([&] { return sheet.isComplete(); }));
    EXPECT_EQ(QStringList({sheet.value("Format"), sheet.value("Length"), sheet.value("Sample rate"),
                           sheet.value("Title"), sheet.value("Track")}),
              QStringList({"FLAC", "00:00:02", "44,100 Hz", "Song", "3 of 12"}));
}

TEST_F(PropertiesSheet, AFoldersSizeAndContentsArriveWhenCounted) {
    const QString album = dir.filePath("Album");
    writeTestFile(album + "/a.mp3", QByteArray(1000, 'a'));
    writeTestFile(album + "/Disc 2/b.wav", QByteArray(2000, 'b'));
    writeTestFile(album + "/Disc 2/.hidden", QByteArray(3000, 'c'));
    QDir().mkpath(album + "/Empty");
    // A link is one more entry; what it points to is not counted.
    ASSERT_TRUE(QFile::link(writeTestFile(dir.filePath("outside.mp3"), QByteArray(50'000, 'o')),
                            album + "/link.mp3"));
    PropertiesDialog sheet(album);
    ASSERT_TRUE(waitUntil([&] { return sheet.isComplete(); }));
    EXPECT_EQ(sheet.value("Size"), "5.85 KB (6,000 bytes)"); // the list's text, cut, not rounded
    EXPECT_EQ(sheet.value("Contents"), "4 files, 2 folders");

    // Sheets closed while they count get nothing posted to them afterwards.
    for (int i = 0; i < 10; ++i)
        PropertiesDialog closedAtOnce(album);
    ASSERT_TRUE(waitForDetached(10'000));
    QCoreApplication::processEvents();
}

const QString FileManager = QStringLiteral("org.freedesktop.FileManager1");

// A window asking for a file's properties.
class ShowFileProperties : public ::testing::Test {
protected:
    QList<PropertiesDialog*> sheets() const { return window.findChildren<PropertiesDialog*>(); }

    QTemporaryDir dir;
    const QString song = writeTestFile(dir.filePath("My Song.mp3"));
    ScriptedPrompter prompter;
    QtShellOperations shell{prompter};
    QWidget window;
};

TEST_F(ShowFileProperties, WithoutAFileManagerTheProgramsOwnSheetOpensOwnedByTheWindow) {
    // A real file manager on a developer's desktop must not be driven by this test.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() &&
        (bus.interface()->isServiceRegistered(FileManager).value() ||
         bus.interface()->activatableServiceNames().value().contains(FileManager)))
        GTEST_SKIP() << "a file manager is on this session bus";
    shell.ShowFileProperties(song, &window);
    ASSERT_EQ(sheets().size(), 1);
    PropertiesDialog* sheet = sheets().front();
    EXPECT_TRUE(sheet->isVisible() && !sheet->isModal());
    EXPECT_EQ(sheet->windowTitle(), "My Song.mp3 Properties");
    shell.ShowFileProperties(song, &window);
    EXPECT_EQ(sheets().size(), 1) << "the open sheet comes forward";
    sheet->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheets().isEmpty()) << "a closed sheet is gone";
    EXPECT_TRUE(prompter.shown.empty()) << "nothing is reported";
}

// Stands in for the desktop's file manager: records what it is asked to show, or refuses.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<std::pair<QStringList, QString>> asked;
    bool refuse = false;
    QList<std::pair<QStringList, QString>> shown;
public slots:
    void ShowItemProperties(const QStringList& uris, const QString& startupId) {
        if (refuse)
            sendErrorReply(QDBusError::NotSupported, QStringLiteral("no sheets today"));
        else
            asked.append({uris, startupId});
    }
    void ShowItems(const QStringList& uris, const QString& startupId) {
        if (refuse)
            sendErrorReply(QDBusError::NotSupported, QStringLiteral("not today"));
        else
            shown.append({uris, startupId});
    }
};

class ShowPropertiesOnBus : public ShowFileProperties {
protected:
    void SetUp() override {
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
        ASSERT_TRUE(bus.registerObject("/org/freedesktop/FileManager1", &fileManager,
                                       QDBusConnection::ExportAllSlots));
        if (!bus.registerService(FileManager)) GTEST_SKIP() << "a file manager holds the name";
    }
    void TearDown() override {
        bus.unregisterService(FileManager);
        bus.unregisterObject("/org/freedesktop/FileManager1");
    }

    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "files");
    FakeFileManager fileManager;
};

TEST_F(ShowPropertiesOnBus, TheFileManagerIsAskedAndARefusalBringsTheProgramsOwnSheet) {
    const QString other = writeTestFile(dir.filePath("o.wav"));
    shell.ShowFileProperties(song, &window);
    ASSERT_TRUE(waitUntil([&] { return !fileManager.asked.isEmpty(); }));
    EXPECT_EQ(fileManager.asked.front().first,
              QStringList{"file://" + dir.path() + "/My%20Song.mp3"});
    EXPECT_EQ(fileManager.asked.front().second, "");

    fileManager.refuse = true;
    auto closing = std::make_unique<QWidget>();
    shell.ShowFileProperties(song, closing.get());
    closing.reset(); // closed before the refusal arrives: nothing opens for it
    shell.ShowFileProperties(other, &window);
    // Answers arrive in order, so the earlier ones have been handled by now.
    ASSERT_TRUE(waitUntil([&] { return !sheets().isEmpty(); }));
    ASSERT_EQ(sheets().size(), 1);
    EXPECT_EQ(sheets().front()->path(), other);
    for (QWidget* shown : QApplication::topLevelWidgets()) // none for the closed window
        EXPECT_FALSE(qobject_cast<PropertiesDialog*>(shown) && shown->parentWidget() != &window);
    EXPECT_TRUE(prompter.shown.empty());
}

// Opening a folder as the desktop would, recorded instead; a handler whose method is missing
// stands for a desktop that opens nothing.
class FolderOpener : public QObject {
    Q_OBJECT
public:
    explicit FolderOpener(const char* method = "open") {
        QDesktopServices::setUrlHandler("file", this, method);
    }
    ~FolderOpener() override { QDesktopServices::unsetUrlHandler("file"); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};

using ShowInFileManager = ShowFileProperties;

TEST_F(ShowInFileManager, WithoutAFileManagerTheFolderOpensOrTheFailureIsReported) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() &&
        (bus.interface()->isServiceRegistered(FileManager).value() ||
         bus.interface()->activatableServiceNames().value().contains(FileManager)))
        GTEST_SKIP() << "a file manager is on this session bus";
    int failures = 0;
    {
        FolderOpener opener;
        shell.showInFileManager(song, [&] { ++failures; });
        shell.showInFileManager(dir.path() + "/", [&] { ++failures; }); // a folder: the one above
        EXPECT_EQ(opener.opened, (QList<QUrl>{QUrl::fromLocalFile(dir.path()),
                                              QUrl::fromLocalFile(QFileInfo(dir.path()).path())}));
        EXPECT_EQ(failures, 0);
    }
    FolderOpener broken("noSuchMethod");
    shell.showInFileManager(song, [&] { ++failures; });
    EXPECT_EQ(failures, 1);
}

using ShowItemOnBus = ShowPropertiesOnBus;

TEST_F(ShowItemOnBus, TheFileManagerGetsTheExactItemsAndARefusalOpensTheFolder) {
    FolderOpener opener;
    const QString latin1 = dir.filePath("caf") + fromNativePath("\xe9") + ".mp3";
    int failures = 0;
    for (const QString& item : {song, latin1})
        shell.showInFileManager(item, [&] { ++failures; });
    ASSERT_TRUE(waitUntil([&] { return fileManager.shown.size() == 2; }));
    using Call = std::pair<QStringList, QString>;
    EXPECT_EQ(fileManager.shown, (QList<Call>{{{"file://" + dir.path() + "/My%20Song.mp3"}, ""},
                                              {{"file://" + dir.path() + "/caf%E9.mp3"}, ""}}));
    EXPECT_TRUE(opener.opened.isEmpty());

    fileManager.refuse = true;
    shell.showInFileManager(song, [&] { ++failures; });
    ASSERT_TRUE(waitUntil([&] { return !opener.opened.isEmpty(); }));
    EXPECT_EQ(opener.opened, QList<QUrl>{QUrl::fromLocalFile(dir.path())});
    EXPECT_EQ(failures, 0);
}

} // namespace

#include "ShellOperationsTest.moc"
