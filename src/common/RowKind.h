#pragma once

#include <QString>
#include <optional>

namespace tunewalk {

// What a row of the list stands for. Special rows are the desktop view's "My Computer" and
// "My Documents": they open like folders, but are no folder that can be moved or renamed.
// The kinds after WAV are listed only while every audio format is read (allAudioKindsListed).
enum class RowKind { Folder, MP3, WAV, Drive, Special, FLAC, Ogg, Opus, M4A, AIFF };

// The key of the list and the tree when they show the mounted volumes.
inline const QString DrivesKey = QStringLiteral("Drives");

inline bool isAudio(RowKind kind) {
    return kind == RowKind::MP3 || kind == RowKind::WAV || kind >= RowKind::FLAC;
}

// Uncompressed sound (WAV, AIFF): no bitrate is shown, and a missing tag field stays blank.
inline bool isPlainSound(RowKind kind) {
    return kind == RowKind::WAV || kind == RowKind::AIFF;
}

// Whether the formats beyond MP3 and WAV are listed; set from the settings, read by every
// thread that lists a folder.
bool allAudioKindsListed();
void setAllAudioKindsListed(bool on);

// The audio kind of a name by its extension, in any case; nothing for any other name, and
// nothing for the further formats while they are not listed.
std::optional<RowKind> audioKindOf(QStringView name);

// The row's picture key and the name of its kind: "MP3", "WAV", "FLAC", "Ogg", "Opus", "M4A",
// "AIFF".
QString audioKindName(RowKind kind);

} // namespace tunewalk
