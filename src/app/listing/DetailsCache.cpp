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

constexpr int SchemaVersion = 3;
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

} // namespace

bool DetailsCache::Entry::matches(const Entry& now) const {
    return size == now.size && modifiedNs == now.modifiedNs && isWav == now.isWav &&
           (inode == 0 || now.inode == 0 || inode == now.inode) &&
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
            "NULL, size INTEGER, mtime INTEGER, inode INTEGER, wav INTEGER, title "
            "TEXT, length INTEGER, artist TEXT, bitrate INTEGER, hasTitle INTEGER, used "
            "INTEGER, ctime INTEGER, PRIMARY KEY (folder, name))")) ||
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
        q.prepare(QStringLiteral("SELECT name, size, mtime, inode, wav, title, length, artist, "
                                 "bitrate, hasTitle, ctime FROM details WHERE folder = ?"));
        q.addBindValue(key);
        if (q.exec()) {
            while (q.next()) {
                Entry e{q.value(1).toLongLong(),
                        q.value(2).toLongLong(),
                        q.value(3).toULongLong(),
                        q.value(4).toBool(),
                        {q.value(5).toString(), q.value(7).toString(), q.value(6).toLongLong(),
                         q.value(8).toInt()},
                        q.value(10).toLongLong()};
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
            q.prepare(QStringLiteral("INSERT OR REPLACE INTO details (folder, name, size, mtime, "
                                     "inode, wav, title, length, artist, bitrate, hasTitle, used, "
                                     "ctime) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            const qint64 used = now();
            for (const Stored& s : entries) {
                const QString folder = folderOf(s.path);
                const Entry& e = s.entry;
                for (const QVariant& value :
                     {QVariant(toNativePath(folder)),
                      QVariant(toNativePath(s.path.mid(folder.size()))), QVariant(e.size),
                      QVariant(e.modifiedNs), QVariant(qint64(e.inode)), QVariant(e.isWav),
                      QVariant(e.details.title), QVariant(e.details.lengthMs),
                      QVariant(e.details.artist), QVariant(e.details.bitrate),
                      QVariant(e.details.hasTitle()), QVariant(used), QVariant(e.changedNs)})
                    q.addBindValue(value);
                if (!q.exec()) return false;
            }
            return true;
        },
        error);
    if (error.isValid()) failed(error);
}

} // namespace tunewalk
