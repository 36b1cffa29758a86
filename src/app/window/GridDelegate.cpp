#include "app/window/GridDelegate.h"

#include <QLineEdit>
#include <QPainter>

namespace tunewalk {

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);
    if (!m_on) return;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    const QRect r = option.rect;
    painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->drawLine(r.topRight(), r.bottomRight());
    painter->restore();
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (renamed && line) {
        renamed(line->text());
        return;
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace tunewalk
