#include "shell/PropertiesDialog.h"
#include "shell/QtShellOperations.h"

#include "EventLoopWait.h"
#include "ScriptedPrompter.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDir>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QUrl>
#include <gtest/gtest.h>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { // readable failures
    *out << '"' << text.toStdString() << '"';
}

using namespace tunewalk;
using Answer = Prompter::Answer;
using Result = ShellOperations::DeleteResult;

namespace {

QString write(const QString& path, const QByteArray& bytes = "x") {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
    return path;
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool there(const QString& path) { // the item itself, also a link to nothing
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// Each test has its own home, Trash and working folder; the Trash folder is not made yet.
class ShellDelete : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_EQ(QUrl::toPercentEncoding(dir.path(), "/"), dir.path().toUtf8())
            << "the expected Path= values assume a plain temporary folder";
        for (const char* name : {"HOME", "XDG_DATA_HOME"})
            saved.append({name, qEnvironmentVariableIsSet(name), qgetenv(name)});
        qputenv("HOME", QFile::encodeName(dir.filePath("home")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("home/data")));
        QDir().mkpath(work);
        QDir().mkpath(music);
        QDir::setCurrent(work);
    }
    void TearDown() override {
        for (const auto& [name, wasSet, value] : saved)
            wasSet ? qputenv(name, value) : qunsetenv(name);
        QDir::setCurrent(previousFolder);
    }
    QString trash(const QString& inside) const { return dir.filePath("home/data/Trash/" + inside); }

    QTemporaryDir dir;
    const QString music = dir.filePath("music"), work = dir.filePath("work");
    const QString previousFolder = QDir::currentPath();
    QList<std::tuple<const char*, bool, QByteArray>> saved;
    ScriptedPrompter prompter;
    QtShellOperations shell{prompter};
};

TEST_F(ShellDelete, OneQuestionThenTheTrashTakesEveryItemAndRecordsWhereFrom) {
    const QString song = write(music + "/Träck 1.mp3", "tune");
    write(music + "/Album/Disc 2/b.wav", "wave");
    prompter.answers = {Answer::No};
    EXPECT_EQ(shell.ShellDelete({song}, false, false), Result::Cancelled);
    EXPECT_EQ(prompter.texts(),
              QStringList{"Are you sure you want to move \"Träck 1.mp3\" to the Trash?"});
    EXPECT_TRUE(there(song));

    prompter.clear();
    QDateTime before = QDateTime::currentDateTime();
    before.setTime(QTime(before.time().hour(), before.time().minute(), before.time().second()));
    EXPECT_EQ(shell.ShellDelete({song, music + "/Album/"}, false, false), Result::Deleted);
    const QDateTime after = QDateTime::currentDateTime();

    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Are you sure you want to move these 2 items to the Trash?");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Question);
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(read(trash("files/Träck 1.mp3")), "tune");
    EXPECT_EQ(read(trash("files/Album/Disc 2/b.wav")), "wave");
    const std::pair<QString, QString> infos[] = {{"Träck 1.mp3", music + "/Tr%C3%A4ck%201.mp3"},
                                                 {"Album", music + "/Album"}};
    for (const auto& [name, original] : infos) {
        const QStringList lines = QString::fromUtf8(read(trash("info/" + name + ".trashinfo")))
                                      .split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 3) << lines.join('|').toStdString();
        EXPECT_EQ(lines[0], "[Trash Info]");
        EXPECT_EQ(lines[1], "Path=" + original);
        const QDateTime when = QDateTime::fromString(lines[2].mid(13), Qt::ISODate);
        EXPECT_TRUE(lines[2].startsWith("DeletionDate=") && when >= before && when <= after)
            << lines[2].toStdString();
    }
    EXPECT_TRUE(QDir(work).isEmpty()) << "nothing lands in the working folder";
}

TEST_F(ShellDelete, PermanentDestroysFilesAndWholeFoldersWithOrWithoutAQuestion) {
    const QString a = write(music + "/a.mp3");
    write(music + "/Album/.hidden/deep.wav");
    prompter.answers = {Answer::No, Answer::Yes};
    EXPECT_EQ(shell.ShellDelete({a}, false, true), Result::Cancelled);
    EXPECT_TRUE(there(a));
    EXPECT_EQ(shell.ShellDelete({a, music + "/Album"}, false, true), Result::Deleted);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"Are you sure you want to permanently delete \"a.mp3\"?",
                           "Are you sure you want to permanently delete these 2 items?"}));
    EXPECT_TRUE(QDir(music).isEmpty());

    prompter.clear();
    EXPECT_EQ(shell.ShellDelete({write(music + "/b.mp3")}, true, true), Result::Deleted);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_FALSE(there(trash(""))) << "nothing went to the Trash";
}

