// The tree's model: which nodes exist, how they load on expansion and go again on collapse,
// and how a chosen node becomes the current folder.
#include "foldertree/Treefolder.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "foldertree/SubFolders.h"
#include "foldertree/TreeIcons.h"
#include "foldertree/TreeNode.h"
#include "foldertree/TreePaths.h"
#include "foldertree/TreefolderView.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace tunewalk {

using namespace TreeNode;
using TreePaths::keyInside;
using TreePaths::withSeparator;

namespace {

const QString FolderImage = QStringLiteral("Folder");
const QString OpenFolderImage = QStringLiteral("OpenFolder");

QString imageForVolume(const QString& iconKey) {
    for (const char* known : {"Floppy", "NetDrive", "CD"}) {
        if (iconKey == QLatin1String(known)) return iconKey;
    }
    return QStringLiteral("Drive");
}

// My Computer, My Documents and the volumes outlive a collapse of their parent; only what was
// loaded below them goes.
bool staysOnCollapse(const QTreeWidgetItem* child) {
    const QString childTag = tag(child);
    return key(child) == MyComputerKey || childTag == MyDocumentsTag || childTag == DriveTag;
}

QString volumeKey(const TreeVolume& volume) {
    return pathKey(withSeparator(TreePaths::clean(volume.root)));
}

QString volumeText(const TreeVolume& volume) {
    const QString text =
        volume.label.isEmpty() ? withSeparator(TreePaths::clean(volume.root)) : volume.label;
    // Drive letters are shown in capitals; a mount point is a path, and in another letter case
    // it would name another folder.
#ifdef Q_OS_WIN
    return text.toUpper();
#else
    return text;
#endif
}

} // namespace

Treefolder::Treefolder(QWidget* parent) : Treefolder(TreefolderEnvironment{}, parent) {}

Treefolder::Treefolder(TreefolderEnvironment environment, QWidget* parent)
    : QWidget(parent), m_environment(std::move(environment)) {
    setUpParts();

    connect(m_view, &QTreeWidget::itemExpanded, this, &Treefolder::expandHandling);
    connect(m_view, &QTreeWidget::itemCollapsed, this, &Treefolder::collapseHandling);
    connect(m_view, &TreefolderView::nodeChosen, this, &Treefolder::nodeClickHandling);
    connect(m_view, &TreefolderView::automaticDragStarted, this, &Treefolder::OLEDrag);
    connect(m_view, &TreefolderView::gotFocus, this, &Treefolder::GotFocus);
    connect(m_view, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* changed, int) {
        // itemChanged also reports text and data changes; only a new check state is NodeCheck.
        if (!(changed->flags() & Qt::ItemIsUserCheckable)) return;
        const QVariant state = changed->data(0, Qt::CheckStateRole);
        if (state == changed->data(0, CheckSeenRole)) return;
        changed->setData(0, CheckSeenRole, state);
        emit NodeCheck(changed);
    });

    connect(m_view, &TreefolderView::Click, this, &Treefolder::Click);
    connect(m_view, &TreefolderView::DblClick, this, &Treefolder::DblClick);
    connect(m_view, &TreefolderView::KeyDown, this, &Treefolder::KeyDown);
    connect(m_view, &TreefolderView::KeyPress, this, &Treefolder::KeyPress);
    connect(m_view, &TreefolderView::KeyUp, this, &Treefolder::KeyUp);
    connect(m_view, &TreefolderView::MouseDown, this, &Treefolder::MouseDown);
    connect(m_view, &TreefolderView::MouseMove, this, &Treefolder::MouseMove);
    connect(m_view, &TreefolderView::MouseUp, this, &Treefolder::MouseUp);
    connect(m_view, &TreefolderView::BeforeLabelEdit, this, &Treefolder::BeforeLabelEdit);
    connect(m_view, &TreefolderView::AfterLabelEdit, this, &Treefolder::AfterLabelEdit);
    connect(m_view, &TreefolderView::OLEDragOver, this, &Treefolder::OLEDragOver);
    connect(m_view, &TreefolderView::OLEDragDrop, this, &Treefolder::OLEDragDrop);

    buildTree();
}

Treefolder::~Treefolder() = default;

