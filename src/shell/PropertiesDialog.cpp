#include "shell/PropertiesDialog.h"

#include "common/Detached.h"
#include "common/NativePath.h"
#include "common/ReturnAddress.h"
#include "common/SizeText.h"
#include "common/TreeWalk.h"
#include "metadata/tags/TagReader.h"

#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QTime>
#include <QVBoxLayout>

namespace tunewalk {

struct PropertiesDialog::Tally {
    qint64 bytes = 0, files = 0, folders = 0;
};

namespace {

QString contentsText(qint64 files, qint64 folders) {
    const QLocale locale;
    return QStringLiteral("%1, %2").arg(
        files == 1 ? PropertiesDialog::tr("1 file")
                   : PropertiesDialog::tr("%1 files").arg(locale.toString(files)),
        folders == 1 ? PropertiesDialog::tr("1 folder")
                     : PropertiesDialog::tr("%1 folders").arg(locale.toString(folders)));
}

QString typeText(const QFileInfo& info) {
    if (info.isDir()) return PropertiesDialog::tr("Folder");
    // The program's own two kinds by the extension the list goes by.
    if (info.suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0)
        return PropertiesDialog::tr("MP3 audio");
    if (info.suffix().compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0)
        return PropertiesDialog::tr("WAV audio");
    const QString comment = QMimeDatabase().mimeTypeForFile(info).comment();
    return comment.isEmpty() ? PropertiesDialog::tr("File") : comment;
}

// "rwxr-xr-x": owner, group, others.
QString permissionsText(QFile::Permissions permissions) {
    const QFile::Permission bits[] = {QFile::ReadOwner, QFile::WriteOwner, QFile::ExeOwner,
                                      QFile::ReadGroup, QFile::WriteGroup, QFile::ExeGroup,
                                      QFile::ReadOther, QFile::WriteOther, QFile::ExeOther};
    const char letters[] = "rwxrwxrwx";
    QString text;
    for (int i = 0; i < 9; ++i)
        text += permissions.testFlag(bits[i]) ? QLatin1Char(letters[i]) : QLatin1Char('-');
    return text;
}

} // namespace

PropertiesDialog::PropertiesDialog(const QString& path, QWidget* owner)
    : QDialog(owner), m_path(path), m_form(new QFormLayout) {
    const QFileInfo info(path);
    const QString name = info.fileName().isEmpty() ? displayPath(path) : info.fileName();
    setWindowTitle(tr("%1 Properties").arg(name));

    addRow(QStringLiteral("Name"), tr("Name:"), name);
    addRow(QStringLiteral("Type"), tr("Type:"), typeText(info));
    addRow(QStringLiteral("Location"), tr("Location:"), displayPath(info.absolutePath()));
    if (info.isSymLink())
        addRow(QStringLiteral("Link to"), tr("Link to:"), displayPath(info.symLinkTarget()));
    if (info.isDir()) {
        m_size = addRow(QStringLiteral("Size"), tr("Size:"), tr("Counting..."));
        m_contents = addRow(QStringLiteral("Contents"), tr("Contents:"), tr("Counting..."));
    } else {
        addRow(QStringLiteral("Size"), tr("Size:"), formatSizeWithBytes(info.size()));
    }
    addRow(QStringLiteral("Modified"), tr("Modified:"),
           QLocale().toString(info.lastModified(), QLocale::LongFormat));
    addRow(QStringLiteral("Permissions"), tr("Permissions:"), permissionsText(info.permissions()));
    if (!info.owner().isEmpty()) addRow(QStringLiteral("Owner"), tr("Owner:"), info.owner());
    if (!info.group().isEmpty()) addRow(QStringLiteral("Group"), tr("Group:"), info.group());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_form);
    layout->addWidget(buttons);

    if (info.isDir())
        startCounting();
    else if (hasTagReaderExtension(toNativePath(m_path).toStdString()))
        startReadingAudio();
}

PropertiesDialog::~PropertiesDialog() {
    if (!m_back) return;
    // The count is abandoned, never waited for (a dead mount may hold it forever): it stops at
    // its next entry, and nothing it posts reaches this sheet any more.
    m_back->close();
}

QString PropertiesDialog::value(const QString& row) const {
    const auto* label = findChild<QLabel*>(row);
    return label ? label->text() : QString();
}

