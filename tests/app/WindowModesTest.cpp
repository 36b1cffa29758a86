// Full window, small window, tray icon, and the layout rules that go with them.
#include "Form1Fixture.h"

#include "app/window/Icons.h"
#include "app/window/PlayerPanel.h"
#include "shell/WindowPlacement.h"

#include <QMenuBar>

namespace tunewalk {
namespace {

class WindowModesTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        writeMp3("a.mp3");
    }
    int screenWidth() const { return form->screen()->geometry().width(); }
};

TEST_F(WindowModesTest, SmallWindowWithoutRememberedPlaceGoesTopRight) {
    setPositions({"SmWidth", "6000"}); // ignored: Remember Position is off
    setSetting("RememberPos", "False");
    start(music());
    form->move(40, 50);
    form->zoom();
    EXPECT_TRUE(form->inSmallWindow());
    EXPECT_EQ(form->width(), toPixels(3400));
    EXPECT_EQ(form->pos(), QPoint(screenWidth() - form->width(), 0));
    EXPECT_EQ(form->button("Zoom")->toolTip(), "Zoom to Full Window");
    // Zooming saves the full-size geometry even with Remember Position off.
    EXPECT_EQ(positions({"Left", "Maximized"}), (QStringList{"600", "False"}));
    EXPECT_TRUE(isTopmost(form.get()));
    for (QWidget* hidden : std::initializer_list<QWidget*>{form->menuBar(), form->list(),
                                                           form->tree(), form->statusLabel()})
        EXPECT_FALSE(hidden->isVisible());
    EXPECT_TRUE(form->playerPanel()->isVisible());
    EXPECT_EQ(form->windowTitle(), "Tunewalk");
    for (const char* key : {"Volume", "Zoom", "Repeat"})
        EXPECT_TRUE(shown(key)) << key;
    for (const char* key : {"Up", "NewFolder", "Delete", "Refresh", "Random", "MoveUp", "Tags"})
        EXPECT_FALSE(shown(key)) << key;
    // The small window's menus stay shut, shortcuts included.
    EXPECT_FALSE(form->menu("mnuFile")->isEnabled());

    form->zoom();
    EXPECT_FALSE(form->inSmallWindow());
    EXPECT_EQ(form->pos(), QPoint(40, 50));
    EXPECT_FALSE(isTopmost(form.get()));
    EXPECT_TRUE(form->menuBar()->isVisible());
    EXPECT_TRUE(form->list()->isVisible());
    EXPECT_FALSE(shown("Volume"));
    EXPECT_EQ(form->button("Zoom")->toolTip(), "Zoom to Small Window");
    EXPECT_EQ(position("SmLeft"), "absent");
    EXPECT_EQ(form->windowTitle(), "Tunewalk - " + music());
}

