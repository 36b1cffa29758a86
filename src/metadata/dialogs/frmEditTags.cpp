#include "metadata/dialogs/frmEditTags.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/TagHost.h"
#include "metadata/tags/TagSaving.h"
#include "shell/Prompter.h"

#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QSet>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>

namespace tunewalk {

namespace {
// A save of many files shows its progress once it has lasted this long.
constexpr int kProgressDelayMs = 500;
// The side of the square the cover is shown in.
constexpr int kCoverSide = 160;

bool isNumber(EditField f) {
    return f == EditField::Track || f == EditField::TrackTotal || f == EditField::Disc ||
           f == EditField::DiscTotal || f == EditField::Year;
}

QString nameOf(const QString& key) {
    return displayPath(fileNamePart(key));
}

// The kind of picture the bytes are, by their first bytes: the two kinds a tag's cover is
// written as. Empty for anything else.
std::string pictureMime(const std::string& data) {
    if (data.rfind("\xFF\xD8\xFF", 0) == 0) return "image/jpeg";
    if (data.rfind("\x89PNG\r\n\x1A\n", 0) == 0) return "image/png";
    return {};
}

// A picture as a cover is written: PNG where it has see-through parts, JPEG otherwise (a photo
// as PNG would take many times the room).
std::pair<std::string, std::string> encodePicture(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool png = image.hasAlphaChannel();
    image.save(&buffer, png ? "PNG" : "JPEG", png ? -1 : 90);
    return {bytes.toStdString(), png ? "image/png" : "image/jpeg"};
}

// Where a path leads once every link on the way is followed; the path itself when nothing is
// there.
QString linkTarget(const QString& path) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(toFsPath(path), error);
    return error ? path : fromFsPath(target);
}

QLineEdit* numberEdit(int digits, const QString& accessibleName) {
    auto* edit = new QLineEdit;
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,%1}").arg(digits)), edit));
    edit->setAccessibleName(accessibleName);
    return edit;
}
} // namespace

frmEditTags::frmEditTags(TagHost& host, Prompter& prompter, CodePage readPage, QWidget* parent)
    : QDialog(parent), txtTitle(new QLineEdit), txtArtist(new QLineEdit), txtAlbum(new QLineEdit),
      txtAlbumArtist(new QLineEdit), txtTrack(numberEdit(4, tr("Track number"))),
      txtTrackTotal(numberEdit(4, tr("Total tracks"))), txtDisc(numberEdit(4, tr("Disc number"))),
      txtDiscTotal(numberEdit(4, tr("Total discs"))), txtYear(numberEdit(4, tr("Year"))),
      cboGenre(new QComboBox), txtComment(new QLineEdit), txtComposer(new QLineEdit),
      lblCover(new QLabel), lblCoverInfo(new QLabel),
      cmdAddCover(new QPushButton(tr("Add from &File..."))),
      cmdPasteCover(new QPushButton(tr("P&aste"))), cmdRemoveCover(new QPushButton(tr("Remo&ve"))),
      cmdSaveCover(new QPushButton(tr("&Save to File..."))), lblStatus(new QLabel),
      cmdOK(new QPushButton(tr("&OK"))), btnCancel(new QPushButton(tr("&Cancel"))), m_host(host),
      m_prompter(prompter), m_readPage(readPage) {
    setWindowTitle(tr("Edit Tags"));
    buildLayout();
    setEditable(false);
    connect(cmdOK, &QPushButton::clicked, this, &frmEditTags::save);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdAddCover, &QPushButton::clicked, this, &frmEditTags::addCoverFromFile);
    connect(cmdPasteCover, &QPushButton::clicked, this, &frmEditTags::pasteCover);
    connect(cmdRemoveCover, &QPushButton::clicked, this, &frmEditTags::removeCover);
    connect(cmdSaveCover, &QPushButton::clicked, this, &frmEditTags::saveCoverToFile);
}

frmEditTags::~frmEditTags() = default;

QLineEdit* frmEditTags::edit(EditField field) const {
    return m_edits[int(field)];
}

