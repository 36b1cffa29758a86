#pragma once

#include "app/listing/ListEntry.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace tunewalk {

// The rows of the main list: one ListEntry per row, looked up by key, shown through ListText.
// It holds values only; pictures are named by key (the window maps them to its themed ones),
// and sorting and filtering are FolderSortModel's. The list's side of drag and drop lives
// here too: what a drag of rows carries, and where a file list may be dropped.
class FolderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        KeyRole = Qt::UserRole + 1, // the row's key
        SortRole,                   // the column's value as the list sorts by it
        IconKeyRole,                // the key of the row's picture
        DropTargetRole,             // true on the row a drag would drop onto
    };

    explicit FolderModel(QObject* parent = nullptr);

    // Without the base class's two virtual calls: a sort of the list asks for two indexes at
    // each of its comparisons.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        return !parent.isValid() && row >= 0 && row < size() && column >= 0 && column < Col::Count
                   ? createIndex(row, column)
                   : QModelIndex();
    }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    // A drag of rows: the files and folders among them as a file list (they may move), or,
    // when nothing among them may move, their names as text (a copy).
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // A file list may go onto a folder row (`parent`), or onto the list's free space (an
    // invalid parent: into the listed folder), never into one of the dragged folders.
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    // Asks for the move through `dropRequested`: the window asks the user before anything
    // is replaced.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

    void setHeaders(const QStringList& headers) { m_headers = headers; }
    // The folder the rows are in: where a drop on free space goes.
    void setFolder(const QString& folder) { m_folder = folder; }
    const QString& folder() const { return m_folder; }
    // A drag of the list's own rows is under way: its files cannot drop where they are.
    void setOwnDrag(bool on) { m_ownDrag = on; }

    // ---- the rows
    int size() const { return static_cast<int>(m_entries.size()); }
    const ListEntry& at(int row) const { return m_entries[static_cast<std::size_t>(row)]; }
    int rowOf(const QString& key) const { return m_rowByKey.value(key, -1); }
    const ListEntry* find(const QString& key) const {
        const int row = rowOf(key);
        return row < 0 ? nullptr : &at(row);
    }
    QModelIndex indexOf(const QString& key, int column = 0) const {
        const int row = rowOf(key);
        return row < 0 ? QModelIndex() : index(row, column);
    }
    const std::vector<ListEntry>& entries() const { return m_entries; }

    void clear();
    // Adds the rows at the end; a key listed already is skipped. Returns how many went in.
    int append(std::vector<ListEntry> entries);
    void remove(const QStringList& keys);
    // Changes the given rows in place and tells the views once per run of adjacent rows, for
    // the columns `first` to `last`.
    template <class Change> void change(std::vector<int> rows, int first, int last, Change&& edit) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        for (int row : rows)
            edit(m_entries[static_cast<std::size_t>(row)]);
        announceSorted(rows, first, last);
    }
    template <class Change> bool change(const QString& key, Change&& edit) {
        const int row = rowOf(key);
        if (row < 0) return false;
        change(std::vector<int>{row}, 0, Col::Count - 1, std::forward<Change>(edit));
        return true;
    }
    // For a batch of changes made in place: edit the rows, then announce them once.
    ListEntry& mutableAt(int row) { return m_entries[static_cast<std::size_t>(row)]; }
    void announce(std::vector<int> rows, int first, int last) {
        std::sort(rows.begin(), rows.end());
        rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
        announceSorted(rows, first, last);
    }
    // A renamed or moved row: its new key and name.
    bool rekey(const QString& oldKey, const QString& newKey);
    // Every row's key re-based: the listed folder itself was renamed.
    void rebase(const QString& newFolder);

    // The file the player has shows the "Playing" picture.
    void setPlayingKey(const QString& key);
    const QString& playingKey() const { return m_playing; }
    void setDropTarget(const QString& key);
    QString iconKey(const ListEntry& entry) const;

    // The local files of a drag's data; nothing when it holds no file list.
    static QStringList fileList(const QMimeData* data);
    // Whether `folder` is one of `dragged` or lies inside one of them.
    static bool insideDragged(const QString& folder, const QStringList& dragged);

signals:
    // A file list was dropped to go into `destination`.
    void dropRequested(const QStringList& paths, const QString& destination);

private:
    void announceSorted(const std::vector<int>& rows, int first, int last);
    void reindex();
    void changedKeyRow(const QString& key, int role, int lastColumn);
    QString dropDestination(const QMimeData* data, const QModelIndex& parent) const;

    std::vector<ListEntry> m_entries;
    QHash<QString, int> m_rowByKey;
    QStringList m_headers;
    QString m_folder;
    QString m_playing;
    QString m_dropTarget;
    bool m_ownDrag = false;
};

} // namespace tunewalk
