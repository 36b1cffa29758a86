#include "shell/PropertiesDialog.h"
#include "shell/QtShellOperations.h"
#include "shell/Trash.h"

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
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <thread>

static void PrintTo(const QString& text, std::ostream* out) { // readable failures
    *out << '"' << text.toStdString() << '"';
}

using namespace tunewalk;
using Answer = Prompter::Answer;
using Result = ShellOperations::DeleteResult;
namespace fs = std::filesystem;

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

// Each test has its own Trash, not made yet.
class ShellDelete : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QUrl::toPercentEncoding(dir.path(), "/"), dir.path().toUtf8())
            << "the expected Path= values assume a plain temporary folder";
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        QDir().mkpath(music);
    }
    void TearDown() override {
        hadData ? qputenv("XDG_DATA_HOME", savedData) : qunsetenv("XDG_DATA_HOME");
        fs::remove_all(QFile::encodeName(dir.path()).toStdString()); // also names Qt cannot spell
    }
    QString trash(const QString& inside) const { return dir.filePath("data/Trash/" + inside); }

    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    QTemporaryDir dir;
    const QString music = dir.filePath("music");
    ScriptedPrompter prompter;
    QtShellOperations shell{prompter};
};

TEST_F(ShellDelete, OneQuestionThenTheTrashTakesEveryItemAndRecordsWhereFrom) {
    const QString song = write(music + "/Träck 1.mp3", "tune");
    write(music + "/Album/Disc 2/b.wav", "wave");
    prompter.answers = {Answer::No};
    EXPECT_EQ(shell.ShellDelete({song}, false, false), Result::Cancelled);
    EXPECT_TRUE(there(song));
    const auto before = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    EXPECT_EQ(shell.ShellDelete({song, music + "/Album/"}, false, false), Result::Deleted);
    const QDateTime after = QDateTime::currentDateTime();
    EXPECT_EQ(prompter.texts(), (QStringList{"Are you sure you want to move \"Träck 1.mp3\" to the "
                                             "Trash?",
                                             "Are you sure you want to move these 2 items to the "
                                             "Trash?"}));
    EXPECT_EQ(prompter.shown[1].buttons, Prompter::Buttons::YesNo);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(read(trash("files/Träck 1.mp3")), "tune");
    EXPECT_EQ(read(trash("files/Album/Disc 2/b.wav")), "wave");
    for (const auto& [name, original] :
         {std::pair<QString, QString>{"Träck 1.mp3", music + "/Tr%C3%A4ck%201.mp3"},
          {"Album", music + "/Album"}}) {
        const QStringList lines =
            QString::fromUtf8(read(trash("info/" + name + ".trashinfo"))).split('\n');
        ASSERT_EQ(lines.size(), 4) << lines.join('|').toStdString();
        EXPECT_EQ(lines.mid(0, 2), (QStringList{"[Trash Info]", "Path=" + original}));
        const QDateTime when = QDateTime::fromString(lines[2].mid(13), Qt::ISODate);
        EXPECT_TRUE(lines[2].startsWith("DeletionDate=") && when >= before && when <= after)
            << lines[2].toStdString();
    }
}

TEST_F(ShellDelete, PermanentDestroysFilesAndWholeFoldersWithOrWithoutAQuestion) {
    const QString a = write(music + "/a.mp3");
    write(music + "/Album/.hidden/deep.wav");
    prompter.answers = {Answer::No, Answer::Yes};
    EXPECT_EQ(shell.ShellDelete({a}, false, true), Result::Cancelled);
    EXPECT_TRUE(there(a));
    EXPECT_EQ(shell.ShellDelete({a, music + "/Album"}, false, true), Result::Deleted);
    EXPECT_EQ(shell.ShellDelete({write(music + "/b.mp3")}, true, true), Result::Deleted);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"Are you sure you want to permanently delete \"a.mp3\"?",
                           "Are you sure you want to permanently delete these 2 items?"}));
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_FALSE(there(trash(""))) << "nothing went to the Trash";
}

