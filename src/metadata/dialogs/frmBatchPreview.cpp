#include "metadata/dialogs/frmBatchPreview.h"

#include "history/FileChanges.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/TagText.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

namespace tunewalk {
namespace {

// A tag's values as the table shows them, by column (File left empty).
using Values = std::array<QString, frmBatchPreview::ColumnCount>;

// `tagged` false: the file has no tag, so no genre either.
Values valuesOf(const MP3TagEditor& e, bool tagged) {
    Values v;
    v[frmBatchPreview::Title] = tagText(e.Title());
    v[frmBatchPreview::Artist] = tagText(e.Artist());
    v[frmBatchPreview::Album] = tagText(e.Album());
    v[frmBatchPreview::Year] = tagText(e.Year());
    v[frmBatchPreview::Comment] = tagText(e.Comment());
    // A number the tag cannot hold is saved as "None".
    const int genre = e.Genra() >= 0 && e.Genra() <= 255 ? e.Genra() : MP3TagEditor::NoneGenre;
    if (tagged) v[frmBatchPreview::Genre] = QString::fromStdString(e.GenraLookupByID(genre));
    if (e.Track() != 0) v[frmBatchPreview::Track] = QString::number(e.Track());
    return v;
}

} // namespace

frmBatchPreview::frmBatchPreview(QString folder, QStringList names, BatchTagOptions options,
                                 QWidget* parent)
    : QDialog(parent), m_folder(std::move(folder)), m_names(std::move(names)),
      m_options(std::move(options)) {
    setWindowTitle(tr("Batch Preview"));

    lblSummary = new QLabel(this);
    tblFiles = new QTableWidget(0, ColumnCount, this);
    tblFiles->setAccessibleName(tr("Files and their new tags"));
    tblFiles->setHorizontalHeaderLabels({tr("File"), tr("Title"), tr("Artist"), tr("Album"),
                                         tr("Year"), tr("Comment"), tr("Genre"), tr("Track")});
    tblFiles->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblFiles->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblFiles->setWordWrap(false);
    tblFiles->verticalHeader()->hide();
    // Widths from the font rather than from the contents, which would mean measuring every
    // row of a long list.
    const int x = fontMetrics().averageCharWidth();
    // A title holds 30 letters and shows whole, in bold where it changes; the other fields
    // are seldom that long. A year and a track number always show whole, in bold too, and so
    // does every heading: digits are wider than an average letter.
    const int letters[ColumnCount] = {30, 34, 24, 20, 0, 20, 14, 0};
    const int digits[ColumnCount] = {0, 0, 0, 0, 4, 0, 0, 3};
    QFont bold = tblFiles->font();
    bold.setBold(true);
    const QFontMetricsF boldMetrics(bold);
    // The style's text margin on either side, and the grid line.
    const int padding =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tblFiles) + 1) + 1;
    int total = 0;
    for (int c = 0; c < ColumnCount; ++c) {
        int width = std::max(letters[c] * x, tblFiles->horizontalHeader()->sectionSizeHint(c));
        if (digits[c] > 0)
            width = std::max(
                width,
                int(std::ceil(boldMetrics.horizontalAdvance(QString(digits[c], u'0')))) + padding);
        tblFiles->setColumnWidth(c, width);
        total += width;
    }
    // Within the screen, where a large font would put the later columns out of reach: the
    // table scrolls instead.
    const QSize room = screen()->availableSize() * 3 / 4;
    tblFiles->setMinimumSize(std::min(total + 4 * x, room.width()),
                             std::min(fontMetrics().height() * 20, room.height() * 3 / 4));

    btnApply = new QPushButton(tr("&Apply"), this);
    btnApply->setAccessibleName(tr("Apply"));
    btnApply->setEnabled(false);
    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setAccessibleName(tr("Cancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(btnApply, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    btnApply->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(tblFiles);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::finished, &m_turns, &QTimer::stop);
    m_turns.setSingleShot(true);
    m_turns.setInterval(1);
    connect(&m_turns, &QTimer::timeout, this, &frmBatchPreview::turn);
    lblSummary->setText(tr("Reading the files: %1 of %2").arg(0).arg(m_names.size()));
    m_turns.start();
}

void frmBatchPreview::turn() {
    QElapsedTimer clock;
    clock.start();
    tblFiles->setUpdatesEnabled(false);
    while (m_next < m_names.size()) {
        addRow(m_names[m_next++]);
        if (clock.elapsed() >= kTurnMs) break;
    }
    tblFiles->setUpdatesEnabled(true);
    if (!isReady()) {
        lblSummary->setText(tr("Reading the files: %1 of %2").arg(m_next).arg(m_names.size()));
        m_turns.start();
        return;
    }
    lblSummary->setText(tr("%1 of %2 files will change.").arg(m_changing).arg(m_names.size()));
    btnApply->setEnabled(true);
    btnApply->setFocus();
}

void frmBatchPreview::addRow(const QString& name) {
    // A file that cannot be read shows what the batch would write into an empty tag; the run
    // then names it among the files not saved.
    const QString path = joinPath(m_folder, name);
    if (m_keepPlans) m_plans.push_back(history::tagWrite(path));
    m_editor.LoadMP3(toNativePath(path).toStdString());
    const Values before = valuesOf(m_editor, m_editor.TagExists());
    applyBatchTags(m_editor, m_options, batchBaseName(name));
    const Values after = valuesOf(m_editor, true);

    const int row = tblFiles->rowCount();
    tblFiles->insertRow(row);
    std::array<QTableWidgetItem*, ColumnCount> items{};
    items[File] = new QTableWidgetItem(displayPath(name));
    bool changes = false;
    QColor tint = palette().color(QPalette::Highlight);
    tint.setAlpha(48);
    for (int c = Title; c < ColumnCount; ++c) {
        auto* item = items[c] = new QTableWidgetItem(after[c]);
        if (after[c] != before[c]) {
            changes = true;
            QFont bold = item->font();
            bold.setBold(true);
            item->setFont(bold);
            item->setBackground(tint);
            item->setToolTip(tr("Was: %1").arg(before[c]));
        } else if (c == Title && m_options.titleFromFileName) {
            item->setText(tr("%1 (unchanged)").arg(after[c]));
        }
    }
    if (changes) ++m_changing;
    for (int c = 0; c < ColumnCount; ++c) {
        if (!changes) items[c]->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
        tblFiles->setItem(row, c, items[c]);
    }
}

} // namespace tunewalk
