#include "app/listing/FolderModel.h"

#include "app/listing/ListText.h"
#include "common/Detached.h"
#include "common/MemoryUse.h"
#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QCoreApplication>
#include <QDir>
#include <QMimeData>
#include <QUrl>

namespace tunewalk {

FolderModel::FolderModel(QObject* parent) : QAbstractTableModel(parent) {}

int FolderModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : size();
}

int FolderModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Col::Count;
}

QString FolderModel::iconKey(const ListEntry& e) const {
    switch (e.kind) {
    case RowKind::Folder:
        return QStringLiteral("Folder");
    default:
        if (!e.isFile()) return e.icon;
        if (!m_playing.isEmpty() && samePath(e.key, m_playing)) return QStringLiteral("Playing");
        return audioKindName(e.kind);
    }
}

namespace {
QVariant sortValue(const ListEntry& e, int column) {
    switch (column) {
    case Col::Name:
        return e.name;
    case Col::Track:
        return trackText(e).toString();
    case Col::Artist:
        return artistText(e).toString();
    case Col::Length:
        return e.detailsIn ? QVariant(e.details.lengthMs) : QVariant();
    case Col::Bitrate:
        return e.detailsIn ? QVariant(e.details.bitrate) : QVariant();
    case Col::Size:
        return e.statIn || e.detailsIn ? QVariant(e.size) : QVariant();
    case Col::Modified:
        return e.statIn ? QVariant(e.modifiedNs) : QVariant();
    default:
        if (!e.detailsIn) return {};
        if (const auto text = sortText(e, column)) return text->toString();
        if (const auto number = sortNumber(e, column)) return *number;
        return {};
    }
}
} // namespace

QVariant FolderModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= size()) return {};
    const ListEntry& e = at(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return cellText(e, column);
    case Qt::ToolTipRole:
        // The name cell shows replacement characters for bytes that are not text; say so.
        if (column == Col::Name && (e.isFile() || e.kind == RowKind::Folder) && hasRawBytes(e.name))
            return QCoreApplication::translate(
                "ListRow",
                "This name is not valid text; unreadable characters are shown as \uFFFD.");
        return {};
    case Qt::TextAlignmentRole:
        if (column == Col::Size) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case KeyRole:
        return e.key;
    case SortRole:
        return sortValue(e, column);
    case IconKeyRole:
        return column == Col::Name ? iconKey(e) : QString();
    case DropTargetRole:
        return !m_dropTarget.isEmpty() && e.key == m_dropTarget;
    default:
        return {};
    }
}

QVariant FolderModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_headers.size()) return {};
    if (role == Qt::DisplayRole) return m_headers[section];
    if (role == Qt::TextAlignmentRole && section == Col::Size)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags FolderModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    // Names are edited only when the program starts it (rename), never by a key or click alone.
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
    const ListEntry& e = at(index.row());
    if (e.kind == RowKind::Folder || e.isFile()) flags |= Qt::ItemIsDragEnabled;
    if (e.kind == RowKind::Folder) flags |= Qt::ItemIsDropEnabled;
    return flags;
}

QStringList FolderModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list"), QStringLiteral("text/plain")};
}

QMimeData* FolderModel::mimeData(const QModelIndexList& indexes) const {
    std::vector<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.model() == this) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<QUrl> urls;
    QString text;
    for (int row : rows) {
        const ListEntry& e = at(row);
        text += (e.kind == RowKind::Special ? e.name : e.key) + QStringLiteral("\r\n");
        if (e.kind == RowKind::Drive || e.kind == RowKind::Special) continue;
        urls << fileUrl(e.key);
    }
    auto* data = new QMimeData;
    if (!urls.isEmpty())
        data->setUrls(urls);
    else
        data->setText(text);
    return data;
}

QStringList FolderModel::fileList(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {}; // a list with web addresses is no file list
        paths << QDir::toNativeSeparators(QDir::cleanPath(localPath(url)));
    }
    return paths;
}

bool FolderModel::insideDragged(const QString& folder, const QStringList& dragged) {
    for (const QString& path : dragged)
        if (samePath(folder, path) || pathIsWithin(folder, path)) return true;
    return false;
}

QString FolderModel::dropDestination(const QMimeData* data, const QModelIndex& parent) const {
    const QStringList files = fileList(data);
    if (files.isEmpty()) return {};
    if (!parent.isValid()) {
        const bool free = !m_ownDrag && !m_folder.isEmpty() && m_folder != DrivesKey &&
                          !insideDragged(m_folder, files);
        return free ? m_folder : QString();
    }
    const QString& key = at(parent.row()).key;
    const bool allowed =
        key != DrivesKey && nativeFileInfo(key).isDir && !insideDragged(key, files);
    return allowed ? key : QString();
}

