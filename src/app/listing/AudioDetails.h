#pragma once

#include <QString>
#include <string>

namespace tunewalk {

class MP3TagEditor;
class WAVInfo;

// What is known of one audio file's sound and tag, as values: the list formats them (ListText)
// and sorts by them. Room for more tag fields goes here, as members that cost nothing when a
// file has none of them.
struct AudioDetails {
    QString title;       // the tag's title; empty when the file has none
    QString artist;      // empty when the file names none
    qint64 lengthMs = 0; // the play time; 0 when it cannot be told
    int bitrate = 0;     // kbit/s; 0 when it cannot be told (and for WAV files)
    bool hasTitle() const { return !title.isEmpty(); }
    bool operator==(const AudioDetails&) const = default;
};

// Reads one file with the given readers. `isWav` picks the reader; `sizeInBytes` is the size
// the listing saw, used to estimate the length of an MP3 file whose header cannot be read.
// Never fails: what cannot be read stays unknown.
AudioDetails readAudioDetails(const QString& path, bool isWav, qint64 sizeInBytes,
                              MP3TagEditor& mp3, WAVInfo& wav);

// The text a tag field shows: cut at the first NUL (some taggers pad with NULs), Latin-1.
QString tagText(const std::string& latin1);

} // namespace tunewalk
