// A read-only pass-through file system that waits a set time before every call, so a local
// folder behaves like one on a slow network share: no attribute cache, parallel calls overlap.
//
//   latencyfs [--delay-ms=N] [--hang] SOURCE MOUNTPOINT [-f] [FUSE options]
//
// The hidden file /.latencyfs-stats (not listed, not delayed, not counted) reads back the
// counts so far: "audio_opens=N opens=N getattr=N readdir=N". With --hang every call waits
// until the file system is told to end, as on a dead mount (then `fusermount3 -uz` and SIGTERM).

#define FUSE_USE_VERSION 35
#define _GNU_SOURCE

#include <fuse.h>
#include <fuse_lowlevel.h>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static const char kStatsPath[] = "/.latencyfs-stats";

static int source_fd = -1;
static long delay_ms = 5;
static int hang = 0;
static atomic_long audio_opens, opens, getattrs, readdirs;

// Every call pays the latency first; sleeping, so many waiting calls cost no processor time.
// Hung, a call waits until the file system is told to end (unmount, SIGTERM): libfuse cannot
// cancel a worker inside a call, so the wait looks for the end itself. False then.
static int wait_latency(void) {
    if (hang) {
        struct fuse_session* session = fuse_get_session(fuse_get_context()->fuse);
        const struct timespec tenth = {0, 100000000L};
        while (!fuse_session_exited(session))
            nanosleep(&tenth, NULL);
        return 0;
    }
    struct timespec left = {delay_ms / 1000, (delay_ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
    return 1;
}

// The path relative to the source folder ("." for the root).
static const char* rel(const char* path) {
    return path[1] ? path + 1 : ".";
}

static int is_stats(const char* path) {
    return strcmp(path, kStatsPath) == 0;
}

static int is_audio(const char* path) {
    const size_t n = strlen(path);
    return n > 4 &&
           (strcasecmp(path + n - 4, ".mp3") == 0 || strcasecmp(path + n - 4, ".wav") == 0);
}

static void* lfs_init(struct fuse_conn_info* conn, struct fuse_config* cfg) {
    // As on a share without an attribute cache: every stat and lookup reaches us.
    cfg->attr_timeout = 0;
    cfg->entry_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->kernel_cache = 0;
    conn->want &= ~FUSE_CAP_READDIRPLUS;
    return NULL;
}

static int lfs_getattr(const char* path, struct stat* st, struct fuse_file_info* fi) {
    (void)fi;
    if (is_stats(path)) {
        memset(st, 0, sizeof *st);
        st->st_mode = S_IFREG | 0444;
        st->st_nlink = 1;
        return 0;
    }
    atomic_fetch_add(&getattrs, 1);
    if (!wait_latency()) return -ENOTCONN;
    return fstatat(source_fd, rel(path), st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int lfs_access(const char* path, int mask) {
    if (is_stats(path)) return 0;
    if (!wait_latency()) return -ENOTCONN;
    return faccessat(source_fd, rel(path), mask, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -errno;
}

static int lfs_readlink(const char* path, char* buf, size_t size) {
    if (!wait_latency()) return -ENOTCONN;
    const ssize_t n = readlinkat(source_fd, rel(path), buf, size - 1);
    if (n < 0) return -errno;
    buf[n] = '\0';
    return 0;
}

static int lfs_opendir(const char* path, struct fuse_file_info* fi) {
    if (!wait_latency()) return -ENOTCONN;
    const int fd = openat(source_fd, rel(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return -errno;
    }
    fi->fh = (uint64_t)(uintptr_t)dir;
    return 0;
}

static int lfs_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t offset,
                       struct fuse_file_info* fi, enum fuse_readdir_flags flags) {
    (void)path;
    (void)offset;
    (void)flags;
    atomic_fetch_add(&readdirs, 1);
    if (!wait_latency()) return -ENOTCONN;
    DIR* dir = (DIR*)(uintptr_t)fi->fh;
    // Offset 0 for every entry: the whole folder is given in one call, as libfuse allows.
    rewinddir(dir);
    for (struct dirent* e; (e = readdir(dir)) != NULL;) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = e->d_ino;
        st.st_mode = (mode_t)DTTOIF(e->d_type); // the entry's kind, without a stat
        if (fill(buf, e->d_name, &st, 0, 0)) break;
    }
    return 0;
}

static int lfs_releasedir(const char* path, struct fuse_file_info* fi) {
    (void)path;
    if (!wait_latency()) return -ENOTCONN;
    closedir((DIR*)(uintptr_t)fi->fh);
    return 0;
}

static int lfs_open(const char* path, struct fuse_file_info* fi) {
    if (is_stats(path)) {
        fi->direct_io = 1; // its size is not known ahead
        fi->fh = (uint64_t)-1;
        return 0;
    }
    atomic_fetch_add(&opens, 1);
    if (is_audio(path)) atomic_fetch_add(&audio_opens, 1);
    if (!wait_latency()) return -ENOTCONN;
    if ((fi->flags & O_ACCMODE) != O_RDONLY) return -EROFS;
    const int fd = openat(source_fd, rel(path), O_RDONLY);
    if (fd < 0) return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int lfs_read(const char* path, char* buf, size_t size, off_t offset,
                    struct fuse_file_info* fi) {
    if (is_stats(path)) {
        char text[160];
        const int n =
            snprintf(text, sizeof text, "audio_opens=%ld opens=%ld getattr=%ld readdir=%ld\n",
                     atomic_load(&audio_opens), atomic_load(&opens), atomic_load(&getattrs),
                     atomic_load(&readdirs));
        if (offset >= n) return 0;
        const size_t count = (size_t)(n - offset) < size ? (size_t)(n - offset) : size;
        memcpy(buf, text + offset, count);
        return (int)count;
    }
    if (!wait_latency()) return -ENOTCONN;
    const ssize_t n = pread((int)fi->fh, buf, size, offset);
    return n < 0 ? -errno : (int)n;
}

static int lfs_release(const char* path, struct fuse_file_info* fi) {
    if (is_stats(path)) return 0;
    if (!wait_latency()) return -ENOTCONN;
    close((int)fi->fh);
    return 0;
}

static int lfs_statfs(const char* path, struct statvfs* st) {
    (void)path;
    if (!wait_latency()) return -ENOTCONN;
    return fstatvfs(source_fd, st) == 0 ? 0 : -errno;
}

static const struct fuse_operations kOperations = {
    .init = lfs_init,
    .getattr = lfs_getattr,
    .access = lfs_access,
    .readlink = lfs_readlink,
    .opendir = lfs_opendir,
    .readdir = lfs_readdir,
    .releasedir = lfs_releasedir,
    .open = lfs_open,
    .read = lfs_read,
    .release = lfs_release,
    .statfs = lfs_statfs,
};

int main(int argc, char* argv[]) {
    // Our own options and the source folder come out; the rest goes to libfuse.
    char** rest = calloc((size_t)argc + 3, sizeof *rest);
    int n = 0;
    const char* source = NULL;
    rest[n++] = argv[0];
    for (int i = 1; i < argc; ++i) {
        if (strncmp(argv[i], "--delay-ms=", 11) == 0) {
            char* end = NULL;
            delay_ms = strtol(argv[i] + 11, &end, 10);
            if (*end || delay_ms < 0) {
                fprintf(stderr, "latencyfs: bad %s\n", argv[i]);
                return 2;
            }
        } else if (strcmp(argv[i], "--hang") == 0) {
            hang = 1;
        } else if (!source && argv[i][0] != '-') {
            source = argv[i];
        } else {
            rest[n++] = argv[i];
        }
    }
    if (!source) {
        fprintf(stderr, "usage: latencyfs [--delay-ms=N] [--hang] SOURCE MOUNTPOINT [-f] [FUSE "
                        "options]\n");
        return 2;
    }
    source_fd = open(source, O_RDONLY | O_DIRECTORY);
    if (source_fd < 0) {
        perror(source);
        return 1;
    }
    /* A share answers many calls at once; libfuse's default of ten threads would not. */
    rest[n++] = "-oro,fsname=latencyfs,max_threads=64";
    rest[n] = NULL;
    return fuse_main(n, rest, &kOperations, NULL);
}