TEST_F(ShellDelete, AVanishedItemFailsAloneAndTheOthersStillGo) {
    const QString b = music + "/b.mp3", d = music + "/d"; // gone before the deletion reaches them
    EXPECT_EQ(shell.ShellDelete({write(music + "/a.mp3"), b, write(music + "/c.mp3")}, true, false),
              Result::Failed);
    EXPECT_TRUE(there(trash("files/a.mp3")) && there(trash("files/c.mp3")));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text,
              "Cannot move \"" + b + "\" to the Trash: it no longer exists.");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Critical);
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);

    prompter.clear();
    EXPECT_EQ(
        shell.ShellDelete({write(music + "/a.mp3"), b, write(music + "/c.mp3"), d}, true, true),
        Result::Failed);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(prompter.texts(),
              QStringList{"Cannot delete these 2 items:\n\n\"" + b + "\": it no longer exists\n\"" +
                          d + "\": it no longer exists"});
}

TEST_F(ShellDelete, LinksGoAsLinksAndWhatTheyPointToStays) {
    const QString kept = write(dir.filePath("elsewhere/Album/song.mp3"), "keep");
    const QString target = dir.filePath("elsewhere/Album"), nowhere = dir.filePath("nowhere");
    const QString link = music + "/Album link", folder = music + "/Folder";
    const QString dangling = music + "/dangling";
    ASSERT_TRUE(QFile::link(target, link) && QFile::link(nowhere, dangling));
    ASSERT_TRUE(QFile::link(target, write(folder + "/inner.mp3") + " link"));
    // A trailing separator must not turn the link into its folder.
    EXPECT_EQ(shell.ShellDelete({link + "/", folder, dangling}, true, true), Result::Deleted);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(read(kept), "keep");

    ASSERT_TRUE(QFile::link(target, link) && QFile::link(nowhere, dangling));
    EXPECT_EQ(shell.ShellDelete({link}, true, false), Result::Deleted);
    EXPECT_TRUE(QFileInfo(trash("files/Album link")).isSymLink());
    EXPECT_EQ(read(kept), "keep");
    EXPECT_TRUE(prompter.shown.empty());
    // The Trash cannot take a link to nothing; it goes for good only when the user says so.
    EXPECT_EQ(shell.ShellDelete({dangling}, true, false), Result::Deleted);
    EXPECT_EQ(prompter.texts(), QStringList{"\"" + dangling +
                                            "\" cannot be moved to the Trash: it is a link to "
                                            "nothing.\n\nDelete it permanently?"});
    EXPECT_FALSE(there(dangling));
}

TEST_F(ShellDelete, WhenTheTrashCannotBeMadeTheUserDecidesAboutDeletingForGood) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(write(dir.filePath("home/file")) + "/data"));
    const QString why =
        "the Trash folder \"" + dir.filePath("home/file/data/Trash") + "\" cannot be made";
    const QString a = write(music + "/a.mp3"), b = write(music + "/b.mp3");
    prompter.answers = {Answer::No};
    EXPECT_EQ(shell.ShellDelete({a, b}, true, false), Result::Cancelled);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "These 2 items cannot be moved to the Trash:\n\n\"" + a +
                                          "\": " + why + "\n\"" + b + "\": " + why +
                                          "\n\nDelete them permanently?");
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_TRUE(there(a) && there(b));

    prompter.clear();
    prompter.answers = {Answer::Yes};
    EXPECT_EQ(shell.ShellDelete({a}, true, false), Result::Deleted);
    EXPECT_EQ(prompter.texts(), QStringList{"\"" + a + "\" cannot be moved to the Trash: " + why +
                                            ".\n\nDelete it permanently?"});
    EXPECT_TRUE(!there(a) && there(b));
    EXPECT_TRUE(QDir(work).isEmpty());
}

// Texts in the locale the expectations are written in.
class PropertiesSheet : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(previous); }

    const QLocale previous;
    QTemporaryDir dir;
};

TEST_F(PropertiesSheet, AFileShowsItsNameKindSizeTimeAndPermissions) {
    const QString song = write(dir.filePath("Song.mp3"), QByteArray(1'500'000, 'x'));
    QFile file(song);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2021, 3, 4), QTime(5, 6, 7)),
                                 QFileDevice::FileModificationTime));
    ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    PropertiesDialog sheet(song);
    EXPECT_EQ(sheet.windowTitle(), "Song.mp3 Properties");
    EXPECT_EQ(sheet.value("Name"), "Song.mp3");
    EXPECT_EQ(sheet.value("Type"), "MP3 audio");
    EXPECT_EQ(sheet.value("Location"), QDir::toNativeSeparators(dir.path()));
    EXPECT_EQ(sheet.value("Size"), "1.43 MB (1,500,000 bytes)");
    EXPECT_TRUE(sheet.value("Modified").startsWith("Thursday, March 4, 2021 5:06:07 AM"))
        << sheet.value("Modified").toStdString();
    EXPECT_EQ(sheet.value("Permissions"), "rw----r--");
    EXPECT_FALSE(sheet.value("Owner").isEmpty());
    EXPECT_TRUE(sheet.value("Contents").isEmpty() && sheet.isComplete());

    PropertiesDialog take(write(dir.filePath("Take.WAV")));
    EXPECT_EQ(take.value("Type"), "WAV audio");
    EXPECT_EQ(take.value("Size"), "1 byte");
    PropertiesDialog notes(write(dir.filePath("notes.txt"), QByteArray(1023, 'x')));
    EXPECT_EQ(notes.value("Type"), "plain text document");
    EXPECT_EQ(notes.value("Size"), "1,023 bytes");
}

