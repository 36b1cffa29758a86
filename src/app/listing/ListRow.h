#pragma once

#include "common/NativePath.h"
#include "common/RowKind.h"

#include <QDateTime>
#include <QString>
#include <QTreeWidgetItem>
#include <array>

namespace tunewalk {

// The columns of the main list. 0-6 are shown; the rest hold the keys the list sorts by.
namespace Col {
inline constexpr int Name = 0, Track = 1, Length = 2, Artist = 3, Bitrate = 4, Size = 5,
                     Modified = 6;
inline constexpr int AscFirst = 7, DescFirst = 14; // sort keys of columns 0-6
inline constexpr int SizeInBytes = 21, Sequence = 22;
inline constexpr int Count = 23;
inline constexpr int Visible = 7;
} // namespace Col

// One row of the main list: a key (a full path, "Drives", or a volume root), a kind that
// never changes, and a small-icon key. The cell texts
// live here rather than in the item's variant store, so a row is filled in one change and the
// list compares plain strings when it sorts.
class ListRow : public QTreeWidgetItem {
public:
    ListRow(QString key, RowKind kind, QString iconKey);

    QString key;
    const RowKind kind;
    QDateTime modified;    // invalid until the row's stat has arrived
    qint64 modifiedNs = 0; // files: the same, for the details cache
    quint64 inode = 0;     // files
    qint64 changedNs = 0;  // files: the inode's change time, which no program can set back
    // Files: the version of the file that the details shown came from (from the cache before
    // the row's stat arrived); 0 when none.
    qint64 detailsNs = 0, detailsSize = 0;
    quint64 detailsInode = 0;
    qint64 detailsChangedNs = 0;

    const QString& cell(int column) const { return m_cells[static_cast<std::size_t>(column)]; }
    // Sets a cell without telling the view; call changed() once the row is complete.
    void setCell(int column, const QString& text) {
        m_cells[static_cast<std::size_t>(column)] = text;
    }
    void changed() { emitDataChanged(); }

    const QString& iconKey() const { return m_iconKey; }
    // The icon a file row shows when it is not playing.
    QString fileIconKey() const {
        return kind == RowKind::WAV ? QStringLiteral("WAV") : QStringLiteral("MP3");
    }
    void setIconKey(const QString& key);

    bool isFile() const { return isAudio(kind); }
    // Folders and the special rows: a double-click lists them.
    bool opensAsFolder() const { return kind == RowKind::Folder || kind == RowKind::Special; }

    // Drawn as the target of the drag going on.
    void setDropHighlight(bool on);

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    std::array<QString, Col::Count> m_cells;
    QString m_iconKey;
    bool m_dropHighlight = false;
};

// Rows as a listing makes them: at first with their names only; the size and time cells
// stay blank until the row's stat arrives (setFileStat, setFolderStat) and their sort keys
// are empty meanwhile, so a pending value sorts before every known one in ascending order.
ListRow* makeFileRow(const QString& folder, const QString& name, RowKind kind,
                     const QString& currentFile);
ListRow* makeFolderRow(const QString& folder, const QString& name);
ListRow* makeSpecialRow(const QString& key, const QString& text, const QString& icon);
void setFileStat(ListRow* row, const NativeFileInfo& info);
void setFolderStat(ListRow* row, const NativeFileInfo& info);

} // namespace tunewalk
