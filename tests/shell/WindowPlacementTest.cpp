#include "shell/WindowPlacement.h"

#include <QWidget>
#include <gtest/gtest.h>

using namespace tunewalk;

TEST(WindowPlacement, TopmostTogglesTheHintAndKeepsPlaceSizeAndVisibility) {
    QWidget window;
    window.setGeometry(120, 140, 400, 300);
    window.show();
    const QRect before = window.geometry();
    for (const auto& [visible, on] : {std::pair{true, true}, {true, false}, {false, true}}) {
        window.setVisible(visible); // a hidden window is not shown by the change
        setTopmost(&window, on);
        EXPECT_EQ(isTopmost(&window), on);
        EXPECT_EQ(window.isVisible(), visible);
        EXPECT_EQ(window.geometry(), before);
    }
}

TEST(WindowPlacement, BringToFrontRestoresAMinimizedWindowAsItWas) {
    QWidget window;
    window.setGeometry(50, 60, 300, 200);
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    bringToFront(&window);
    EXPECT_TRUE(!window.isMinimized() && window.isVisible());
    window.setWindowState(Qt::WindowMaximized | Qt::WindowMinimized);
    bringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isMaximized()) << "a maximized window comes back maximized";
    QWidget hidden;
    bringToFront(&hidden);
    EXPECT_TRUE(hidden.isVisible());
}
