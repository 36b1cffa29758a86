// Favorite folders: the Favorites menu, its commands and the "FavoritesList" setting.
#include "app/Form1.h"
#include "app/frmFavorites.h"
#include "common/SettingsStore.h"
#include "shell/Prompter.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

namespace tunewalk {

namespace {

const QString Section = QStringLiteral("Settings");
const QString ListKey = QStringLiteral("FavoritesList");
const QString None = QStringLiteral("none");
const QString Drives = QStringLiteral("Drives");

// "FavoritesList" holds one "name?path|" per favorite. Earlier versions escaped nothing, and
// their values must keep reading exactly, backslashes included (d:\music\quiet, \\server\x):
// so a piece with one "?" is always taken literally. Only a favorite whose name or path holds
// "?" or "|" is written differently, as "name?path?|" with both fields escaped ("\" as "\\",
// "?" as "\q", "|" as "\p"). The empty third field marks the escaping; an old value never
// read back right with more than one "?" in a piece, so nothing readable is reinterpreted.
bool needsEscape(const QString& field) {
    return field.contains(QLatin1Char('?')) || field.contains(QLatin1Char('|'));
}

QString escapeField(const QString& field) {
    QString out;
    out.reserve(field.size() + 8);
    for (const QChar c : field) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('?'))
            out += QStringLiteral("\\q");
        else if (c == QLatin1Char('|'))
            out += QStringLiteral("\\p");
        else
            out += c;
    }
    return out;
}

QString unescapeField(const QString& field) {
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        const QChar next = i + 1 < field.size() ? field[i + 1] : QChar();
        if (c == QLatin1Char('\\') && next == QLatin1Char('\\')) {
            out += QLatin1Char('\\');
            ++i;
        } else if (c == QLatin1Char('\\') && next == QLatin1Char('q')) {
            out += QLatin1Char('?');
            ++i;
        } else if (c == QLatin1Char('\\') && next == QLatin1Char('p')) {
            out += QLatin1Char('|');
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void Form1::loadFavorites() {
    Favorites.clear();
    const QString text = m_settings->get(Section, ListKey, None);
    if (text != None) {
        QStringList unreadable;
        const QStringList pieces = text.split(QLatin1Char('|'));
        // The piece after the final "|" is not a favorite.
        for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
            const QStringList parts = pieces[i].split(QLatin1Char('?'));
            if (parts.size() < 2) {
                unreadable << pieces[i];
                continue;
            }
            const bool escaped = parts.size() == 3 && parts[2].isEmpty();
            const QString name = escaped ? unescapeField(parts[0]) : parts[0];
            const QString path = escaped ? unescapeField(parts[1]) : parts[1];
            NameIDPair pair;
            pair.Init(name.toStdString(), 0, path.toStdString());
            if (!Favorites.add(path.toStdString(), std::move(pair))) unreadable << pieces[i];
        }
        if (!unreadable.isEmpty())
            m_prompter->error(
                tr("These favorites could not be read from the settings and were left out: %1")
                    .arg(unreadable.join(QStringLiteral(", "))));
    }
    rebuildFavoritesMenu();
}

QString Form1::serializeFavorites() const {
    QString text;
    for (const auto& [key, favorite] : Favorites) {
        const QString name = fromUtf8(favorite.Name());
        const QString path = fromUtf8(favorite.Tag());
        if (needsEscape(name) || needsEscape(path))
            text += escapeField(name) + QLatin1Char('?') + escapeField(path) + QStringLiteral("?|");
        else
            text += name + QLatin1Char('?') + path + QLatin1Char('|');
    }
    return text;
}

// Writes the list, or removes the value when no favorite is left, so that the next start
// reads "none".
void Form1::saveFavorites() {
    const QString text = serializeFavorites();
    if (!text.isEmpty())
        m_settings->save(Section, ListKey, text);
    else if (m_settings->get(Section, ListKey, None) != None)
        m_settings->remove(Section, ListKey);
}

void Form1::rebuildFavoritesMenu() {
    while (mnuFavoriteList.size() > 1)
        delete mnuFavoriteList.takeLast();
    mnuFavoriteList.first()->setVisible(!Favorites.empty());
    for (const auto& [key, favorite] : Favorites) {
        // "&" would otherwise turn into a mnemonic and vanish from the caption.
        QString caption = fromUtf8(favorite.Name());
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* item = mnuFavorites->addAction(caption);
        item->setData(fromUtf8(favorite.Tag()));
        const int index = static_cast<int>(mnuFavoriteList.size());
        connect(item, &QAction::triggered, this, [this, index] { chooseFavorite(index); });
        mnuFavoriteList << item;
    }
}

bool Form1::favoritePathFree(const QString& path) {
    if (!Favorites.contains(path.toStdString())) return true;
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
    NameIDPair pair;
    pair.Init(name->toStdString(), 0, folder.toStdString());
    Favorites.add(folder.toStdString(), std::move(pair));
    rebuildFavoritesMenu();
    saveFavorites();
}

void Form1::editFavorites() {
    frmFavorites dialog(*this, *m_prompter, this);
    dialog.exec();
}

void Form1::chooseFavorite(int index) {
    if (index < 1 || index >= mnuFavoriteList.size()) return;
    const QString path = mnuFavoriteList[index]->data().toString();
    if (path != Drives && !QFileInfo(path).isDir()) {
        m_prompter->message(tr("The folder '%1' does not exist").arg(path),
                            Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }
    PopulateList(path, false, false);
}

} // namespace tunewalk
