#include "app/listing/DetailsCache.h"

#include "common/NativePath.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <mutex>

namespace tunewalk {

namespace {

constexpr int SchemaVersion = 4;
// An entry that was used this recently is not touched again: a warm listing writes nothing.
constexpr qint64 TouchAfterMs = 24 * 3600 * 1000;
constexpr int KeptBrokenFiles = 2;

// A full check reads the whole file, so it runs once per database and process.
bool firstOpenInProcess(const QString& path) {
    static std::mutex mutex;
    static QSet<QString> checked;
    std::lock_guard lock(mutex);
    if (checked.contains(path)) return false;
    checked.insert(path);
    return true;
}

qint64 now() {
    return QDateTime::currentMSecsSinceEpoch();
}

// The small numbers of a row, packed into two columns.
quint64 packedNumbers(const AudioDetails& d) {
    return quint64(d.track) | quint64(d.trackTotal) << 16 | quint64(d.disc) << 32 |
           quint64(d.discTotal) << 48;
}
uint packedSound(const AudioDetails& d) {
    return uint(d.year) | uint(d.channels) << 16 | uint(d.bitDepth & 0x7F) << 24 |
           (d.hasCover ? 1u << 31 : 0u);
}
void unpackNumbers(quint64 numbers, uint sound, AudioDetails& d) {
    d.track = quint16(numbers);
    d.trackTotal = quint16(numbers >> 16);
    d.disc = quint16(numbers >> 32);
    d.discTotal = quint16(numbers >> 48);
    d.year = quint16(sound);
    d.channels = quint8(sound >> 16);
    d.bitDepth = quint8((sound >> 24) & 0x7F);
    d.hasCover = (sound >> 31) != 0;
}

} // namespace

bool DetailsCache::Entry::matches(const Entry& now) const {
    return size == now.size && modifiedNs == now.modifiedNs && kind == now.kind &&
           variant == now.variant && (inode == 0 || now.inode == 0 || inode == now.inode) &&
           (changedNs == 0 || now.changedNs == 0 || changedNs == now.changedNs);
}

DetailsCache::DetailsCache(const QString& path, int rowLimit)
    : m_file(path.isEmpty() ? defaultPath() : path, QStringLiteral("details")),
      m_rowLimit(rowLimit) {
    QDir().mkpath(QFileInfo(m_file.path()).path());
    if (open(firstOpenInProcess(m_file.path()))) return;
    setAside();
    m_recovered = true;
    open(false); // when even a fresh file fails, the cache stays closed
}

QString DetailsCache::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Tunewalk/details.sqlite");
}

QString DetailsCache::folderOf(const QString& path) {
    // With its separator, so that the root folder is no empty key.
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool DetailsCache::open(bool check) {
    // Only a cache: a commit lost in a power cut costs a file read again.
    return m_file.open(300,
                       {QStringLiteral("journal_mode=WAL"), QStringLiteral("synchronous=NORMAL")},
                       check, [this] { return setUp(); }) == SqliteFile::Opened::Yes;
}

bool DetailsCache::setUp() {
    QSqlQuery q(m_file.database());
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next()) return false;
    if (q.value(0).toInt() != SchemaVersion) {
        // Written by another version: its entries are only a cache, start over.
        if (!q.exec(QStringLiteral("DROP TABLE IF EXISTS details")) ||
            !q.exec(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion)))
            return false;
    }
    // Names and folders are the exact bytes of the path, so any name round-trips.
    if (!q.exec(QStringLiteral(
            "CREATE TABLE IF NOT EXISTS details (folder BLOB NOT NULL, name BLOB NOT "
            "NULL, size INTEGER, mtime INTEGER, inode INTEGER, kind INTEGER, title "
            "TEXT, length INTEGER, artist TEXT, bitrate INTEGER, hasTitle INTEGER, used "
            "INTEGER, ctime INTEGER, variant INTEGER, sampleRate INTEGER, format TEXT, "
            "numbers INTEGER, sound INTEGER, album TEXT, albumArtist TEXT, genre TEXT, "
            "comment TEXT, composer TEXT, PRIMARY KEY (folder, name))")) ||
        !q.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS details_used ON details (used)")))
        return false;
    prune();
    return true;
}

