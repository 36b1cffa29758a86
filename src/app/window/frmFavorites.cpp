#include "app/window/frmFavorites.h"
#include "common/RowKind.h"

#include "app/favorites/FavoriteFolders.h"
#include "app/window/Form1.h"
#include "common/Twips.h"
#include "shell/Prompter.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>

namespace tunewalk {

namespace {

// The design, in twips: the list's place and size, the row of buttons under it.
constexpr int ListLeft = 120, ListTop = 120, ListWidth = 6255, ListHeight = 3495;
constexpr int ButtonLefts[] = {840, 2040, 3240, 4440};
constexpr int ButtonTop = 3840, ButtonWidth = 1095, ButtonHeight = 375;
constexpr int DesignWidth = ListLeft + ListWidth + ListLeft;     // inner width
constexpr int DesignHeight = ButtonTop + ButtonHeight + ListTop; // inner height

// The row's key and tag: the favorite's path.
constexpr int KeyRole = Qt::UserRole;

} // namespace

frmFavorites::frmFavorites(Form1& form, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_form(form), m_prompter(prompter) {
    setWindowTitle(tr("Edit Favorites"));
    setModal(true);

    ListView1 = new QTreeWidget(this);
    ListView1->setHeaderLabels({tr("Name"), tr("Path")});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAccessibleName(tr("Favorites"));
    ListView1->header()->setStretchLastSection(true);
    ListView1->setColumnWidth(0, toPixels(2000));
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &frmFavorites::rowDoubleClicked);

    cmdNew = new QPushButton(tr("&Add"), this);
    cmdEdit = new QPushButton(tr("&Edit"), this);
    cmdDelete = new QPushButton(tr("&Remove"), this);
    OKButton = new QPushButton(tr("&Done"), this);
    OKButton->setDefault(true);
    connect(cmdNew, &QPushButton::clicked, this, &frmFavorites::cmdNewClick);
    connect(cmdEdit, &QPushButton::clicked, this, &frmFavorites::cmdEditClick);
    connect(cmdDelete, &QPushButton::clicked, this, &frmFavorites::cmdDeleteClick);
    connect(OKButton, &QPushButton::clicked, this, &frmFavorites::OKButtonClick);

    for (const auto& [key, favorite] : m_form.favoriteFolders().list())
        addRow(QString::fromStdString(favorite.Name()), QString::fromStdString(favorite.Tag()));

    resize(toPixels(DesignWidth), toPixels(DesignHeight));
    placeControls();
}

void frmFavorites::addRow(const QString& name, const QString& path) {
    auto* row = new QTreeWidgetItem(ListView1, {name, path});
    row->setData(0, KeyRole, path);
}

QTreeWidgetItem* frmFavorites::rowFor(const QString& path) const {
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        if (ListView1->topLevelItem(i)->data(0, KeyRole).toString() == path)
            return ListView1->topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* frmFavorites::selectedRow() const {
    const auto selected = ListView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void frmFavorites::cmdNewClick() {
    const QString folder = m_prompter.pickFolder(tr("Select a Folder"), QString());
    if (folder.isEmpty()) return;
    const auto name = m_prompter.input(tr("Enter the name for this favorite:"), QString());
    if (!name || name->isEmpty()) return;
    if (!m_form.favoritePathFree(folder)) return;
    m_form.favoriteFolders().add(*name, folder);
    addRow(*name, folder);
}

void frmFavorites::cmdEditClick() {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    const QString oldPath = row->data(0, KeyRole).toString();
    const auto name = m_prompter.input(tr("Enter the name for this favorite:"), row->text(0));
    if (!name || name->isEmpty()) return;
    const auto path = m_prompter.input(tr("Enter the path for this favorite:"), row->text(1));
    if (!path || path->isEmpty()) return;
    // Re-pointing onto another favorite's folder would drop one of the two.
    if (*path != oldPath && !m_form.favoritePathFree(*path)) return;
    FavoriteFolders& favorites = m_form.favoriteFolders();
    if (!favorites.contains(oldPath)) return;
    favorites.remove(oldPath);
    favorites.add(*name, *path);
    row->setText(0, *name);
    row->setText(1, *path);
    row->setData(0, KeyRole, *path);
}

void frmFavorites::cmdDeleteClick() {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    const QString path = row->data(0, KeyRole).toString();
    m_form.favoriteFolders().remove(path);
    delete rowFor(path);
}

void frmFavorites::rowDoubleClicked() {
    QTreeWidgetItem* row = selectedRow();
    if (!row) return;
    const QString path = row->data(0, KeyRole).toString();
    // The drives view is no folder but always there, as choosing it from the menu treats it.
    if (path == DrivesKey || QFileInfo(path).isDir()) {
        m_form.PopulateList(path, false, false);
        OKButtonClick();
        return;
    }
    const QString question = tr("The folder '%1' does not exist.").arg(path) +
                             QStringLiteral("\n\n") +
                             tr("Would you like to remove the favorite '%1'?").arg(row->text(0));
    if (m_prompter.message(question, Prompter::Icon::Question, Prompter::Buttons::YesNo) ==
        Prompter::Answer::Yes)
        cmdDeleteClick();
}

void frmFavorites::OKButtonClick() {
    m_form.rebuildFavoritesMenu();
    m_form.saveFavorites();
    accept();
}

void frmFavorites::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeControls();
}

// Up to the design size everything stays put; beyond it the list takes the extra room and the
// buttons keep to the bottom edge, their lefts stretched in proportion to the width.
void frmFavorites::placeControls() {
    const double width = toTwips(this->width());
    const double height = toTwips(this->height());
    const double wider = std::max(0.0, width - DesignWidth);
    const double taller = std::max(0.0, height - DesignHeight);
    const double listWidth = wider > 0 ? width - 2 * ListLeft : ListWidth;
    ListView1->setGeometry(toPixels(ListLeft), toPixels(ListTop), toPixels(listWidth),
                           toPixels(ListHeight + taller));
    const double spread = wider > 0 ? width / DesignWidth : 1.0;
    QPushButton* buttons[] = {cmdNew, cmdEdit, cmdDelete, OKButton};
    for (int i = 0; i < 4; ++i)
        buttons[i]->setGeometry(toPixels(ButtonLefts[i] * spread), toPixels(ButtonTop + taller),
                                toPixels(ButtonWidth), toPixels(ButtonHeight));
}

} // namespace tunewalk
