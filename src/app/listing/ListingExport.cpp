#include "app/listing/ListingExport.h"

#include "app/listing/ListEntry.h"
#include "app/listing/ListText.h"
#include "common/NativePath.h"
#include "common/ResultText.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tunewalk {

namespace {
const QString Crlf = QStringLiteral("\r\n");

// Spreadsheets read a quotation mark inside a field only when it is doubled (RFC 4180).
QString csvField(const QString& value) {
    QString doubled = value;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

bool syncToDisk(int handle) {
#ifdef Q_OS_WIN
    return _commit(handle) == 0;
#else
    return ::fsync(handle) == 0;
#endif
}

// A row whose path is not valid text stays out; the caller hears of it.
bool leftOutAsNotText(const ListEntry* row, QStringList* notText) {
    if (!hasRawBytes(row->key)) return false;
    if (notText) notText->append(displayPath(row->key));
    return true;
}
} // namespace

namespace {
// The files a playlist can hold, each once in the given order.
template <class Write>
void eachPlaylistFile(const std::vector<const ListEntry*>& rows, QStringList* leftOut,
                      QStringList* notText, Write&& write) {
    for (const ListEntry* row : rows) {
        if (!row->isFile() || leftOutAsNotText(row, notText)) continue;
        if (row->key.contains(QLatin1Char('\r')) || row->key.contains(QLatin1Char('\n'))) {
            if (leftOut) leftOut->append(row->key);
            continue;
        }
        write(*row);
    }
}

// What a player shows for the file: "Artist - Title", or what of them the file has, else its
// name without the extension. On one line, whatever the tag holds.
QString extinfTitle(const ListEntry& row) {
    const QString title = row.details.title.simplified(), artist = row.details.artist.simplified();
    if (!title.isEmpty()) return artist.isEmpty() ? title : artist + QStringLiteral(" - ") + title;
    const QString name = displayPath(row.name);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? name.left(dot) : name;
}
} // namespace

QString m3uText(const std::vector<const ListEntry*>& rows, QStringList* leftOut,
                QStringList* notText) {
    QString text;
    eachPlaylistFile(rows, leftOut, notText, [&](const ListEntry& row) { text += row.key + Crlf; });
    return text;
}

QString m3u8Text(const std::vector<const ListEntry*>& rows, QStringList* leftOut,
                 QStringList* notText) {
    QString text = QStringLiteral("#EXTM3U") + Crlf;
    eachPlaylistFile(rows, leftOut, notText, [&](const ListEntry& row) {
        const qint64 seconds =
            row.detailsIn && row.details.lengthMs > 0 ? row.details.lengthMs / 1000 : -1;
        text += QStringLiteral("#EXTINF:%1,%2").arg(seconds).arg(extinfTitle(row)) + Crlf;
        text += row.key + Crlf;
    });
    return text;
}

QString csvText(const std::vector<const ListEntry*>& rows, QStringList* notText) {
    QString text = QStringLiteral(
        R"("Full Path","Filename","Track Name","Length","Artist","Bitrate","Size","Modified")");
    text += Crlf;
    for (const ListEntry* row : rows) {
        if (leftOutAsNotText(row, notText)) continue;
        QStringList fields{csvField(row->key)};
        for (int column = 0; column < Col::FirstChosen; ++column)
            fields << csvField(cellText(*row, column));
        text += fields.join(QLatin1Char(',')) + Crlf;
    }
    return text;
}

QString withExportExtension(const QString& chosen, ExportForm form) {
    if (form == ExportForm::M3u8)
        return chosen.endsWith(QLatin1String(".m3u8"), Qt::CaseSensitive)
                   ? chosen
                   : chosen + QStringLiteral(".m3u8");
    for (const char* known : {".m3u", ".csv", ".txt"})
        if (chosen.endsWith(QLatin1String(known), Qt::CaseSensitive)) return chosen;
    return chosen + (form == ExportForm::M3u ? QStringLiteral(".m3u") : QStringLiteral(".csv"));
}

Result writeTextFile(const QString& path, const QString& text) {
    // QSaveFile writes beside the target and renames at the end, so a failure midway leaves
    // the old file (or none) rather than half a listing.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return fileFailure(file);
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        const Result why = fileFailure(file);
        file.cancelWriting();
        return why;
    }
    // commit() can report success after its last flush failed (a full disk then leaves an
    // empty file in the old one's place), so the bytes must be out and on the disk first.
    if (!file.flush()) {
        const Result why = fileFailure(file);
        file.cancelWriting();
        return why;
    }
    if (!syncToDisk(file.handle())) {
        const Result why = Result::fromErrno(toNativePath(path).toStdString());
        file.cancelWriting();
        return why;
    }
    if (!file.commit()) return fileFailure(file);
    return Result::ok();
}

QString playlistFolder() {
#ifdef Q_OS_WIN
    // There the runtime location is the profile folder, and the temporary one is the user's own.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
#else
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
#endif
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/tunewalk-playlists");
}

QString writeTemporaryPlaylist(const QString& text, Result* error) {
    const QString folder = playlistFolder();
    if (folder.isEmpty()) {
        *error = Result::failure(
            {}, QCoreApplication::translate("ListingExport",
                                            "There is no private folder to write the playlist in.")
                    .toStdString());
        return {};
    }
    errno = 0;
    if (!QDir().mkpath(folder)) {
        const std::string native = toNativePath(folder).toStdString();
        *error = errno != 0 ? Result::fromErrno(native)
                            : Result::failure(native, "the folder cannot be created");
        return {};
    }
    // The temporary file only reserves a name no other start of the program can take.
    QTemporaryFile reserved(folder + QStringLiteral("/playlist-XXXXXX.m3u"));
    reserved.setAutoRemove(false);
    if (!reserved.open()) {
        *error = fileFailure(reserved);
        return {};
    }
    const QString path = reserved.fileName();
    reserved.close();
    if (const Result why = writeTextFile(path, text); !why) {
        QFile::remove(path);
        *error = why;
        return {};
    }
    return QDir::toNativeSeparators(path);
}

int removeOldPlaylists(const QDateTime& now) {
    // An external player may still be reading a playlist it was handed a little while ago, so
    // only those a day old go.
    const QString folder = playlistFolder();
    if (folder.isEmpty()) return 0; // an empty path would be the working folder
    const QDateTime limit = now.addDays(-1);
    int removed = 0;
    const QFileInfoList playlists = QDir(folder).entryInfoList(
        {QStringLiteral("*.m3u")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : playlists)
        if (info.lastModified() < limit && QFile::remove(info.absoluteFilePath())) ++removed;
    return removed;
}

} // namespace tunewalk
