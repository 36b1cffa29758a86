#include "app/ListRow.h"

#include "app/Icons.h"
#include "app/ListText.h"
#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QCoreApplication>
#include <QTreeWidget>

namespace tunewalk {

ListRow::ListRow(QString rowKey, QString rowTag, QString iconKey)
    : QTreeWidgetItem(UserType), key(std::move(rowKey)), tag(std::move(rowTag)),
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
        if (column == Col::Name) return Icons::small(m_iconKey);
        return {};
    case Qt::BackgroundRole:
        if (m_dropHighlight && treeWidget())
            return treeWidget()->palette().brush(QPalette::Highlight).color().lighter(160);
        return {};
    case Qt::ToolTipRole:
        // The name cell shows replacement characters for bytes that are not text; say so.
        if (column == Col::Name && (isFile() || m_iconKey == QLatin1String("Folder")) &&
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

} // namespace tunewalk