void Treefolder::init(TreefolderEnvironment environment) {
    m_environment = std::move(environment);
    buildTree();
}

QList<TreeVolume> Treefolder::volumes() const {
    return m_environment.volumes ? m_environment.volumes() : QList<TreeVolume>{};
}

void Treefolder::buildTree() {
    ++m_quiet; // clearing an expanded tree must not look like the user collapsing it
    m_view->clear();
    --m_quiet;
    m_nodes.clear();
    m_volumeRoots.clear();
    m_expansionLock = false;
    // Probes of the old tree are dropped; answers already on their way find no ticket.
    for (const FolderProbes::Batch& batch : std::as_const(m_probeBatches))
        batch->store(true);
    m_probeBatches.clear();
    m_probeTickets.clear();
    FolderProbes::Probe probe = m_environment.hasSubFolder;
    if (!probe) probe = SubFolders::hasSubFolder;
    m_probes = std::make_unique<FolderProbes>(
        this, std::move(probe),
        [this](const FolderProbes::Answer& answer) { probeAnswered(answer); });
    m_gatheredReady.clear();

    // Folder keys depend on which folders are volume roots, so learn the volumes first.
    const QList<TreeVolume> known = volumes();
    for (const TreeVolume& volume : known) {
        const QString root = withSeparator(TreePaths::clean(volume.root));
        if (!volume.root.isEmpty()) m_volumeRoots.insert(pathKey(root), root);
    }

    m_desktop = TreePaths::clean(m_environment.desktop);
    m_desktopKey = m_desktop.isEmpty() ? QString() : keyForFolder(m_desktop);
    QTreeWidgetItem* desktop = nullptr;
    if (!m_desktop.isEmpty()) {
        desktop = makeNode(DesktopPrefix + m_desktopKey, tr("Desktop"), QStringLiteral("Desktop"),
                           DesktopTag, false, m_desktop);
        m_view->addTopLevelItem(desktop);
    }
    // Without a desktop My Computer is the root, and there is nowhere to hang My Documents.
    QTreeWidgetItem* computer =
        makeNode(MyComputerKey, tr("My Computer"), QStringLiteral("MyComputer"), {}, false, {});
    if (desktop)
        desktop->addChild(computer);
    else
        m_view->addTopLevelItem(computer);

    m_documents = TreePaths::clean(m_environment.documents);
    m_documentsKey.clear();
    if (desktop && !m_documents.isEmpty() && QFileInfo(m_documents).isDir()) {
        m_documentsKey = keyForFolder(m_documents);
        QTreeWidgetItem* documents =
            makeNode(MyDocumentsPrefix + m_documentsKey, tr("My Documents"),
                     QStringLiteral("MyDocuments"), MyDocumentsTag, true, m_documents);
        documents->addChild(makePlaceholder());
        desktop->addChild(documents);
    }

    loadDrives(known);
    gatherVolumes();
    m_path = QDir::toNativeSeparators(QDir::rootPath());
}

// The quick volume list gives the volumes at once; their labels and readiness come later.
void Treefolder::gatherVolumes() {
    if (!m_environment.gatherVolumes) return;
    const quint64 gathering = ++m_gathering;
    m_environment.gatherVolumes(this, [this, gathering](const QList<TreeVolume>& gathered) {
        if (gathering == m_gathering) takeGatheredVolumes(gathered);
    });
}

void Treefolder::takeGatheredVolumes(const QList<TreeVolume>& gathered) {
    m_gatheredReady.clear();
    for (const TreeVolume& volume : gathered) {
        const QString rootKey = volumeKey(volume);
        m_gatheredReady.insert(rootKey, volume.ready);
        QTreeWidgetItem* drive = node(rootKey);
        if (!drive || tag(drive) != DriveTag) continue;
        drive->setText(0, volumeText(volume));
        const QString imageKey = imageForVolume(volume.iconKey);
        drive->setData(0, ImageRole, imageKey);
        drive->setIcon(0, TreeIcons::forNode(imageKey, selectedImage(drive)));
    }
    loadDrives(gathered);
}

