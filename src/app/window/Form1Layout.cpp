// Where the controls go when the window changes size or form, and the splitter.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/window/PlayerPanel.h"
#include "common/NativePath.h"
#include "common/Twips.h"
#include "shell/Prompter.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>

namespace tunewalk {

namespace {
constexpr double SmallWidthTwips = 3400;
constexpr double FullPlayerTwips = 1065, SmallPlayerTwips = 645;
constexpr double SplitterTwips = 75;
constexpr double ListOverlapTwips = 25; // the list covers the splitter's right edge
} // namespace

void Form1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    resizeHandling();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) resizeHandling();
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (dragDropEvent(watched, event)) return true;
    if (watched == centralWidget() && event->type() == QEvent::Resize) {
        placeControls();
    } else if (watched == lblSpacer && event->type() == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton) dragSplitter(toTwips(qRound(mouse->position().x())));
    } else if (watched == ListView1 && event->type() == QEvent::FocusIn) {
        treeActive = false;
    }
    return QMainWindow::eventFilter(watched, event);
}

double Form1::treeWidthTwips() const {
    return m_treeWidthTwips;
}

void Form1::resizeHandling() {
    if (layoutGuard) return;
    layoutGuard = true;
    const bool maximized = isMaximized();
    if (!maximized && wasMaximized) {
        if (smallWindowMode) {
            applySmallPlacement();
        } else {
            QStringList ignored;
            restoreFullGeometry(&ignored);
        }
    }
    splitterLimit = static_cast<int>(std::lround(toTwips(centralWidget()->width()) - 100));
    wasMaximized = maximized;

    if (isMinimized()) {
        // The taskbar entry shows what plays.
        setWindowTitle(m_playback->isPlaying() ? panelCurrent->text() : Prompter::caption());
        layoutGuard = false;
        return;
    }

    if (smallWindowMode) {
        setWindowTitle(Prompter::caption());
        if (!maximized) {
            // Fixed height: the toolbar, the player's row and the status bar, nothing else.
            int h = Toolbar1->sizeHint().height() + toPixels(SmallPlayerTwips) +
                    statusBar()->sizeHint().height();
            int w = width();
            int left = pos().x();
            if (toTwips(w) < SmallWidthTwips) {
                w = toPixels(SmallWidthTwips);
                const int screenRight = toPixels(screenWidthTwips());
                if (left + w > screenRight) left = screenRight - w;
            }
            if (h != height() || w != width()) resize(w, h);
            if (left != pos().x()) move(left, pos().y());
        }
        ListView1->hide();
        lblSpacer->hide();
        Treefolder1->hide();
        panelLabel->hide();
    } else {
        setWindowTitle(dirCurrent.isEmpty()
                           ? Prompter::caption()
                           : Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
        ListView1->show();
        panelLabel->show();
        Treefolder1->setVisible(mnuShowTree->isChecked());
        lblSpacer->setVisible(mnuShowTree->isChecked());
    }
    placeControls();
    layoutGuard = false;
}

void Form1::placeControls() {
    QWidget* central = centralWidget();
    const double innerW = toTwips(central->width());
    const double innerH = toTwips(central->height());
    const int w = central->width();
    if (smallWindowMode) {
        MediaPlayer1->setFullDisplay(false);
        MediaPlayer1->setGeometry(0, 0, w, toPixels(SmallPlayerTwips));
        MediaPlayer1->raise();
        return;
    }
    MediaPlayer1->setFullDisplay(true);
    const double playerH = FullPlayerTwips;
    const double listH = std::max(0.0, innerH - playerH);
    if (mnuShowTree->isChecked()) {
        const double treeW = m_treeWidthTwips;
        Treefolder1->setGeometry(0, 0, toPixels(treeW), toPixels(listH));
        lblSpacer->setGeometry(toPixels(treeW), 0, toPixels(SplitterTwips), toPixels(listH));
        const double listLeft = treeW + SplitterTwips - ListOverlapTwips;
        ListView1->setGeometry(toPixels(listLeft), 0, toPixels(innerW - listLeft), toPixels(listH));
        lblSpacer->raise();
        ListView1->raise();
    } else {
        ListView1->setGeometry(0, 0, w, toPixels(listH));
    }
    MediaPlayer1->setGeometry(0, toPixels(innerH - playerH), w, toPixels(playerH));
}

void Form1::dragSplitter(double dxTwips) {
    const double left = m_treeWidthTwips + dxTwips;
    if (left > 10 && left < splitterLimit) {
        m_treeWidthTwips = left;
        placeControls();
    }
}

} // namespace tunewalk
