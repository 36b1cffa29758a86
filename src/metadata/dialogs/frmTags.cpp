#include "metadata/dialogs/frmTags.h"

#include "common/Latin1.h"
#include "common/NativePath.h"
#include "common/PathRules.h"
#include "history/FileChanges.h"
#include "history/Recording.h"
#include "metadata/dialogs/TagsInStep.h"
#include "metadata/tags/TagSaving.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/KeptTime.h"
#include "metadata/dialogs/SaveFailure.h"
#include "metadata/dialogs/TagHost.h"
#include "metadata/dialogs/TagText.h"
#include "shell/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <functional>

namespace tunewalk {

namespace {

// Only spaces, as the tag pads with them: a tab or a no-break space the user typed stays.
QString trimSpaces(const QString& text) {
    qsizetype from = 0, to = text.size();
    while (from < to && text[from] == QLatin1Char(' '))
        ++from;
    while (to > from && text[to - 1] == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

QString fileNameOf(const std::string& path) {
    return displayPath(fileNamePart(fromNativePath(QByteArray::fromStdString(path))));
}

void fill(QComboBox* box, const MP3TagEditor::LookupList& list) {
    for (const auto& [key, pair] : list)
        box->addItem(QString::fromStdString(pair.Name()), int(pair.ID()));
}

// The first item whose item data satisfies `match`; `fallback` when none does.
int firstItem(const QComboBox* box, const std::function<bool(int)>& match, int fallback) {
    for (int i = 0; i < box->count(); ++i)
        if (match(box->itemData(i).toInt())) return i;
    return fallback;
}

} // namespace

frmTags::frmTags(TagHost& host, Prompter& prompter, QWidget* parent)
    : QDialog(parent), txtTitle(new Latin1Field(30)), txtArtist(new Latin1Field(30)),
      txtAlbum(new Latin1Field(30)), txtYear(new Latin1Field(4)), txtComment(new Latin1Field(30)),
      cboGenra(new QComboBox), cboBitrate(new QComboBox), cboSampleRate(new QComboBox),
      cboChannel(new QComboBox), cboType(new QComboBox), lblHeaderNote(new QLabel),
      lblLeftOut(new QLabel), cmdSave(new QPushButton(tr("&OK"))),
      btnCancel(new QPushButton(tr("&Cancel"))), m_host(host), m_prompter(prompter) {
    setWindowTitle(tr("Edit Tags"));
    buildLayout();
    connect(cmdSave, &QPushButton::clicked, this, &frmTags::cmdSave_Click);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

frmTags::~frmTags() = default;

void frmTags::buildLayout() {
    txtTitle->setObjectName(QStringLiteral("txtTitle"));
    txtArtist->setObjectName(QStringLiteral("txtArtist"));
    txtAlbum->setObjectName(QStringLiteral("txtAlbum"));
    txtYear->setObjectName(QStringLiteral("txtYear"));
    txtComment->setObjectName(QStringLiteral("txtComment"));
    cboGenra->setObjectName(QStringLiteral("cboGenra"));
    cboBitrate->setObjectName(QStringLiteral("cboBitrate"));
    cboSampleRate->setObjectName(QStringLiteral("cboSampleRate"));
    cboChannel->setObjectName(QStringLiteral("cboChannel"));
    cboType->setObjectName(QStringLiteral("cboType"));
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    // Room for a full 30-character field; the year needs only its four digits.
    const QFontMetrics metrics(font());
    const int wide = metrics.horizontalAdvance(QString(32, QLatin1Char('n')));
    for (QLineEdit* field : {txtTitle, txtArtist, txtAlbum, txtComment})
        field->setMinimumWidth(wide);
    txtYear->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("00000000")));
    cboGenra->setMaxVisibleItems(20);
    lblLeftOut->setObjectName(QStringLiteral("lblLeftOut"));
    lblLeftOut->hide();
    for (Latin1Field* field : {txtTitle, txtArtist, txtAlbum, txtYear, txtComment})
        field->reportTo(lblLeftOut);

    auto* tags = new QFormLayout;
    const auto addRow = [](QFormLayout* form, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    addRow(tags, tr("Title:"), txtTitle);
    addRow(tags, tr("Artist:"), txtArtist);
    addRow(tags, tr("Album:"), txtAlbum);
    addRow(tags, tr("Year:"), txtYear);
    addRow(tags, tr("Comment:"), txtComment);
    addRow(tags, tr("Genre:"), cboGenra);
    auto* tagsColumn = new QVBoxLayout;
    tagsColumn->addLayout(tags);
    tagsColumn->addWidget(lblLeftOut);
    tagsColumn->addStretch();

    // Disabled rather than merely ignored, so nobody expects a choice there to be saved.
    auto* audio = new QFormLayout;
    for (QComboBox* list : {cboBitrate, cboSampleRate, cboChannel, cboType})
        list->setEnabled(false);
    addRow(audio, tr("Bitrate:"), cboBitrate);
    addRow(audio, tr("Sample Rate:"), cboSampleRate);
    addRow(audio, tr("Channels:"), cboChannel);
    addRow(audio, tr("MPEG Type:"), cboType);
    auto* audioColumn = new QVBoxLayout;
    auto* heading = new QLabel(tr("Audio:"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    audioColumn->addWidget(heading);
    audioColumn->addLayout(audio);
    lblHeaderNote->setObjectName(QStringLiteral("lblHeaderNote"));
    lblHeaderNote->setWordWrap(true);
    lblHeaderNote->hide();
    audioColumn->addWidget(lblHeaderNote);
    audioColumn->addStretch();

    auto* columns = new QHBoxLayout;
    columns->addLayout(tagsColumn);
    columns->addSpacing(metrics.horizontalAdvance(QStringLiteral("nnn")));
    columns->addLayout(audioColumn);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdSave, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Only a button already inside the dialog becomes the one Enter falls back to.
    cmdSave->setDefault(true);

    setTabOrder(txtTitle, txtArtist);
    setTabOrder(txtArtist, txtAlbum);
    setTabOrder(txtAlbum, txtYear);
    setTabOrder(txtYear, txtComment);
    setTabOrder(txtComment, cboGenra);
    setTabOrder(cboGenra, cmdSave);
    setTabOrder(cmdSave, btnCancel);
}

bool frmTags::load() {
    QString key;
    for (const TagHost::Row& row : m_host.rows()) {
        if (row.selected && row.kind == RowKind::MP3) {
            key = row.key;
            break;
        }
    }
    if (key.isEmpty()) {
        m_prompter.message(tr("There is no MP3 file selected."), Prompter::Icon::Exclamation,
                           Prompter::Buttons::Ok);
        return false;
    }

    if (!m_editor) m_editor = std::make_unique<MP3TagEditor>();
    // A file that cannot be read still opens: the dialog shows what the editor holds, and a
    // save reports the failure.
    m_editor->LoadMP3(toNativePath(key).toStdString());
    fillLists();
    showValues();
    return true;
}

bool frmTags::offerReload(const QString& fileName) {
    return m_prompter.message(tr("%1 has changed since its tag was read, so the tag was not saved."
                                 "\n\nReload the file's current tag?")
                                  .arg(fileName),
                              Prompter::Icon::Exclamation,
                              Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
}

void frmTags::fillLists() {
    const MP3TagEditor& e = *m_editor;
    const bool mpeg1 = e.Version() == 1;
    cboGenra->clear();
    cboBitrate->clear();
    cboSampleRate->clear();
    cboChannel->clear();
    cboType->clear();
    fill(cboGenra, e.GenraList());
    // The lists hold Layer III's values: another layer's header shows just what it says.
    const bool ownValues = e.Layer() != 0 && !e.HeaderRewritable();
    lblHeaderNote->setVisible(ownValues);
    if (ownValues) {
        lblHeaderNote->setText(tr("%1 frame headers are shown as read; they cannot be rewritten.")
                                   .arg(QString::fromStdString(e.HeaderKind())));
        cboBitrate->addItem(QString::number(e.HeaderBitrate()), -1);
        cboSampleRate->addItem(QString::number(e.SampleRate()), -1);
    } else {
        fill(cboBitrate, mpeg1 ? e.BitrateList1() : e.BitrateList2());
        fill(cboSampleRate, mpeg1 ? e.SampleRateList1() : e.SampleRateList2());
    }
    fill(cboChannel, e.ChannelsList());
    cboType->addItem(QStringLiteral("1"), 1);
    cboType->addItem(QStringLiteral("2"), 2);
}

void frmTags::showValues() {
    const MP3TagEditor& e = *m_editor;
    const QString title = tagText(e.Title());
    const bool titled = e.TagExists() && !title.trimmed().isEmpty();
    setWindowTitle(tr("Edit Tags - %1").arg(titled ? title : fileNameOf(e.Filename())));

    txtTitle->setText(title);
    txtArtist->setText(tagText(e.Artist()));
    txtAlbum->setText(tagText(e.Album()));
    txtYear->setText(tagText(e.Year()));
    txtComment->setText(tagText(e.Comment()));

    // A number outside the list (148 to 254) selects nothing, and is written back unchanged.
    cboGenra->setCurrentIndex(e.TagExists()
                                  ? firstItem(
                                        cboGenra, [&](int id) { return id == e.Genra(); }, -1)
                                  : -1);

    const int version = e.Version();
    const auto id = [](int data) { return static_cast<std::uint8_t>(data); };
    cboBitrate->setCurrentIndex(firstItem(
        cboBitrate,
        [&](int data) {
            // The first frame's header, as the dialog shows it, not the audio's bitrate.
            return MP3TagEditor::BitrateLookupByID(id(data), version) == e.HeaderBitrate();
        },
        0));
    cboSampleRate->setCurrentIndex(firstItem(
        cboSampleRate,
        [&](int data) {
            return MP3TagEditor::SampleRateLookupByID(id(data), version) == e.SampleRate();
        },
        0));
    cboChannel->setCurrentIndex(firstItem(
        cboChannel,
        [&](int data) { return MP3TagEditor::ChannelsLookupByID(id(data)) == e.Channels(); }, 0));
    cboType->setCurrentIndex(firstItem(
        cboType, [&](int data) { return data == version; }, 0));
}

void frmTags::cmdSave_Click() {
    if (!m_editor) return; // never loaded: there is no file to write
    MP3TagEditor& e = *m_editor;
    const Id3v1Values loaded = id3v1ValuesOf(e);
    using Setter = void (MP3TagEditor::*)(const std::string&);
    const std::pair<QLineEdit*, Setter> fields[] = {{txtTitle, &MP3TagEditor::setTitle},
                                                    {txtArtist, &MP3TagEditor::setArtist},
                                                    {txtAlbum, &MP3TagEditor::setAlbum},
                                                    {txtYear, &MP3TagEditor::setYear},
                                                    {txtComment, &MP3TagEditor::setComment}};
    // The fields keep only what a tag can hold, so this only guards against text put there
    // by other means; nothing is written rather than something the user did not type.
    for (const auto& [field, set] : fields) {
        const auto bytes = utf8ToLatin1(trimSpaces(field->text()).toUtf8().toStdString());
        if (!bytes) {
            field->setFocus();
            field->selectAll();
            QApplication::beep();
            return;
        }
        (e.*set)(*bytes);
    }
    if (cboGenra->currentIndex() >= 0) e.setGenra(cboGenra->currentData().toInt());

    const QString key = fromNativePath(QByteArray::fromStdString(e.Filename()));
    // A file with other tags gets the changed fields in those too, in one save; a header
    // rewrite is the codec's alone.
    if (m_host.keepOtherTagsInStep() && e.OtherTags() && !e.HeaderChanged()) {
        saveInStep(key, changedFields(loaded, id3v1ValuesOf(e)));
        return;
    }
    // Written ahead with the tag the save replaces; a save that fails leaves no entry.
    history::Recording record(m_host.history(), HistoryStore::EntryKind::TagSave,
                              tr("Edit tags of \"%1\"").arg(displayPath(fileNamePart(key))));
    record.plan(history::tagWrite(key));
    record.begin();
    const KeptTime time(m_host, key);
    if (const Result saved = e.SaveMP3(false); !saved) {
        if (e.ChangedSinceLoad()) {
            // The fields may no longer describe the file's tag: show the one it has now.
            const std::string path = e.Filename();
            if (offerReload(fileNameOf(path))) {
                e.LoadMP3(path);
                fillLists();
                showValues();
            }
            return;
        }
        reportNotSaved(m_prompter, tr("The file may be in use or it may be read-only."), saved);
        return;
    }
    time.restore();
    record.made(0);
    record.finish();
    if (record.recording()) m_host.recorded();
    m_host.refreshRow(key);
    accept();
}

void frmTags::saveInStep(const QString& key, const TagFields& fields) {
    MP3TagEditor& e = *m_editor;
    if (BinaryFile::lookAt(e.Filename()) != e.Stamp()) {
        // As the codec's own save: the fields may no longer describe the file's tag.
        if (offerReload(fileNameOf(e.Filename()))) {
            e.LoadMP3(e.Filename());
            fillLists();
            showValues();
        }
        return;
    }
    const TagSaveOutcome out = saveTags(
        {m_host.history(), {}}, HistoryStore::EntryKind::TagSave,
        tr("Edit tags of \"%1\"").arg(displayPath(fileNamePart(key))),
        {{key, fields}}, inStepOptions(m_host.tagWriteOptions(), e), m_host.keepModificationTimes());
    if (!out.ok()) {
        m_prompter.message(tr("The tag was not saved.\n\n%1").arg(out.failures.join(QLatin1Char('\n'))),
                           Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        return;
    }
    if (out.historyId) m_host.recorded();
    m_host.refreshRow(key);
    accept();
}

} // namespace tunewalk
