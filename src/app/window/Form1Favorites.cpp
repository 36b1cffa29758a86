// Favorite folders: the Favorites menu, its commands and the "FavoritesList" setting.
#include "app/favorites/FavoriteFolders.h"
#include "app/window/Form1.h"
#include "app/window/frmFavorites.h"
#include "common/RowKind.h"
#include "common/SettingsStore.h"
#include "shell/Prompter.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace tunewalk {

namespace {

const QString ListKey = QStringLiteral("FavoritesList");

} // namespace

void Form1::loadFavorites() {
    const QString text = m_settings->get(SettingsStore::Settings, ListKey, SettingsStore::None);
    const QStringList unreadable = Favorites.read(text == SettingsStore::None ? QString() : text);
    if (!unreadable.isEmpty())
        m_prompter->error(
            tr("These favorites could not be read from the settings and were left out: %1")
                .arg(unreadable.join(QStringLiteral(", "))));
    rebuildFavoritesMenu();
}

// Writes the list, or removes the value when no favorite is left, so that the next start
// reads "none".
void Form1::saveFavorites() {
    const QString text = Favorites.serialize();
    if (!text.isEmpty())
        m_settings->save(SettingsStore::Settings, ListKey, text);
    else if (m_settings->get(SettingsStore::Settings, ListKey, SettingsStore::None) !=
             SettingsStore::None)
        m_settings->remove(SettingsStore::Settings, ListKey);
    reportSettingsFailure();
}

void Form1::rebuildFavoritesMenu() {
    while (ui.mnuFavoriteList.size() > 1)
        delete ui.mnuFavoriteList.takeLast();
    ui.mnuFavoriteList.first()->setVisible(!Favorites.empty());
    for (const auto& [key, favorite] : Favorites.list()) {
        // "&" would otherwise turn into a mnemonic and vanish from the caption.
        QString caption = QString::fromStdString(favorite.Name());
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* item = ui.mnuFavorites->addAction(caption);
        item->setData(QString::fromStdString(favorite.Tag()));
        const int index = static_cast<int>(ui.mnuFavoriteList.size());
        connect(item, &QAction::triggered, this, [this, index] { chooseFavorite(index); });
        ui.mnuFavoriteList << item;
    }
}

bool Form1::favoritePathFree(const QString& path) {
    if (!Favorites.contains(path)) return true;
    m_prompter->error(tr("This folder is already a favorite."));
    return false;
}

void Form1::addFavorite() {
    const QString folder = dirCurrent;
    std::optional<QString> name = m_prompter->input(
        tr("What name do you want to use for this folder?"), QFileInfo(folder).completeBaseName());
    if (!name || name->isEmpty()) return;
    while (name->contains(QLatin1Char(':')) || name->contains(QLatin1Char('|'))) {
        name = m_prompter->input(
            tr("Please try again. Do not include the characters \"|\" or \":\" in the name."),
            *name);
        if (!name || name->isEmpty()) return;
    }
    if (!favoritePathFree(folder)) return;
    Favorites.add(*name, folder);
    rebuildFavoritesMenu();
    saveFavorites();
}

void Form1::editFavorites() {
    frmFavorites dialog(*this, *m_prompter, this);
    dialog.exec();
}

void Form1::chooseFavorite(int index) {
    if (index < 1 || index >= ui.mnuFavoriteList.size()) return;
    const QString path = ui.mnuFavoriteList[index]->data().toString();
    if (path != DrivesKey && !QFileInfo(path).isDir()) {
        m_prompter->message(tr("The folder '%1' does not exist").arg(path),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }
    PopulateList(path, false, false);
}

} // namespace tunewalk
