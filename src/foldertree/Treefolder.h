#pragma once

#include "foldertree/FolderProbes.h"
#include "foldertree/TreefolderEnvironment.h"

#include <QFont>
#include <QHash>
#include <QMimeData>
#include <QPalette>
#include <QPixmap>
#include <QWidget>
#include <memory>

class QLabel;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tunewalk {

class PropertyBag;
class TreefolderView;

// The folder tree at the left of the main window: Desktop, My Computer with the volumes, My
// Documents, and the folders below them, loaded one level at a time as the user expands them
// and dropped again on collapse. The control keeps a current folder (Path) and tells its host
// what the user chose through the signals below. Node keys, tags and pictures are described in
// TreeNode.h.
//
// Signals with reference arguments hand the host values to write back (Cancel, NewString,
// Effect, AllowedEffects); connect to them directly (same thread), so handlers run before the
// control goes on.
class Treefolder : public QWidget {
    Q_OBJECT
public:
    explicit Treefolder(QWidget* parent = nullptr);
    explicit Treefolder(TreefolderEnvironment environment, QWidget* parent = nullptr);
    ~Treefolder() override;

    // Builds the tree afresh for `environment`: Desktop root, My Computer with one node per
    // volume, My Documents. Nothing is selected afterwards.
    void init(TreefolderEnvironment environment);

    // Creates the folder and any missing parents; each level it makes gets a node when its
    // parent is loaded in the drive branch.
    void CreateNewDirectory(const QString& newDirectory);
    // The current folder (a volume root keeps its separator).
    QString Path() const { return m_path; }
    // Starts a drag from the tree: OLEStartDrag lets the host fill the data and the allowed
    // effects, the platform's drag loop runs, OLECompleteDrag tells the final effect.
    void OLEDrag();
    // Keep the tree in step after the host changed the disk. Each acts on every branch in
    // which the folder (or its parent) is shown; copies that are not shown are skipped.
    void AddNode(const QString& parentPath, const QString& newName);
    void RemoveNode(const QString& myPath);
    void UpdateNode(const QString& oldPath, const QString& newPath, const QString& newName);
    // Go to a node: select it, raise the click events, expand it.
    void MyComputer();
    void MyDocuments();
    void Desktop();
    void UpOneDir();
    // The node at a point of the tree's viewport, or null.
    QTreeWidgetItem* HitTest(float x, float y) const;
    // Selects the folder's node, expanding the levels on the way (one Expand per level opened,
    // then PathChanged). A path on no known volume, or more than 20 levels deep, is ignored.
    void SetPath(const QString& myPath);
    QString DesktopFolder() const { return m_desktopKey; }
    QString MyDocumentsFolder() const { return m_documentsKey; }
    QTreeWidgetItem* SelectedItem() const;
    void setSelectedItem(QTreeWidgetItem* node);

    // Properties of the inner tree view; each change marks the design as changed
    // (PropertyChanged).
    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);
    QPixmap MouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const QPixmap& icon);
    int LabelEdit() const { return m_labelEdit; }
    void setLabelEdit(int mode);
    bool HideSelection() const { return m_hideSelection; }
    void setHideSelection(bool hide);
    bool HotTracking() const { return m_hotTracking; }
    void setHotTracking(bool on);
    int BorderStyle() const { return m_borderStyle; }
    void setBorderStyle(int style);
    void AboutBox();
    int Appearance() const { return m_appearance; }
    void setAppearance(int appearance);
    QFont Font() const;
    void setTreeFont(const QFont& font); // setFont would hide QWidget::setFont
    bool Enabled() const;
    void setTreeEnabled(bool enabled); // likewise QWidget::setEnabled
    QTreeWidget* Nodes() const;
    int OLEDragMode() const;
    void setOLEDragMode(int mode);
    int OLEDropMode() const;
    void setOLEDropMode(int mode);
    QTreeWidgetItem* DropHighlight() const;
    void setDropHighlight(QTreeWidgetItem* node);

    // The design storage of the host.
    void writeProperties(PropertyBag& bag) const;
    void readProperties(PropertyBag& bag);

    // The node with this key, or null.
    QTreeWidgetItem* node(const QString& key) const { return m_nodes.value(key); }
    // Whether shown folders still wait to learn if they have sub-folders (their expand
    // buttons may still go).
    bool probesPending() const { return !m_probeTickets.isEmpty(); }

