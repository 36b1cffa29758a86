// The window by keyboard alone, through real key presses on its controls, and what it tells
// assistive technology: every control a user works has a name and takes the keyboard.
#include "Form1Fixture.h"
#include "app/window/PlayerPanel.h"

#include <QAccessible>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

namespace tunewalk {
namespace {

class KeyboardTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("sub");
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
            writeMp3(name);
        start(music());
        // The test's folder stands in for a volume, so the tree's paths stay short.
        const QString volume = QDir::toNativeSeparators(root.path()) + QDir::separator();
        form->tree()->init({path("Desktop"), path("Documents"), [volume] {
                                return QList<TreeVolume>{{volume, "Test", "Drive"}};
                            }});
        list(music());
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    QTreeWidget* treeView() const { return form->tree()->Nodes(); }
    void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = {}) {
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    QString playingName() const { return QFileInfo(form->playingFile()).fileName(); }
};

TEST_F(KeyboardTest, EnterOpensOrPlaysTheCurrentRowAndBackspaceGoesUp) {
    form->clickRow(rowNamed("sub"));
    press(form->list(), Qt::Key_Return);
    waitForDetails();
    EXPECT_EQ(form->folder(), path("sub"));

    press(form->list(), Qt::Key_Backspace);
    EXPECT_TRUE(waitUntil([&] { return form->folder() == music(); }));
    waitForDetails();

    form->clickRow(rowNamed("b.mp3"));
    press(form->list(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(player.loaded, path("b.mp3"));
    player.startPlaying();

    // A name being edited keeps its keys: Backspace deletes a letter and nothing is listed,
    // Ctrl+Left goes back a word and no other file plays.
    form->startRename();
    auto* editor = form->list()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->hasFocus());
    editor->setText("b2 x.mp3");
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "b2 x.mp");
    EXPECT_EQ(form->folder(), music());
    ASSERT_TRUE(form->command("mnuPrevious")->isEnabled());
    QTest::keyClick(editor, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_LT(editor->cursorPosition(), 7);
    EXPECT_EQ(player.loaded, path("b.mp3"));
    QTest::keyClick(editor, Qt::Key_Escape);

    // In the tree too.
    press(treeView(), Qt::Key_Backspace);
    EXPECT_TRUE(waitUntil([&] { return form->folder() == QDir::toNativeSeparators(root.path()); }));
}

TEST_F(KeyboardTest, PlaybackKeys) {
    const auto tree = [this] { return static_cast<QWidget*>(treeView()); };
    const auto list = [this] { return static_cast<QWidget*>(form->list()); };
    // Each key, where it is pressed, what the player then reports, what plays and whether it
    // is paused.
    const struct {
        std::function<QWidget*()> target;
        int key;
        Qt::KeyboardModifiers modifiers;
        int report;
        const char* playing;
        bool paused;
    } steps[] = {
        {tree, Qt::Key_Space, Qt::ControlModifier, MediaPlayer::Playing, "a.mp3", false},
        {list, Qt::Key_Space, {}, MediaPlayer::Paused, "a.mp3", true},
        {tree, Qt::Key_Space, Qt::ControlModifier, MediaPlayer::Playing, "a.mp3", false},
        {list, Qt::Key_Right, Qt::ControlModifier, MediaPlayer::Playing, "b.mp3", false},
        {tree, Qt::Key_Right, Qt::ControlModifier, MediaPlayer::Playing, "c.mp3", false},
        {list, Qt::Key_Left, Qt::ControlModifier, MediaPlayer::Playing, "b.mp3", false},
        {list, Qt::Key_Period, Qt::ControlModifier, -1, "", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(QKeySequence(step.key | step.modifiers).toString().toStdString());
        press(step.target(), step.key, step.modifiers);
        if (step.report >= 0) player.report(step.report);
        EXPECT_EQ(playingName(), step.playing);
        EXPECT_EQ(form->paused(), step.paused);
        // A pause shows: Pause stays pressed and the status bar says so beside the name.
        EXPECT_EQ(form->button("Pause")->isChecked(), step.paused);
        EXPECT_EQ(form->command("mnuPause")->isChecked(), step.paused);
        EXPECT_EQ(form->findChild<QLabel*>("Label")->text(),
                  step.paused ? "Paused:" : "Now playing:");
    }
    EXPECT_TRUE(idle());

    // In the list Ctrl+Space keeps picking rows one by one.
    form->clickRow(rowNamed("a.mp3"));
    press(form->list(), Qt::Key_Down, Qt::ControlModifier);
    press(form->list(), Qt::Key_Down, Qt::ControlModifier);
    press(form->list(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(form->selectedRows().size(), 2u);
    EXPECT_TRUE(rowNamed("c.mp3")->isSelected());
    EXPECT_TRUE(idle());

    // The small window has no menu bar; the keys work there as well.
    form->zoom();
    QTest::keyClick(form.get(), Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(player.loaded, path("c.mp3"));
}

TEST_F(KeyboardTest, PopupsOpenFromTheKeyboardAtTheirPane) {
    QCursor::setPos(0, 0); // the pop-ups must not go to the pointer
    form->clickRow(rowNamed("b.mp3"));
    press(form->list(), Qt::Key_F10, Qt::ShiftModifier);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(popup, form->menu("mnuPopup"));
    EXPECT_TRUE(form->command("mnuEditTags")->isVisible());
    const QRect row = rectOf("b.mp3");
    const QPoint top = form->list()->viewport()->mapFromGlobal(popup->pos());
    EXPECT_TRUE(top.y() >= row.top() && top.y() <= row.bottom() + 1) << top.y();
    popup->close();

    press(treeView(), Qt::Key_Menu);
    popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_EQ(popup, form->menu("mnuTreePopup"));
    EXPECT_TRUE(popup->actions().contains(form->command("mnuDeleteFile")));
    popup->close();

    // A right click on another folder makes it the tree's folder first: the menu's commands
    // act on the folder the user sees chosen.
    QTreeWidgetItem* parent = form->tree()->node(pathKey(music()))->parent();
    QWidget* surface = treeView()->viewport();
    const QPoint at = treeView()->visualItemRect(parent).center();
    QTest::mousePress(surface, Qt::RightButton, {}, at);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, surface->mapToGlobal(at));
    QApplication::sendEvent(surface, &request); // what the platform sends after the press
    EXPECT_EQ(QApplication::activePopupWidget(), form->menu("mnuTreePopup"));
    const QString volume = QDir::toNativeSeparators(root.path()) + QDir::separator();
    EXPECT_EQ(form->tree()->Path(), volume);
    EXPECT_TRUE(waitUntil([&] { return form->folder() == QDir::toNativeSeparators(root.path()); }));
    if (QWidget* open = QApplication::activePopupWidget()) open->close();
}

// Tab goes round tree, list, filter, position, mute and volume, and back to the tree; the
// toolbar's buttons are stops only in the small window, which has no menus to reach them by.
TEST_F(KeyboardTest, TabGoesRoundThePanesAndThePlayerAndTheFocusShows) {
    play("a.mp3");
    emit player.positionChanged(1); // a file with a length: the position can be moved
    const auto round = [&] {
        QWidget* from = QApplication::focusWidget();
        QList<QWidget*> stops;
        do {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            stops << QApplication::focusWidget();
        } while (stops.last() != from && stops.size() < 40);
        return stops;
    };
    PlayerPanel* panel = form->playerPanel();
    const QList<QWidget*> player{panel->slider(), panel->muteButton(), panel->volumeSlider()};
    treeView()->setFocus();
    EXPECT_EQ(round(), (QList<QWidget*>{form->list()} + player + QList<QWidget*>{treeView()}));

    // The filter field, while it shows, comes between the list and the player; its clear
    // button has a name.
    press(form->list(), Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(form->filterField(), "a");
    const auto clear = form->filterField()->findChildren<QToolButton*>();
    ASSERT_EQ(clear.size(), 1);
    EXPECT_EQ(clear[0]->accessibleName(), "Clear Filter");
    form->list()->setFocus();
    EXPECT_EQ(round(), (QList<QWidget*>{form->filterField()} + player +
                        QList<QWidget*>{treeView(), form->list()}));

    // A pane with the keyboard looks different from one without.
    const QImage listFocused = form->list()->grab().toImage();
    const QImage treeUnfocused = treeView()->grab().toImage();
    treeView()->setFocus();
    EXPECT_NE(form->list()->grab().toImage(), listFocused);
    EXPECT_NE(treeView()->grab().toImage(), treeUnfocused);

    form->command("mnuFloater")->trigger(); // a floating window would be made anew
    QTest::keyClick(form->list(), Qt::Key_M, Qt::ControlModifier); // Zoom, by its key
    ASSERT_TRUE(form->inSmallWindow());
    panel->muteButton()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), panel->muteButton());
    const QList<QWidget*> small = round();
    EXPECT_TRUE(std::any_of(small.begin(), small.end(), [&](QWidget* w) {
        return w && w->parentWidget() == form->findChild<QToolBar*>();
    })) << "the toolbar's buttons are stops in the small window";
}

// Every control a user works, in the full and in the small window, has a name and takes the
// keyboard. Not walked: menu bars and menu items (Alt and the menus' letters reach them),
// scroll bars (the views scroll with the keys), and the rows and cells inside lists and trees.
TEST_F(KeyboardTest, EveryControlHasANameAndTakesTheKeyboard) {
    using Role = QAccessible::Role;
    const QList<Role> interactive{
        QAccessible::Button,         QAccessible::CheckBox,       QAccessible::RadioButton,
        QAccessible::ComboBox,       QAccessible::Slider,         QAccessible::SpinBox,
        QAccessible::EditableText,   QAccessible::List,           QAccessible::Tree,
        QAccessible::Table,          QAccessible::PageTab,        QAccessible::ButtonMenu,
        QAccessible::ButtonDropDown, QAccessible::ButtonDropGrid, QAccessible::Dial,
        QAccessible::HotkeyField,
    };
    for (const bool small : {false, true}) {
        if (small)
            form->zoom();
        else
            press(form->list(), Qt::Key_F, Qt::ControlModifier); // the filter field shows
        QStringList offenders;
        QSet<const QWidget*> seen;
        std::function<void(QAccessibleInterface*, int)> walk = [&](QAccessibleInterface* node,
                                                                   int depth) {
            if (!node || depth > 40 || node->state().invisible) return;
            const Role role = node->role();
            auto* widget = qobject_cast<QWidget*>(node->object());
            if (interactive.contains(role) && widget) {
                seen.insert(widget);
                QStringList faults;
                if (node->text(QAccessible::Name).trimmed().isEmpty()) faults << "no name";
                // The full window's toolbar buttons are reached through the menus instead.
                const bool toolbarButton = qobject_cast<QToolBar*>(widget->parentWidget());
                if (!(widget->focusPolicy() & Qt::TabFocus) && (small || !toolbarButton))
                    faults << "no keyboard focus";
                if (!faults.isEmpty())
                    offenders << QStringLiteral("role %1 '%2' %3: %4")
                                     .arg(int(role), 0, 16)
                                     .arg(widget->objectName(),
                                          QLatin1String(widget->metaObject()->className()),
                                          faults.join(QStringLiteral(", ")));
            }
            if (role == QAccessible::List || role == QAccessible::Tree ||
                role == QAccessible::Table)
                return;
            for (int i = 0; i < node->childCount(); ++i)
                walk(node->child(i), depth + 1);
        };
        walk(QAccessible::queryAccessibleInterface(form.get()), 0);
        EXPECT_TRUE(offenders.isEmpty())
            << (small ? "small window:\n" : "full window:\n") << offenders.join('\n').toStdString();
        // The walk reached the controls it is about.
        EXPECT_TRUE(seen.contains(form->list()) == !small);
        EXPECT_TRUE(seen.contains(treeView()) == !small);
        EXPECT_TRUE(seen.contains(form->findChild<QWidget*>("txtFilter")) == !small);
        EXPECT_TRUE(seen.contains(form->playerPanel()->slider()));
    }
}

} // namespace
} // namespace tunewalk
