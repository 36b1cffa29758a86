// The window by keyboard: the playback keys, Enter and Backspace in the panes, the pop-up menus
// from Shift+F10 and the Menu key, the tree's pop-up, and the order Tab walks the controls in.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/window/FocusFrameStyle.h"
#include "app/window/PlayerPanel.h"
#include "foldertree/Treefolder.h"
#include "shell/ShellOperations.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>

namespace tunewalk {

namespace {
// Shift+F10 and the Menu key open the focused pane's pop-up.
bool opensPopup(const QKeyEvent* key, Qt::KeyboardModifiers modifiers) {
    return (key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

// Where a pop-up opened from the keyboard goes: under the item the keys act on.
QPoint belowItem(QAbstractItemView* view, QRect rect) {
    if (rect.isEmpty()) rect = QRect(QPoint(0, 0), QSize(0, 0));
    const QRect inside = view->viewport()->rect();
    const QPoint at(std::clamp(rect.left() + rect.height(), inside.left(), inside.right()),
                    std::clamp(rect.bottom(), inside.top(), inside.bottom()));
    return view->viewport()->mapToGlobal(at);
}
QPoint belowItem(QTreeWidget* view, QTreeWidgetItem* item) {
    return belowItem(view, item ? view->visualItemRect(item) : QRect());
}
} // namespace

void Form1::setUpKeyboard() {
    // The keys desktop players use. The window holds the actions as well, so that they work
    // in the small window, which has no menu bar.
    ui.mnuPlayPause = new QAction(tr("Pla&y/Pause"), this);
    connect(ui.mnuPlayPause, &QAction::triggered, this, &Form1::playPauseCommand);
    const QList<QAction*> audio = ui.mnuAudio->actions();
    const qsizetype afterStop = audio.indexOf(ui.mnuStop) + 1;
    ui.mnuAudio->insertAction(afterStop < audio.size() ? audio[afterStop] : nullptr,
                              ui.mnuPlayPause);
    const struct {
        QAction* command;
        QAction* trayItem;
        QKeySequence keys;
    } playbackKeys[] = {
        {ui.mnuPlayPause, nullptr, QKeySequence(Qt::CTRL | Qt::Key_Space)},
        {ui.mnuStop, ui.mnuSTStop, QKeySequence(Qt::CTRL | Qt::Key_Period)},
        {ui.mnuNext, ui.mnuSTNext, QKeySequence(Qt::CTRL | Qt::Key_Right)},
        {ui.mnuPrevious, ui.mnuSTPrevious, QKeySequence(Qt::CTRL | Qt::Key_Left)},
    };
    for (const auto& [command, trayItem, keys] : playbackKeys) {
        command->setShortcut(keys);
        if (trayItem) trayItem->setShortcut(keys); // shown there, run through the window
        addAction(command);
    }
    // Enabled when Play or Pause is.
    const auto syncPlayPause = [this] {
        ui.mnuPlayPause->setEnabled(ui.mnuPlayFile->isEnabled() || ui.mnuPause->isEnabled());
    };
    connect(ui.mnuPlayFile, &QAction::changed, this, syncPlayPause);
    connect(ui.mnuPause, &QAction::changed, this, syncPlayPause);
    syncPlayPause();
    m_commands.insert(QStringLiteral("mnuPlayPause"), ui.mnuPlayPause);

    // The tree's pop-up: the Folder menu's commands, which act on the tree while it was the
    // pane last used, and the properties of its folder.
    ui.mnuTreePopup = new QMenu(this);
    ui.mnuTreePopup->setObjectName(QStringLiteral("mnuTreePopup"));
    ui.mnuTreePopup->addAction(ui.mnuNewFolder);
    ui.mnuTreePopup->addSeparator();
    ui.mnuTreePopup->addAction(ui.mnuRenameFile);
    ui.mnuTreePopup->addAction(ui.mnuDeleteFile);
    ui.mnuTreeProperties = ui.mnuTreePopup->addAction(tr("P&roperties"), this, [this] {
        const QString folder = nodeFolder(Treefolder1->SelectedItem());
        if (!folder.isEmpty()) m_shell->ShowFileProperties(folder, this);
    });
    m_menus.insert(QStringLiteral("mnuTreePopup"), ui.mnuTreePopup);
    QTreeWidget* treeView = Treefolder1->Nodes();
    treeView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(treeView, &QWidget::customContextMenuRequested, this, [this, treeView](QPoint at) {
        if (treeView->itemAt(at)) popUpTreeMenu(treeView->viewport()->mapToGlobal(at));
    });
    treeView->installEventFilter(this);

    setUpTabOrder();
}

// Tree, list, the filter field, then the player's controls in their order. The toolbar's
// buttons join the chain only in the small window, which has no menu bar to reach their
// commands by; in the full window they would make Tab go round some twenty stops.
void Form1::setUpTabOrder() {
    QList<QWidget*> chain{Treefolder1->Nodes(), ListView1};
    if (auto* filter = centralWidget()->findChild<QLineEdit*>(QStringLiteral("txtFilter"))) {
        chain << filter;
        // The field's own clear button.
        for (QToolButton* clear : filter->findChildren<QToolButton*>())
            clear->setAccessibleName(tr("Clear Filter"));
    }
    for (QWidget* control : MediaPlayer1->findChildren<QWidget*>())
        if (control->focusPolicy() & Qt::TabFocus) chain << control;
    for (QToolButton* button : Toolbar1->findChildren<QToolButton*>()) {
        // The toolbar's own button for what does not fit (the small window is narrow).
        if (button->objectName() == QLatin1String("qt_toolbar_ext_button"))
            button->setAccessibleName(tr("More Buttons"));
        chain << button;
    }
    for (qsizetype i = 0; i + 1 < chain.size(); ++i)
        setTabOrder(chain[i], chain[i + 1]);
    // Where the keyboard is shows on the pane's frame. One style for every window, kept to the
    // end: a widget must not outlive its style.
    static auto* const focusStyle = new FocusFrameStyle;
    for (QWidget* pane :
         {static_cast<QWidget*>(Treefolder1->Nodes()), static_cast<QWidget*>(ListView1)})
        pane->setStyle(focusStyle);
    setToolbarFocus(false);
}

void Form1::setToolbarFocus(bool small) {
    // A click leaves the focus where it was.
    for (QToolButton* button : Toolbar1->findChildren<QToolButton*>())
        button->setFocusPolicy(small ? Qt::TabFocus : Qt::NoFocus);
}

void Form1::playPauseCommand() {
    if (m_playback->isPlaying())
        pauseCommand();
    else if (ui.mnuPlayFile->isEnabled())
        playCommand();
}

bool Form1::keyboardEvent(QObject* watched, QEvent* event) {
    QTreeWidget* treeView = Treefolder1 ? Treefolder1->Nodes() : nullptr;
    const bool onList = watched == ListView1;
    if (!onList && (!treeView || watched != treeView)) return false;
    auto* view = static_cast<QAbstractItemView*>(watched);

    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // In the list Ctrl+Space picks rows one by one (with Ctrl and the arrows); there Space
        // plays and pauses.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (onList && key->key() == Qt::Key_Space && key->modifiers() == Qt::ControlModifier) {
            event->accept();
            return true;
        }
        return false;
    }
    case QEvent::ContextMenu:
        // The Menu key, where the platform turns it into a pop-up request.
        if (static_cast<QContextMenuEvent*>(event)->reason() != QContextMenuEvent::Keyboard)
            return false;
        onList ? popUpListMenu() : popUpTreeMenu(belowItem(treeView, Treefolder1->SelectedItem()));
        return true;
    case QEvent::KeyPress:
        break;
    default:
        return false;
    }

