#include "metadata/dialogs/frmWAV.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "history/FileChanges.h"
#include "history/Recording.h"
#include "metadata/codec/WAVInfo.h"
#include "metadata/dialogs/KeptTime.h"
#include "metadata/dialogs/SaveFailure.h"
#include "metadata/dialogs/TagHost.h"
#include "shell/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tunewalk {

namespace {

// Far above every field's range, so a long run of digits still reads as "too large".
constexpr std::int64_t kCeiling = 1'000'000'000'000;

const TagHost::Row* wavRow(const std::vector<TagHost::Row>& rows) {
    // The command selects only the current row first; the current row covers a host that
    // does not.
    for (const TagHost::Row& row : rows)
        if (row.selected && row.kind == RowKind::WAV) return &row;
    for (const TagHost::Row& row : rows)
        if (row.current && row.kind == RowKind::WAV) return &row;
    return nullptr;
}

} // namespace

std::optional<std::int64_t> frmWAV::wholeNumber(const QString& text) {
    const QString t = text.trimmed();
    qsizetype at = 0;
    bool negative = false;
    if (at < t.size() && (t[at] == QLatin1Char('-') || t[at] == QLatin1Char('+')))
        negative = t[at++] == QLatin1Char('-');
    if (at == t.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; at < t.size(); ++at) {
        const char16_t c = t[at].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        value = std::min(kCeiling, value * 10 + (c - u'0'));
    }
    return negative ? -value : value;
}

