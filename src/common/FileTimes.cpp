#include "common/FileTimes.h"

#include "common/NativePath.h"

#ifdef Q_OS_WIN
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace tunewalk {

#ifdef Q_OS_WIN

// Windows keeps 100 ns ticks, Qt hands over milliseconds: close enough for the list and for
// other programs' change checks, which compare to the second or the millisecond.
std::optional<FileTime> modificationTime(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return std::nullopt;
    const qint64 ms = info.lastModified().toMSecsSinceEpoch();
    return FileTime{ms / 1000, (ms % 1000) * 1000000};
}

Result setModificationTime(const QString& path, const FileTime& time) {
    QFile file(path);
    const QDateTime when =
        QDateTime::fromMSecsSinceEpoch(time.seconds * 1000 + time.nanoseconds / 1000000);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) ||
        !file.setFileTime(when, QFileDevice::FileModificationTime))
        return Result::failure(displayPath(path).toStdString(), file.errorString().toStdString());
    return Result::ok();
}

#else

std::optional<FileTime> modificationTime(const QString& path) {
    struct stat st {};
    if (::stat(toNativePath(path).constData(), &st) != 0) return std::nullopt;
    return FileTime{qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec)};
}

Result setModificationTime(const QString& path, const FileTime& time) {
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT; // the access time stays as the save left it
    times[1].tv_sec = static_cast<time_t>(time.seconds);
    times[1].tv_nsec = static_cast<long>(time.nanoseconds);
    if (::utimensat(AT_FDCWD, toNativePath(path).constData(), times, 0) == 0) return Result::ok();
    const int error = errno; // before anything else can change it
    return Result::failure(displayPath(path).toStdString(), std::strerror(error));
}

#endif

} // namespace tunewalk
