#include "app/favorites/FavoriteFolders.h"

namespace tunewalk {

namespace {

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

} // namespace

bool FavoriteFolders::contains(const QString& path) const {
    return m_list.contains(path.toStdString());
}

const NameIDPair* FavoriteFolders::find(const QString& path) const {
    return m_list.find(path.toStdString());
}

bool FavoriteFolders::add(const QString& name, const QString& path) {
    NameIDPair pair;
    pair.Init(name.toStdString(), 0, path.toStdString());
    return m_list.add(path.toStdString(), std::move(pair));
}

void FavoriteFolders::remove(const QString& path) {
    m_list.remove(path.toStdString());
}

QStringList FavoriteFolders::read(const QString& text) {
    m_list.clear();
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
        if (!add(escaped ? unescapeField(parts[0]) : parts[0],
                 escaped ? unescapeField(parts[1]) : parts[1]))
            unreadable << pieces[i];
    }
    return unreadable;
}

QString FavoriteFolders::serialize() const {
    QString text;
    for (const auto& [key, favorite] : m_list) {
        const QString name = QString::fromStdString(favorite.Name());
        const QString path = QString::fromStdString(favorite.Tag());
        if (needsEscape(name) || needsEscape(path))
            text += escapeField(name) + QLatin1Char('?') + escapeField(path) + QStringLiteral("?|");
        else
            text += name + QLatin1Char('?') + path + QLatin1Char('|');
    }
    return text;
}

} // namespace tunewalk