void frmEditTags::buildLayout() {
    // The genre list's line edit comes with its editability.
    cboGenre->setEditable(true);
    cboGenre->setInsertPolicy(QComboBox::NoInsert);
    cboGenre->setMaxVisibleItems(20);
    QStringList genres;
    const MP3TagEditor lists; // every editor builds the same list
    for (const auto& [key, genre] : lists.GenraList())
        if (genre.ID() != MP3TagEditor::NoneGenre) genres << QString::fromLatin1(genre.Name());
    genres.sort(Qt::CaseInsensitive);
    cboGenre->addItems(genres);
    cboGenre->setCurrentIndex(-1);
    m_edits = {txtTitle, txtArtist,    txtAlbum, txtAlbumArtist,       txtTrack,   txtTrackTotal,
               txtDisc,  txtDiscTotal, txtYear,  cboGenre->lineEdit(), txtComment, txtComposer};

    const std::pair<QWidget*, const char*> names[] = {
        {txtTitle, "txtTitle"},
        {txtArtist, "txtArtist"},
        {txtAlbum, "txtAlbum"},
        {txtAlbumArtist, "txtAlbumArtist"},
        {txtTrack, "txtTrack"},
        {txtTrackTotal, "txtTrackTotal"},
        {txtDisc, "txtDisc"},
        {txtDiscTotal, "txtDiscTotal"},
        {txtYear, "txtYear"},
        {cboGenre, "cboGenre"},
        {txtComment, "txtComment"},
        {txtComposer, "txtComposer"},
        {lblCover, "lblCover"},
        {lblCoverInfo, "lblCoverInfo"},
        {cmdAddCover, "cmdAddCover"},
        {cmdPasteCover, "cmdPasteCover"},
        {cmdRemoveCover, "cmdRemoveCover"},
        {cmdSaveCover, "cmdSaveCover"},
        {lblStatus, "lblStatus"},
        {cmdOK, "cmdOK"},
        {btnCancel, "btnCancel"},
    };
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    const QFontMetrics metrics(font());
    const int wide = metrics.horizontalAdvance(QString(40, QLatin1Char('n')));
    for (QWidget* field : {txtTitle, txtArtist, txtAlbum, txtAlbumArtist, txtComment, txtComposer})
        field->setMinimumWidth(wide);
    // Room for four digits, and for the "(kept)" a field of differing values shows.
    const int narrow = std::max(metrics.horizontalAdvance(QStringLiteral("00000")),
                                metrics.horizontalAdvance(tr("(kept)"))) +
                       metrics.height();
    for (QLineEdit* field : {txtTrack, txtTrackTotal, txtDisc, txtDiscTotal, txtYear})
        field->setFixedWidth(narrow);

    auto* form = new QFormLayout;
    const auto addRow = [form](const QString& caption, QWidget* buddy, QLayout* fields = nullptr) {
        auto* label = new QLabel(caption);
        label->setBuddy(buddy);
        if (fields)
            form->addRow(label, fields);
        else
            form->addRow(label, buddy);
    };
    // A number and its total, "3 of 12", left-aligned.
    const auto pair = [this](QLineEdit* number, QLineEdit* total) {
        auto* row = new QHBoxLayout;
        row->addWidget(number);
        auto* of = new QLabel(tr("of"));
        of->setBuddy(total);
        row->addWidget(of);
        row->addWidget(total);
        row->addStretch();
        return row;
    };
    const auto alone = [](QLineEdit* field) {
        auto* row = new QHBoxLayout;
        row->addWidget(field);
        row->addStretch();
        return row;
    };
    addRow(tr("&Title:"), txtTitle);
    addRow(tr("A&rtist:"), txtArtist);
    addRow(tr("Al&bum:"), txtAlbum);
    addRow(tr("Album Art&ist:"), txtAlbumArtist);
    addRow(tr("Trac&k:"), txtTrack, pair(txtTrack, txtTrackTotal));
    addRow(tr("&Disc:"), txtDisc, pair(txtDisc, txtDiscTotal));
    addRow(tr("&Year:"), txtYear, alone(txtYear));
    addRow(tr("&Genre:"), cboGenre);
    addRow(tr("Co&mment:"), txtComment);
    addRow(tr("Com&poser:"), txtComposer);

    lblCover->setFixedSize(kCoverSide, kCoverSide);
    lblCover->setAlignment(Qt::AlignCenter);
    lblCover->setFrameShape(QFrame::StyledPanel);
    lblCover->setAccessibleName(tr("Cover"));
    lblCoverInfo->setAlignment(Qt::AlignCenter);
    lblCoverInfo->setFixedWidth(kCoverSide);
    lblCoverInfo->setWordWrap(true);
    auto* cover = new QVBoxLayout;
    auto* heading = new QLabel(tr("Cover:"));
    cover->addWidget(heading);
    cover->addWidget(lblCover);
    cover->addWidget(lblCoverInfo);
    for (QPushButton* button : {cmdAddCover, cmdPasteCover, cmdRemoveCover, cmdSaveCover})
        cover->addWidget(button);
    cover->addStretch();

    auto* columns = new QHBoxLayout;
    columns->addLayout(form, 1);
    columns->addSpacing(metrics.horizontalAdvance(QStringLiteral("nn")));
    columns->addLayout(cover);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(btnCancel, QDialogButtonBox::RejectRole);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblStatus, 1);
    bottom->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(bottom);
    // Only a button already inside the dialog becomes the one Enter falls back to.
    cmdOK->setDefault(true);

    QWidget* previous = nullptr;
    for (QWidget* w : std::initializer_list<QWidget*>{
             txtTitle, txtArtist, txtAlbum, txtAlbumArtist, txtTrack, txtTrackTotal, txtDisc,
             txtDiscTotal, txtYear, cboGenre, txtComment, txtComposer, cmdAddCover, cmdPasteCover,
             cmdRemoveCover, cmdSaveCover, cmdOK, btnCancel}) {
        if (previous) setTabOrder(previous, w);
        previous = w;
    }
}

