#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace tunewalk {

class FileJob;

// The few file-system calls the engine needs beyond std::filesystem, one file per platform.
// Every failure comes back as an errno value (0: it worked).
namespace fsc {

enum class Kind { Missing, File, Folder, Link, Other };

struct ItemState {
    Kind kind = Kind::Missing;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified = 0; // nanoseconds
    int error = 0;             // why it could not be looked at (Missing then)
    bool exists() const { return kind != Kind::Missing; }
};

// The item itself (a link is a link); `lookThrough` follows links.
ItemState lookAt(const std::filesystem::path& path);
ItemState lookThrough(const std::filesystem::path& path);

// One object reached by two paths (a bind mount, a share mounted twice) is the same item.
inline bool sameItem(const ItemState& a, const ItemState& b) {
    return a.exists() && b.exists() && a.device == b.device && a.inode == b.inode;
}
// Whether a file is still as it was when it was copied.
inline bool unchanged(const ItemState& now, const ItemState& then) {
    return sameItem(now, then) && now.size == then.size && now.modified == then.modified;
}

// The platform's rename that fails with EEXIST, rather than replaces, when `to` exists.
int renameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);
// A rename that replaces an existing file.
int renameReplace(const std::filesystem::path& from, const std::filesystem::path& to);

#ifndef _WIN32
// Opens `path` (following links) only when it is a regular file: a FIFO would block the open
// or the read, and a device would be read for ever. The file descriptor, or -1 with errno set
// (EINVAL for anything that is not a regular file).
int openRegular(const std::filesystem::path& path, int flags);
#endif

// copyContents' answer when the source's size changed while it was read (a program still
// writing it): the copy is not the file as it is now.
constexpr int ChangedWhileCopied = -1;

// Copies the file `source` (as `state` describes it) into `copy`, which it creates and which
// must not exist (EEXIST then, and nothing is made): every byte, then flushed to the disk, with
// the source's permissions and modification time, and checked for its size. Counts the bytes
// into the job and stops with ECANCELED when the job is cancelled. `created` tells whether the
// copy was made: on a failure after that, the half-made copy is the caller's to remove.
int copyContents(const std::filesystem::path& source, const ItemState& state,
                 const std::filesystem::path& copy, FileJob& job, bool* created);

int removeFile(const std::filesystem::path& path);   // a file or a link, never followed
int removeFolder(const std::filesystem::path& path); // only an empty one

// Makes a folder's entries (a file renamed into it, a folder made in it) survive a crash or a
// stick pulled right after the move said it was done.
void flushFolder(const std::filesystem::path& folder);

// The top of the file system holding `path` (its mount point), found by the device number
// rather than by the mount table, so raw names work too.
std::filesystem::path volumeRoot(const std::filesystem::path& path);

// Bytes an unprivileged user may still write on the file system holding `folder`.
std::optional<std::uint64_t> freeSpace(const std::filesystem::path& folder);

} // namespace fsc
} // namespace tunewalk
