#pragma once

#include <QDialog>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tunewalk {

class Form1;
class Prompter;

// "Edit Favorites": adds, renames, re-points, removes and opens the main window's favorites.
// Changes go straight into Form1::Favorites; Done rebuilds the menu and saves them.
class frmFavorites : public QDialog {
    Q_OBJECT
public:
    frmFavorites(Form1& form, Prompter& prompter, QWidget* parent = nullptr);

    void cmdNewClick();
    void cmdEditClick();
    void cmdDeleteClick();
    void OKButtonClick();
    void rowDoubleClicked();

    // The row whose key (the favorite's path) is `path`, or nullptr.
    QTreeWidgetItem* rowFor(const QString& path) const;

    QTreeWidget* ListView1 = nullptr;
    QPushButton *cmdNew = nullptr, *cmdEdit = nullptr, *cmdDelete = nullptr, *OKButton = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QTreeWidgetItem* selectedRow() const;
    void addRow(const QString& name, const QString& path);
    void placeControls();

    Form1& m_form;
    Prompter& m_prompter;
};

} // namespace tunewalk
