#include "shell/WindowPlacement.h"

#include "EventLoopWait.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tunewalk;

TEST(WindowPlacement, TopmostTogglesTheHintAndKeepsPlaceSizeAndVisibility) {
    QWidget window;
    window.setGeometry(120, 140, 400, 300);
    window.show();
    const QRect before = window.geometry();

    setTopmost(&window, true);
    EXPECT_TRUE(isTopmost(&window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), before);

    setTopmost(&window, false);
    EXPECT_FALSE(isTopmost(&window));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), before);

    window.hide();
    setTopmost(&window, true);
    EXPECT_TRUE(isTopmost(&window));
    EXPECT_FALSE(window.isVisible()) << "a hidden window is not shown by the change";
    EXPECT_EQ(window.geometry(), before);
}

TEST(WindowPlacement, BringToFrontRestoresAMinimizedWindowAsItWas) {
    QWidget window;
    window.setGeometry(50, 60, 300, 200);
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    bringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());

    window.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    bringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isMaximized()) << "a maximized window comes back maximized";

    QWidget hidden;
    bringToFront(&hidden);
    EXPECT_TRUE(hidden.isVisible());
}