void DetailsCache::prune() {
    QSqlQuery q(m_file.database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM details")) || !q.next()) return;
    const qint64 excess = q.value(0).toLongLong() - m_rowLimit;
    if (excess <= 0) return;
    q.finish();
    q.exec(QStringLiteral("DELETE FROM details WHERE rowid IN (SELECT rowid FROM details "
                          "ORDER BY used LIMIT %1)")
               .arg(excess));
}

void DetailsCache::setAside() {
    // Only a cache: one that cannot be moved aside goes, with its journal.
    if (!m_file.setAside(KeptBrokenFiles).isEmpty()) return;
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(m_file.path() + QLatin1String(suffix));
}

void DetailsCache::failed(const QSqlError& error) {
    if (!SqliteFile::isDamage(error)) return; // a busy moment costs only this batch
    m_file.close();
    if (m_recovered) return;
    m_recovered = true;
    setAside();
    open(false);
}

QHash<QString, DetailsCache::Entry> DetailsCache::lookupFolder(const QString& folder) {
    QHash<QString, Entry> found;
    if (!isOpen()) return found;
    const QByteArray key =
        toNativePath(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
    QSqlError error;
    {
        QSqlQuery q(m_file.database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT name, size, mtime, inode, kind, title, length, artist, "
                                 "bitrate, ctime, variant, sampleRate, format, numbers, sound, "
                                 "album, albumArtist, genre, comment, composer FROM details "
                                 "WHERE folder = ?"));
        q.addBindValue(key);
        if (q.exec()) {
            while (q.next()) {
                Entry e;
                e.size = q.value(1).toLongLong();
                e.modifiedNs = q.value(2).toLongLong();
                e.inode = q.value(3).toULongLong();
                e.kind = static_cast<RowKind>(q.value(4).toInt());
                AudioDetails& d = e.details;
                d.title = q.value(5).toString();
                d.lengthMs = q.value(6).toLongLong();
                d.artist = q.value(7).toString();
                d.bitrate = q.value(8).toInt();
                e.changedNs = q.value(9).toLongLong();
                e.variant = q.value(10).toInt();
                d.sampleRate = q.value(11).toInt();
                d.format = sharedFormatName(q.value(12).toString().toStdString());
                unpackNumbers(static_cast<quint64>(q.value(13).toLongLong()), q.value(14).toUInt(),
                              d);
                if (!q.value(15).isNull() || !q.value(16).isNull() || !q.value(17).isNull() ||
                    !q.value(18).isNull() || !q.value(19).isNull())
                    d.setTagTexts({q.value(15).toString(), q.value(16).toString(),
                                   q.value(17).toString(), q.value(18).toString(),
                                   q.value(19).toString()});
                found.insert(fromNativePath(q.value(0).toByteArray()), e);
            }
        }
        error = q.lastError();
        if (!error.isValid()) {
            // Keeps the folder's entries from being pruned as unused.
            q.finish();
            q.prepare(QStringLiteral("UPDATE details SET used = ? WHERE folder = ? AND used < ?"));
            q.addBindValue(now());
            q.addBindValue(key);
            q.addBindValue(now() - TouchAfterMs);
            q.exec();
            error = q.lastError();
        }
    }
    if (error.isValid()) failed(error);
    return found;
}

void DetailsCache::store(const std::vector<Stored>& entries) {
    if (!isOpen() || entries.empty()) return;
    QSqlError error;
    m_file.transaction(
        [&](QSqlQuery& q) {
            q.prepare(QStringLiteral(
                "INSERT OR REPLACE INTO details (folder, name, size, mtime, inode, kind, title, "
                "length, artist, bitrate, hasTitle, used, ctime, variant, sampleRate, format, "
                "numbers, sound, album, albumArtist, genre, comment, composer) VALUES (?, ?, ?, "
                "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            const qint64 used = now();
            for (const Stored& s : entries) {
                const QString folder = folderOf(s.path);
                const Entry& e = s.entry;
                const AudioDetails& d = e.details;
                // No texts at all are kept as nulls, so a row read back has none either.
                const auto text = [&d](const QString TagTexts::*field) {
                    return d.texts ? QVariant((*d.texts).*field) : QVariant();
                };
                for (const QVariant& value : {QVariant(toNativePath(folder)),
                                              QVariant(toNativePath(s.path.mid(folder.size()))),
                                              QVariant(e.size),
                                              QVariant(e.modifiedNs),
                                              QVariant(qint64(e.inode)),
                                              QVariant(static_cast<int>(e.kind)),
                                              QVariant(d.title),
                                              QVariant(d.lengthMs),
                                              QVariant(d.artist),
                                              QVariant(d.bitrate),
                                              QVariant(d.hasTitle()),
                                              QVariant(used),
                                              QVariant(e.changedNs),
                                              QVariant(e.variant),
                                              QVariant(d.sampleRate),
                                              QVariant(d.format),
                                              QVariant(static_cast<qint64>(packedNumbers(d))),
                                              QVariant(packedSound(d)),
                                              text(&TagTexts::album),
                                              text(&TagTexts::albumArtist),
                                              text(&TagTexts::genre),
                                              text(&TagTexts::comment),
                                              text(&TagTexts::composer)})
                    q.addBindValue(value);
                if (!q.exec()) return false;
            }
            return true;
        },
        error);
    if (error.isValid()) failed(error);
}

} // namespace tunewalk
