// Moves and removals that never lose a file: every file is hashed before and after, and the
// file system is broken on purpose through FileFaults (another disk, a full disk, an I/O error,
// a cancel, the disk changing mid-job).
#include "fileops/FileMoves.h"

#include "FifoGuard.h"
#include "QtPrinters.h"
#include "TempDir.h"
#include "common/NativePath.h"
#include "fileops/FileJob.h"
#include "fileops/Removal.h"
#include "fileops/Trash.h"

#include <QCryptographicHash>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/mount.h>
#include <unistd.h>

namespace tunewalk {
namespace {

namespace fs = std::filesystem;
using Hashes = std::map<std::string, std::string>; // raw relative path -> what is there

constexpr std::size_t MiB = 1 << 20;

std::string hashOf(const std::string& bytes) {
    return QCryptographicHash::hash(QByteArrayView(bytes), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// Every file (its bytes' hash), link and folder below `root`, by raw names.
Hashes hashes(const fs::path& root) {
    Hashes out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::string& what = out[it->path().lexically_relative(root).native()];
        if (it->is_symlink()) {
            what = "link to " + fs::read_symlink(it->path()).native();
        } else if (it->is_directory()) {
            what = "folder";
        } else if (!it->is_regular_file()) {
            what = "special"; // a FIFO: never opened
        } else {
            std::ifstream in(it->path(), std::ios::binary);
            what = hashOf(std::string(std::istreambuf_iterator<char>(in), {}));
        }
    }
    return out;
}

// Written with POSIX calls, so a name may hold any byte.
void put(const fs::path& path, const std::string& bytes = "x") {
    fs::create_directories(path.parent_path());
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    ::close(fd);
}

QString q(const fs::path& path) {
    return fromFsPath(path);
}

QString cannotMove(const fs::path& from, const fs::path& to, const QString& why) {
    return QStringLiteral("Cannot move \"%1\" to \"%2\": %3").arg(q(from), q(to), why);
}

// Breaks the file system as a test needs: by default every move is one to another disk.
struct Faults : FileFaults {
    bool across = true;
    std::function<int(std::uint64_t offset)> onWrite;
    std::function<void(const fs::path& source)> onCopied;
    std::function<void()> onRemoved;

    int rename(const fs::path&, const fs::path&) override { return across ? EXDEV : 0; }
    int write(const fs::path&, std::uint64_t offset, std::size_t) override {
        return onWrite ? onWrite(offset) : 0;
    }
    void copied(const fs::path& source) override {
        if (onCopied) onCopied(source);
    }
    void removed(const fs::path&) override {
        if (onRemoved) onRemoved();
    }
};

class FileMovesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(src);
        fs::create_directories(dst);
    }
    // Nothing lost, nothing made up: each item that was in `src` is afterwards, byte for byte,
    // at its place in `src` or in `dst`, and `dst` holds only what it held or what came from
    // `src` (no part file).
    void expectNoneLost(const Hashes& src0, const Hashes& dst0 = {}) const {
        const Hashes src1 = hashes(src), dst1 = hashes(dst);
        const auto at = [](const Hashes& h, const std::string& name) {
            const auto it = h.find(name);
            return it == h.end() ? std::string() : it->second;
        };
        for (const auto& [name, hash] : src0)
            EXPECT_TRUE(at(src1, name) == hash || at(dst1, name) == hash) << "lost: " << name;
        for (const auto& [name, hash] : dst1)
            EXPECT_TRUE(at(dst0, name) == hash || at(src0, name) == hash) << "made up: " << name;
    }
    // Three files in a folder, each bigger than one piece of a copy (1 MiB).
    void bigAlbum() {
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
            put(src / "Album" / name, std::string(MiB + MiB / 2, name[0]));
    }

