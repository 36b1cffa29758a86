#include "metadata/dialogs/frmNamingPreview.h"

#include "common/Detached.h"
#include "common/ReturnAddress.h"
#include "common/SettingsStore.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace tunewalk {

// The preview's rows as the table shows them: a file left as it is in grey, a problem that
// keeps the run from starting with a warning sign.
class NamingPreviewModel : public QAbstractTableModel {
public:
    NamingPreviewModel(const std::vector<frmNamingPreview::Row>& rows, QStringList headings,
                       QObject* parent)
        : QAbstractTableModel(parent), m_rows(rows), m_headings(std::move(headings)) {}

    void reset() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : frmNamingPreview::ColumnCount;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headings.size())
            return m_headings[section];
        return {};
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || size_t(index.row()) >= m_rows.size()) return {};
        const frmNamingPreview::Row& row = m_rows[size_t(index.row())];
        const QString* texts[] = {&row.file, &row.before, &row.after, &row.problem};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return *texts[index.column()];
        case Qt::ForegroundRole:
            if (row.state == RowState::Skipped || row.state == RowState::Unchanged)
                return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
            return {};
        case Qt::DecorationRole:
            if (index.column() == frmNamingPreview::Problem && blocksRun(row.state))
                return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
            return {};
        default:
            return {};
        }
    }

private:
    const std::vector<frmNamingPreview::Row>& m_rows;
    const QStringList m_headings;
};

