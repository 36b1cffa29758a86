#pragma once

#include "common/RowKind.h"
#include "metadata/tags/TagWriter.h"

#include <optional>
#include <QString>
#include <QStringList>
#include <vector>

namespace tunewalk {

class HistoryStore;

// What the tag and header dialogs need of the window that opens them: its list rows, the
// listed folder, and a way to refresh a row after a file was saved. The main window implements
// it; tests give a small fake.
class TagHost {
public:
    struct Row {
        QString key; // the file's full path
        RowKind kind;
        QString text; // the file name as listed
        bool selected = false;
        bool current = false;
    };

    virtual ~TagHost() = default;

    // Every row of the list in display order.
    virtual std::vector<Row> rows() const = 0;
    // The listed folder's path.
    virtual QString currentFolder() const = 0;
    // Reads the file of the row keyed `key` again and shows what it now holds; false when no
    // row has that key any more.
    virtual bool refreshRow(const QString& key) = 0;
    // Whether a save puts the file's modification time back as it was, so the list's Modified
    // column and other programs' change checks see no change.
    virtual bool keepModificationTimes() const { return false; }
    // Where saves are recorded so they can be undone; null records nothing.
    virtual HistoryStore* history() const { return nullptr; }
    // A save has been recorded: the window's Undo and History follow it.
    virtual void recorded() {}
    // How tags beyond ID3v1 are written (the ID3v2 version, the ID3v1 code page).
    virtual TagWriteOptions tagWriteOptions() const { return {}; }
    // Whether an ID3v1 save also puts the fields it changed into the other tags the file has
    // (when every tag is read, as the list then shows those).
    virtual bool keepOtherTagsInStep() const { return false; }
};

} // namespace tunewalk
