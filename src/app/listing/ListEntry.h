#pragma once

#include "app/listing/AudioDetails.h"
#include "common/RowKind.h"

#include <QString>

namespace tunewalk {

// The columns of the main list: seven always shown, then those the user may choose.
namespace Col {
inline constexpr int Name = 0, Track = 1, Length = 2, Artist = 3, Bitrate = 4, Size = 5,
                     Modified = 6;
inline constexpr int Album = 7, AlbumArtist = 8, TrackNumber = 9, Disc = 10, Year = 11, Genre = 12,
                     Comment = 13, Composer = 14, Format = 15, SampleRate = 16, Channels = 17,
                     BitDepth = 18, Cover = 19;
inline constexpr int FirstChosen = 7, Count = 20;
} // namespace Col

// One row of the main list as values: what the row stands for, what its stat and its details
// found, and where it stands in a play order. Nothing here is display text; ListText formats
// it. Pending values are flagged, so a value still on its way shows blank and sorts as empty.
struct ListEntry {
    QString key;  // a full path (raw bytes kept), "Drives", or a volume root
    QString name; // the file or folder name in the key; a drive's root; a special row's caption
    QString icon; // drives and special rows: their picture's key; files and folders have theirs
    RowKind kind = RowKind::Folder;

    bool statIn = false;    // size and modification time are known
    bool detailsIn = false; // files: the details; folders: their size, when folder sizes are on
    qint64 size = 0;        // bytes (a folder's once counted)
    qint64 modifiedNs = 0;  // since the epoch
    quint64 inode = 0;      // 0 where the file system has none
    qint64 changedNs = 0;   // the inode's change time, which no program can set back

    AudioDetails details;
    // The version of the file the details came from (the cache's, before the row's stat is in).
    qint64 detailsSize = 0, detailsNs = 0, detailsChangedNs = 0;
    quint64 detailsInode = 0;

    // Where the listing's name order put the row (-1: it came later, or was renamed): comparing
    // two ranks is how the list sorts by name without comparing the names again.
    int nameRank = -1;
    int sequence = 0; // the play order's number (files from 1; 0 for the rest)

    bool isFile() const { return isAudio(kind); }
    // Folders and the special rows: a double-click lists them.
    bool opensAsFolder() const { return kind == RowKind::Folder || kind == RowKind::Special; }
    // Whether the details shown came from the file as its stat found it.
    bool detailsCurrent() const;
    // Notes that the details now shown were read under the row's current stat.
    void detailsReadNow() {
        detailsIn = true;
        detailsSize = size;
        detailsNs = modifiedNs;
        detailsInode = inode;
        detailsChangedNs = changedNs;
    }
};

} // namespace tunewalk
