#pragma once

#include "history/HistoryStore.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tunewalk {

class FileJob;

namespace history {

using Change = HistoryStore::Change;

enum class Direction { Undo, Redo };

// Why `change` cannot be taken back (Undo) or made again (Redo) now: what differs on the disk
// from how the change, or its undo, left it, as a line naming the item. Empty when it may go.
QString whatChanged(const Change& change, Direction direction);

// Takes the change back or makes it again, after the same look as whatChanged. Byte changes put
// back the bytes and the time the file had; moves and renames go through the move engine (so a
// move across drives copies, checks and only then removes); a trashed item comes back from the
// Trash by its record, and is trashed again on a redo. `change` is updated to what the disk
// now holds (a copied item's new identity, a new Trash entry), for the next undo or redo.
// False, with `why` filled, when it did not happen; a cancelled job leaves `why` empty.
bool apply(Change& change, Direction direction, FileJob& job, QString* why);

// An action's changes taken back or made again as one: every change is looked at first, and
// if one cannot go, nothing is done and the lines say why. Changes are undone last first.
struct Outcome {
    bool ok = true;
    bool cancelled = false;
    QStringList problems; // one line per change that could not go, naming it
    int applied = 0;      // changes done before a failure or cancel stopped the rest
};
Outcome applyAll(std::vector<Change>& changes, Direction direction, FileJob& job);

// How an action's changes stand on the disk: made, still to make, and split between both places
// (a move cut short across drives). Deletes, which cannot come back, and the folders a merge
// emptied count for none.
struct Tally {
    int made = 0, toMake = 0, split = 0;
};
Tally tally(const std::vector<Change>& changes);

} // namespace history
} // namespace tunewalk
