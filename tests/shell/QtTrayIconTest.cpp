#include "shell/QtTrayIcon.h"

#include <QMenu>
#include <QSystemTrayIcon>
#include <gtest/gtest.h>

using tunewalk::QtTrayIcon;

// The desktop's clicks arrive as QSystemTrayIcon::activated. A click (a StatusNotifier host's
// "Activate") and a double-click bring the window back; the context click is Qt's, with the menu.
TEST(QtTrayIcon, ClickOrDoubleClickRestoresAndTheMenuIsTheIconsContextMenu) {
    QtTrayIcon tray(QIcon{});
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    QMenu menu;
    tray.setMenu(&menu);
    EXPECT_EQ(icon->contextMenu(), &menu);

    int restores = 0;
    QObject::connect(&tray, &QtTrayIcon::restoreRequested, [&] { ++restores; });
    emit icon->activated(QSystemTrayIcon::Context);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(restores, 0);
    emit icon->activated(QSystemTrayIcon::Trigger);
    EXPECT_EQ(restores, 1);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(restores, 2);
}