TEST_F(PropertiesSheet, AFoldersSizeAndContentsArriveWhenCounted) {
    const QString album = dir.filePath("Album");
    write(album + "/a.mp3", QByteArray(1000, 'a'));
    write(album + "/Disc 2/b.wav", QByteArray(2000, 'b'));
    write(album + "/Disc 2/.hidden", QByteArray(3000, 'c'));
    QDir().mkpath(album + "/Empty");
    // A link is one more entry; what it points to is not counted.
    ASSERT_TRUE(QFile::link(write(dir.filePath("outside.mp3"), QByteArray(50'000, 'o')),
                            album + "/link.mp3"));
    PropertiesDialog sheet(album);
    EXPECT_EQ(sheet.windowTitle(), "Album Properties");
    EXPECT_EQ(sheet.value("Type"), "Folder");
    ASSERT_TRUE(waitUntil([&] { return sheet.isComplete(); }));
    EXPECT_EQ(sheet.value("Size"), "5.85 KB (6,000 bytes)"); // the list's text, cut, not rounded
    EXPECT_EQ(sheet.value("Contents"), "4 files, 2 folders");

    // Sheets closed while they count get nothing posted to them afterwards.
    for (int i = 0; i < 10; ++i)
        PropertiesDialog closedAtOnce(album);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
}

const QString FileManager = QStringLiteral("org.freedesktop.FileManager1");

QList<PropertiesDialog*> sheetsOf(const QWidget& window) {
    return window.findChildren<PropertiesDialog*>();
}

TEST(ShowFileProperties, WithoutAFileManagerTheProgramsOwnSheetOpensOwnedByTheWindow) {
    // A real file manager on a developer's desktop must not be driven by this test.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() &&
        (bus.interface()->isServiceRegistered(FileManager).value() ||
         bus.interface()->activatableServiceNames().value().contains(FileManager)))
        GTEST_SKIP() << "a file manager is on this session bus";
    QTemporaryDir dir;
    const QString song = write(dir.filePath("a b.mp3"));
    ScriptedPrompter prompter;
    QtShellOperations shell(prompter);
    QWidget window;
    shell.ShowFileProperties(song, &window);
    ASSERT_EQ(sheetsOf(window).size(), 1);
    PropertiesDialog* sheet = sheetsOf(window).front();
    EXPECT_TRUE(sheet->isVisible() && !sheet->isModal());
    EXPECT_EQ(sheet->windowTitle(), "a b.mp3 Properties");

    shell.ShowFileProperties(song, &window);
    EXPECT_EQ(sheetsOf(window).size(), 1) << "the open sheet comes forward";
    sheet->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sheetsOf(window).isEmpty()) << "a closed sheet is gone";
    EXPECT_TRUE(prompter.shown.empty()) << "nothing is reported";
}

// Stands in for the desktop's file manager: records what it is asked to show, or refuses.
class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<std::pair<QStringList, QString>> asked;
    bool refuse = false;
public slots:
    void ShowItemProperties(const QStringList& uris, const QString& startupId) {
        if (refuse)
            sendErrorReply(QDBusError::NotSupported, QStringLiteral("no sheets today"));
        else
            asked.append({uris, startupId});
    }
};

class ShowPropertiesOnBus : public ::testing::Test {
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
    QTemporaryDir dir;
    const QString song = write(dir.filePath("My Song.mp3")), other = write(dir.filePath("o.wav"));
    ScriptedPrompter prompter;
    QtShellOperations shell(prompter);
    QWidget window;
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
    ASSERT_TRUE(waitUntil([&] { return !sheetsOf(window).isEmpty(); }));
    ASSERT_EQ(sheetsOf(window).size(), 1);
    EXPECT_EQ(sheetsOf(window).front()->path(), other);
    const QWidgetList windows = QApplication::topLevelWidgets();
    EXPECT_EQ(std::count_if(windows.begin(), windows.end(),
                            [](QWidget* w) { return qobject_cast<PropertiesDialog*>(w); }),
              1);
    EXPECT_TRUE(prompter.shown.empty());
}

} // namespace

#include "ShellOperationsTest.moc"