void Treefolder::loadDrives(const QList<TreeVolume>& known) {
    QTreeWidgetItem* computer = node(MyComputerKey);
    if (!computer) return;
    // My Computer is not sorted: the volumes keep the host's order. A volume already shown is
    // skipped, so expanding My Computer again adds only volumes mounted since.
    for (const TreeVolume& volume : known) {
        if (volume.root.isEmpty()) continue;
        const QString root = withSeparator(TreePaths::clean(volume.root));
        const QString rootKey = pathKey(root);
        if (m_nodes.contains(rootKey)) continue;
        m_volumeRoots.insert(rootKey, root);
        QTreeWidgetItem* drive = makeNode(rootKey, volumeText(volume),
                                          imageForVolume(volume.iconKey), DriveTag, true, root);
        drive->addChild(makePlaceholder());
        computer->addChild(drive);
    }
}

bool Treefolder::volumeReady(const QString& rootKey) const {
    // Never a call on the mount itself: a dead one would hang the window. A root that is gone
    // shows when the volume is listed.
    for (const TreeVolume& volume : volumes()) {
        if (volumeKey(volume) == rootKey)
            return volume.ready && m_gatheredReady.value(rootKey, true);
    }
    return false; // no longer mounted
}

void Treefolder::expandHandling(QTreeWidgetItem* expanded) {
    if (m_quiet > 0) return;
    if (m_expansionLock) {
        setExpandedQuietly(expanded, false);
        return;
    }
    bool notReady = false;
    const QString expandedKey = key(expanded);
    if (expandedKey == MyComputerKey) {
        if (isUnloaded(expanded)) delete expanded->takeChild(0);
        loadDrives(volumes());
        gatherVolumes();
    } else {
        m_view->reveal(expanded);
        const QString expandedTag = tag(expanded);
        // The Desktop root loads on every expansion: a collapse removed its folders but kept
        // My Computer and My Documents, so it has no placeholder to tell.
        const bool isDesktop = expandedTag == DesktopTag;
        if (isUnloaded(expanded) || isDesktop) {
            if (!isDesktop) delete expanded->takeChild(0);
            const bool isDrive = expandedTag == DriveTag;
            if (isDrive && !volumeReady(expandedKey))
                notReady = true;
            else if (!loadFolders(expanded) && isDrive)
                notReady = true;
            // A folder that vanished simply shows no sub-folders.
        }
    }
    if (notReady) {
        // Like the drive's own error: folded up, without its placeholder until it is
        // collapsed and expanded again.
        setExpandedQuietly(expanded, false);
        emit DriveNotReadyError();
    }
    emit Expand(expanded);
}

bool Treefolder::loadFolders(QTreeWidgetItem* parent) {
    const QString parentTag = tag(parent);
    QString prefix, childTag;
    if (parentTag == MyDocumentsTag || parentTag == MyDocsSubTag) {
        prefix = MyDocumentsPrefix;
        childTag = MyDocsSubTag;
    } else if (parentTag == DesktopTag || parentTag == DesktopSubTag) {
        prefix = DesktopPrefix;
        childTag = DesktopSubTag;
    }
    const QString parentFolder = folder(parent);
    const QString parentKey = key(parent);
    m_probeTickets.remove(parentKey); // its own listing answers its probe
    const std::optional<QStringList> names = SubFolders::subFolderNames(parentFolder);
    if (!names) return false;

    // Whether each child has sub-folders is asked in the background. Until the answer comes a
    // child shows an expand button, as file managers do for network folders: it can be opened
    // at once (it simply loads), and a slow folder does not look empty. A "no" removes it.
    FolderProbes::Batch& batch = m_probeBatches[parentKey];
    if (!batch) batch = std::make_shared<std::atomic<bool>>(false);
    std::vector<FolderProbes::Job> jobs;
    jobs.reserve(size_t(names->size()));
    QList<QTreeWidgetItem*> children;
    children.reserve(names->size());
    for (const QString& name : *names) {
        const QString path = joinPath(parentFolder, name);
        const QString childKey = prefix + pathKey(path);
        if (m_nodes.contains(childKey)) continue; // the Desktop root's folders still shown
        QTreeWidgetItem* child = makeNode(childKey, name, FolderImage, childTag, true, path);
        child->addChild(makePlaceholder());
        children.append(child);
        const quint64 ticket = ++m_nextTicket;
        m_probeTickets.insert(childKey, ticket);
        jobs.push_back({childKey, path, ticket, batch});
    }
    // The listing is in text order already, and one insertion keeps a big folder cheap for
    // the view.
    parent->addChildren(children);
    m_probes->add(std::move(jobs));
    return true;
}

