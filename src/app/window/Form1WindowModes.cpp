// The window's three forms: full window, small floating window and the tray icon.
#include "app/window/Form1.h"

#include "common/SettingsStore.h"
#include "common/Twips.h"
#include "shell/TrayIcon.h"
#include "shell/WindowPlacement.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace tunewalk {

namespace {
constexpr double SmallWidthTwips = 3400;
}

int Form1::screenWidthTwips() const {
    const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    return s ? static_cast<int>(toTwips(s->geometry().width())) : 0;
}

void Form1::zoom() {
    // Without a notification area the icon could never be clicked to bring the window back.
    if (ui.mnuSystemTray->isChecked() && m_tray->isAvailable()) {
        m_tray->show();
        hide();
        return;
    }
    smallWindowMode = !smallWindowMode;
    if (smallWindowMode)
        enterSmallWindow();
    else
        leaveSmallWindow();
}

void Form1::applySmallPlacement() {
    QStringList ignored;
    double width = SmallWidthTwips, top = 0;
    const bool remember = ui.mnuRememberPosition->isChecked();
    double v = 0;
    if (remember && readNumber(QStringLiteral("SmWidth"), &v, &ignored)) width = v;
    // Saved values are kept on the screen, as the full window's are.
    const bool wasGuarded = layoutGuard;
    layoutGuard = true;
    resize(std::min(toPixels(width), availableArea(this, pos()).width()), height());
    layoutGuard = wasGuarded;
    const double left = remember && readNumber(QStringLiteral("SmLeft"), &v, &ignored)
                            ? v
                            : screenWidthTwips() - toTwips(this->width());
    if (remember && readNumber(QStringLiteral("SmTop"), &v, &ignored)) top = v;
    const QPoint place(toPixels(left), toPixels(top));
    const QSize small(this->width(), std::min(height(), smallWindowHeight()));
    placeFrame(fitToArea(QRect(place, small), availableArea(this, place)).topLeft());
}

void Form1::enterSmallWindow() {
    hideFilter(); // the small window has no list: a filter there would steer Next unseen
    button(QStringLiteral("Zoom"))->setToolTip(tr("Zoom to Full Window"));
    if (!isMaximized()) {
        m_settings->save(QStringLiteral("Position"), QStringLiteral("Maximized"),
                         QStringLiteral("False"));
        saveFullGeometry();
    } else {
        m_settings->save(QStringLiteral("Position"), QStringLiteral("Maximized"),
                         QStringLiteral("True"));
        layoutGuard = true;
        setWindowState(windowState() & ~Qt::WindowMaximized);
        layoutGuard = false;
    }
    // The menu bar goes first: at a large font its least width would keep the window wide.
    updateCommandStates(false);
    applySmallPlacement();
    if (ui.mnuFloater->isChecked()) setTopmost(this, true);
    updateCommandStates(true);
}

void Form1::leaveSmallWindow() {
    button(QStringLiteral("Zoom"))->setToolTip(tr("Zoom to Small Window"));
    if (!isMaximized()) {
        if (ui.mnuRememberPosition->isChecked()) {
            savePosition(QStringLiteral("SmLeft"), toTwips(pos().x()));
            savePosition(QStringLiteral("SmTop"), toTwips(pos().y()));
            savePosition(QStringLiteral("SmWidth"), toTwips(width()));
        }
        QStringList ignored;
        restoreFullGeometry(&ignored);
        if (position(QStringLiteral("Maximized")) == QLatin1String("True"))
            setWindowState(windowState() | Qt::WindowMaximized);
    }
    setTopmost(this, false);
    updateCommandStates(true);
}

void Form1::restoreFromTray() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
    m_tray->hide();
}

void Form1::exitFromTray() {
    m_tray->hide();
    close();
}

} // namespace tunewalk
