#pragma once

#include <QString>
#include <optional>

namespace tunewalk {

// What a row of the list stands for. Special rows are the desktop view's "My Computer" and
// "My Documents": they open like folders, but are no folder that can be moved or renamed.
enum class RowKind { Folder, MP3, WAV, Drive, Special };

// The key of the list and the tree when they show the mounted volumes.
inline const QString DrivesKey = QStringLiteral("Drives");

inline bool isAudio(RowKind kind) {
    return kind == RowKind::MP3 || kind == RowKind::WAV;
}

// MP3 or WAV by the name's extension, in any case; nothing for any other name.
inline std::optional<RowKind> audioKindOf(QStringView name) {
    if (name.size() < 4 || name[name.size() - 4] != QLatin1Char('.')) return std::nullopt;
    const QStringView ext = name.right(3);
    if (ext.compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0) return RowKind::MP3;
    if (ext.compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0) return RowKind::WAV;
    return std::nullopt;
}

} // namespace tunewalk
