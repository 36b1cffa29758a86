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

// "<file>: <reason>" for a message box; empty for success.
inline QString messageText(const Result& result) {
    if (result) return {};
    if (result.file().empty()) return QString::fromLocal8Bit(result.reason());
    return displayPath(fromNativePath(QByteArray::fromStdString(result.file()))) +
           QStringLiteral(": ") + QString::fromLocal8Bit(result.reason());
}

} // namespace tunewalk