void frmEditTags::setEditable(bool on) {
    for (QLineEdit* e : m_edits)
        e->setEnabled(on);
    cboGenre->setEnabled(on);
    for (QPushButton* b : {cmdAddCover, cmdPasteCover, cmdOK})
        b->setEnabled(on);
    if (!on) {
        cmdRemoveCover->setEnabled(false);
        cmdSaveCover->setEnabled(false);
    }
}

bool frmEditTags::load() {
    std::vector<TagsReading::File> files;
    for (const TagHost::Row& row : m_host.rows())
        if (row.selected && isAudio(row.kind)) files.push_back({row.key, row.kind});
    if (files.empty()) return false;
    m_files.clear();
    for (const TagsReading::File& f : files)
        m_files << f.key;
    setWindowTitle(tr("Edit Tags - %1")
                       .arg(m_files.size() == 1
                                ? nameOf(m_files.first())
                                : tr("%1 files").arg(QLocale().toString(m_files.size()))));
    lblStatus->setText(tr("Reading the tags..."));
    lblStatus->show();
    lblCover->clear();
    lblCoverInfo->clear();

    delete m_reading;
    m_reading = new TagsReading(std::move(files), m_readPage, this);
    connect(m_reading, &TagsReading::progress, this, [this](int done, int total) {
        lblStatus->setText(tr("Reading the tags: %1 of %2 files")
                               .arg(QLocale().toString(done), QLocale().toString(total)));
    });
    connect(m_reading, &TagsReading::finished, this, &frmEditTags::readingFinished);
    m_reading->start();
    return true;
}