TEST_F(ShellDelete, AVanishedItemFailsAloneAndTheOthersStillGo) {
    const QString b = music + "/b.mp3", d = music + "/d"; // gone before the deletion reaches them
    EXPECT_EQ(shell.ShellDelete({write(music + "/a.mp3"), b, write(music + "/c.mp3")}, true, false),
              Result::Failed);
    EXPECT_TRUE(there(trash("files/a.mp3")) && there(trash("files/c.mp3")));
    EXPECT_EQ(prompter.texts(),
              QStringList{"Cannot move \"" + b + "\" to the Trash: it no longer exists."});
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
    const QString link = music + "/Album link", folder = music + "/Folder",
                  dangling = music + "/dangling";
    ASSERT_TRUE(QFile::link(target, link) && QFile::link(nowhere, dangling));
    ASSERT_TRUE(QFile::link(target, write(folder + "/inner.mp3") + " link"));
    // A trailing separator must not turn the link into its folder.
    EXPECT_EQ(shell.ShellDelete({link + "/", folder, dangling}, true, true), Result::Deleted);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(read(kept), "keep");

    ASSERT_TRUE(QFile::link(target, link) && QFile::link(nowhere, dangling));
    EXPECT_EQ(shell.ShellDelete({link, dangling}, true, false), Result::Deleted);
    EXPECT_TRUE(QFileInfo(trash("files/Album link")).isSymLink());
    EXPECT_TRUE(QFileInfo(trash("files/dangling")).isSymLink()) << "a link to nothing goes too";
    EXPECT_EQ(read(kept), "keep");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(ShellDelete, WhenTheTrashCannotBeMadeTheUserDecidesAboutDeletingForGood) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(write(dir.filePath("file")) + "/data"));
    const QString why =
        "the Trash folder \"" + dir.filePath("file/data/Trash") + "\" cannot be made";
    const QString a = write(music + "/a.mp3"), b = write(music + "/b.mp3");
    prompter.answers = {Answer::No, Answer::Yes};
    EXPECT_EQ(shell.ShellDelete({a, b}, true, false), Result::Cancelled);
    EXPECT_TRUE(there(a) && there(b));
    EXPECT_EQ(shell.ShellDelete({a}, true, false), Result::Deleted);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"These 2 items cannot be moved to the Trash:\n\n\"" + a + "\": " + why +
                               "\n\"" + b + "\": " + why + "\n\nDelete them permanently?",
                           "\"" + a + "\" cannot be moved to the Trash: " + why +
                               ".\n\nDelete it permanently?"}));
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_TRUE(!there(a) && there(b));
}

// The writer runs on a thread of its own, so one that never returns fails the test instead of
// hanging it.
std::pair<bool, QString> trashed(const QByteArray& path) {
    auto outcome = std::make_shared<std::promise<std::pair<bool, QString>>>();
    std::future<std::pair<bool, QString>> result = outcome->get_future();
    std::thread([path, outcome] {
        QString why;
        const bool moved = moveToTrash(path, &why);
        outcome->set_value({moved, why});
    }).detach();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        return {false, "still busy after 10 s"};
    return result.get();
}

QByteArray readRaw(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(ShellDelete, TheTrashTakesLongTwinAndRawNamesAndAnUnwritableTrashFailsAtOnce) {
    const QByteArray m = QFile::encodeName(music), longName = QString(123, u'ä').toUtf8() + ".mp3";
    // Each item holds its own path. A 250-byte name is cut between characters, keeping ".mp3",
    // to leave room for ".trashinfo".
    const std::pair<QByteArray, QByteArray> entries[] = {
        {m + "/" + longName, QString(120, u'ä').toUtf8() + ".mp3"},
        {m + "/a.mp3", "a.mp3"},
        {m + "/Album/a.mp3", "a.mp3.2"},
        {m + "/Caf\xe9.mp3", "Caf\xe9.mp3"}};
    QDir().mkpath(music + "/Album");
    const fs::path folder = QFile::encodeName(trash("")).toStdString();
    for (const auto& [item, entry] : entries) {
        std::ofstream(item.toStdString()) << item.toStdString();
        EXPECT_EQ(trashed(item), std::make_pair(true, QString())) << item.toStdString();
        EXPECT_FALSE(fs::exists(item.toStdString()));
        EXPECT_EQ(readRaw(folder / "files" / entry.toStdString()), item);
        EXPECT_TRUE(readRaw(folder / "info" / (entry + ".trashinfo").toStdString())
                        .contains("\nPath=" + item.toPercentEncoding("/") + '\n'));
    }
    fs::remove_all(folder / "info");
    write(trash("info"));
    const QString b = write(music + "/b.mp3");
    const auto [moved, why] = trashed(QFile::encodeName(b));
    EXPECT_FALSE(moved);
    EXPECT_EQ(why, "its Trash record cannot be written in \"" + trash("info") +
                       "\": " + std::strerror(ENOTDIR));
    EXPECT_TRUE(there(b));
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
    EXPECT_TRUE(sheet.value("Contents").isEmpty() && sheet.isComplete());

    PropertiesDialog take(write(dir.filePath("Take.WAV")));
    EXPECT_EQ(take.value("Type"), "WAV audio");
    EXPECT_EQ(take.value("Size"), "1 byte");
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

// A window asking for a file's properties.
class ShowFileProperties : public ::testing::Test {
protected:
    QList<PropertiesDialog*> sheets() const { return window.findChildren<PropertiesDialog*>(); }

    QTemporaryDir dir;
    const QString song = write(dir.filePath("My Song.mp3"));
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
public slots:
    void ShowItemProperties(const QStringList& uris, const QString& startupId) {
        if (refuse)
            sendErrorReply(QDBusError::NotSupported, QStringLiteral("no sheets today"));
        else
            asked.append({uris, startupId});
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
    const QString other = write(dir.filePath("o.wav"));
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

} // namespace

#include "ShellOperationsTest.moc"
