#pragma once

#include <QStyledItemDelegate>

namespace tunewalk {

class TreefolderView;

// Paints the drop-target node as selected and routes label editing through the view's
// BeforeLabelEdit and AfterLabelEdit, where the host may cancel or change the new text.
class TreefolderDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TreefolderDelegate(TreefolderView* view);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    TreefolderView* m_view;
};

} // namespace tunewalk