void frmEditTags::readingFinished() {
    m_common = m_reading->common();
    if (const auto& unread = m_reading->unread(); !unread.empty()) {
        QStringList lines;
        for (const TagsReading::Unread& u : unread) {
            m_files.removeOne(u.key);
            lines << nameOf(u.key) + QStringLiteral(": ") + u.why;
        }
        m_prompter.message((m_files.isEmpty() ? tr("The tags could not be read:")
                                              : tr("These files could not be read and are left "
                                                   "out:")) +
                               QStringLiteral("\n\n") + lines.join(QLatin1Char('\n')),
                           Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
        if (m_files.isEmpty()) return reject();
    }

    for (int f = 0; f < EditFieldCount; ++f) {
        QLineEdit* e = m_edits[f];
        // A field whose files differ is empty: what it shows is what a save leaves.
        e->setPlaceholderText(m_common.differ[f] ? tr("(kept)") : QString());
        e->setText(m_common.values[f]);
        e->setCursorPosition(0);
    }
    lblStatus->hide();
    m_loaded = true;
    setEditable(true);
    showCover();
    txtTitle->setFocus();
    txtTitle->selectAll();
    emit loaded();
}

TagFields frmEditTags::changedFields() const {
    TagFields fields;
    std::optional<std::string>* texts[EditFieldCount] = {};
    std::optional<int>* numbers[EditFieldCount] = {};
    texts[int(EditField::Title)] = &fields.title;
    texts[int(EditField::Artist)] = &fields.artist;
    texts[int(EditField::Album)] = &fields.album;
    texts[int(EditField::AlbumArtist)] = &fields.albumArtist;
    texts[int(EditField::Genre)] = &fields.genre;
    texts[int(EditField::Comment)] = &fields.comment;
    texts[int(EditField::Composer)] = &fields.composer;
    numbers[int(EditField::Track)] = &fields.track;
    numbers[int(EditField::TrackTotal)] = &fields.trackTotal;
    numbers[int(EditField::Disc)] = &fields.disc;
    numbers[int(EditField::DiscTotal)] = &fields.discTotal;
    numbers[int(EditField::Year)] = &fields.year;

    for (int f = 0; f < EditFieldCount; ++f) {
        const QString now = m_edits[f]->text().trimmed();
        const QString& was = m_common.values[f];
        if (isNumber(EditField(f))) {
            // "07" is the 7 the file has; an empty field, or 0, takes the number away.
            const bool changed = m_common.differ[f] ? !now.isEmpty() : now.toInt() != was.toInt();
            if (changed) *numbers[f] = now.toInt();
        } else {
            const bool changed = m_common.differ[f] ? !now.isEmpty() : now != was;
            if (changed) *texts[f] = now.toUtf8().toStdString();
        }
    }
    fields.cover = m_coverChange;
    if (m_coverChange == TagFields::Cover::Set) {
        fields.coverData = m_coverData;
        fields.coverMime = m_coverMime;
    }
    return fields;
}

void frmEditTags::save() {
    if (!m_loaded) return;
    const TagFields fields = changedFields();
    if (fields.empty()) return accept(); // nothing changed: nothing to write or record

    std::vector<TagSaveRequest> requests;
    requests.reserve(static_cast<std::size_t>(m_files.size()));
    for (const QString& key : m_files)
        requests.push_back({key, fields});
    const QString description =
        m_files.size() == 1 ? tr("Edit tags of \"%1\"").arg(nameOf(m_files.first()))
                            : tr("Edit tags of %1 files").arg(QLocale().toString(m_files.size()));

    std::unique_ptr<QProgressDialog> progress;
    if (m_files.size() > 1) {
        progress = std::make_unique<QProgressDialog>(tr("Writing the tags..."), tr("&Cancel"), 0,
                                                     int(m_files.size()), this);
        progress->setWindowTitle(tr("Edit Tags"));
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(kProgressDelayMs);
        progress->setAutoReset(false);
        progress->setAutoClose(false);
        progress->setValue(0); // starts the time after which it shows
    }
    const auto report = [&progress, this](int done, int total) {
        if (!progress) return true;
        progress->setValue(done); // shows the dialog once the run has lasted, and lets it paint
        if (progress->isVisible())
            progress->setLabelText(tr("Writing the tags: %1 of %2 files")
                                       .arg(QLocale().toString(done), QLocale().toString(total)));
        return !progress->wasCanceled();
    };
    const TagSaveOutcome outcome =
        saveTags(HistoryPlace{m_host.history(), {}}, HistoryStore::EntryKind::TagEdit, description,
                 requests, m_host.tagWriteOptions(), m_host.keepModificationTimes(), report);
    progress.reset();

    // The saves name the files they wrote by the paths links lead to; the rows by their own.
    const QSet<QString> saved(outcome.savedPaths.cbegin(), outcome.savedPaths.cend());
    for (const QString& key : m_files)
        if (saved.contains(key) || (!saved.isEmpty() && saved.contains(linkTarget(key))))
            m_host.refreshRow(key);
    if (outcome.historyId != 0) m_host.recorded();
    if (!outcome.failures.isEmpty()) {
        reportFailures(outcome.failures);
        // Nothing was written: the fields stay for another try.
        if (outcome.written == 0 && outcome.unchanged == 0 && !outcome.cancelled) return;
    }
    accept();
}

void frmEditTags::reportFailures(const QStringList& failures) {
    const QString heading =
        failures.size() == 1
            ? tr("The file was not saved.")
            : tr("These %1 files were not saved:").arg(QLocale().toString(failures.size()));
    m_prompter.message(heading + QStringLiteral("\n\n") + failures.join(QLatin1Char('\n')),
                       Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
}

frmEditTags::CoverShown frmEditTags::coverShown() const {
    switch (m_coverChange) {
    case TagFields::Cover::Set:
        return CoverShown::Picture;
    case TagFields::Cover::Remove:
        return CoverShown::None;
    case TagFields::Cover::Keep:
        break;
    }
    if (m_common.coversDiffer) return CoverShown::Kept;
    return m_common.cover ? CoverShown::Picture : CoverShown::None;
}

const std::string& frmEditTags::shownCoverData() const {
    static const std::string none;
    if (m_coverChange == TagFields::Cover::Set) return m_coverData;
    return m_common.cover && m_coverChange == TagFields::Cover::Keep ? m_common.cover->data : none;
}

void frmEditTags::showCover() {
    const CoverShown shown = coverShown();
    lblCover->clear();
    lblCoverInfo->clear();
    // The texts in the placeholder's grey: they stand for no picture.
    lblCover->setForegroundRole(QPalette::PlaceholderText);
    switch (shown) {
    case CoverShown::None:
        lblCover->setText(tr("(no cover)"));
        break;
    case CoverShown::Kept:
        lblCover->setText(tr("(kept)"));
        lblCoverInfo->setText(tr("The files' covers differ."));
        break;
    case CoverShown::Picture: {
        const std::string& data = shownCoverData();
        QPixmap picture;
        if (!picture.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                                  static_cast<uint>(data.size()))) {
            lblCover->setText(tr("(cannot be shown)"));
            break;
        }
        const QSize inside = lblCover->contentsRect().size();
        lblCover->setPixmap(picture.scaled(inside, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        const std::string mime = pictureMime(data);
        const QString kind = mime == "image/png"    ? QStringLiteral("PNG")
                             : mime == "image/jpeg" ? QStringLiteral("JPEG")
                                                    : QString();
        lblCoverInfo->setText(
            tr("%1 \u00d7 %2 %3").arg(picture.width()).arg(picture.height()).arg(kind).trimmed());
        break;
    }
    }
    if (!m_loaded) return; // still reading: nothing to act on
    cmdRemoveCover->setEnabled(shown != CoverShown::None);
    cmdSaveCover->setEnabled(shown == CoverShown::Picture && !shownCoverData().empty());
}

void frmEditTags::setCover(std::string data, std::string mime) {
    m_coverChange = TagFields::Cover::Set;
    m_coverData = std::move(data);
    m_coverMime = std::move(mime);
    showCover();
}

void frmEditTags::addCoverFromFile() {
    const QString path =
        m_prompter.openFile(tr("Add Cover Picture"), m_host.currentFolder(),
                            tr("Pictures (*.jpg *.jpeg *.png *.bmp *.gif *.webp);;All Files (*)"));
    if (path.isEmpty()) return;
    QFile file;
    if (!openForReading(file, path)) {
        m_prompter.error(tr("The picture could not be read.\n\n%1: %2")
                             .arg(displayPath(path), file.errorString()));
        return;
    }
    if (file.size() > qint64(MaxCoverBytes)) {
        m_prompter.error(tr("%1 is too large for a cover (more than %2 MB).")
                             .arg(displayPath(path))
                             .arg(MaxCoverBytes / (1024 * 1024)));
        return;
    }
    const QByteArray bytes = file.readAll();
    std::string data = bytes.toStdString();
    // JPEG and PNG go in as they are; another kind of picture is written as one of them.
    if (std::string mime = pictureMime(data); !mime.empty())
        return setCover(std::move(data), std::move(mime));
    const QImage image = QImage::fromData(bytes);
    if (image.isNull()) {
        m_prompter.error(tr("%1 is not a picture this program can read.").arg(displayPath(path)));
        return;
    }
    auto [encoded, mime] = encodePicture(image);
    setCover(std::move(encoded), std::move(mime));
}

void frmEditTags::pasteCover() {
    const QImage image = QGuiApplication::clipboard()->image();
    if (image.isNull()) {
        m_prompter.message(tr("The clipboard holds no picture."), Prompter::Icon::Exclamation,
                           Prompter::Buttons::Ok);
        return;
    }
    auto [data, mime] = encodePicture(image);
    setCover(std::move(data), std::move(mime));
}

void frmEditTags::removeCover() {
    // A picture added to files that have none is simply taken back.
    const bool noneBefore = !m_common.coversDiffer && !m_common.cover;
    m_coverChange = noneBefore ? TagFields::Cover::Keep : TagFields::Cover::Remove;
    m_coverData.clear();
    m_coverMime.clear();
    showCover();
}

void frmEditTags::saveCoverToFile() {
    const std::string& data = shownCoverData();
    if (data.empty()) return;
    const bool png = pictureMime(data) == "image/png";
    const QString proposed = joinPath(m_host.currentFolder(), png ? QStringLiteral("cover.png")
                                                                  : QStringLiteral("cover.jpg"));
    const QString filter = png ? tr("PNG Picture (*.png)") : tr("JPEG Picture (*.jpg *.jpeg)");
    const QString path = m_prompter.saveFile(tr("Save Cover Picture"), proposed, filter, nullptr);
    if (path.isEmpty()) return;
    QSaveFile file(path);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(data.data(), qint64(data.size())) == qint64(data.size()) &&
                       file.commit();
    if (!saved)
        m_prompter.error(
            tr("The picture was not saved.\n\n%1: %2").arg(displayPath(path), file.errorString()));
}

} // namespace tunewalk