    TempDir dir;
    const fs::path src = dir / "src", dst = dir / "dst";
    Faults faults;
    FileJob job{&faults};
};

TEST_F(FileMovesTest, AcrossFileSystemsEveryNameArrivesByteExact) {
    const std::string longName = std::string(246, 'n') + ".mp3"; // 250 bytes
    put(src / "Album" / "Caf\xe9.mp3", "latin-1 name");
    put(src / "Album" / longName, "long name");
    put(src / "Album/.hidden", "h");
    put(src / "Album/Disc 2/b.mp3", std::string(MiB + 7, 'b'));
    fs::create_symlink("Caf\xe9.mp3", src / "Album/link.mp3");
    put(src / "Caf\xe9 single.mp3", "alone");
    const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(1000);
    fs::last_write_time(src / "Album" / "Caf\xe9.mp3", stamp);
    const Hashes before = hashes(src);

    for (const char* item : {"Album", "Caf\xe9 single.mp3"}) {
        const MoveOutcome outcome = moveItem(q(src / item), q(dst / item), job);
        EXPECT_TRUE(outcome.ok) << outcome.description().toStdString();
    }
    EXPECT_EQ(hashes(dst), before);
    EXPECT_EQ(hashes(src), Hashes{});
    EXPECT_EQ(fs::last_write_time(dst / "Album" / "Caf\xe9.mp3"), stamp);
}

TEST_F(FileMovesTest, ExistingTargetsAreNeverReplacedOnOneDiskOrAcross) {
    put(src / "Album/a.mp3", "a");
    put(src / "b.mp3", "b");
    put(dst / "File", "someone's file");
    fs::create_symlink(dir / "nowhere", dst / "Dangling");
    fs::create_directories(dst / "Empty"); // a plain rename would replace it
    const Hashes src0 = hashes(src), dst0 = hashes(dst);
    const QString taken = QStringLiteral("something of that name is already there");
    for (const bool across : {false, true}) {
        faults.across = across;
        for (const char* target : {"File", "Dangling", "Empty"})
            EXPECT_EQ(moveItem(q(src / "Album"), q(dst / target), job).description(),
                      cannotMove(src / "Album", dst / target, taken))
                << target;
        EXPECT_EQ(moveItem(q(src / "b.mp3"), q(dst / "File"), job).description(),
                  cannotMove(src / "b.mp3", dst / "File", taken));
        EXPECT_EQ(moveItem(q(src / "b.mp3"), q(dst / "missing/b.mp3"), job).description(),
                  cannotMove(src / "b.mp3", dst / "missing/b.mp3", std::strerror(ENOENT)));
        EXPECT_EQ(moveItem(q(src / "gone.mp3"), q(dst / "gone.mp3"), job).description(),
                  cannotMove(src / "gone.mp3", dst / "gone.mp3", "it no longer exists"));
        EXPECT_EQ(hashes(src), src0);
        EXPECT_EQ(hashes(dst), dst0);
    }
}

// A bind mount shows one folder at two paths, and a move between them crosses mount points
// (EXDEV): a link stands in for it here.
TEST_F(FileMovesTest, TheSameItemByTwoPathsIsNeverMovedOntoItself) {
    put(src / "Album/a.mp3", "a");
    put(src / "Album/Sub/b.mp3", "b");
    fs::create_symlink(src / "Album", dst / "Album");
    fs::create_symlink(src / "Album/a.mp3", dst / "a.mp3");
    const Hashes before = hashes(dir.path());

    MoveOutcome outcome = mergeFolder(q(src / "Album"), q(dst / "Album"), job);
    EXPECT_EQ(outcome.description(), cannotMove(src / "Album", dst / "Album",
                                                "it is the same folder, reached by another path"));
    outcome = replaceFile(q(src / "Album/a.mp3"), q(dst / "Album/a.mp3"), job);
    EXPECT_EQ(outcome.description(), cannotMove(src / "Album/a.mp3", dst / "Album/a.mp3",
                                                "it is the same item as the target"));
    outcome = replaceFile(q(src / "Album/a.mp3"), q(dst / "a.mp3"), job);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(
        outcome.description().startsWith(cannotMove(src / "Album/a.mp3", dst / "a.mp3", "")))
        << outcome.description().toStdString();
    outcome = moveItem(q(src / "Album"), q(dst / "Album/Sub/Album"), job);
    EXPECT_EQ(outcome.description(), cannotMove(src / "Album", dst / "Album/Sub/Album",
                                                "a folder cannot move into itself"));
    EXPECT_EQ(hashes(dir.path()), before);
}

TEST_F(FileMovesTest, WhatChangesDuringTheCopyStaysInTheSourceAndIsNamed) {
    put(src / "Added/a.mp3", "a");
    put(src / "Added/Sub/b.mp3", "b");
    put(src / "Changed/a.mp3", "a");
    put(src / "Changed/b.mp3", "b");
    Hashes src0 = hashes(src);
    faults.onCopied = [&](const fs::path& source) {
        if (source == src / "Added/a.mp3") put(src / "Added/new.mp3", "new");
        if (source == src / "Changed/a.mp3") std::ofstream(source, std::ios::app) << " and more";
    };

    EXPECT_EQ(moveItem(q(src / "Added"), q(dst / "Added"), job).description(),
              QStringLiteral("\"%1\" was not removed: these items were added to it during the "
                             "move and stay there:\nnew.mp3")
                  .arg(q(src / "Added")));
    EXPECT_EQ(moveItem(q(src / "Changed"), q(dst / "Changed"), job).description(),
              "These files changed during the move and stay where they were:\n" +
                  q(src / "Changed/a.mp3"));
    src0["Changed/a.mp3"] = hashOf("a and more");
    expectNoneLost(src0);
    EXPECT_EQ(hashes(src), (Hashes{{"Added", "folder"},
                                   {"Added/new.mp3", hashOf("new")},
                                   {"Changed", "folder"},
                                   {"Changed/a.mp3", hashOf("a and more")}}));
}

TEST_F(FileMovesTest, ATargetAppearingMidJobIsLeftAloneAndTheCopyTakenBack) {
    put(src / "a.mp3", "a");
    put(src / "Album/b.mp3", "b");
    put(src / "Album/c.mp3", "c");
    const Hashes before = hashes(src);
    faults.onCopied = [&](const fs::path& source) {
        put(dst / source.lexically_relative(src), "appeared");
    };
    const QString appeared = QStringLiteral("something of that name appeared there meanwhile");
    EXPECT_EQ(moveItem(q(src / "a.mp3"), q(dst / "a.mp3"), job).description(),
              cannotMove(src / "a.mp3", dst / "a.mp3", appeared));
    EXPECT_EQ(moveItem(q(src / "Album"), q(dst / "Album"), job).description(),
              cannotMove(src / "Album", dst / "Album", appeared));
    EXPECT_EQ(hashes(src), before);
    // The first file of the folder got its stranger; nothing of the job's own is left.
    Hashes strangers = hashes(dst);
    EXPECT_EQ(strangers.size(), 3u);
    EXPECT_EQ(strangers.erase("a.mp3") + strangers.erase("Album"), 2u);
    for (const auto& [name, hash] : strangers)
        EXPECT_EQ(hash, hashOf("appeared")) << name;
}

TEST_F(FileMovesTest, AFullDiskOrAnIOErrorMidFileTakesBackTheWholeCopy) {
    bigAlbum();
    const Hashes before = hashes(src);
    for (const int error : {ENOSPC, EIO}) {
        int files = 0; // fails at the second MiB of the second file copied
        faults.onWrite = [&](std::uint64_t offset) {
            if (offset == 0) ++files;
            return files == 2 && offset >= MiB ? error : 0;
        };
        const QString why = moveItem(q(src / "Album"), q(dst / "Album"), job).description();
        if (error == ENOSPC)
            EXPECT_TRUE(why.startsWith(
                cannotMove(src / "Album", dst / "Album", "Not enough free space on \"")))
                << why.toStdString();
        else
            EXPECT_EQ(why, cannotMove(src / "Album", dst / "Album", std::strerror(EIO)));
        EXPECT_EQ(hashes(src), before);
        EXPECT_EQ(hashes(dst), Hashes{});
    }
}

TEST_F(FileMovesTest, ACancelMidFileLeavesNothingOfTheJob) {
    bigAlbum();
    const Hashes before = hashes(src);
    int files = 0;
    faults.onWrite = [&](std::uint64_t offset) {
        if (offset == 0) ++files;
        if (files == 2 && offset >= MiB) job.cancel();
        return 0;
    };
    const MoveOutcome outcome = moveItem(q(src / "Album"), q(dst / "Album"), job);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_TRUE(outcome.ok && outcome.errors.empty()) << outcome.description().toStdString();
    EXPECT_EQ(hashes(src), before);
    EXPECT_EQ(hashes(dst), Hashes{});
}

TEST_F(FileMovesTest, MergingAcrossReplacesMatchingFilesAndKeepsWhatCannotMove) {
    put(src / "Album/a.mp3", "new a");
    put(src / "Album/b.mp3", "new b");
    put(src / "Album/Sub/c.mp3", "new c");
    put(src / "Album/Clash", "a file named like a folder there");
    put(dst / "Album/a.mp3", "old a");
    put(dst / "Album/Sub/d.mp3", "old d");
    fs::create_directories(dst / "Album/Clash");
    const Hashes src0 = hashes(src), dst0 = hashes(dst);
    EXPECT_EQ(
        mergeFolder(q(src / "Album"), q(dst / "Album"), job).description(),
        cannotMove(src / "Album/Clash", dst / "Album/Clash", "a folder of that name is there"));
    expectNoneLost(src0, dst0);
    EXPECT_EQ(hashes(src), (Hashes{{"Album", "folder"}, {"Album/Clash", src0.at("Album/Clash")}}));
    EXPECT_EQ(hashes(dst).at("Album/a.mp3"), hashOf("new a"));
    EXPECT_EQ(hashes(dst).at("Album/Sub/d.mp3"), hashOf("old d"));
}

// What a job has just brought in is never replaced: a merge replaces only what its target
// held before it began, a replace only the file the question was about.
TEST_F(FileMovesTest, OnlyWhatWasThereBeforeIsReplaced) {
    put(src / "Album/a.mp3", "new a");
    put(src / "Album/z.mp3", "new z");
    fs::create_directories(dst / "Album");
    std::string other;
    faults.onCopied = [&](const fs::path& source) {
        if (!other.empty()) return;
        other = source.filename() == "a.mp3" ? "z.mp3" : "a.mp3"; // not moved yet
        put(dst / "Album" / other, "came meanwhile");
    };
    EXPECT_FALSE(mergeFolder(q(src / "Album"), q(dst / "Album"), job).ok);
    EXPECT_EQ(hashes(dst).at("Album/" + other), hashOf("came meanwhile"));
    EXPECT_EQ(hashes(src).at("Album/" + other), hashOf("new " + other.substr(0, 1)));

    put(src / "b.mp3", "new b");
    put(dst / "b.mp3", "old b");
    const ItemLook asked = lookAtItem(q(dst / "b.mp3"));
    put(dst / "c.mp3", "came meanwhile");
    fs::rename(dst / "c.mp3", dst / "b.mp3");
    EXPECT_FALSE(replaceFile(q(src / "b.mp3"), q(dst / "b.mp3"), job, &asked).ok);
    EXPECT_EQ(hashes(dst).at("b.mp3"), hashOf("came meanwhile"));
    EXPECT_EQ(hashes(src).at("b.mp3"), hashOf("new b"));
}

TEST_F(FileMovesTest, RemovalTakesLinksAsLinksAndACancelHalfWayLeavesTheRest) {
    for (const char* file : {"Top/a.mp3", "Top/L1/b.mp3", "Top/L1/L2/c.mp3", "Top/L1/L2/L3/d"})
        put(src / file);
    put(dst / "Outside/keep.mp3", "keep");
    fs::create_symlink(dst / "Outside", src / "Top/L1/outside");
    const Hashes outside = hashes(dst);
    ASSERT_EQ(countEntries(q(src / "Top"), job), 9);
    const Result whole = removeItem(q(src / "Top"), job);
    EXPECT_TRUE(whole) << whole.message();
    EXPECT_EQ(job.progress().itemsDone, 9);
    EXPECT_EQ(hashes(src), Hashes{});
    EXPECT_EQ(hashes(dst), outside);

    // A cancel half-way through a folder: what went is gone, the rest stays as it was.
    for (int i = 0; i < 400; ++i)
        put(src / "Top" / std::to_string(i % 4) / std::to_string(i), std::to_string(i));
    const Hashes before = hashes(src);
    Faults faults;
    FileJob stopped(&faults);
    int removed = 0;
    faults.onRemoved = [&] {
        if (++removed == 50) stopped.cancel();
    };
    const Result cut = removeItem(q(src / "Top"), stopped);
    EXPECT_FALSE(cut) << "finished despite the cancel";
    EXPECT_EQ(removed, 50);
    EXPECT_EQ(cut.reason(), "") << "a cancel is no failure to report";
    const Hashes rest = hashes(src);
    EXPECT_TRUE(rest.count("Top") && rest.size() < before.size()) << rest.size();
    for (const auto& [name, hash] : rest)
        EXPECT_EQ(before.at(name), hash) << name;
}

// A FIFO named like a song goes by a rename on one disk; across disks it is refused by name,
// and never opened: an open for reading would wait for a writer for ever.
TEST_F(FileMovesTest, AFifoIsMovedOnlyByARenameAndNeverOpened) {
    put(src / "Album/a.mp3");
    ASSERT_TRUE(makeFifo(src / "pipe.mp3"));
    ASSERT_TRUE(makeFifo(src / "Album/pipe.mp3"));
    const Hashes before = hashes(src);
    MoveOutcome one, folder;
    EXPECT_TRUE(endsWithoutBlocking(src / "pipe.mp3", [&] {
        one = moveItem(q(src / "pipe.mp3"), q(dst / "pipe.mp3"), job);
        folder = moveItem(q(src / "Album"), q(dst / "Album"), job);
    }));
    const QString notCopied = "\"%1\" is not a file or folder that can be copied";
    EXPECT_EQ(one.description(),
              cannotMove(src / "pipe.mp3", dst / "pipe.mp3", notCopied.arg(q(src / "pipe.mp3"))));
    EXPECT_EQ(folder.description(),
              cannotMove(src / "Album", dst / "Album", notCopied.arg(q(src / "Album/pipe.mp3"))));
    EXPECT_EQ(hashes(src), before);
    EXPECT_EQ(hashes(dst), Hashes{});

    faults.across = false;
    EXPECT_TRUE(moveItem(q(src / "pipe.mp3"), q(dst / "pipe.mp3"), job).ok);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dst / "pipe.mp3")));
}