frmNamingPreview::frmNamingPreview(const Texts& texts, SettingsStore* settings, QStringList paths,
                                   CodePage id3v1Page, bool withFolders, QWidget* parent)
    : QDialog(parent), m_texts(texts), m_settings(settings), m_paths(std::move(paths)),
      m_page(id3v1Page), m_withFolders(withFolders), m_back(ReturnAddress::to(this)),
      m_cancelled(std::make_shared<std::atomic<bool>>(false)) {
    setWindowTitle(texts.title);

    cboPattern = new QComboBox(this);
    cboPattern->setEditable(true);
    cboPattern->setInsertPolicy(QComboBox::NoInsert);
    // No completion as the user types: the preview is of the pattern typed, not of a longer
    // one remembered that begins the same way.
    cboPattern->setCompleter(nullptr);
    cboPattern->setAccessibleName(tr("Pattern"));
    cboPattern->addItems(rememberedPatterns());
    cboPattern->setMinimumContentsLength(40);
    QStringList fields;
    for (const TagField field :
         {TagField::Title, TagField::Artist, TagField::Album, TagField::AlbumArtist,
          TagField::Track, TagField::TotalTracks, TagField::Disc, TagField::Year, TagField::Genre,
          TagField::Composer, TagField::Comment})
        fields << placeholderOf(field);
    lblFields = new QLabel(
        tr("Fields: %1; %% for a percent sign.").arg(fields.join(QLatin1Char(' '))), this);
    lblFields->setWordWrap(true);
    lblFields->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblSummary = new QLabel(this);
    lblSummary->setWordWrap(true);

    m_model = new NamingPreviewModel(m_rows, {tr("File"), texts.before, texts.after, tr("Problem")},
                                     this);
    tblPreview = new QTableView(this);
    tblPreview->setModel(m_model);
    tblPreview->setAccessibleName(tr("Files and what they become"));
    tblPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPreview->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPreview->setWordWrap(false);
    tblPreview->verticalHeader()->hide();
    tblPreview->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    tblPreview->horizontalHeader()->setStretchLastSection(true);
    // Widths from the font, not from the contents: a long list is not measured row by row.
    const int x = fontMetrics().averageCharWidth();
    const int widths[ColumnCount] = {30 * x, 40 * x, 40 * x, 32 * x};
    // No old values to show: a file's old name is its name, which the first column has.
    tblPreview->setColumnHidden(Before, texts.before.isEmpty());
    int total = 0;
    for (int c = 0; c < ColumnCount; ++c) {
        tblPreview->setColumnWidth(c, widths[c]);
        if (!tblPreview->isColumnHidden(c)) total += widths[c];
    }
    const QSize room = screen()->availableSize() * 3 / 4;
    tblPreview->setMinimumSize(std::min(total + 4 * x, room.width()),
                               std::min(fontMetrics().height() * 16, room.height() * 3 / 4));

    btnOK = new QPushButton(tr("OK"), this);
    btnOK->setAccessibleName(tr("OK"));
    btnOK->setEnabled(false);
    btnCancel = new QPushButton(tr("Cancel"), this);
    btnCancel->setAccessibleName(tr("Cancel"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(btnOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    btnOK->setDefault(true);

    auto* patternLabel = new QLabel(tr("&Pattern:"), this);
    patternLabel->setBuddy(cboPattern);
    auto* patternRow = new QHBoxLayout;
    patternRow->addWidget(patternLabel);
    patternRow->addWidget(cboPattern, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(patternRow);
    layout->addWidget(lblFields);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(lblSummary);
    layout->addWidget(tblPreview, 1);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cboPattern, &QComboBox::editTextChanged, this, &frmNamingPreview::refresh);
    cboPattern->setFocus();
}

frmNamingPreview::~frmNamingPreview() {
    *m_cancelled = true;
    m_back->close();
}

QString frmNamingPreview::patternText() const {
    return cboPattern->currentText();
}

void frmNamingPreview::start() {
    if (m_paths.size() <= ReadAtOnce) {
        haveRead(readNamingInput(m_paths, m_page, m_withFolders));
        return;
    }
    lblSummary->setText(
        tr("Reading the tags of %1 files...").arg(QLocale().toString(m_paths.size())));
    // The worker holds nothing of the dialog but the way back, which the dialog closes as it
    // goes; a call already queued goes with the dialog.
    runDetached([dialog = this, paths = m_paths, page = m_page, folders = m_withFolders,
                 back = m_back, cancelled = m_cancelled] {
        yieldToForeground();
        NamingInput input = readNamingInput(paths, page, folders, cancelled.get());
        if (*cancelled) return;
        back->post(
            [dialog, input = std::move(input)]() mutable { dialog->haveRead(std::move(input)); });
    });
}

void frmNamingPreview::haveRead(NamingInput input) {
    m_input = std::move(input);
    m_ready = true;
    refresh();
}

void frmNamingPreview::refresh() {
    if (!m_ready) return;
    const TagPattern pattern = TagPattern::parse(patternText());
    m_rows = preview(pattern, m_input);
    m_model->reset();
    int changing = 0, blocking = 0;
    for (const Row& row : m_rows) {
        if (row.state == RowState::Changes) ++changing;
        if (blocksRun(row.state)) ++blocking;
    }
    if (!pattern.valid())
        lblSummary->setText(pattern.error());
    else if (blocking)
        lblSummary->setText(
            blocking == 1
                ? tr("1 file cannot take its new value: change the pattern or its tags.")
                : tr("%1 files cannot take their new values: change the pattern or their tags.")
                      .arg(QLocale().toString(blocking)));
    else
        lblSummary->setText(changingText(changing));
    btnOK->setEnabled(pattern.valid() && !blocking && changing > 0);
}

QStringList frmNamingPreview::rememberedPatterns() const {
    const QString kept =
        m_settings ? m_settings->get(SettingsStore::Settings, m_texts.settingsKey, {}) : QString();
    QStringList patterns = kept.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return patterns.isEmpty() ? m_texts.defaults : patterns;
}

void frmNamingPreview::accept() {
    if (m_settings) {
        QStringList patterns = rememberedPatterns();
        patterns.removeAll(patternText());
        patterns.prepend(patternText());
        while (patterns.size() > Remembered)
            patterns.removeLast();
        m_settings->save(SettingsStore::Settings, m_texts.settingsKey,
                         patterns.join(QLatin1Char('\n')));
    }
    QDialog::accept();
}

} // namespace tunewalk
