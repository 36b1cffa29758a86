// Where the full window goes: its outer frame (title bar and borders included) is what is saved
// and restored, kept on the screen at the scale the program runs at.
#include "app/window/Form1.h"

#include "common/Twips.h"
#include "shell/WindowPlacement.h"

#include <QMoveEvent>
#include <QStyle>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <optional>

using namespace tunewalk;

namespace {

// What the window manager's frame adds to the inside, once the frame is known; empty before.
QSize frameExtra(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    if (!handle || !window->isVisible()) return {};
    const QMargins m = handle->frameMargins();
    return {m.left() + m.right(), m.top() + m.bottom()};
}

} // namespace

void Form1::restoreFullGeometry(QStringList* bad) {
    // Whole twips, each value only when it was saved; then kept on the screen, since the
    // settings file may come from another screen or scale, or have been edited by hand.
    double v = 0;
    QRect frame = frameGeometry();
    bool placed = false;
    if (readNumber(QStringLiteral("Left"), &v, bad)) {
        frame.moveLeft(toPixels(std::round(v)));
        placed = true;
    }
    if (readNumber(QStringLiteral("Top"), &v, bad)) {
        frame.moveTop(toPixels(std::round(v)));
        placed = true;
    }
    if (readNumber(QStringLiteral("Width"), &v, bad)) frame.setWidth(toPixels(std::round(v)));
    if (readNumber(QStringLiteral("Height"), &v, bad)) frame.setHeight(toPixels(std::round(v)));
    const QRect fitted = fitToArea(frame, availableArea(this, frame.topLeft()));

    // Before the window is first shown its frame is not known: the inside is given the frame's
    // size less a title bar, and set exactly once the window manager has told its frame.
    QSize extra = frameExtra(this);
    const bool frameKnown = isVisible();
    if (!frameKnown)
        extra = QSize(0, style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    const bool wasGuarded = layoutGuard;
    layoutGuard = true;
    // A place given before the native window exists is the frame's; afterwards Qt turns it
    // into the inside's place using the frame it knows.
    if (placed || fitted.topLeft() != frame.topLeft()) move(fitted.topLeft());
    resize((fitted.size() - extra).expandedTo(QSize(1, 1)));
    layoutGuard = wasGuarded;
    m_frameToFit = frameKnown ? QSize() : fitted.size();
}

void Form1::settleFrameSize() {
    if (!isVisible() || (!m_frameToFit.isValid() && !m_placeToFit)) return;
    const QSize extra = frameExtra(this);
    // No frame at all (no window manager, or an off-screen display) is told by nothing: the
    // fallback timer settles it with none.
    if (extra.isNull() && !m_frameSettleDue) return;
    const bool wasGuarded = layoutGuard;
    layoutGuard = true;
    if (m_frameToFit.isValid() && !isMaximized() && !smallWindowMode) {
        const QSize target = (m_frameToFit - extra).expandedTo(QSize(1, 1));
        if (size() != target) resize(target);
    }
    // A place given before the frame was known was taken as the inside's.
    if (m_placeToFit && frameGeometry().topLeft() != *m_placeToFit) move(*m_placeToFit);
    layoutGuard = wasGuarded;
    m_frameToFit = QSize();
    m_placeToFit.reset();
    resizeHandling();
}

void Form1::placeFrame(QPoint place) {
    move(place);
    if (isVisible() && !frameKnown()) m_placeToFit = place;
}

bool Form1::frameKnown() const {
    return isVisible() && (!frameExtra(this).isNull() || m_frameSettleDue);
}

void Form1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    settleFrameSize();
    // Most window managers tell the frame a moment after the window is mapped, by moving the
    // inside; a frame not told within a second is taken to be none.
    m_frameSettleDue = false;
    QTimer::singleShot(1000, this, [this] {
        m_frameSettleDue = true;
        settleFrameSize();
    });
}

void Form1::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    settleFrameSize();
}

void Form1::saveFullGeometry() {
    // The outer frame, so that the window comes back where it was and not a title bar higher.
    const QRect frame = frameGeometry();
    savePosition(QStringLiteral("Left"), toTwips(frame.x()));
    savePosition(QStringLiteral("Top"), toTwips(frame.y()));
    savePosition(QStringLiteral("Width"), toTwips(frame.width()));
    savePosition(QStringLiteral("Height"), toTwips(frame.height()));
}
