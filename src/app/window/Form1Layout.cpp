// Where the controls go when the window changes size or form, and the splitter.
#include "app/playback/Playback.h"
#include "app/window/Form1.h"

#include "app/listing/ListEntry.h"

#include "app/window/PlayerPanel.h"
#include "common/NativePath.h"
#include "common/Twips.h"
#include "shell/Prompter.h"
#include "shell/WindowPlacement.h"

#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <algorithm>
#include <numeric>

namespace tunewalk {

namespace {
constexpr double SmallWidthTwips = 3400;
constexpr double FullPlayerTwips = 1065, SmallPlayerTwips = 645;
// The player's height: the built-in one, or what its controls need when that is more (a large
// font, or the volume row in the small window).
int playerHeight(const QWidget* panel, double twips) {
    return std::max(toPixels(twips), panel->sizeHint().height());
}
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
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::ThemeChange)
        refreshIcons();
    if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) {
        applyIconSizes();
        updateCommandStates(true);
    }
}

void Form1::applyIconSizes() {
    // The pictures grow with the text: at a large font 16 pixels are a speck beside the names.
    const int text = QFontMetrics(font()).height();
    const QSize small(std::max(16, text), std::max(16, text));
    ListView1->setIconSize(small);
    Treefolder1->Nodes()->setIconSize(small);
    Toolbar1->setIconSize(small);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if (dragDropEvent(watched, event)) return true;
    if (keyboardEvent(watched, event)) return true;
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

int Form1::smallWindowHeight() const {
    // Fixed: the toolbar, the player's row and the status bar, nothing else.
    return Toolbar1->sizeHint().height() + playerHeight(MediaPlayer1, SmallPlayerTwips) +
           statusBar()->sizeHint().height();
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
            const int h = smallWindowHeight();
            int w = width();
            int left = pos().x();
            // Wide enough for every button shown: the toolbar's pop-up for those that do not
            // fit would cover the volume and the position.
            const int least = std::max(toPixels(SmallWidthTwips), Toolbar1->sizeHint().width());
            if (w < least) {
                w = least;
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
        panelCounts->hide(); // the counts of a list not shown would crowd out the file's name
    } else {
        setWindowTitle(dirCurrent.isEmpty()
                           ? Prompter::caption()
                           : Prompter::caption() + QStringLiteral(" - ") + displayPath(dirCurrent));
        ListView1->show();
        panelLabel->show();
        panelCounts->show();
        Treefolder1->setVisible(ui.mnuShowTree->isChecked());
        lblSpacer->setVisible(ui.mnuShowTree->isChecked());
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
        MediaPlayer1->setGeometry(0, 0, w, playerHeight(MediaPlayer1, SmallPlayerTwips));
        MediaPlayer1->raise();
        placeFilter(); // hidden with the list
        return;
    }
    MediaPlayer1->setFullDisplay(true);
    const double playerH = toTwips(playerHeight(MediaPlayer1, FullPlayerTwips));
    const double listH = std::max(0.0, innerH - playerH);
    if (ui.mnuShowTree->isChecked()) {
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
    placeFilter(); // the filter field, while it shows, takes the top of the list's place
    // Until the user sets a width, a wider or narrower list shares its room out again.
    if (!m_contentWidths.empty() && ListView1->isVisible()) fitColumns(true, false);
}

QSize Form1::firstRunSize() const {
    // Room for the tree and the seven columns at their usual widths on a common laptop screen
    // (1280 by 800), and never more than most of the screen the window opens on.
    const QSize wanted(1180, 720);
    const QRect area = availableArea(this, pos());
    return wanted.boundedTo(area.size() * 0.92);
}

void Form1::fitColumnsOnFirstListing() {
    connect(
        this, &Form1::listed, this, [this] { fitColumns(false); }, Qt::SingleShotConnection);
    // Every listing's contents, not only the first's: a first folder of sub-folders alone would
    // leave the names narrow for the albums inside it. Fitting stops once the user sets a width.
    connect(this, &Form1::detailsFilled, this, [this] { fitColumns(true); });
}

// Fits the shown columns into the list's width. The columns of a fixed form (length, bitrate,
// size, time) and those the user chose (long texts cut at a score of letters) keep the width
// their contents need. Of the long texts the file name takes the room first, up to
// what it needs, while the track names and artists keep their headings; they share what is
// left, cut to one width; room left over goes to the file name, not to the last column.
void Form1::fitColumns(bool toContents, bool measure) {
    QHeaderView* header = ListView1->header();
    // The header's own hint keeps room for the sort mark in every column; only the sorted one
    // shows it.
    const QStyle* style = header->style();
    const int margin = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int mark = style->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) + margin;
    const auto heading = [&](int c) {
        const QString label = ListView1->model()->headerData(c, Qt::Horizontal).toString();
        return header->fontMetrics().horizontalAdvance(label) + margin +
               (c == header->sortIndicatorSection() ? mark : 0);
    };
    const int letter = ListView1->fontMetrics().averageCharWidth();
    const auto shown = [this](int c) { return !ListView1->isColumnHidden(c); };
    if (toContents && measure) {
        m_contentWidths.assign(Col::Count, 0);
        for (int c = 0; c < Col::Count; ++c) {
            if (!shown(c)) continue;
            m_contentWidths[c] = std::max(
                static_cast<const QAbstractItemView*>(ListView1)->sizeHintForColumn(c), heading(c));
            if (c >= Col::FirstChosen)
                m_contentWidths[c] =
                    std::min(m_contentWidths[c], std::max(20 * letter, heading(c)));
        }
    }
    std::vector<int> wanted(Col::Count);
    for (int c = 0; c < Col::Count; ++c)
        wanted[c] = toContents && c < int(m_contentWidths.size()) && m_contentWidths[c] > 0
                        ? m_contentWidths[c]
                        : ListView1->columnWidth(c);
    // The user has set widths of their own meanwhile: those stay.
    if (toContents)
        for (int c = 0; c < Col::Count; ++c)
            if (shown(c) && c < int(m_fittedWidths.size()) && m_fittedWidths[c] > 0 &&
                ListView1->columnWidth(c) != m_fittedWidths[c]) {
                m_contentWidths.clear(); // nothing to share out again on a resize
                return;
            }
    const int fixed[] = {Col::Length, Col::Bitrate, Col::Size, Col::Modified};
    const int smallest = header->minimumSectionSize();
    // The chosen columns take their room from the seven only while those keep their names and
    // headings whole; beyond that the list scrolls sideways.
    int chosen = 0, sevenLeast = std::max(smallest, std::min(wanted[Col::Name], 12 * letter));
    for (int c = Col::FirstChosen; c < Col::Count; ++c)
        if (shown(c)) chosen += wanted[c];
    for (const int c : fixed)
        sevenLeast += wanted[c];
    for (const int c : {Col::Track, Col::Artist})
        sevenLeast += std::max(smallest, std::min(wanted[c], heading(c)));
    const int viewport = ListView1->viewport()->width();
    const int room = std::max(viewport - chosen, std::min(viewport, sevenLeast));
    const auto total = [&](const std::vector<int>& w) {
        int sum = 0;
        for (int c = 0; c < Col::FirstChosen; ++c)
            sum += w[c];
        return sum;
    };
    std::vector<int> widths;
    // The second try lets the track names and artists give way to a few letters; the names
    // keep a dozen, and a list narrower than that scrolls.
    for (const auto& [nameLeast, otherLeast] :
         {std::pair{12 * letter, -1}, std::pair{12 * letter, 4 * letter}}) {
        widths = wanted;
        const auto least = [&](int c) {
            const int floor = c == Col::Name ? nameLeast : otherLeast < 0 ? heading(c) : otherLeast;
            return std::max(smallest, std::min(wanted[c], floor));
        };
        int left = room;
        for (const int c : fixed)
            left -= widths[c];
        widths[Col::Name] =
            std::clamp(left - least(Col::Track) - least(Col::Artist), least(Col::Name),
                       std::max(least(Col::Name), wanted[Col::Name]));
        left -= widths[Col::Name];
        const auto capped = [&](int c, int cap) {
            return std::max(least(c), std::min(wanted[c], cap));
        };
        // The largest one width that lets the track names and the artists fit.
        int low = 0, high = std::max(left, 0);
        while (low < high) {
            const int cap = (low + high + 1) / 2;
            capped(Col::Track, cap) + capped(Col::Artist, cap) <= left ? low = cap : high = cap - 1;
        }
        for (const int c : {Col::Track, Col::Artist})
            widths[c] = capped(c, low);
        if (total(widths) <= room) break;
    }
    if (const int sum = total(widths) + chosen; sum < viewport) widths[Col::Name] += viewport - sum;
    for (int c = 0; c < Col::Count; ++c) {
        if (!shown(c)) {
            widths[c] = 0; // fitted afresh when chosen
            continue;
        }
        ListView1->setColumnWidth(c, widths[c]);
        widths[c] = ListView1->columnWidth(c); // as the header took it
    }
    m_fittedWidths = widths;
}

void Form1::dragSplitter(double dxTwips) {
    const double left = m_treeWidthTwips + dxTwips;
    if (left > 10 && left < splitterLimit) {
        m_treeWidthTwips = left;
        placeControls();
    }
}

} // namespace tunewalk
