// The program's own freedesktop Trash writer, on a Trash of the test's own.
#include "fileops/Trash.h"

#include "QtPrinters.h"
#include "TempDir.h"
#include "common/ResultText.h"

#include <QFile>
#include <QString>
#include <cstring>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace tunewalk {
namespace {

namespace fs = std::filesystem;

class TrashTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("XDG_DATA_HOME", QFile::encodeName(QString::fromStdString(dir.file("data"))));
        fs::create_directories(music);
    }
    void TearDown() override {
        hadData ? qputenv("XDG_DATA_HOME", savedData) : qunsetenv("XDG_DATA_HOME");
    }

    const bool hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    TempDir dir;
    const fs::path music = dir / "music", trash = dir / "data/Trash";
};

// The writer runs on a thread of its own, so one that never returns fails the test instead of
// hanging it.
std::pair<bool, QString> trashed(const QByteArray& path) {
    auto outcome = std::make_shared<std::promise<std::pair<bool, QString>>>();
    std::future<std::pair<bool, QString>> result = outcome->get_future();
    std::thread([path, outcome] {
        const Result moved = moveToTrash(path);
        outcome->set_value({bool(moved), reasonText(moved)});
    }).detach();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        return {false, "still busy after 10 s"};
    return result.get();
}

QByteArray readRaw(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

TEST_F(TrashTest, TakesLongTwinAndRawNamesAndAnUnwritableTrashFailsAtOnce) {
    const QByteArray m = QByteArray::fromStdString(music.native()),
                     longName = QString(123, u'ä').toUtf8() + ".mp3";
    // Each item holds its own path. A 250-byte name is cut between characters, keeping ".mp3",
    // to leave room for ".trashinfo".
    const std::pair<QByteArray, QByteArray> entries[] = {
        {m + "/" + longName, QString(120, u'ä').toUtf8() + ".mp3"},
        {m + "/a.mp3", "a.mp3"},
        {m + "/Album/a.mp3", "a.mp3.2"},
        {m + "/Caf\xe9.mp3", "Caf\xe9.mp3"}};
    fs::create_directories(music / "Album");
    for (const auto& [item, entry] : entries) {
        std::ofstream(item.toStdString()) << item.toStdString();
        EXPECT_EQ(trashed(item), std::make_pair(true, QString())) << item.toStdString();
        EXPECT_FALSE(fs::exists(item.toStdString()));
        EXPECT_EQ(readRaw(trash / "files" / entry.toStdString()), item);
        EXPECT_TRUE(readRaw(trash / "info" / (entry + ".trashinfo").toStdString())
                        .contains("\nPath=" + item.toPercentEncoding("/") + '\n'));
    }
    fs::remove_all(trash / "info");
    std::ofstream(trash / "info") << "a file where the folder belongs";
    const fs::path b = music / "b.mp3";
    std::ofstream(b) << "b";
    const auto [moved, why] = trashed(QByteArray::fromStdString(b.native()));
    EXPECT_FALSE(moved);
    EXPECT_EQ(why,
              QStringLiteral("its Trash record cannot be written in \"%1\": %2")
                  .arg(QString::fromStdString((trash / "info").native()), std::strerror(ENOTDIR)));
    EXPECT_TRUE(fs::exists(b));
}

} // namespace
} // namespace tunewalk
