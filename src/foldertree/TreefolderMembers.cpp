// The members the host calls: navigation, keeping the tree in step with the disk, new
// folders and dragging.
#include "foldertree/Treefolder.h"

#include "common/PathRules.h"
#include "foldertree/TreeNode.h"
#include "foldertree/TreePaths.h"
#include "foldertree/TreefolderView.h"

#include <QDir>
#include <QDrag>
#include <QMimeData>
#include <array>

namespace tunewalk {

using namespace TreeNode;
using TreePaths::keyInside;
using TreePaths::withSeparator;

namespace {

// The three places a folder can be shown, in the order the members visit them: its drive
// branch, the My Documents branch and the Desktop branch, with the tag of that branch.
struct Branch {
    QLatin1String prefix;
    QLatin1String childTag;
};
constexpr std::array<Branch, 3> Branches = {{
    {QLatin1String(""), QLatin1String("")},
    {MyDocumentsPrefix, MyDocsSubTag},
    {DesktopPrefix, DesktopSubTag},
}};

const QString FolderImage = QStringLiteral("Folder");

bool isWithin(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) {
    for (; node; node = node->parent()) {
        if (node == ancestor) return true;
    }
    return false;
}

} // namespace

void Treefolder::SetPath(const QString& myPath) {
    const QString path = TreePaths::clean(myPath);
    if (path.isEmpty()) return;
    const QString root = volumeRootOf(path);
    if (root.isEmpty()) return; // on no volume the tree knows
    const QStringList levels =
        path.mid(root.size()).split(TreePaths::separator(), Qt::SkipEmptyParts);
    // Cumulative prefixes: the first is the volume root, 21 at most.
    if (levels.size() > 20) return;
    QStringList prefixes{root};
    for (const QString& level : levels)
        prefixes.append(joinPath(prefixes.last(), level));
    const qsizetype last = levels.size();

    // Stay in the My Documents or Desktop branch while the user is in it and the path is
    // shown there; otherwise open the path in its drive branch.
    QString prefix;
    qsizetype start = 0;
    const QString selectedKey = key(SelectedItem());
    for (const QLatin1String branch : {MyDocumentsPrefix, DesktopPrefix}) {
        if (!selectedKey.startsWith(branch)) continue;
        for (qsizetype i = 0; i <= last; ++i) {
            if (m_nodes.contains(branch + pathKey(prefixes[i]))) {
                prefix = branch;
                start = i;
                break;
            }
        }
        break;
    }

    for (qsizetype level = start; level < last; ++level) {
        // Looked up afresh each time: expanding runs the host's Expand handler.
        QTreeWidgetItem* opened = node(prefix + pathKey(prefixes[level]));
        if (opened && !opened->isExpanded()) opened->setExpanded(true);
    }

    m_path = prefixes[last];
    QTreeWidgetItem* target = node(prefix + pathKey(m_path));
    if (!target) return;
    select(target);
    m_view->reveal(target);
    if (target->parent() && key(target->parent()) != MyComputerKey) setOpenFolderImage(target);
    emit PathChanged(tag(target) == DesktopTag);
}

void Treefolder::AddNode(const QString& parentPath, const QString& newName) {
    const QString parentFolder = TreePaths::clean(parentPath);
    const QString parentKey = keyForFolder(parentFolder);
    if (parentKey.isEmpty() || newName.isEmpty()) return;
    const QString path = joinPath(parentFolder, newName);
    for (const Branch& branch : Branches) {
        QTreeWidgetItem* parent = node(branch.prefix + parentKey);
        // A parent that has not loaded its sub-folders finds the new one when it does; the
        // Desktop root loads its folders afresh on every expansion.
        if (!parent || isUnloaded(parent)) continue;
        if (tag(parent) == DesktopTag && !parent->isExpanded()) continue;
        const QString childKey = branch.prefix + pathKey(path);
        if (m_nodes.contains(childKey)) continue;
        insertChild(parent, makeNode(childKey, newName, FolderImage, branch.childTag, true, path));
    }
}

void Treefolder::RemoveNode(const QString& myPath) {
    const QString folderKey = keyForFolder(myPath);
    if (folderKey.isEmpty()) return;
    QTreeWidgetItem* selected = SelectedItem();
    bool selectionGoes = false;
    QTreeWidgetItem* fallback = nullptr; // the parent of the copy that held the selection
    for (const Branch& branch : Branches) {
        QTreeWidgetItem* copy = node(branch.prefix + folderKey);
        if (copy && selected && isWithin(selected, copy)) {
            selectionGoes = true;
            fallback = copy->parent();
        }
    }
    for (const Branch& branch : Branches) {
        if (QTreeWidgetItem* copy = node(branch.prefix + folderKey)) removeNode(copy);
    }
    if (!selectionGoes) return;
    // The view moves its current node to a sibling; with none left, the parent takes over.
    // The current folder and the host follow as after a click.
    QTreeWidgetItem* next = m_view->currentItem();
    if (!next) next = fallback;
    if (!next) return;
    select(next);
    nodeClickHandling(next);
}

void Treefolder::UpdateNode(const QString& oldPath, const QString& newPath,
                            const QString& newName) {
    const QString oldFolder = TreePaths::clean(oldPath);
    const QString newFolder = TreePaths::clean(newPath);
    const QString oldKey = keyForFolder(oldFolder);
    const QString newKey = keyForFolder(newFolder);
    if (oldKey.isEmpty() || newKey.isEmpty()) return;

    // The current folder moves with the rename, so Path keeps naming a folder that exists.
    if (keyInside(pathKey(m_path), oldKey)) m_path = newFolder + m_path.mid(oldFolder.size());

    QStringList renamed;
    for (const Branch& branch : Branches) {
        QTreeWidgetItem* copy = node(branch.prefix + oldKey);
        if (!copy) continue;
        copy->setText(0, newName);
        const QString target = branch.prefix + newKey;
        if (target != branch.prefix + oldKey && m_nodes.contains(target)) continue;
        rekey(copy, target, newFolder);
        renamed.append(target);
    }
    // Loaded sub-folders still carry the old path in their keys: fold the node up so they
    // load again under the new one.
    for (const QString& renamedKey : renamed) {
        QTreeWidgetItem* copy = node(renamedKey);
        if (!copy || copy->childCount() == 0 || isUnloaded(copy)) continue;
        if (copy->isExpanded()) {
            copy->setExpanded(false); // as if the user collapsed it, with its events
        } else {
            discardChildren(copy);
            copy->addChild(makePlaceholder());
        }
    }
}

void Treefolder::CreateNewDirectory(const QString& newDirectory) {
    const QString full = withSeparator(QDir::toNativeSeparators(newDirectory));
    const QChar separator = TreePaths::separator();
    for (qsizetype i = 0; i < full.size(); ++i) {
        if (full.at(i) != separator) continue;
        const QString path = full.left(i);
        // The first level is the volume root, which cannot be made; an existing level is
        // skipped and the walk goes on.
        if (path.isEmpty() || !QDir().mkdir(path)) continue;
        // New folders appear in the drive branch only, under a parent that has loaded its
        // sub-folders (a folder with none counts as loaded).
        QTreeWidgetItem* parent = node(keyForFolder(parentPath(path)));
        const QString folderKey = pathKey(path);
        if (!parent || isUnloaded(parent) || m_nodes.contains(folderKey)) continue;
        insertChild(parent, makeNode(folderKey, fileNamePart(path), FolderImage, {}, true, path));
    }
}

void Treefolder::goTo(QTreeWidgetItem* target) {
    if (!target) return;
    const QString targetKey = key(target);
    select(target);
    nodeClickHandling(target);
    target = node(targetKey); // the host's handlers ran in between
    if (!target) return;
    target->setExpanded(true);
    m_view->reveal(target);
}

void Treefolder::MyComputer() {
    goTo(node(MyComputerKey));
}

void Treefolder::MyDocuments() {
    if (!m_documentsKey.isEmpty()) goTo(node(MyDocumentsPrefix + m_documentsKey));
}

void Treefolder::Desktop() {
    goTo(m_view->topLevelItem(0));
}

void Treefolder::UpOneDir() {
    const QTreeWidgetItem* selected = SelectedItem();
    const QString selectedTag = tag(selected);
    if (selectedTag == DesktopTag) return; // the top
    if (selectedTag == MyDocumentsTag || key(selected) == MyComputerKey) {
        Desktop();
    } else if (selectedTag == DriveTag) {
        MyComputer();
    } else if (const QString parent = parentPath(m_path); !parent.isEmpty()) {
        SetPath(parent); // a first-level folder's parent is its volume root
    }
}

QTreeWidgetItem* Treefolder::HitTest(float x, float y) const {
    return m_view->itemAt(QPointF(x, y).toPoint());
}

QTreeWidgetItem* Treefolder::SelectedItem() const {
    // Qt keeps a current item even when nothing is selected (it picks one on focus).
    QTreeWidgetItem* current = m_view->currentItem();
    return current && current->isSelected() ? current : nullptr;
}

void Treefolder::setSelectedItem(QTreeWidgetItem* target) {
    if (target)
        select(target);
    else
        m_view->setCurrentItem(nullptr);
}

QTreeWidgetItem* Treefolder::DropHighlight() const {
    return m_view->dropHighlight();
}

void Treefolder::setDropHighlight(QTreeWidgetItem* target) {
    m_view->setDropHighlight(target);
    emit PropertyChanged(QStringLiteral("DropHighlight"));
}

void Treefolder::OLEDrag() {
    auto* data = new QMimeData;
    int allowedEffects = (Qt::CopyAction | Qt::MoveAction).toInt();
    emit OLEStartDrag(data, allowedEffects);
    const auto actions = Qt::DropActions::fromInt(
        allowedEffects & (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction).toInt());
    int effect = Qt::IgnoreAction;
    if (!actions) {
        delete data; // the host offered nothing to drag
    } else {
        // Qt deletes the drag (and the data with it) once the loop is over.
        auto* drag = new QDrag(m_view);
        drag->setMimeData(data);
        Qt::DropAction preferred = Qt::LinkAction;
        if (actions.testFlag(Qt::MoveAction))
            preferred = Qt::MoveAction;
        else if (actions.testFlag(Qt::CopyAction))
            preferred = Qt::CopyAction;
        effect = drag->exec(actions, preferred);
    }
    emit OLECompleteDrag(effect);
}

} // namespace tunewalk