QLabel* PropertiesDialog::addRow(const QString& row, const QString& caption, const QString& text) {
    auto* label = new QLabel(caption);
    auto* shown = new QLabel(text);
    shown->setObjectName(row);
    // Selectable, so the location and the numbers can be copied and reached from the keyboard.
    shown->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setBuddy(shown);
    m_form->addRow(label, shown);
    return shown;
}

void PropertiesDialog::startCounting() {
    m_counting = true;
    m_back = ReturnAddress::to(this);
    runDetached([back = m_back, folder = toFsPath(m_path), this] {
        Tally tally;
        QElapsedTimer sincePosted;
        sincePosted.start();
        const auto post = [&](bool done) {
            return back->post([this, tally, done] { showTally(tally, done); });
        };
        bool open = true;
        walkTree(folder, [&](const TreeEntry& entry) {
            if (entry.kind == TreeEntry::Kind::Folder) {
                ++tally.folders;
            } else {
                ++tally.files; // a link too, as itself
                tally.bytes += qint64(entry.size);
            }
            // A large folder shows its running count now and then.
            if (sincePosted.elapsed() > 250) {
                open = post(false);
                sincePosted.restart();
            }
            return open && back->isOpen();
        });
        if (open) post(true);
    });
}

void PropertiesDialog::startReadingAudio() {
    m_counting = true;
    m_back = ReturnAddress::to(this);
    // Off the window thread: the file may lie on a share that does not answer.
    runDetached([back = m_back, file = toNativePath(m_path).toStdString(), this] {
        const std::optional<AudioTags> tags = readAudioTags(file);
        back->post([this, tags] { showAudio(tags); });
    });
}

void PropertiesDialog::showAudio(const std::optional<AudioTags>& tags) {
    m_counting = false;
    // The library takes some files of other bytes for its kind: without a sample rate nothing
    // of the sound was found.
    if (tags && tags->sampleRate > 0) {
        const QLocale locale;
        const auto text = [&](const char* row, const QString& caption, const std::string& value) {
            if (!value.empty()) addRow(QLatin1String(row), caption, QString::fromStdString(value));
        };
        const auto number = [&](const char* row, const QString& caption, int value, int of = 0) {
            if (value <= 0) return;
            addRow(QLatin1String(row), caption,
                   of > 0 ? tr("%1 of %2").arg(value).arg(of) : QString::number(value));
        };
        text("Format", tr("Format:"), tags->format);
        if (tags->lengthMs > 0)
            addRow(QStringLiteral("Length"), tr("Length:"),
                   QTime(0, 0).addMSecs(int(tags->lengthMs % 86400000)).toString("hh:mm:ss"));
        if (tags->bitrate > 0)
            addRow(QStringLiteral("Bitrate"), tr("Bitrate:"), tr("%1 kbit/s").arg(tags->bitrate));
        if (tags->sampleRate > 0)
            addRow(QStringLiteral("Sample rate"), tr("Sample rate:"),
                   tr("%1 Hz").arg(locale.toString(tags->sampleRate)));
        number("Channels", tr("Channels:"), tags->channels);
        number("Bit depth", tr("Bit depth:"), tags->bitDepth);
        text("Title", tr("Title:"), tags->title);
        text("Artist", tr("Artist:"), tags->artist);
        text("Album", tr("Album:"), tags->album);
        text("Album artist", tr("Album artist:"), tags->albumArtist);
        number("Track", tr("Track:"), tags->track, tags->trackTotal);
        number("Disc", tr("Disc:"), tags->disc, tags->discTotal);
        number("Year", tr("Year:"), tags->year);
        text("Genre", tr("Genre:"), tags->genre);
        text("Composer", tr("Composer:"), tags->composer);
        text("Comment", tr("Comment:"), tags->comment);
        if (tags->hasCover) addRow(QStringLiteral("Cover"), tr("Cover:"), tr("Embedded picture"));
        adjustSize();
    }
    emit completed();
}

void PropertiesDialog::showTally(const Tally& tally, bool done) {
    const QString more = done ? QString() : QStringLiteral("...");
    m_size->setText(formatSizeWithBytes(tally.bytes) + more);
    m_contents->setText(contentsText(tally.files, tally.folders) + more);
    if (!done) return;
    m_counting = false;
    emit completed();
}

} // namespace tunewalk
