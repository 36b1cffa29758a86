#include "history/KeptFiles.h"

#include "common/FileTimes.h"
#include "common/NativePath.h"
#include "common/SaveNames.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tunewalk::history {

namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Copies `from` to `to` (made anew), flushed, with the source's permissions and time.
QString copyFile(const QByteArray& from, const QByteArray& to) {
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) return reason(errno);
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return reason(EINVAL);
    }
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return reason(error);
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        for (ssize_t put = 0; put < got && ok;) {
            const ssize_t n = ::write(out, buffer.data() + put, std::size_t(got - put));
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            put += n > 0 ? n : 0;
        }
        if (!ok) break;
    }
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ok = ok && ::fchmod(out, st.st_mode & 07777) == 0 && ::futimens(out, times) == 0 &&
         ::fsync(out) == 0;
    const int error = errno;
    ::close(in);
    ::close(out);
    if (!ok) {
        ::unlink(to.constData());
        return reason(error ? error : EIO);
    }
    return {};
}

void syncFolderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    const QByteArray dir = slash <= 0 ? QByteArray("/") : path.left(slash);
    if (const int d = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); d >= 0) {
        (void)::fsync(d);
        ::close(d);
    }
}

} // namespace

QString keptFolderFor(const QString& storePath) {
    return QFileInfo(storePath).absolutePath() + QStringLiteral("/kept");
}

QString newKeptPath(const QString& folder, const QString& path) {
    return QStringLiteral("%1/%2-%3-%4")
        .arg(folder)
        .arg(QDateTime::currentMSecsSinceEpoch(), 13, 10, QLatin1Char('0'))
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
        .arg(QFileInfo(path).fileName());
}

QString keepFile(const QString& path, const QString& kept) {
    QDir().mkpath(QFileInfo(kept).absolutePath());
    const QByteArray from = toNativePath(path), to = toNativePath(kept);
    if (::link(from.constData(), to.constData()) == 0) {
        syncFolderOf(to);
        return {};
    }
    if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP)
        return reason(errno);
    const QString copied = copyFile(from, to);
    if (copied.isEmpty()) syncFolderOf(to);
    return copied;
}

QString restoreFile(const QString& kept, const QString& path) {
    const QByteArray from = toNativePath(kept), to = toNativePath(path);
    if (::rename(from.constData(), to.constData()) == 0) {
        syncFolderOf(to);
        return {};
    }
    if (errno != EXDEV) return reason(errno);
    const QByteArray temp = QByteArray::fromStdString(rewritePathFor(to.toStdString()));
    ::unlink(temp.constData());
    if (const QString copied = copyFile(from, temp); !copied.isEmpty()) return copied;
    if (::rename(temp.constData(), to.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return reason(error);
    }
    syncFolderOf(to);
    ::unlink(from.constData());
    return {};
}

void pruneKept(const QString& folder, qint64 maxBytes, int maxAgeDays, qint64 nowMs) {
    QDir dir(folder);
    if (!dir.exists()) return;
    struct Kept {
        QByteArray path;
        qint64 atMs = 0;
        qint64 bytes = 0;
    };
    std::vector<Kept> all;
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        Kept k;
        k.path = toNativePath(dir.filePath(name));
        k.atMs = name.section(QLatin1Char('-'), 0, 0).toLongLong();
        struct stat st {};
        if (::lstat(k.path.constData(), &st) != 0) continue;
        // A link to a file that is still in its folder costs nothing of its own.
        k.bytes = st.st_nlink > 1 ? 0 : qint64(st.st_blocks) * 512;
        all.push_back(std::move(k));
    }
    std::sort(all.begin(), all.end(), [](const Kept& a, const Kept& b) { return a.atMs < b.atMs; });
    qint64 total = 0;
    for (const Kept& k : all)
        total += k.bytes;
    const qint64 oldest = nowMs - qint64(maxAgeDays) * 24 * 3600 * 1000;
    for (const Kept& k : all) {
        if (k.atMs >= oldest && total <= maxBytes) break;
        if (::unlink(k.path.constData()) == 0) total -= k.bytes;
    }
}

} // namespace tunewalk::history
