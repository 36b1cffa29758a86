#pragma once

#include <QLatin1String>
#include <QString>
#include <QTreeWidgetItem>

namespace tunewalk::TreeNode {

// Where a node keeps what the tree needs besides its text. The key is the lookup key (built
// with pathKey), the path the folder as the file system spells it.
enum Role {
    KeyRole = Qt::UserRole + 1,
    TagRole,
    ImageRole,
    SelectedImageRole,
    PathRole,
    SortedRole,
    CheckSeenRole, // the check state NodeCheck last reported
};

inline constexpr QLatin1String MyComputerKey{"MyComputer"};
inline constexpr QLatin1String MyDocumentsPrefix{"MD_"};
inline constexpr QLatin1String DesktopPrefix{"DT_"};

inline constexpr QLatin1String DesktopTag{"Desktop"};
inline constexpr QLatin1String DesktopSubTag{"DesktopSub"};
inline constexpr QLatin1String MyDocumentsTag{"MyDocuments"};
inline constexpr QLatin1String MyDocsSubTag{"MyDocsSub"};
inline constexpr QLatin1String DriveTag{"Drive"};

inline QString key(const QTreeWidgetItem* node) {
    return node ? node->data(0, KeyRole).toString() : QString();
}
inline QString tag(const QTreeWidgetItem* node) {
    return node ? node->data(0, TagRole).toString() : QString();
}
inline QString image(const QTreeWidgetItem* node) {
    return node ? node->data(0, ImageRole).toString() : QString();
}
inline QString selectedImage(const QTreeWidgetItem* node) {
    return node ? node->data(0, SelectedImageRole).toString() : QString();
}
inline bool sorted(const QTreeWidgetItem* node) {
    return node && node->data(0, SortedRole).toBool();
}
// The node's folder; empty for My Computer and a placeholder.
inline QString folder(const QTreeWidgetItem* node) {
    return node ? node->data(0, PathRole).toString() : QString();
}
// A placeholder has neither key nor text; it only gives its parent an expand button.
inline bool isPlaceholder(const QTreeWidgetItem* node) {
    return node && node->text(0).isEmpty() && key(node).isEmpty();
}
// A node whose first child is a placeholder has not loaded its sub-folders yet.
inline bool isUnloaded(const QTreeWidgetItem* node) {
    return node && node->childCount() > 0 && isPlaceholder(node->child(0));
}

// The order of a sorted node's children: by text ignoring case, ties by exact text.
inline int compareText(const QString& a, const QString& b) {
    const int c = a.compare(b, Qt::CaseInsensitive);
    return c != 0 ? c : a.compare(b);
}

} // namespace tunewalk::TreeNode
