#include "common/NativePath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tunewalk {

namespace {
constexpr char16_t RawBase = 0xDC80; // U+DC80..U+DCFF stand for the bytes 0x80..0xFF

// Whether the unit at `i` stands for a raw byte: in the range and alone, not the second half
// of a valid pair (U+1F4BF, an emoji, ends in 0xDCBF).
bool isRaw(const QString& path, qsizetype i) {
    const char16_t c = path[i].unicode();
    return c >= RawBase && c <= RawBase + 0x7F && (i == 0 || !path[i - 1].isHighSurrogate());
}

#ifndef Q_OS_WIN
// Length of the valid UTF-8 sequence at `p` (at most `left` bytes), or 0 when it is not one.
// Overlong forms, surrogates and values over U+10FFFF are not valid.
int validSequence(const unsigned char* p, qsizetype left) {
    const unsigned char c = p[0];
    if (c < 0x80) return 1;
    int n = 0;
    char32_t value = 0, minimum = 0;
    if ((c & 0xE0) == 0xC0) {
        n = 2, value = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, value = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, value = c & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (left < n) return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    return n;
}
#endif
} // namespace

#ifdef Q_OS_WIN
QString fromNativePath(const QByteArray& bytes) {
    return QFile::decodeName(bytes);
}
QByteArray toNativePath(const QString& path) {
    return QFile::encodeName(path);
}
std::filesystem::path toFsPath(const QString& path) {
    return std::filesystem::path(path.toStdU16String());
}
QString fromFsPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}
QUrl fileUrl(const QString& path) {
    return QUrl::fromLocalFile(path);
}
QString localPath(const QUrl& url) {
    return url.toLocalFile();
}
#else
QString fromNativePath(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) { // the common case: all valid, one conversion
        const int n = validSequence(p + i, size - i);
        if (n == 0) break;
        i += n;
    }
    if (i == size) return QString::fromUtf8(bytes);
    QString path = QString::fromUtf8(bytes.constData(), i);
    while (i < size) {
        const int n = validSequence(p + i, size - i);
        if (n == 0) {
            path += QChar(char16_t(RawBase + (p[i] - 0x80)));
            ++i;
        } else {
            path += QString::fromUtf8(bytes.constData() + i, n);
            i += n;
        }
    }
    return path;
}

QByteArray toNativePath(const QString& path) {
    if (!hasRawBytes(path)) return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size() * 2);
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isRaw(path, i)) continue;
        bytes += QStringView(path).mid(start, i - start).toUtf8();
        bytes += char(path[i].unicode() - RawBase + 0x80);
        start = i + 1;
    }
    bytes += QStringView(path).mid(start).toUtf8();
    return bytes;
}

std::filesystem::path toFsPath(const QString& path) {
    return std::filesystem::path(toNativePath(path).toStdString());
}
QString fromFsPath(const std::filesystem::path& path) {
    return fromNativePath(QByteArray::fromStdString(path.native()));
}

// QUrl::fromLocalFile and toLocalFile go through UTF-8 and turn a raw byte into U+FFFD; a
// percent-encoded byte rides through QUrl unchanged. Other names keep Qt's own conversion.
QUrl fileUrl(const QString& path) {
    if (!hasRawBytes(path)) return QUrl::fromLocalFile(path);
    return QUrl::fromEncoded("file://" + toNativePath(path).toPercentEncoding("/"));
}
QString localPath(const QUrl& url) {
    if (!url.isLocalFile()) return {};
    const QString path =
        fromNativePath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
    return hasRawBytes(path) ? path : url.toLocalFile();
}
#endif

QStringList nativeArguments(int argc, char** argv) {
    QStringList arguments;
#ifdef Q_OS_WIN
    Q_UNUSED(argc);
    Q_UNUSED(argv);
    arguments = QCoreApplication::arguments(); // from the wide command line
    if (!arguments.isEmpty()) arguments.removeFirst();
#else
    for (int i = 1; i < argc; ++i)
        arguments << fromNativePath(QByteArray(argv[i]));
#endif
    return arguments;
}

bool hasRawBytes(const QString& path) {
    for (qsizetype i = 0; i < path.size(); ++i)
        if (isRaw(path, i)) return true;
    return false;
}

bool openForReading(QFile& file, const QString& path) {
#ifndef Q_OS_WIN
    if (hasRawBytes(path)) {
        const int fd = ::open(toNativePath(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) return true;
        ::close(fd);
        return false;
    }
#endif
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
}

NativeFileInfo nativeFileInfo(const QString& path) {
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.exists()) return {};
    const QDateTime modified = info.lastModified();
    return {true,
            info.isDir(),
            info.isFile(),
            info.size(),
            modified,
            modified.toMSecsSinceEpoch() * 1000000,
            0,
            0};
#else
    // One stat by the exact bytes; a big listing asks this of every file, and it costs less
    // than a QFileInfo.
    struct stat st {};
    if (::stat(toNativePath(path).constData(), &st) != 0) return {};
    const qint64 ns = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return {true,
            S_ISDIR(st.st_mode),
            S_ISREG(st.st_mode),
            qint64(st.st_size),
            QDateTime::fromMSecsSinceEpoch(ns / 1000000),
            ns,
            quint64(st.st_ino),
            qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
#endif
}

QString displayPath(const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    if (!hasRawBytes(path)) return shown;
    for (qsizetype i = 0; i < shown.size(); ++i)
        if (isRaw(path, i)) shown[i] = QChar::ReplacementCharacter;
    return shown;
}

} // namespace tunewalk