TEST_F(WindowModesTest, MenuShortcutsWorkOnlyInTheFullWindow) {
    start(music());
    form->activateWindow();
    QTest::keyClick(form->list(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(prompter.prompts, QStringList{"Select a Folder"});
    form->zoom();
    int listings = 0;
    QObject::connect(form.get(), &Form1::listed, form.get(), [&listings] { ++listings; });
    QTest::keyClick(form.get(), Qt::Key_O, Qt::ControlModifier);
    QTest::keyClick(form.get(), Qt::Key_F5);
    EXPECT_EQ(prompter.prompts.size(), 1);
    EXPECT_EQ(listings, 0);
    form->zoom();
    QTest::keyClick(form.get(), Qt::Key_F5);
    waitForDetails();
    EXPECT_EQ(listings, 1);
}

TEST_F(WindowModesTest, SmallWindowReturnsToItsRememberedPlace) {
    setPositions({"SmLeft", "1500", "SmTop", "3000", "SmWidth", "6000"});
    setSetting("Floater", "False");
    start(music());
    form->zoom();
    EXPECT_EQ(form->pos(), QPoint(100, 200));
    EXPECT_EQ(form->width(), 400);
    EXPECT_FALSE(isTopmost(form.get()));
    form->move(150, 20);
    form->zoom();
    EXPECT_EQ(positions({"SmLeft", "SmTop"}), (QStringList{"2250", "300"}));
}

TEST_F(WindowModesTest, ZoomFromMaximizedComesBackMaximized) {
    start(music());
    form->showMaximized();
    ASSERT_TRUE(waitUntil([&] { return form->isMaximized(); }));
    form->zoom();
    EXPECT_EQ(position("Maximized"), "True");
    EXPECT_FALSE(form->isMaximized());
    form->zoom();
    EXPECT_TRUE(form->isMaximized());
}

TEST_F(WindowModesTest, SmallWindowKeepsItsHeightAndMinimumWidth) {
    start(music());
    form->zoom();
    const int fixedHeight = form->height();
    form->resize(100, 500);
    form->resizeHandling();
    EXPECT_EQ(form->height(), fixedHeight);
    EXPECT_EQ(form->width(), toPixels(3400));
    // Widened at the right edge of the screen: pulled back left.
    form->move(screenWidth() - 50, 0);
    form->resize(100, fixedHeight);
    form->resizeHandling();
    EXPECT_EQ(form->x() + form->width(), screenWidth());
    // A wider window keeps its width.
    form->resize(600, fixedHeight);
    form->resizeHandling();
    EXPECT_EQ(form->width(), 600);
}

TEST_F(WindowModesTest, TrayIconTakesTheWindowAndGivesItBack) {
    setSetting("SystemTray", "True");
    start(music());
    form->zoom();
    EXPECT_TRUE(tray.visible);
    EXPECT_FALSE(form->isVisible() || form->inSmallWindow());
    EXPECT_EQ(tray.tipText, "Stopped");
    emit tray.restoreRequested();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(tray.visible);

    // "Show Window" on the tray menu does the same; Exit removes the icon and closes.
    form->zoom();
    form->command("mnuSTRestore")->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(tray.visible);
    EXPECT_EQ(form->menu("mnuSysTrayPopup")->defaultAction(), form->command("mnuSTRestore"));
    form->zoom();
    form->command("mnuSTExit")->trigger();
    EXPECT_FALSE(tray.visible);
    EXPECT_NE(position("Maximized"), "absent"); // the shut-down ran
}

TEST_F(WindowModesTest, NoNotificationAreaMeansTheSmallWindowInstead) {
    setSetting("SystemTray", "True");
    tray.available = false;
    start(music());
    form->zoom();
    EXPECT_FALSE(tray.visible);
    EXPECT_TRUE(form->isVisible() && form->inSmallWindow());
}

TEST_F(WindowModesTest, StartupZoomZoomsOnceAfterTheFirstListing) {
    setSetting("Zoom", "True");
    start(music());
    ASSERT_TRUE(waitUntil([&] { return form->inSmallWindow(); }));
    EXPECT_EQ(form->folder(), music());
}

TEST_F(WindowModesTest, SplitterStaysBetweenItsLimits) {
    start(music());
    form->resize(800, 600);
    form->resizeHandling();
    EXPECT_EQ(form->splitterLimitTwips(),
              static_cast<int>(toTwips(form->centralWidget()->width()) - 100));
    const double before = form->treeWidthTwips();
    form->dragSplitter(750);
    EXPECT_EQ(form->treeWidthTwips(), before + 750);
    EXPECT_EQ(form->tree()->width(), toPixels(before + 750));
    EXPECT_EQ(form->treeSpacer()->x(), toPixels(before + 750));
    EXPECT_EQ(form->list()->x() + form->list()->width(), form->centralWidget()->width());

    form->dragSplitter(-form->treeWidthTwips() + 10); // exactly 10: refused
    EXPECT_EQ(form->treeWidthTwips(), before + 750);
    form->dragSplitter(-form->treeWidthTwips() + 15);
    EXPECT_EQ(form->treeWidthTwips(), 15);
    form->dragSplitter(form->splitterLimitTwips() - 15); // exactly the limit: refused
    EXPECT_EQ(form->treeWidthTwips(), 15);
    form->dragSplitter(form->splitterLimitTwips() - 30);
    EXPECT_EQ(form->treeWidthTwips(), form->splitterLimitTwips() - 15);
}

// The window and the tray show the drawing the desktop shows for the installed program, sharp
// at every size: the folder's front and back in their colours, not a blank or a stand-in.
TEST(ProgramIcon, IsTheInstalledDrawingAtEverySize) {
    for (const int side : {16, 64, 256}) {
        const QImage image = Icons::program().pixmap(side, side).toImage();
        ASSERT_EQ(image.size(), QSize(side, side));
        const auto at = [&](double x, double y) {
            return image.pixelColor(int(x * side / 64), int(y * side / 64)).name();
        };
        EXPECT_EQ(at(8, 40), "#f2b84b") << side;
        EXPECT_EQ(at(50, 17), "#b97a14") << side;
    }
}

} // namespace
} // namespace tunewalk
