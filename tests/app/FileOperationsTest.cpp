// The window's delete command as file jobs: one question, the Trash or destruction on the
// worker, what the Trash refuses offered for permanent deletion, failures listed.
#include "app/fileops/FileOperations.h"

#include "EventLoopWait.h"
#include "QtPrinters.h"
#include "ScriptedPrompter.h"
#include "TestFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <thread>

namespace tunewalk {
namespace {

using Answer = Prompter::Answer;
using Result = FileOperations::DeleteResult;

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool there(const QString& path) { // the item itself, also a link to nothing
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

// Each test has its own Trash, not made yet.
class FileOperationsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QUrl::toPercentEncoding(dir.path(), "/"), dir.path().toUtf8())
            << "the expected Path= values assume a plain temporary folder";
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("data")));
        QDir().mkpath(music);
        // "Every job has ended" must hold whenever it is said.
        QObject::connect(&ops, &FileOperations::finished,
                         [this] { EXPECT_TRUE(ops.idle()) << "finished while a job still runs"; });
    }
    void TearDown() override {
        hadData ? qputenv("XDG_DATA_HOME", savedData) : qunsetenv("XDG_DATA_HOME");
    }
    QString trash(const QString& inside) const { return dir.filePath("data/Trash/" + inside); }
    // Deletes as the window does and waits until every job of it has ended.
    Result remove(const QStringList& paths, bool noConfirmation, bool permanent) {
        auto result = std::make_shared<std::optional<Result>>();
        ops.deleteItems(paths, noConfirmation, permanent, [result](Result r) { *result = r; });
        EXPECT_TRUE(waitUntil([&] { return result->has_value() && ops.idle(); }));
        return result->value_or(Result::Failed);
    }

    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    QTemporaryDir dir;
    const QString music = dir.filePath("music");
    ScriptedPrompter prompter;
    FileOperations ops{prompter, nullptr};
};

TEST_F(FileOperationsTest, OneQuestionThenTheTrashTakesEveryItemAndRecordsWhereFrom) {
    const QString song = writeTestFile(music + "/Träck 1.mp3", "tune");
    writeTestFile(music + "/Album/Disc 2/b.wav", "wave");
    prompter.answers = {Answer::No};
    EXPECT_EQ(remove({song}, false, false), Result::Cancelled);
    EXPECT_TRUE(there(song));
    const auto before = QDateTime::fromSecsSinceEpoch(QDateTime::currentSecsSinceEpoch());
    EXPECT_EQ(remove({song, music + "/Album/"}, false, false), Result::Deleted);
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

TEST_F(FileOperationsTest, PermanentDestroysFilesAndWholeFoldersWithOrWithoutAQuestion) {
    const QString a = writeTestFile(music + "/a.mp3");
    writeTestFile(music + "/Album/.hidden/deep.wav");
    prompter.answers = {Answer::No, Answer::Yes};
    EXPECT_EQ(remove({a}, false, true), Result::Cancelled);
    EXPECT_TRUE(there(a));
    EXPECT_EQ(remove({a, music + "/Album"}, false, true), Result::Deleted);
    EXPECT_EQ(remove({writeTestFile(music + "/b.mp3")}, true, true), Result::Deleted);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"Are you sure you want to permanently delete \"a.mp3\"?",
                           "Are you sure you want to permanently delete these 2 items?"}));
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_FALSE(there(trash(""))) << "nothing went to the Trash";
}

TEST_F(FileOperationsTest, AVanishedItemFailsAloneAndTheOthersStillGo) {
    const QString b = music + "/b.mp3", d = music + "/d"; // gone before the deletion reaches them
    EXPECT_EQ(
        remove({writeTestFile(music + "/a.mp3"), b, writeTestFile(music + "/c.mp3")}, true, false),
        Result::Failed);
    EXPECT_TRUE(there(trash("files/a.mp3")) && there(trash("files/c.mp3")));
    EXPECT_EQ(prompter.texts(),
              QStringList{"Cannot move \"" + b + "\" to the Trash: it no longer exists."});
    prompter.clear();
    EXPECT_EQ(remove({writeTestFile(music + "/a.mp3"), b, writeTestFile(music + "/c.mp3"), d}, true,
                     true),
              Result::Failed);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(prompter.texts(),
              QStringList{"Cannot delete these 2 items:\n\n\"" + b + "\": it no longer exists\n\"" +
                          d + "\": it no longer exists"});
}

