#pragma once

#include <QString>

namespace tunewalk {

class MP3TagEditor;
class WAVInfo;

// What the list shows of one audio file: the texts of the Track Name, Length, Artist and
// Bitrate columns, and the tag's title when it has one (the "Current" panel shows it).
struct AudioDetails {
    QString title;
    QString length;
    QString artist;
    QString bitrate;
    bool hasTitle = false;
};

// Reads one file with the given readers. `isWav` picks the reader; `sizeInBytes` is the size
// the listing saw, used to estimate the length of an MP3 file whose header cannot be read.
// Never fails: an unreadable file gives "(unknown)" texts.
AudioDetails readAudioDetails(const QString& path, bool isWav, qint64 sizeInBytes,
                              MP3TagEditor& mp3, WAVInfo& wav);

// The text a tag field shows: cut at the first NUL (some taggers pad with NULs), Latin-1.
QString tagText(const std::string& latin1);

} // namespace tunewalk
