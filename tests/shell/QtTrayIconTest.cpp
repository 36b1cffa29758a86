#include "shell/QtTrayIcon.h"

#include <QSystemTrayIcon>
#include <gtest/gtest.h>

using tunewalk::QtTrayIcon;

// The desktop's clicks arrive as QSystemTrayIcon::activated; only two of them mean anything.
TEST(QtTrayIcon, DoubleClickRestoresContextClickAsksForTheMenuSingleClickDoesNothing) {
    QtTrayIcon tray(QIcon{});
    auto* icon = tray.findChild<QSystemTrayIcon*>();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->contextMenu(), nullptr) << "the window pops its own menu";

    int restores = 0;
    int menus = 0;
    QObject::connect(&tray, &QtTrayIcon::restoreRequested, [&] { ++restores; });
    QObject::connect(&tray, &QtTrayIcon::menuRequested, [&](QPoint) { ++menus; });

    emit icon->activated(QSystemTrayIcon::Trigger);
    emit icon->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(restores + menus, 0);
    emit icon->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_EQ(restores, 1);
    emit icon->activated(QSystemTrayIcon::Context);
    EXPECT_EQ(menus, 1);
    EXPECT_EQ(restores, 1);

    tray.setToolTip("Tunewalk - Song.mp3");
    EXPECT_EQ(tray.toolTip().toStdString(), "Tunewalk - Song.mp3");
}