TEST_F(FileOperationsTest, LinksGoAsLinksAndWhatTheyPointToStays) {
    const QString kept = writeTestFile(dir.filePath("elsewhere/Album/song.mp3"), "keep");
    const QString target = dir.filePath("elsewhere/Album"), nowhere = dir.filePath("nowhere");
    const QString link = music + "/Album link", folder = music + "/Folder",
                  dangling = music + "/dangling";
    ASSERT_TRUE(QFile::link(target, link) && QFile::link(nowhere, dangling));
    ASSERT_TRUE(QFile::link(target, writeTestFile(folder + "/inner.mp3") + " link"));
    // A trailing separator must not turn the link into its folder.
    EXPECT_EQ(remove({link + "/", folder, dangling}, true, true), Result::Deleted);
    EXPECT_TRUE(QDir(music).isEmpty());
    EXPECT_EQ(read(kept), "keep");

    ASSERT_TRUE(QFile::link(target, link) && QFile::link(nowhere, dangling));
    EXPECT_EQ(remove({link, dangling}, true, false), Result::Deleted);
    EXPECT_TRUE(QFileInfo(trash("files/Album link")).isSymLink());
    EXPECT_TRUE(QFileInfo(trash("files/dangling")).isSymLink()) << "a link to nothing goes too";
    EXPECT_EQ(read(kept), "keep");
    EXPECT_TRUE(prompter.shown.empty());
}

// The permanent deletion runs as a second job, started when the Trash's job has ended.
TEST_F(FileOperationsTest, WhenTheTrashCannotBeMadeTheUserDecidesAboutDeletingForGood) {
    qputenv("XDG_DATA_HOME", QFile::encodeName(writeTestFile(dir.filePath("file")) + "/data"));
    const QString why =
        "the Trash folder \"" + dir.filePath("file/data/Trash") + "\" cannot be made";
    const QString a = writeTestFile(music + "/a.mp3"), b = writeTestFile(music + "/b.mp3");
    prompter.answers = {Answer::No, Answer::Yes};
    EXPECT_EQ(remove({a, b}, true, false), Result::Cancelled);
    EXPECT_TRUE(there(a) && there(b));
    EXPECT_EQ(remove({a}, true, false), Result::Deleted);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"These 2 items cannot be moved to the Trash:\n\n\"" + a + "\": " + why +
                               "\n\"" + b + "\": " + why + "\n\nDelete them permanently?",
                           "\"" + a + "\" cannot be moved to the Trash: " + why +
                               ".\n\nDelete it permanently?"}));
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_TRUE(!there(a) && there(b));
}

TEST_F(FileOperationsTest, CancelAllStopsTheRunningJobRunsItsDoneAndDropsTheQueue) {
    FileJobRunner& runner = ops.runner();
    // A cancelled look at dropped items asks nothing and moves nothing.
    bool looked = false;
    ops.lookAtDrop({dir.path()}, dir.path(), [&](const auto&) { looked = true; });
    runner.current()->cancel();
    ASSERT_TRUE(waitUntil([&] { return ops.idle(); }));
    EXPECT_FALSE(looked);

    std::atomic<bool> running{false}, queuedRan{false};
    QStringList done;
    runner.run(
        "slow",
        [&](FileJob& job) {
            running = true;
            while (!job.cancelled())
                std::this_thread::yield();
        },
        [&](bool cancelled) { done << (cancelled ? "slow cancelled" : "slow"); });
    runner.run(
        "queued", [&](FileJob&) { queuedRan = true; }, [&](bool) { done << "queued"; });
    ASSERT_TRUE(waitUntil([&] { return running.load(); }));
    runner.cancelAll();
    EXPECT_TRUE(ops.idle());
    EXPECT_EQ(done, QStringList{"slow cancelled"});
    QCoreApplication::processEvents(); // the worker's own notice comes late and changes nothing
    runner.run(
        "after", [&](FileJob&) { queuedRan = true; }, [&](bool) { done << "after"; });
    EXPECT_EQ(done, QStringList{"slow cancelled"}) << "no job starts once the window closes";
    EXPECT_TRUE(ops.idle());
    EXPECT_FALSE(queuedRan);
}

} // namespace
} // namespace tunewalk
