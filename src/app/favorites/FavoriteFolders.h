#pragma once

#include "common/KeyedCollection.h"
#include "common/NameIDPair.h"

#include <QString>
#include <QStringList>

namespace tunewalk {

// The favorite folders, keyed by path (a NameIDPair's Tag), in the order the user added them,
// and their form in the "FavoritesList" setting.
class FavoriteFolders {
public:
    const KeyedCollection<NameIDPair>& list() const { return m_list; }
    bool empty() const { return m_list.empty(); }
    bool contains(const QString& path) const;
    const NameIDPair* find(const QString& path) const;
    // False when the path is a favorite already.
    bool add(const QString& name, const QString& path);
    void remove(const QString& path);

    // The setting's value for the list ("" for none).
    QString serialize() const;
    // Replaces the list with the one a setting's value holds; returns the pieces that could not
    // be read (they are left out).
    QStringList read(const QString& text);

private:
    KeyedCollection<NameIDPair> m_list;
};

} // namespace tunewalk