frmWAV::frmWAV(TagHost& host, Prompter& prompter, QWidget* parent)
    : QDialog(parent), txtBitrate(new QLineEdit), txtSampleRate(new QLineEdit),
      cboChannel(new QComboBox), cmdRevert(new QPushButton(tr("&Revert"))),
      cmdSave(new QPushButton(tr("&Save"))), btnCancel(new QPushButton(tr("&Cancel"))),
      lblNote(new QLabel(tr("Changing these values does not affect the file data itself, only the "
                            "headers that tell audio players what kind of data it is. Modifying "
                            "this information will change the way the file sounds when played "
                            "and may affect an audio player's ability to play the file."))),
      m_host(host), m_prompter(prompter) {
    setWindowTitle(tr("Edit Audio Headers"));
    buildLayout();
    connect(cmdRevert, &QPushButton::clicked, this, &frmWAV::cmdRevert_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmWAV::cmdSave_Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    txtBitrate->installEventFilter(this);
    txtSampleRate->installEventFilter(this);
    cboChannel->installEventFilter(this);
    cmdSave->installEventFilter(this);
}

frmWAV::~frmWAV() = default;

void frmWAV::buildLayout() {
    txtBitrate->setObjectName(QStringLiteral("txtBitrate"));
    txtSampleRate->setObjectName(QStringLiteral("txtSampleRate"));
    cboChannel->setObjectName(QStringLiteral("cboChannel"));
    cmdRevert->setObjectName(QStringLiteral("cmdRevert"));
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    lblNote->setObjectName(QStringLiteral("lblNote"));

    const QFontMetrics metrics(font());
    const int digits = metrics.horizontalAdvance(QStringLiteral("0000000000000"));
    txtBitrate->setFixedWidth(digits);
    txtSampleRate->setFixedWidth(digits);
    cboChannel->setMinimumWidth(digits);

    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    const auto addRow = [form](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow(tr("Bits Per Sample:"), txtBitrate);
    addRow(tr("Sample Rate:"), txtSampleRate);
    addRow(tr("Channels:"), cboChannel);

    auto* heading = new QLabel(tr("Note:"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    lblNote->setWordWrap(true);
    // A fixed width lets the wrapped note settle on one height in a fixed-size dialog.
    lblNote->setFixedWidth(metrics.averageCharWidth() * 52);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdRevert, QDialogButtonBox::ResetRole);
    buttons->addButton(cmdSave, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addSpacing(metrics.height() / 2);
    layout->addWidget(heading);
    layout->addWidget(lblNote);
    layout->addSpacing(metrics.height() / 2);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Only a button already inside the dialog becomes the one Enter falls back to.
    cmdSave->setDefault(true);

    setTabOrder(txtBitrate, txtSampleRate);
    setTabOrder(txtSampleRate, cboChannel);
    setTabOrder(cboChannel, cmdRevert);
    setTabOrder(cmdRevert, cmdSave);
    setTabOrder(cmdSave, btnCancel);
}

bool frmWAV::load() {
    const std::vector<TagHost::Row> rows = m_host.rows();
    const TagHost::Row* row = wavRow(rows);
    if (!row) return false;

    if (!m_editor) {
        m_editor = std::make_unique<WAVInfo>();
        m_editor->setConfirmHeaderChange([this](const std::string& question) {
            const bool yes =
                m_prompter.message(QString::fromStdString(question), Prompter::Icon::None,
                                   Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
            // Written ahead only now: a declined save is no entry of the history.
            if (yes && m_record) m_record->begin();
            return yes;
        });
        // Not wired to a message: the three assignments before a save pass through states
        // (a file without a format has no channels yet) whose derived fields cannot be
        // computed, and the checks before the save make sure the last one can.
    }
    // A file that cannot be read still opens, showing zeros; a save then reports it. A
    // big-endian one is said at once: its fields could be read, but never written back.
    m_editor->LoadWAV(toNativePath(row->key).toStdString());
    if (m_editor->BigEndian()) {
        m_prompter.message(tr("%1 is a big-endian WAV file, which cannot be read")
                               .arg(displayPath(fileNamePart(row->key))),
                           Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return false;
    }

    cboChannel->clear();
    for (const auto& [key, pair] : m_editor->ChannelList())
        cboChannel->addItem(QString::fromStdString(pair.Name()), int(pair.ID()));

    m_loadedBits = m_editor->SampleBits();
    m_loadedRate = m_editor->SampleRate();
    txtBitrate->setText(QString::number(m_loadedBits));
    txtSampleRate->setText(QString::number(m_loadedRate));

    // Anything beyond stereo shows as stereo: the header can only be rewritten as 1 or 2.
    const int channels = m_editor->Channels();
    const int entry = channels >= 1 && channels <= WAVInfo::MaxChannels()
                          ? channels - 1
                          : WAVInfo::MaxChannels() - 1;
    cboChannel->setCurrentIndex(entry);
    m_loadedChannels = static_cast<std::int16_t>(entry + 1);
    return true;
}

bool frmWAV::bitsAcceptable() const {
    const auto bits = wholeNumber(txtBitrate->text());
    return bits && *bits >= 1 && *bits <= WAVInfo::MaxSampleBits();
}

bool frmWAV::rateAcceptable() const {
    const auto rate = wholeNumber(txtSampleRate->text());
    return rate && *rate >= 1 && *rate <= WAVInfo::MaxSampleRate();
}

void frmWAV::refuseBits() {
    m_prompter.message(tr("Bits Per Sample must be a positive integer less than or equal to 32"),
                       Prompter::Icon::None, Prompter::Buttons::Ok);
    txtBitrate->setFocus(Qt::OtherFocusReason);
    txtBitrate->selectAll();
}

void frmWAV::refuseRate() {
    m_prompter.message(tr("Sample Rate must be a positive integer"), Prompter::Icon::None,
                       Prompter::Buttons::Ok);
}

void frmWAV::checkOnLeaving(QObject* field, Qt::FocusReason reason) {
    // Switching windows, opening a context menu or a message box is not leaving the field, and
    // Cancel and Revert throw the text away anyway.
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    QWidget* next = QApplication::focusWidget();
    if (!next || next == field || !isAncestorOf(next) || next == btnCancel || next == cmdRevert)
        return;
    if (field == txtBitrate && !bitsAcceptable()) {
        refuseBits();
    } else if (field == txtSampleRate && !rateAcceptable()) {
        refuseRate();
    } else {
        return;
    }
    if (reason == Qt::MouseFocusReason) {
        // The press that moved the focus is delivered right after this; anything later (a
        // wheel gives focus without a press) must not lose a press of its own.
        m_swallowPress = true;
        QTimer::singleShot(0, this, [this] { m_swallowPress = false; });
    }
}

bool frmWAV::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == txtBitrate || watched == txtSampleRate)) {
        checkOnLeaving(watched, static_cast<QFocusEvent*>(event)->reason());
    } else if (event->type() == QEvent::MouseButtonPress && m_swallowPress) {
        // The focus moved (or was refused) before this press reached its widget.
        m_swallowPress = false;
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmWAV::cmdRevert_Click() {
    txtBitrate->setText(QString::number(m_loadedBits));
    txtSampleRate->setText(QString::number(m_loadedRate));
    cboChannel->setCurrentIndex(m_loadedChannels - 1);
}

void frmWAV::cmdSave_Click() {
    if (!m_editor) return; // never loaded: there is no file to write
    const auto bits = wholeNumber(txtBitrate->text());
    const auto rate = wholeNumber(txtSampleRate->text());
    const int channels = cboChannel->currentIndex() + 1;
    if (bits && rate && *bits == m_loadedBits && *rate == m_loadedRate &&
        channels == m_loadedChannels) {
        accept();
        return;
    }
    if (!bits || !rate) {
        m_prompter.message(tr("You must enter numeric values for Bits Per Sample and Sample Rate"),
                           Prompter::Icon::None, Prompter::Buttons::Ok);
        return;
    }
    // Enter or Alt+S saves without the focus leaving a field, so the field checks run here
    // too: a header with 0 bits or a rate of 0 would only leave the file unplayable.
    if (!bitsAcceptable()) {
        refuseBits();
        return;
    }
    if (!rateAcceptable()) {
        refuseRate();
        txtSampleRate->setFocus(Qt::OtherFocusReason);
        txtSampleRate->selectAll();
        return;
    }

    WAVInfo& e = *m_editor;
    e.setSampleBits(static_cast<int>(*bits));
    e.setSampleRate(*rate);
    e.setChannels(channels);
    const QString path = fromNativePath(QByteArray::fromStdString(e.Filename()));
    history::Recording record(m_host.history(), HistoryStore::EntryKind::HeaderSave,
                              tr("Edit header of \"%1\"").arg(displayPath(fileNamePart(path))));
    if (e.FormatFieldsAt() >= 0) record.plan(history::bytesWrite(path, e.FormatFieldsAt(), 14));
    m_record = record.changes().empty() ? nullptr : &record;
    const KeptTime time(m_host, path);
    // True also when the user declined the question.
    const Result saved = e.SaveWAV();
    m_record = nullptr;
    if (!saved) {
        if (e.NoFormatHeader())
            m_prompter.message(
                tr("%1 has no WAV format header").arg(displayPath(fileNamePart(path))),
                Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        else
            reportNotSaved(m_prompter,
                           tr("Another application may be using the file or it may be read-only."),
                           saved);
        return;
    }
    time.restore();
    record.made(0);
    record.finish();
    if (record.recording()) m_host.recorded();
    m_host.refreshRow(path);
    accept();
}

} // namespace tunewalk
