#include "app/window/GridDelegate.h"

#include "app/listing/FolderModel.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QTextDocument>
#include <QToolTip>

namespace tunewalk {

void GridDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (const QString key = index.data(FolderModel::IconKeyRole).toString();
        icon && !key.isEmpty()) {
        option->icon = icon(key);
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->decorationSize = option->icon.actualSize(option->decorationSize);
    }
    if (index.data(FolderModel::DropTargetRole).toBool())
        option->backgroundBrush = option->palette.brush(QPalette::Highlight).color().lighter(160);
}

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

bool GridDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                             const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (event->type() != QEvent::ToolTip || !index.isValid())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QWidget* widget = item.widget ? item.widget : view;
    QStyle* style = widget->style();
    // The room the style leaves the text: its rectangle less the margins it draws inside.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int room =
        style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).width() - 2 * margin;
    QString tip = index.data(Qt::ToolTipRole).toString();
    if (!item.text.isEmpty() && item.fontMetrics.horizontalAdvance(item.text) > room)
        tip = tip.isEmpty() ? item.text : item.text + QLatin1Char('\n') + tip;
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return false;
    }
    // A name such as "<b>.mp3" is shown as it is written, not as markup.
    if (Qt::mightBeRichText(tip)) tip = Qt::convertFromPlainText(tip, Qt::WhiteSpaceNoWrap);
    QToolTip::showText(event->globalPos(), tip, view->viewport(), option.rect);
    return true;
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
