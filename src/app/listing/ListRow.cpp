#include "app/listing/ListRow.h"

#include "app/listing/ListText.h"
#include "app/window/Icons.h"
#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QCoreApplication>
#include <QTreeWidget>

namespace tunewalk {

ListRow::ListRow(QString rowKey, RowKind rowKind, QString iconKey)
    : QTreeWidgetItem(UserType), key(std::move(rowKey)), kind(rowKind),
      m_iconKey(std::move(iconKey)) {
    // Names are edited only when the program starts it (rename), never by a key or click alone.
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
}

void ListRow::setDropHighlight(bool on) {
    if (on == m_dropHighlight) return;
    m_dropHighlight = on;
    emitDataChanged();
}

void ListRow::setIconKey(const QString& key) {
    if (key == m_iconKey) return;
    m_iconKey = key;
    emitDataChanged();
}

QVariant ListRow::data(int column, int role) const {
    if (column < 0 || column >= Col::Count) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return cell(column);
    case Qt::DecorationRole:
        // In the list's colours, so the pictures read on a dark palette too.
        if (column == Col::Name)
            return treeWidget() ? Icons::small(m_iconKey, treeWidget()->palette())
                                : Icons::small(m_iconKey);
        return {};
    case Qt::BackgroundRole:
        if (m_dropHighlight && treeWidget())
            return treeWidget()->palette().brush(QPalette::Highlight).color().lighter(160);
        return {};
    case Qt::ToolTipRole:
        // The name cell shows replacement characters for bytes that are not text; say so.
        if (column == Col::Name && (isFile() || kind == RowKind::Folder) &&
            hasRawBytes(fileNamePart(key)))
            return QCoreApplication::translate(
                "ListRow",
                "This name is not valid text; unreadable characters are shown as \uFFFD.");
        return QTreeWidgetItem::data(column, role);
    case Qt::TextAlignmentRole:
        if (column == Col::Size) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return QTreeWidgetItem::data(column, role);
    }
}

void ListRow::setData(int column, int role, const QVariant& value) {
    if ((role == Qt::DisplayRole || role == Qt::EditRole) && column >= 0 && column < Col::Count) {
        setCell(column, value.toString());
        emitDataChanged();
        return;
    }
    QTreeWidgetItem::setData(column, role, value);
}

bool ListRow::operator<(const QTreeWidgetItem& other) const {
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (other.type() != UserType) return QTreeWidgetItem::operator<(other);
    return naturalLess(cell(column), static_cast<const ListRow&>(other).cell(column));
}

namespace {
// The sort keys of folder and special rows that do not depend on the row's name or size.
void setKindSortKeys(ListRow* row, const QString& prefix, const QString& modifiedKey) {
    row->setCell(Col::AscFirst + 1, prefix);
    row->setCell(Col::AscFirst + 2, prefix + QLatin1Char('0'));
    row->setCell(Col::AscFirst + 3, prefix);
    row->setCell(Col::AscFirst + 4, prefix);
    row->setCell(Col::AscFirst + 6, prefix + modifiedKey);
    for (int c = 1; c <= 4; ++c)
        row->setCell(Col::DescFirst + c, row->cell(Col::AscFirst + c));
    row->setCell(Col::DescFirst + 6, row->cell(Col::AscFirst + 6));
}
} // namespace

ListRow* makeFileRow(const QString& folder, const QString& name, RowKind kind,
                     const QString& currentFile) {
    const QString key = joinPath(folder, name);
    const QString shown = displayPath(name);
    auto* row = new ListRow(key, kind, QString());
    row->setIconKey(samePath(key, currentFile) ? QStringLiteral("Playing") : row->fileIconKey());
    row->setCell(Col::Name, shown);
    row->setCell(Col::AscFirst, QStringLiteral("D_") + shown);
    row->setCell(Col::DescFirst, QStringLiteral("B_") + shown);
    for (int c = Col::Track; c <= Col::Modified; ++c) {
        row->setCell(Col::AscFirst + c, QStringLiteral("D_"));
        row->setCell(Col::DescFirst + c, QStringLiteral("B_"));
    }
    return row;
}

void setFileStat(ListRow* row, const NativeFileInfo& info) {
    row->modified = info.modified;
    row->modifiedNs = info.modifiedNs;
    row->inode = info.inode;
    row->changedNs = info.changedNs;
    const QString padded = paddedSize(info.size);
    row->setCell(Col::Size, formatSize(info.size));
    row->setCell(Col::Modified, modifiedText(row->modified));
    row->setCell(Col::AscFirst + Col::Size, QStringLiteral("D_") + padded);
    row->setCell(Col::DescFirst + Col::Size, QStringLiteral("B_") + padded);
    const QString time = sortableTime(row->modified);
    row->setCell(Col::AscFirst + Col::Modified, QStringLiteral("D_") + time);
    row->setCell(Col::DescFirst + Col::Modified, QStringLiteral("B_") + time);
    row->setCell(Col::SizeInBytes, QString::number(info.size));
}

ListRow* makeFolderRow(const QString& folder, const QString& name) {
    const QString key = joinPath(folder, name);
    const QString shown = displayPath(name);
    auto* row = new ListRow(key, RowKind::Folder, QStringLiteral("Folder"));
    row->setCell(Col::Name, shown);
    // With folder sizes on, the size arrives with the details; until then the cell is blank.
    row->setCell(Col::Size, QStringLiteral(" "));
    row->setCell(Col::AscFirst, QStringLiteral("C_") + shown);
    row->setCell(Col::DescFirst, QStringLiteral("C_") + shown);
    const QString padded = QStringLiteral("C_") + paddedSize(0);
    row->setCell(Col::AscFirst + Col::Size, padded);
    row->setCell(Col::DescFirst + Col::Size, padded);
    setKindSortKeys(row, QStringLiteral("C_"), QString());
    return row;
}

void setFolderStat(ListRow* row, const NativeFileInfo& info) {
    row->modified = info.modified;
    row->setCell(Col::Modified, modifiedText(row->modified));
    setKindSortKeys(row, QStringLiteral("C_"), sortableTime(row->modified));
}

ListRow* makeSpecialRow(const QString& key, const QString& text, const QString& icon) {
    auto* row = new ListRow(key, RowKind::Special, icon);
    row->setCell(Col::Name, text);
    row->setCell(Col::AscFirst, QStringLiteral("A_") + text);
    row->setCell(Col::DescFirst, QStringLiteral("A_") + text);
    setKindSortKeys(row, QStringLiteral("A_"), QString());
    return row;
}

} // namespace tunewalk
