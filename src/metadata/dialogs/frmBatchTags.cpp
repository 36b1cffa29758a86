#include "metadata/dialogs/frmBatchTags.h"

#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/frmBatchFiles.h"
#include "shell/Prompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tunewalk {
namespace {

Latin1Field* tagField(QWidget* owner, int width, const QString& accessibleName) {
    auto* edit = new Latin1Field(width, owner);
    // The check box beside it is its caption; a screen reader needs the name on the field.
    edit->setAccessibleName(accessibleName);
    return edit;
}

std::optional<std::string> checkedText(const QCheckBox* box, const QLineEdit* edit) {
    if (!box->isChecked()) return std::nullopt;
    return edit->text().toLatin1().toStdString();
}

} // namespace

frmBatchTags::frmBatchTags(TagHost& host, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_host(host), m_prompter(prompter) {
    setWindowTitle(tr("Batch Apply Tags"));

    chkTitle = new QCheckBox(tr("Title:"), this);
    txtTitle = tagField(this, 30, tr("Title"));
    chkArtist = new QCheckBox(tr("Artist:"), this);
    txtArtist = tagField(this, 30, tr("Artist"));
    chkAlbum = new QCheckBox(tr("Album:"), this);
    txtAlbum = tagField(this, 30, tr("Album"));
    chkYear = new QCheckBox(tr("Year:"), this);
    txtYear = tagField(this, 4, tr("Year"));
    chkComment = new QCheckBox(tr("Comment:"), this);
    txtComment = tagField(this, 30, tr("Comment"));
    chkGenra = new QCheckBox(tr("Genre:"), this);
    cboGenra = new QComboBox(this);
    cboGenra->setAccessibleName(tr("Genre"));
    lblLeftOut = new QLabel(this);
    lblLeftOut->hide();
    for (Latin1Field* edit : {txtTitle, txtArtist, txtAlbum, txtYear, txtComment})
        edit->reportTo(lblLeftOut);
    chkUseName = new QCheckBox(tr("Use Filename as Title"), this);
    chkOverwriteTitle = new QCheckBox(tr("Overwrite Existing Title"), this);
    chkGuessTrack = new QCheckBox(tr("Guess Track Number as Comment"), this);
    chkOverwriteComment = new QCheckBox(tr("Overwrite Existing Comment"), this);
    cmdOK = new QPushButton(tr("Choose &Files..."), this);
    btnCancel = new QPushButton(tr("&Cancel"), this);

    // Every editor builds the same list; this one is only asked for it.
    const MP3TagEditor lists;
    for (const auto& [key, genre] : lists.GenraList())
        cboGenra->addItem(QString::fromLatin1(genre.Name()), genre.ID());
    // Nothing chosen until the user chooses: the run then writes genre 0.
    cboGenra->setCurrentIndex(-1);

    // The year field only needs room for four digits; the others for about thirty characters.
    const QFontMetrics metrics = fontMetrics();
    for (QLineEdit* edit : {txtTitle, txtArtist, txtAlbum, txtComment})
        edit->setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('x')) * 30);
    txtYear->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("0000")) +
                           txtYear->sizeHint().height());

    // Album and year are typed only when wanted; the box opens the field.
    txtAlbum->setEnabled(false);
    txtYear->setEnabled(false);
    chkOverwriteTitle->setEnabled(false);
    chkOverwriteComment->setEnabled(false);

    auto* fields = new QGridLayout;
    const std::pair<QCheckBox*, QWidget*> rows[] = {
        {chkTitle, txtTitle}, {chkArtist, txtArtist},   {chkAlbum, txtAlbum},
        {chkYear, txtYear},   {chkComment, txtComment}, {chkGenra, cboGenra},
    };
    int row = 0;
    for (const auto& [box, field] : rows) {
        fields->addWidget(box, row, 0);
        fields->addWidget(field, row++, 1, field == txtYear ? Qt::AlignLeft : Qt::Alignment());
    }

    auto* fromName = new QGridLayout;
    // The overwrite boxes sit under the box they belong to, indented like a sub-option.
    const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                       style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    fromName->setColumnMinimumWidth(0, indent);
    fromName->addWidget(chkUseName, 0, 0, 1, 2);
    fromName->addWidget(chkOverwriteTitle, 1, 1);
    fromName->addWidget(chkGuessTrack, 2, 0, 1, 2);
    fromName->addWidget(chkOverwriteComment, 3, 1);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    cmdOK->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(lblLeftOut);
    const int gap = style()->pixelMetric(QStyle::PM_LayoutVerticalSpacing);
    layout->addSpacing(gap);
    layout->addLayout(fromName);
    layout->addSpacing(gap);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(chkUseName, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) return;
        chkTitle->setChecked(false);
        chkOverwriteTitle->setEnabled(true);
    });
    connect(chkTitle, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) return;
        chkUseName->setChecked(false);
        chkOverwriteTitle->setEnabled(false);
    });
    connect(chkGuessTrack, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) return;
        chkComment->setChecked(false);
        chkOverwriteComment->setEnabled(true);
    });
    connect(chkComment, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) return;
        chkGuessTrack->setChecked(false);
        chkOverwriteComment->setEnabled(false);
    });
    for (const auto& [box, edit] : {std::pair{chkAlbum, txtAlbum}, std::pair{chkYear, txtYear}}) {
        connect(box, &QCheckBox::toggled, this, [edit = edit](bool on) {
            edit->setEnabled(on);
            if (on) edit->setFocus();
        });
    }
    connect(buttons, &QDialogButtonBox::accepted, this, &frmBatchTags::cmdOK_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

BatchTagOptions frmBatchTags::options() const {
    BatchTagOptions o;
    o.titleFromFileName = chkUseName->isChecked();
    o.overwriteTitle = chkOverwriteTitle->isChecked();
    o.guessTrack = chkGuessTrack->isChecked();
    o.overwriteComment = chkOverwriteComment->isChecked();
    o.title = checkedText(chkTitle, txtTitle);
    o.artist = checkedText(chkArtist, txtArtist);
    o.album = checkedText(chkAlbum, txtAlbum);
    o.year = checkedText(chkYear, txtYear);
    o.comment = checkedText(chkComment, txtComment);
    if (chkGenra->isChecked())
        o.genre = cboGenra->currentIndex() < 0 ? 0 : cboGenra->currentData().toInt();
    return o;
}

bool frmBatchTags::anyFieldChecked() const {
    for (const QCheckBox* box :
         {chkTitle, chkArtist, chkAlbum, chkYear, chkComment, chkGenra, chkUseName, chkGuessTrack})
        if (box->isChecked()) return true;
    return false;
}

void frmBatchTags::cmdOK_Click() {
    if (!anyFieldChecked()) {
        m_prompter.message(tr("Please Select a Tag to Edit"), Prompter::Icon::None,
                           Prompter::Buttons::Ok);
        return;
    }
    frmBatchFiles files(m_host, m_prompter, options(), this);
    // The file dialog accepts when its run is over (or there was nothing to run): both close.
    if (files.exec() == QDialog::Accepted) accept();
}

} // namespace tunewalk