    // A name being edited takes its keys.
    if (const QWidget* focus = view->focusWidget(); focus && focus != view) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (opensPopup(key, modifiers)) {
        onList ? popUpListMenu() : popUpTreeMenu(belowItem(treeView, Treefolder1->SelectedItem()));
        return true;
    }
    if (key->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier) {
        ui.mnuUpOne->trigger();
        return true;
    }
    if (!onList || modifiers != Qt::NoModifier) return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // As a double-click on the current row: a folder opens, a file plays.
        // (Not a row the filter hides: the user cannot see what would play.)
        if (const ListEntry* row = currentRow()) handleDoubleClick(row);
        return true;
    }
    if (key->key() == Qt::Key_Space) {
        ui.mnuPlayPause->trigger();
        return true;
    }
    return false;
}

void Form1::popUpListMenu() {
    const ListEntry* row = currentRow();
    if (!row || ui.mnuPopup->isVisible()) return;
    ListView1->scrollTo(ListView1->currentIndex());
    const QPoint at = belowItem(ListView1, ListView1->visualRect(ListView1->currentIndex()));
    handleRightClick(row, &at);
}

void Form1::popUpTreeMenu(const QPoint& at) {
    if (ui.mnuTreePopup->isVisible()) return;
    ui.mnuTreeProperties->setEnabled(!nodeFolder(Treefolder1->SelectedItem()).isEmpty());
    ui.mnuTreePopup->popup(at);
}

} // namespace tunewalk