void Treefolder::probeAnswered(const FolderProbes::Answer& answer) {
    // A node removed, made again or loaded since has no ticket, or another one.
    const auto ticket = m_probeTickets.constFind(answer.key);
    if (ticket == m_probeTickets.cend() || *ticket != answer.ticket) return;
    m_probeTickets.erase(ticket);
    QTreeWidgetItem* child = node(answer.key);
    if (child && !answer.hasSubFolder && isUnloaded(child) && !child->isExpanded())
        delete child->takeChild(0);
}

void Treefolder::dropProbes(const QString& parentKey) {
    if (const FolderProbes::Batch batch = m_probeBatches.take(parentKey)) batch->store(true);
}

void Treefolder::collapseHandling(QTreeWidgetItem* collapsed) {
    if (m_quiet > 0) return;
    const QString selectedKey = key(SelectedItem());
    discardChildren(collapsed);
    if (collapsed->childCount() == 0) collapsed->addChild(makePlaceholder());

    // The selection must not stay on a node that just went: when the current folder lies in
    // the collapsed node, the node itself becomes the choice.
    const QString collapsedKey = key(collapsed);
    const QString current = pathKey(m_path);
    bool chooseIt = false;
    if (collapsedKey.startsWith(DesktopPrefix) || collapsedKey.startsWith(MyDocumentsPrefix)) {
        chooseIt = tag(collapsed) == DesktopTag || (selectedKey.left(3) == collapsedKey.left(3) &&
                                                    keyInside(current, collapsedKey.mid(3)));
    } else {
        chooseIt = !selectedKey.startsWith(MyDocumentsPrefix) &&
                   !selectedKey.startsWith(DesktopPrefix) &&
                   (collapsedKey == MyComputerKey || keyInside(current, collapsedKey));
    }
    if (chooseIt) {
        m_expansionLock = true;
        select(collapsed);
        m_expansionLock = false;
        nodeClickHandling(collapsed);
    }
    emit Collapse(collapsed);
}

void Treefolder::nodeClickHandling(QTreeWidgetItem* clicked) {
    if (!clicked || isPlaceholder(clicked)) return;
    const QString clickedKey = key(clicked);
    const QString clickedTag = tag(clicked);
    const bool isComputer = clickedKey == MyComputerKey;
    if (!clickedKey.endsWith(TreePaths::separator()) && clickedTag != MyDocumentsTag &&
        clickedTag != DesktopTag && !isComputer)
        setOpenFolderImage(clicked);
    if (clickedTag == DriveTag && !volumeReady(clickedKey)) {
        emit DriveNotReadyError();
        emit NodeClick(clicked);
        return;
    }
    // The current folder is only a path: a folder that vanished still becomes current, and
    // the host finds out when it lists it.
    if (!isComputer) m_path = folder(clicked);
    emit NodeClick(clicked);
    if (isComputer)
        emit MyComputerClicked();
    else
        emit PathChanged(clickedTag == DesktopTag);
}

QTreeWidgetItem* Treefolder::makeNode(const QString& nodeKey, const QString& text,
                                      const QString& imageKey, const QString& nodeTag,
                                      bool isSorted, const QString& nodeFolder) {
    auto* made = new QTreeWidgetItem;
    made->setText(0, displayPath(text)); // the key and folder keep a name's raw bytes
    made->setData(0, KeyRole, nodeKey);
    if (!nodeTag.isEmpty()) made->setData(0, TagRole, nodeTag);
    made->setData(0, ImageRole, imageKey);
    made->setData(0, SortedRole, isSorted);
    if (!nodeFolder.isEmpty()) made->setData(0, PathRole, nodeFolder);
    made->setIcon(0, TreeIcons::forNode(imageKey));
    // Only folders may be renamed in place: the host renames the current folder, and the
    // special nodes and volumes have none of their own to rename.
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (imageKey == FolderImage) flags |= Qt::ItemIsEditable;
    made->setFlags(flags);
    m_nodes.insert(nodeKey, made);
    return made;
}

