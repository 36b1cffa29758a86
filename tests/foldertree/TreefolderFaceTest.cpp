// The control's face: design storage, layout, label editing, drag-and-drop, keyboard.
#include "TreefolderFixture.h"

#include "foldertree/MemoryPropertyBag.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

using namespace tunewalk;
using namespace tunewalk::TreeNode;

namespace {

QLineEdit* openEditor(QTreeWidget* view) {
    for (QLineEdit* editor : view->findChildren<QLineEdit*>()) {
        if (editor->isVisible()) return editor;
    }
    return nullptr;
}

} // namespace

TEST_F(TreefolderTest, DesignIsSavedAndReadWithItsDefaults) {
    QStringList changed;
    QObject::connect(tree.get(), &Treefolder::PropertyChanged,
                     [&](const QString& name) { changed << name; });
    tree->setHotTracking(true);
    tree->setMousePointer(11);
    tree->setLabelEdit(0);
    tree->setHideSelection(false);
    tree->setOLEDropMode(1);
    tree->setBorderStyle(1);
    tree->setAppearance(0);
    EXPECT_EQ(changed, (QStringList{"HotTracking", "MousePointer", "LabelEdit", "HideSelection",
                                    "OLEDropMode", "BorderStyle", "Appearance"}));

    // Values equal to their defaults (the font: the application's) are not stored.
    MemoryPropertyBag bag;
    tree->writeProperties(bag);
    EXPECT_EQ(bag.values().keys(), (QStringList{"Appearance", "BorderStyle", "HotTracking",
                                                "MousePointer", "OLEDropMode"}));

    Treefolder other(environment());
    other.setOLEDropMode(0);
    other.readProperties(bag);
    EXPECT_TRUE(other.HotTracking());
    EXPECT_EQ(other.MousePointer(), 11);
    EXPECT_EQ(other.BorderStyle(), 1);
    EXPECT_EQ(other.Appearance(), 0);
    EXPECT_EQ(other.LabelEdit(), 1) << "0 was not written and reads as 1";
    EXPECT_TRUE(other.HideSelection()) << "false was not written and reads as true";
    EXPECT_EQ(other.OLEDropMode(), 0) << "not read: the view keeps its own";
    EXPECT_TRUE(other.Enabled());
}

TEST_F(TreefolderTest, LayoutFollowsTheTwipRules) {
    QTreeWidget* view = tree->Nodes();
    auto* hide = tree->findChild<QToolButton*>();
    ASSERT_NE(hide, nullptr);
    auto resized = [&](int width, int height) {
        tree->resize(width, height);
        return waitUntil([&] { return tree->size() == QSize(width, height); });
    };
    ASSERT_TRUE(resized(300, 200));
    EXPECT_EQ(view->geometry(), QRect(0, 19, 300, 181)) << "below the title, 285 twips";
    EXPECT_EQ(hide->geometry().right() + 1, 300 - 2) << "30 twips from the right edge";
    EXPECT_EQ(hide->size(), QSize(16, 14));

    for (int height : {19, 10}) { // 285 twips and less
        ASSERT_TRUE(resized(300, height));
        EXPECT_EQ(view->height(), 1);
    }
    ASSERT_TRUE(resized(150, 200));
    EXPECT_EQ(view->height(), 181);
    EXPECT_EQ(view->width(), 150);
    EXPECT_EQ(hide->geometry().right() + 1, 150 - 2);

    // The names a screen reader announces, and the button's job.
    EXPECT_EQ(view->accessibleName(), "Folders");
    EXPECT_EQ(hide->accessibleName(), "Close");
    EXPECT_EQ(hide->toolTip(), "Close");
    EXPECT_EQ(tree->findChild<QLabel*>()->text(), "Folders");
    int hides = 0;
    QObject::connect(tree.get(), &Treefolder::HideButtonClicked, [&] { ++hides; });
    QTest::mouseClick(hide, Qt::LeftButton);
    EXPECT_EQ(hides, 1);
    EXPECT_TRUE(tree->isVisible()) << "hiding is the host's business";
}

