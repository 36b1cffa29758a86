#pragma once

#include "common/RowKind.h"
#include "metadata/tags/CodePage.h"

#include <QString>
#include <memory>
#include <string>

namespace tunewalk {

class MP3TagEditor;
class WAVInfo;

// The longer tag texts few files carry: kept apart and only for a file that has one, so a
// list of files without them costs a pointer a row.
struct TagTexts {
    QString album, albumArtist, genre, comment, composer;
    bool operator==(const TagTexts&) const = default;
};

// What is known of one audio file's sound and tag, as values: the list formats them (ListText)
// and sorts by them. Numbers are 0 and texts empty where the file does not tell.
struct AudioDetails {
    QString title;       // the tag's title; empty when the file has none
    QString artist;      // empty when the file names none
    qint64 lengthMs = 0; // the play time; 0 when it cannot be told
    int bitrate = 0;     // kbit/s; 0 when it cannot be told (and for WAV files)
    int sampleRate = 0;  // Hz
    QString format;      // container and codec: "MPEG-1 Layer 3", "FLAC", "MP4 AAC"; shared
    quint16 track = 0, trackTotal = 0, disc = 0, discTotal = 0, year = 0;
    quint8 channels = 0, bitDepth = 0;
    bool hasCover = false; // a picture is embedded
    std::shared_ptr<const TagTexts> texts;

    bool hasTitle() const { return !title.isEmpty(); }
    const TagTexts& tagTexts() const;
    void setTagTexts(TagTexts texts);
    bool operator==(const AudioDetails& other) const;
};

// How files are read: with every tag and format (the default), or by the program's own codecs
// alone (ID3v1 and the MPEG frame header of MP3 files, the WAV header); and the code page of
// ID3v1 tags and of ID3v2 texts marked Latin-1.
struct DetailOptions {
    bool allTags = true;
    CodePage codePage = CodePage::Latin1;
    // What the details cache notes beside an entry: read otherwise, it is read again.
    int variant() const { return (allTags ? 1 : 0) | (static_cast<int>(codePage) << 1); }
    bool operator==(const DetailOptions&) const = default;
};

// Reads one file with the given readers. `sizeInBytes` is the size the listing saw, used to
// estimate the length of an MP3 file whose header cannot be read. Never fails: what cannot be
// read stays unknown.
AudioDetails readAudioDetails(const QString& path, RowKind kind, qint64 sizeInBytes,
                              MP3TagEditor& mp3, WAVInfo& wav, const DetailOptions& options = {});

// The text an ID3v1 field shows: cut at the first NUL (some taggers pad with NULs), in the
// code page; `sample` is the rest of the tag, which Automatic guesses from.
QString tagText(const std::string& bytes, CodePage page = CodePage::Latin1,
                const std::string& sample = {});

// One shared copy of each format's name, so rows do not each keep their own.
QString sharedFormatName(const std::string& name);

} // namespace tunewalk