QTreeWidgetItem* Treefolder::makePlaceholder() {
    auto* placeholder = new QTreeWidgetItem;
    placeholder->setFlags(Qt::ItemIsEnabled);
    return placeholder;
}

void Treefolder::insertChild(QTreeWidgetItem* parent, QTreeWidgetItem* child) {
    if (!sorted(parent)) {
        parent->addChild(child);
        return;
    }
    int low = 0, high = parent->childCount();
    const QString text = child->text(0);
    while (low < high) {
        const int middle = (low + high) / 2;
        if (compareText(parent->child(middle)->text(0), text) <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    parent->insertChild(low, child);
}

void Treefolder::rekey(QTreeWidgetItem* target, const QString& newKey, const QString& newFolder) {
    const QString oldKey = key(target);
    if (m_nodes.value(oldKey) == target) m_nodes.remove(oldKey);
    // Answers come by key: under the new one the node keeps its expand button until it loads.
    m_probeTickets.remove(oldKey);
    dropProbes(oldKey);
    target->setData(0, KeyRole, newKey);
    target->setData(0, PathRole, newFolder);
    m_nodes.insert(newKey, target);
}

void Treefolder::setOpenFolderImage(QTreeWidgetItem* target) {
    if (selectedImage(target) == OpenFolderImage) return;
    target->setData(0, SelectedImageRole, OpenFolderImage);
    target->setIcon(0, TreeIcons::forNode(image(target), OpenFolderImage));
}

void Treefolder::forget(QTreeWidgetItem* gone) {
    const QString goneKey = key(gone);
    if (!goneKey.isEmpty() && m_nodes.value(goneKey) == gone) {
        m_nodes.remove(goneKey);
        m_probeTickets.remove(goneKey);
        dropProbes(goneKey);
    }
    for (int i = 0; i < gone->childCount(); ++i)
        forget(gone->child(i));
}

void Treefolder::removeNode(QTreeWidgetItem* gone) {
    forget(gone);
    delete gone; // takes it out of its parent and the view
}

void Treefolder::discardChildren(QTreeWidgetItem* parent) {
    dropProbes(key(parent));
    bool keepsSome = false;
    for (int i = 0; i < parent->childCount() && !keepsSome; ++i)
        keepsSome = staysOnCollapse(parent->child(i));
    if (!keepsSome) {
        // All at once: one removal for the view however many sub-folders were loaded.
        const QList<QTreeWidgetItem*> gone = parent->takeChildren();
        for (QTreeWidgetItem* child : gone)
            forget(child);
        qDeleteAll(gone);
        return;
    }
    for (int i = parent->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = parent->child(i);
        if (staysOnCollapse(child))
            unload(child);
        else
            removeNode(child);
    }
}

// A node that stays while its parent collapses: its loaded levels go, and it is folded up
// without handling or events of its own (the parent's collapse speaks for it).
void Treefolder::unload(QTreeWidgetItem* target) {
    discardChildren(target);
    if (target->childCount() == 0) target->addChild(makePlaceholder());
    setExpandedQuietly(target, false);
}

void Treefolder::setExpandedQuietly(QTreeWidgetItem* target, bool expanded) {
    ++m_quiet;
    target->setExpanded(expanded);
    --m_quiet;
}

void Treefolder::select(QTreeWidgetItem* target) {
    m_view->setCurrentItem(target);
}

QString Treefolder::keyForFolder(const QString& path) const {
    const QString cleaned = TreePaths::clean(path);
    if (cleaned.isEmpty()) return {};
    const QString asRoot = pathKey(withSeparator(cleaned));
    if (m_volumeRoots.contains(asRoot)) return asRoot; // a volume root keeps its separator
    return pathKey(cleaned);
}

QString Treefolder::volumeRootOf(const QString& path) const {
    const QString asFolder = pathKey(withSeparator(path));
    QString best;
    for (auto it = m_volumeRoots.cbegin(); it != m_volumeRoots.cend(); ++it) {
        // Root keys end in a separator, so a prefix match is a whole-component match.
        if (asFolder.startsWith(it.key()) && it.key().size() > pathKey(best).size())
            best = it.value();
    }
    return best;
}

} // namespace tunewalk