TEST_F(TreefolderTest, LabelEditingAsksTheHostBeforeAndAfter) {
    QTreeWidget* view = tree->Nodes();
    tree->setLabelEdit(0);
    tree->SetPath(p("vol1/Media"));
    QTreeWidgetItem* media = node(k("vol1/Media"));
    int befores = 0, cancelBefore = 0, cancelAfter = 0;
    QString typed, replacement;
    QObject::connect(tree.get(), &Treefolder::BeforeLabelEdit, [&](int& cancel) {
        ++befores;
        cancel = cancelBefore;
    });
    QObject::connect(tree.get(), &Treefolder::AfterLabelEdit, [&](int& cancel, QString& text) {
        typed = text;
        cancel = cancelAfter;
        if (!replacement.isEmpty()) text = replacement;
    });
    auto commit = [&](const QString& text) {
        QLineEdit* editor = openEditor(view);
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        // Qt commits a Return from the event loop.
        ASSERT_TRUE(waitUntil([&] { return openEditor(view) == nullptr; }));
    };

    // Automatic: clicking the selected node's label starts editing.
    click(media);
    ASSERT_TRUE(waitUntil([&] { return openEditor(view) != nullptr; }));
    EXPECT_EQ(befores, 1);
    commit("Films");
    EXPECT_EQ(typed, "Films");
    EXPECT_EQ(media->text(0), "Films");

    // The host cancels: the old label stays. The host changes the text: that one is shown.
    cancelAfter = 1;
    view->editItem(media);
    commit("Other");
    EXPECT_EQ(media->text(0), "Films");
    cancelAfter = 0;
    replacement = "Movies";
    view->editItem(media);
    commit("Typed");
    EXPECT_EQ(typed, "Typed");
    EXPECT_EQ(media->text(0), "Movies");

    // BeforeLabelEdit cancels: no editor at all.
    cancelBefore = 1;
    view->editItem(media);
    EXPECT_EQ(openEditor(view), nullptr);
    cancelBefore = 0;

    // Manual: a click does not start editing, the program still can.
    tree->setLabelEdit(1);
    click(media);
    EXPECT_FALSE(waitUntil([&] { return openEditor(view) != nullptr; },
                           2 * QApplication::doubleClickInterval()));
    view->editItem(media);
    EXPECT_NE(openEditor(view), nullptr);
    QTest::keyClick(openEditor(view), Qt::Key_Escape);

    // Nodes without a folder of their own are not renamed in place.
    for (const QString& key : {QStringLiteral("MyComputer"), volumeKey("vol1"), documentsKey()})
        EXPECT_FALSE(node(key)->flags() & Qt::ItemIsEditable) << key.toStdString();
}

