// Moves that never lose a file: renames, moves to another file system, replacing and merging.
#include "fileops/FileMoves.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tunewalk {
namespace {

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool exists(const QString& path) {
    return QFileInfo::exists(path) || QFileInfo(path).isSymLink();
}

// Everything below a folder, relative, sorted: what a check of "nothing lost" compares.
QStringList contents(const QString& folder) {
    QStringList out;
    const QDir dir(folder);
    for (const QFileInfo& e : dir.entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        if (e.isSymLink())
            out << e.fileName() + " -> " +
                       QString::fromStdString(
                           std::filesystem::read_symlink(e.filePath().toStdString()).string());
        else if (e.isDir())
            for (const QString& inner : contents(e.filePath()))
                out << e.fileName() + "/" + inner;
        else
            out << e.fileName() + " = " + QString::fromLatin1(read(e.filePath()));
    }
    return out;
}

class FileMovesTest : public ::testing::Test {
protected:
    QString at(const QString& relative) const { return here.filePath(relative); }
    QTemporaryDir here;
};

TEST_F(FileMovesTest, MovesOnOneFileSystemNeverReplace) {
    write(at("a.mp3"), "song");
    EXPECT_TRUE(moveItem(at("a.mp3"), at("sub/a.mp3")).ok == false) << "missing parent";
    EXPECT_EQ(read(at("a.mp3")), "song");

    QDir().mkpath(at("sub"));
    ASSERT_TRUE(moveItem(at("a.mp3"), at("sub/a.mp3")).ok);
    EXPECT_EQ(read(at("sub/a.mp3")), "song");
    EXPECT_FALSE(exists(at("a.mp3")));

    // An existing file, or an existing empty folder (which a plain rename would replace), stays.
    write(at("b.mp3"), "other");
    const MoveOutcome onFile = moveItem(at("b.mp3"), at("sub/a.mp3"));
    EXPECT_FALSE(onFile.ok);
    EXPECT_TRUE(onFile.description().contains("b.mp3"));
    EXPECT_EQ(read(at("sub/a.mp3")), "song");
    EXPECT_EQ(read(at("b.mp3")), "other");
    write(at("Folder/x.mp3"), "x");
    QDir().mkpath(at("Empty"));
    EXPECT_FALSE(moveItem(at("Folder"), at("Empty")).ok);
    EXPECT_EQ(read(at("Folder/x.mp3")), "x");

    // A folder moves whole; never into itself; a vanished source is an error.
    ASSERT_TRUE(moveItem(at("Folder"), at("sub/Folder")).ok);
    EXPECT_EQ(read(at("sub/Folder/x.mp3")), "x");
    EXPECT_FALSE(moveItem(at("sub"), at("sub/Folder/sub")).ok);
    EXPECT_TRUE(exists(at("sub/Folder/x.mp3")));
    EXPECT_FALSE(moveItem(at("gone.mp3"), at("sub/gone.mp3")).ok);
}

TEST_F(FileMovesTest, MovesToAnotherFileSystemCopyCheckThenRemove) {
    struct stat a {
    }, b{};
    QTemporaryDir other(QStringLiteral("/dev/shm/tunewalk-XXXXXX"));
    if (!other.isValid() || ::stat(here.path().toLocal8Bit(), &a) != 0 ||
        ::stat(other.path().toLocal8Bit(), &b) != 0 || a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second file system to move to";

    write(at("song.mp3"), "music bytes");
    const QDateTime stamp = QDateTime::fromSecsSinceEpoch(1'500'000'000);
    {
        QFile f(at("song.mp3"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    const QString there = other.filePath(QStringLiteral("song.mp3"));
    ASSERT_TRUE(moveItem(at("song.mp3"), there).ok);
    EXPECT_EQ(read(there), "music bytes");
    EXPECT_EQ(QFileInfo(there).lastModified(), stamp);
    EXPECT_FALSE(exists(at("song.mp3")));
    EXPECT_FALSE(exists(other.filePath(".song.mp3.tunewalk-part")));

    // A folder with hidden files, sub-folders and a link arrives whole before the source goes.
    write(at("Album/01.mp3"), "one");
    write(at("Album/.hidden"), "h");
    write(at("Album/Disc 2/02.mp3"), "two");
    ASSERT_TRUE(QFile::link(QStringLiteral("01.mp3"), at("Album/link.mp3")));
    const QStringList before = contents(at("Album"));
    ASSERT_TRUE(moveItem(at("Album"), other.filePath("Album")).ok);
    EXPECT_EQ(contents(other.filePath("Album")), before);
    EXPECT_FALSE(exists(at("Album")));

    // Back again onto an existing file: refused, both kept.
    write(at("song.mp3"), "newer");
    EXPECT_FALSE(moveItem(there, at("song.mp3")).ok);
    EXPECT_EQ(read(at("song.mp3")), "newer");
    EXPECT_EQ(read(there), "music bytes");
    // Replacing on request, across file systems too.
    ASSERT_TRUE(replaceFile(there, at("song.mp3")).ok);
    EXPECT_EQ(read(at("song.mp3")), "music bytes");
    EXPECT_FALSE(exists(there));

    // A copy that cannot be made leaves the source as it was.
    write(at("keep.mp3"), "keep");
    EXPECT_FALSE(moveItem(at("keep.mp3"), other.filePath("missing/keep.mp3")).ok);
    EXPECT_EQ(read(at("keep.mp3")), "keep");

    // What the move did not make is never removed: a file where the folder would go, someone's
    // file with the copy's hidden name. A name that is not valid text moves with its folder.
    write(at("Live/a.mp3"), "a");
    const std::filesystem::path latin1 = at("Live").toStdString() + "/Caf\xe9.mp3";
    ASSERT_TRUE(std::ofstream(latin1) << "cafe");
    write(other.filePath("Live"), "a file");
    EXPECT_FALSE(moveItem(at("Live"), other.filePath("Live")).ok);
    EXPECT_EQ(read(other.filePath("Live")), "a file");
    EXPECT_TRUE(std::filesystem::exists(latin1));
    write(other.filePath(".b.mp3.tunewalk-part"), "not ours");
    write(at("b.mp3"), "b");
    ASSERT_TRUE(moveItem(at("b.mp3"), other.filePath("b.mp3")).ok);
    EXPECT_EQ(read(other.filePath(".b.mp3.tunewalk-part")), "not ours");
    ASSERT_TRUE(moveItem(at("Live"), other.filePath("Live2")).ok);
    EXPECT_TRUE(std::filesystem::exists(other.filePath("Live2").toStdString() + "/Caf\xe9.mp3"));
    EXPECT_FALSE(exists(at("Live")));
}

TEST_F(FileMovesTest, MergingReplacesMatchingFilesAndKeepsWhatCannotMove) {
    write(at("src/a.mp3"), "new a");
    write(at("src/b.mp3"), "new b");
    write(at("src/Sub/c.mp3"), "new c");
    write(at("dst/a.mp3"), "old a");
    write(at("dst/Sub/d.mp3"), "old d");
    ASSERT_TRUE(mergeFolder(at("src"), at("dst")).ok);
    EXPECT_EQ(contents(at("dst")), (QStringList{"Sub/c.mp3 = new c", "Sub/d.mp3 = old d",
                                                "a.mp3 = new a", "b.mp3 = new b"}));
    EXPECT_FALSE(exists(at("src")));

    // A file where the target has a folder of that name cannot move: the source keeps it.
    write(at("src2/Sub"), "a file named like the folder");
    write(at("src2/e.mp3"), "e");
    const MoveOutcome outcome = mergeFolder(at("src2"), at("dst"));
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.description().contains("Sub"));
    EXPECT_EQ(contents(at("src2")), QStringList{"Sub = a file named like the folder"});
    EXPECT_EQ(read(at("dst/e.mp3")), "e");
    EXPECT_EQ(read(at("dst/Sub/c.mp3")), "new c");
}

} // namespace
} // namespace tunewalk
