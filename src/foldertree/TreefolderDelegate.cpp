#include "foldertree/TreefolderDelegate.h"

#include "foldertree/TreefolderView.h"

#include <QLineEdit>

namespace tunewalk {

TreefolderDelegate::TreefolderDelegate(TreefolderView* view)
    : QStyledItemDelegate(view), m_view(view) {}

QWidget* TreefolderDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    // Qt asks for an editor only when editing really starts, so this is the one place where
    // the host hears of it, and no editor means no edit.
    int cancel = 0;
    emit m_view->BeforeLabelEdit(cancel);
    if (cancel != 0) return nullptr;
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void TreefolderDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                      const QModelIndex& index) const {
    const auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) return;
    int cancel = 0;
    QString newString = line->text();
    emit m_view->AfterLabelEdit(cancel, newString);
    if (cancel != 0) return; // the old label stays
    model->setData(index, newString, Qt::EditRole);
}

void TreefolderDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_view->isDropHighlight(index)) option->state |= QStyle::State_Selected;
}

} // namespace tunewalk