TEST_F(TreefolderTest, DropsTakeExactlyTheEffectTheHostSets) {
    QTreeWidget* view = tree->Nodes();
    QTreeWidgetItem* desktop = view->topLevelItem(0);
    const QPoint at = view->visualItemRect(desktop).center();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(p("vol2/Data"))});

    int hostEffect = 0, offered = 0;
    QList<int> states;
    QList<const QMimeData*> seen;
    QTreeWidgetItem* droppedOn = nullptr;
    QObject::connect(tree.get(), &Treefolder::OLEDragOver,
                     [&](const QMimeData* d, int& effect, int, int, float x, float y, int state) {
                         seen << d;
                         states << state;
                         offered = effect;
                         effect = hostEffect;
                         tree->setDropHighlight(hostEffect ? tree->HitTest(x, y) : nullptr);
                     });
    QObject::connect(tree.get(), &Treefolder::OLEDragDrop,
                     [&](const QMimeData*, int& effect, int button, int, float x, float y) {
                         EXPECT_EQ(button, 1);
                         droppedOn = tree->HitTest(x, y);
                         effect = hostEffect;
                     });
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;

    // Entering is always taken, so the view keeps getting the moves; a refusal shows in the
    // drop action.
    hostEffect = 0;
    QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    EXPECT_EQ(enter.dropAction(), Qt::IgnoreAction);
    EXPECT_EQ(offered, 3);
    EXPECT_EQ(tree->DropHighlight(), nullptr);

    hostEffect = Qt::MoveAction;
    QDragMoveEvent over(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &over);
    EXPECT_TRUE(over.isAccepted());
    EXPECT_EQ(over.dropAction(), Qt::MoveAction) << "the host's, not the proposed copy";
    EXPECT_EQ(tree->DropHighlight(), desktop);

    hostEffect = 0;
    QDragMoveEvent refusedOver(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &refusedOver);
    EXPECT_FALSE(refusedOver.isAccepted());
    EXPECT_EQ(tree->DropHighlight(), nullptr);

    hostEffect = Qt::CopyAction;
    QDropEvent drop(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
    EXPECT_EQ(droppedOn, desktop);
    EXPECT_EQ(tree->HitTest(5, view->viewport()->height() - 3), nullptr) << "empty space";

    // Leaving: state 1, with the data that entered.
    QDragEnterEvent again(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &again);
    QDragLeaveEvent leave;
    QApplication::sendEvent(view->viewport(), &leave);
    EXPECT_EQ(states, (QList<int>{0, 2, 2, 0, 1}));
    EXPECT_EQ(seen.size(), 5);
    EXPECT_EQ(seen.count(&data), 5);

    // With drops off the host hears nothing.
    tree->setOLEDropMode(0);
    states.clear();
    QDragEnterEvent refused(at, actions, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
    EXPECT_TRUE(states.isEmpty());

    // A highlighted node that goes takes the highlight with it.
    expand(volumeKey("vol2"));
    tree->setDropHighlight(node(k("vol2/Data")));
    tree->RemoveNode(p("vol2/Data"));
    EXPECT_EQ(tree->DropHighlight(), nullptr);
}

TEST_F(TreefolderTest, OLEDragLetsTheHostFillTheDataAndReportsTheEnd) {
    QMimeData* filled = nullptr;
    int completed = -1, completions = 0;
    QObject::connect(tree.get(), &Treefolder::OLEStartDrag, [&](QMimeData* d, int& allowed) {
        filled = d;
        EXPECT_EQ(allowed, Qt::CopyAction | Qt::MoveAction);
        d->setText("My Computer");
        allowed = 0;
    });
    QObject::connect(tree.get(), &Treefolder::OLECompleteDrag, [&](int& effect) {
        completed = effect;
        ++completions;
    });

    // Nothing allowed: no drag loop, but the host still hears the end. (The loop itself needs
    // a real pointer.)
    tree->OLEDrag();
    EXPECT_NE(filled, nullptr);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(completed, 0);
}

TEST_F(TreefolderTest, KeyboardChoosesNodesLikeAClick) {
    QTreeWidget* view = tree->Nodes();
    tree->Desktop(); // selected and expanded
    view->setFocus();
    QList<int> keys;
    QObject::connect(tree.get(), &Treefolder::KeyDown,
                     [&](int code, int shift) { keys << code << shift; });
    events.clear();
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(events, (QStringList{"NodeClick MyComputer", "MyComputerClicked"}));
    EXPECT_EQ(keys, (QList<int>{Qt::Key_Down, 0}));
    EXPECT_EQ(selectedKey(), "MyComputer");
}

TEST_F(TreefolderTest, OnlyTheUserScrollsTheTreeSideways) {
    QStringList chain{"vol1/Deep"};
    for (int level = 1; level <= 12; ++level)
        chain << chain.last() + QStringLiteral("/Level %1 with a long folder name").arg(level);
    ASSERT_TRUE(QDir().mkpath(p(chain.last())));
    tree->resize(200, 300);
    QTreeWidget* view = tree->Nodes();
    QScrollBar* sideways = view->horizontalScrollBar();
    const auto rowShown = [&](QTreeWidgetItem* n) {
        const QRect r = view->visualItemRect(n);
        return r.top() >= 0 && r.bottom() <= view->viewport()->rect().bottom();
    };
    // Clicks a node whose label starts inside the viewport, near that start.
    const auto clickStart = [&](QTreeWidgetItem* n) {
        const QRect r = view->visualItemRect(n);
        ASSERT_TRUE(r.left() > 0 && r.left() < view->viewport()->width() - 20 && rowShown(n));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, {r.left() + 10, r.center().y()});
        EXPECT_EQ(tree->SelectedItem(), n);
    };
    expand(desktopKey());
    expand("MyComputer");
    view->setFocus();

    // The host opens a deep folder: it comes into view up and down, and the tree's start,
    // with the top-level icons, stays where it was.
    tree->SetPath(p(chain.last()));
    marksIn();
    QTreeWidgetItem* deepest = node(k(chain.last()));
    ASSERT_EQ(tree->SelectedItem(), deepest);
    ASSERT_EQ(deepest->childCount(), 0);
    ASSERT_GT(sideways->maximum(), 0);
    EXPECT_TRUE(rowShown(deepest));
    EXPECT_EQ(sideways->value(), 0);
    QTest::keyClick(view, Qt::Key_Right); // nothing to open: Qt would scroll instead
    EXPECT_EQ(sideways->value(), 0);
    clickStart(node(k(chain[3])));
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(sideways->value(), 0);

    // The user's own sideways scroll stays through clicks, keys, expanding and the host's
    // choice.
    const QPoint middle = view->viewport()->rect().center();
    QWheelEvent wheel(middle, view->viewport()->mapToGlobal(middle), {}, {-120, 0}, Qt::NoButton,
                      {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    const int scrolled = sideways->value();
    ASSERT_GT(scrolled, 0);
    QTreeWidgetItem* tenth = node(k(chain[10]));
    clickStart(tenth);
    EXPECT_EQ(sideways->value(), scrolled);
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_FALSE(tenth->isExpanded()) << "closed, though the view is not at its left edge";
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_TRUE(tenth->isExpanded());
    EXPECT_EQ(sideways->value(), scrolled);
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(sideways->value(), scrolled);
    tree->SetPath(p(chain.last()));
    EXPECT_TRUE(rowShown(deepest));
    EXPECT_EQ(sideways->value(), scrolled);
}