bool FolderModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int,
                                  const QModelIndex& parent) const {
    return action == Qt::MoveAction && !dropDestination(data, parent).isEmpty();
}

bool FolderModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                               const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    emit dropRequested(fileList(data), dropDestination(data, parent));
    return true;
}

void FolderModel::clear() {
    beginResetModel();
    // A big folder's rows take a while to free: another thread does it, so the next folder's
    // rows need not wait. Nothing else holds them.
    if (m_entries.size() > 1000)
        runDetached(
            [rows = std::exchange(m_entries, {}), keys = std::exchange(m_rowByKey, {})]() mutable {
                rows = {};
                keys = {};
                returnFreedMemory();
            });
    m_entries = {};
    m_rowByKey = {};
    m_dropTarget.clear();
    endResetModel();
}

int FolderModel::append(std::vector<ListEntry> entries) {
    std::vector<ListEntry> fresh;
    fresh.reserve(entries.size());
    for (ListEntry& e : entries) {
        if (m_rowByKey.contains(e.key)) continue; // listed already, or twice in the batch
        m_rowByKey.insert(e.key, size() + static_cast<int>(fresh.size()));
        fresh.push_back(std::move(e));
    }
    if (fresh.empty()) return 0;
    const int first = size();
    beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
    m_entries.insert(m_entries.end(), std::make_move_iterator(fresh.begin()),
                     std::make_move_iterator(fresh.end()));
    endInsertRows();
    return static_cast<int>(fresh.size());
}

void FolderModel::remove(const QStringList& keys) {
    std::vector<int> rows;
    for (const QString& key : keys)
        if (const int row = rowOf(key); row >= 0) rows.push_back(row);
    if (rows.empty()) return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    // From the end, one removal per run of adjacent rows.
    for (std::size_t end = rows.size(); end > 0;) {
        std::size_t start = end - 1;
        while (start > 0 && rows[start - 1] == rows[start] - 1)
            --start;
        const int first = rows[start], last = rows[end - 1];
        beginRemoveRows({}, first, last);
        for (int row = first; row <= last; ++row)
            m_rowByKey.remove(at(row).key);
        m_entries.erase(m_entries.begin() + first, m_entries.begin() + last + 1);
        endRemoveRows();
        end = start;
    }
    reindex();
}

void FolderModel::reindex() {
    m_rowByKey.clear();
    m_rowByKey.reserve(size());
    for (int row = 0; row < size(); ++row)
        m_rowByKey.insert(at(row).key, row);
}

void FolderModel::announceSorted(const std::vector<int>& rows, int first, int last) {
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        emit dataChanged(index(rows[i], first), index(rows[j], last));
        i = j + 1;
    }
}

bool FolderModel::rekey(const QString& oldKey, const QString& newKey) {
    const int row = rowOf(oldKey);
    if (row < 0 || (oldKey != newKey && m_rowByKey.contains(newKey))) return false;
    ListEntry& e = m_entries[static_cast<std::size_t>(row)];
    m_rowByKey.remove(oldKey);
    e.key = newKey;
    e.name = fileNamePart(newKey);
    e.nameRank = -1; // compared by name from now on
    m_rowByKey.insert(newKey, row);
    emit dataChanged(index(row, 0), index(row, Col::Count - 1));
    return true;
}

void FolderModel::rebase(const QString& newFolder) {
    m_folder = newFolder;
    for (ListEntry& e : m_entries)
        if (e.kind == RowKind::Folder || e.isFile()) e.key = joinPath(newFolder, e.name);
    reindex();
    if (!m_entries.empty()) emit dataChanged(index(0, 0), index(size() - 1, 0), {KeyRole});
}

void FolderModel::changedKeyRow(const QString& key, int role, int lastColumn) {
    if (const int row = rowOf(key); row >= 0)
        emit dataChanged(index(row, 0), index(row, lastColumn), {role});
}

void FolderModel::setPlayingKey(const QString& key) {
    if (key == m_playing) return;
    const QString old = std::exchange(m_playing, key);
    changedKeyRow(old, IconKeyRole, 0);
    changedKeyRow(m_playing, IconKeyRole, 0);
}

void FolderModel::setDropTarget(const QString& key) {
    if (key == m_dropTarget) return;
    const QString old = std::exchange(m_dropTarget, key);
    // The whole row shows it.
    changedKeyRow(old, DropTargetRole, Col::Count - 1);
    changedKeyRow(m_dropTarget, DropTargetRole, Col::Count - 1);
}

} // namespace tunewalk