// A real second file system: the one test of a move where the kernel itself says EXDEV.
TEST_F(FileMovesTest, ARealSecondDiskTakesAFolderAndRefusesOneTooBigBeforeCopying) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    if (::mount("tmpfs", dst.c_str(), "tmpfs", 0, "size=8m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        const fs::path& at;
        ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmount{dst};

    put(src / "Album/a.mp3", std::string(MiB, 'a'));
    put(src / "Album/Disc 2/b.mp3", "b");
    fs::create_symlink("a.mp3", src / "Album/link.mp3");
    const Hashes album = hashes(src);
    FileJob plain; // no fault injected
    EXPECT_TRUE(moveItem(q(src / "Album"), q(dst / "Album"), plain).ok);
    EXPECT_EQ(hashes(dst), album);
    EXPECT_EQ(hashes(src), Hashes{});

    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        put(src / "Big" / name, std::string(3 * MiB, name[0]));
    const Hashes big = hashes(src);
    FileJob tooBig;
    const QString why = moveItem(q(src / "Big"), q(dst / "Big"), tooBig).description();
    EXPECT_TRUE(why.startsWith(cannotMove(src / "Big", dst / "Big", "Not enough free space on \"")))
        << why.toStdString();
    EXPECT_EQ(tooBig.progress().bytesDone, 0);
    EXPECT_EQ(hashes(src), big);
    EXPECT_EQ(hashes(dst), album);

    // That drive's own Trash takes a folder inside one whose name is not valid text.
    put(dst / "Caf\xe9/Live/x.mp3");
    const Result trashed = moveToTrash(q(dst / "Caf\xe9/Live"));
    EXPECT_TRUE(trashed) << trashed.message();
    EXPECT_TRUE(fs::exists(dst / (".Trash-" + std::to_string(::getuid())) / "files/Live"));

    // Deleting a folder for good stops at a drive mounted inside it.
    fs::create_directories(src / "Holder/Mounted");
    put(src / "Holder/own.mp3");
    ASSERT_EQ(::mount(dst.c_str(), (src / "Holder/Mounted").c_str(), nullptr, MS_BIND, nullptr), 0);
    struct Unbind {
        fs::path at;
        ~Unbind() { ::umount2(at.c_str(), MNT_DETACH); }
    } unbind{src / "Holder/Mounted"};
    const Result kept = removeItem(q(src / "Holder"), plain);
    EXPECT_EQ(kept.file(), (src / "Holder/Mounted").native()) << "names the mounted folder";
    EXPECT_NE(kept.reason().find("another drive mounted there"), std::string::npos)
        << kept.message();
    EXPECT_TRUE(fs::exists(src / "Holder/Mounted/Album/a.mp3"));
}

} // namespace
} // namespace tunewalk
