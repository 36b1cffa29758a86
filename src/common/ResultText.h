#pragma once

#include "common/NativePath.h"
#include "common/Result.h"

#include <QFileDevice>
#include <QString>

namespace tunewalk {

// The Qt side of Result: files are named as the program keeps paths (see NativePath.h).

// A failure of `file`, with the reason Qt's file classes give (the system's, for a system call).
inline Result fileFailure(const QFileDevice& file) {
    return Result::failure(toNativePath(file.fileName()).toStdString(),
                           file.errorString().toStdString());
}

// A failure of the item at `nativePath` (its bytes) or `path`, for a reason in the program's
// own words.
inline Result itemFailure(const QByteArray& nativePath, const QString& reason) {
    return Result::failure(nativePath.toStdString(), reason.toLocal8Bit().toStdString());
}
inline Result itemFailure(const QString& path, const QString& reason) {
    return itemFailure(toNativePath(path), reason);
}

// The reason alone, for a message that names the item its own way.
inline QString reasonText(const Result& result) {
    return QString::fromLocal8Bit(result.reason());
}

// "<file>: <reason>" for a message box; empty for success.
inline QString messageText(const Result& result) {
    if (result) return {};
    if (result.file().empty()) return reasonText(result);
    return displayPath(fromNativePath(QByteArray::fromStdString(result.file()))) +
           QStringLiteral(": ") + reasonText(result);
}

} // namespace tunewalk
