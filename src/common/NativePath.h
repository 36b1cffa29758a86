#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <filesystem>

namespace tunewalk {

// File names are bytes on this platform and need not be valid UTF-8 (old Latin-1 names from
// Windows or Samba). A path is kept as a QString everywhere in the program, and a byte that is
// not part of valid UTF-8 is carried in it as the lone surrogate U+DC80 + byte, so the path
// turns back into exactly the bytes it came from. Qt's own file classes cannot do that (they
// skip or mangle such names): every file-system call goes through toNativePath, and every name
// read from the disk through fromNativePath. On Windows names are UTF-16 and these are plain
// conversions.

// Bytes as the file system gives them to a path the program keeps.
QString fromNativePath(const QByteArray& bytes);
// The exact bytes the path stands for.
QByteArray toNativePath(const QString& path);
// The same as a std::filesystem path.
std::filesystem::path toFsPath(const QString& path);
QString fromFsPath(const std::filesystem::path& path);

// The program's arguments after the program's name (argc/argv as QApplication left them), each
// kept exactly: QCoreApplication::arguments() turns bytes that are not valid text into U+FFFD.
QStringList nativeArguments(int argc, char** argv);

// Whether the path holds a byte that is not valid text (one carried as a lone surrogate).
bool hasRawBytes(const QString& path);
// A path or name as every message, title and row shows it to the user: each raw byte becomes
// the replacement character U+FFFD, and separators are the platform's own.
QString displayPath(const QString& path);

// A file URL that carries the exact bytes (percent-encoded), for drags, the clipboard and the
// player; localPath is its inverse (an empty path for a URL that is no local file).
QUrl fileUrl(const QString& path);
QString localPath(const QUrl& url);

// Opens `file` for reading by the path's exact bytes (QFile alone cannot name a raw byte).
bool openForReading(QFile& file, const QString& path);

// What a stat of the path says (links followed), asked by the path's exact bytes: QFileInfo
// cannot find a name that is not valid text.
struct NativeFileInfo {
    bool exists = false;
    bool isDir = false;
    bool isFile = false; // a regular file
    qint64 size = 0;
    QDateTime modified;
    qint64 modifiedNs = 0; // the same, to the nanosecond the file system keeps
    quint64 inode = 0;     // 0 where the system has none
    qint64 changedNs = 0;  // the inode's change time; 0 where the system has none
};
NativeFileInfo nativeFileInfo(const QString& path);

} // namespace tunewalk
