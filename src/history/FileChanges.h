#pragma once

#include "fileops/FileMoves.h"
#include "history/HistoryStore.h"

#include <QByteArray>
#include <QString>

namespace tunewalk::history {

using Change = HistoryStore::Change;
using ChangeKind = HistoryStore::ChangeKind;

// A file or folder as it is now, by its raw name (a link is a link).
struct ItemNow {
    bool exists = false;
    bool folder = false;
    // A regular file: the only kind the history ever opens. A FIFO, socket or device named
    // like a song is looked at, never read (a FIFO would block the read for ever).
    bool regular = false;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 device = 0, inode = 0;
};
ItemNow lookAt(const QString& path);
// The same through a link: the file a tag or header is written into.
ItemNow lookThrough(const QString& path);

// The bytes of `path` from `offset`, at most `length` of them; empty when it cannot be read or
// is not a regular file.
QByteArray readBytes(const QString& path, qint64 offset, qint64 length);

// An ID3v1 tag about to be written to the MP3 file `path`, over the tag the file ends with now
// or appended to a file without one: the change holds the bytes it replaces. The bytes written
// are read back by settle(). What is not a regular file is not read (lookThrough tells; such a
// path is no file to write a tag into).
Change tagWrite(const QString& path);
// `length` bytes about to be written over at `offset` of `path` (a header rewritten in place).
Change bytesWrite(const QString& path, qint64 offset, qint64 length);
// Tags about to be saved in place into the file at `path`: every stretch with its bytes before
// and after. The file's time and identity as the save was planned from.
Change tagRegions(const QString& path, std::vector<HistoryStore::Region> regions,
                  qint64 modifiedNs, quint64 device, quint64 inode);
// A file about to be written whole anew and renamed over the one at `path`, whose old version
// is to be kept as `kept` (see KeptFiles.h).
Change fileReplace(const QString& path, const QString& kept, qint64 modifiedNs, quint64 device,
                   quint64 inode);
// For runs cut short: a tag save in place stopped between its stretches has the rest written,
// so the file holds the new tags whole; a whole rewrite that never took the file's place has
// its part file and kept version removed.
void finishCutShort(Change& change);

// A move or rename of `path` to `target` about to be made (nothing is looked at: a drop of
// thousands of items is planned without touching the disk).
Change move(ChangeKind kind, const QString& path, const QString& target);

// What a merge did to one item, as its outcome lists it: a move (that may have replaced a
// file), or the removal of a source folder it emptied.
Change merged(const MoveOutcome::Item& item);

// After the change was made: records the item as the change left it (its bytes read back, its
// size, time and identity), so a later undo can tell whether anything touched it since.
void settle(Change& change);
// Whether the change is on the disk: a byte change's bytes read as `after`, a moved item is
// at its target and gone from its place. For runs cut short, whose changes may or may not
// have been made.
bool reached(const Change& change);

// Whether a move cut short across drives (or its undo) left the item at both places: a folder at
// each (the one at the far side made by the copy, as a move never goes onto anything), or a file
// beside its complete copy. For runs cut short.
bool isSplit(const Change& change);

// The files of a split move's item: how many there are in all, how many are at the target
// and how many still in their place (a file copied and not yet removed counts at both).
struct SplitFiles {
    qint64 all = 0, atTarget = 0, inPlace = 0;
};
SplitFiles splitFiles(const Change& change);

// Whether the change was made once and settled (so it can be made again); a change only
// written ahead was not.
bool wasMade(const Change& change);

// A line of a change for the history: "Title.mp3", "Old.mp3 → New.mp3".
QString describe(const Change& change);

} // namespace tunewalk::history