signals:
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void NodeCheck(QTreeWidgetItem* node);
    void Collapse(QTreeWidgetItem* node);
    void Expand(QTreeWidgetItem* node);
    void NodeClick(QTreeWidgetItem* node);
    void PathChanged(bool toDesktop);
    void MyComputerClicked();
    void AfterLabelEdit(int& cancel, QString& newString);
    void BeforeLabelEdit(int& cancel);
    void DriveNotReadyError();
    void HideButtonClicked();
    void OLECompleteDrag(int& effect);
    void OLEDragDrop(const QMimeData* data, int& effect, int button, int shift, float x, float y);
    void OLEDragOver(const QMimeData* data, int& effect, int button, int shift, float x, float y,
                     int state);
    void OLEStartDrag(QMimeData* data, int& allowedEffects);

    // The tree got the keyboard focus.
    void GotFocus();
    // A property of the design changed; the host saves its design.
    void PropertyChanged(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Treefolder.cpp: the model.
    void buildTree();
    void loadDrives(const QList<TreeVolume>& volumes);
    void expandHandling(QTreeWidgetItem* node);
    void collapseHandling(QTreeWidgetItem* node);
    void nodeClickHandling(QTreeWidgetItem* node);
    bool loadFolders(QTreeWidgetItem* node);
    bool volumeReady(const QString& rootKey) const;
    QList<TreeVolume> volumes() const;
    void gatherVolumes();
    void takeGatheredVolumes(const QList<TreeVolume>& gathered);
    void probeAnswered(const FolderProbes::Answer& answer);
    void dropProbes(const QString& parentKey);

    QTreeWidgetItem* makeNode(const QString& key, const QString& text, const QString& image,
                              const QString& tag, bool sorted, const QString& folder);
    static QTreeWidgetItem* makePlaceholder();
    void insertChild(QTreeWidgetItem* parent, QTreeWidgetItem* child);
    void rekey(QTreeWidgetItem* node, const QString& key, const QString& folder);
    void setOpenFolderImage(QTreeWidgetItem* node);
    void removeNode(QTreeWidgetItem* node);
    void discardChildren(QTreeWidgetItem* node);
    void unload(QTreeWidgetItem* node);
    void forget(QTreeWidgetItem* node);
    void setExpandedQuietly(QTreeWidgetItem* node, bool expanded);
    void select(QTreeWidgetItem* node);
    void goTo(QTreeWidgetItem* node);

    QString keyForFolder(const QString& path) const;
    QString volumeRootOf(const QString& path) const;

    // TreefolderProperties.cpp: appearance and layout.
    void setUpParts();
    void layOutParts();
    void applyMousePointer();
    void applyHideSelection();
    void applyFrame();
    void applyLabelEdit();
    void applyHotTracking();
    QFont ambientFont() const;

    TreefolderEnvironment m_environment;
    TreefolderView* m_view = nullptr;
    QLabel* m_title = nullptr;
    QToolButton* m_hide = nullptr;

    QHash<QString, QTreeWidgetItem*> m_nodes; // key -> node, every node but placeholders
    QHash<QString, QString> m_volumeRoots;    // key -> root as shown, of each volume node
    QString m_path;                           // the current folder (Dir1)
    QString m_desktop, m_documents;           // as the file system spells them
    QString m_desktopKey, m_documentsKey;     // their keys
    bool m_expansionLock = false;

    // The "has sub-folders" probes of loaded children: each pending child has a ticket, and
    // an answer counts only for the node that still has it (not for one made again since).
    std::unique_ptr<FolderProbes> m_probes;
    QHash<QString, FolderProbes::Batch> m_probeBatches; // parent key -> its children's probes
    QHash<QString, quint64> m_probeTickets;             // child key -> pending ticket
    quint64 m_nextTicket = 0;
    QHash<QString, bool> m_gatheredReady; // volume key -> ready, as last gathered
    quint64 m_gathering = 0;              // the gathering whose answer counts
    int m_quiet = 0; // > 0 while the control itself folds a node: no handling, no events

    int m_mousePointer = 0;
    QPixmap m_mouseIcon;
    int m_labelEdit = 0;
    bool m_hideSelection = true;
    bool m_hotTracking = false;
    int m_borderStyle = 0;
    int m_appearance = 1;
    QPalette m_basePalette; // the tree's own, before HideSelection changed it
};

} // namespace tunewalk
