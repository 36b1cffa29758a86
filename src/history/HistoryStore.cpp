#include "history/HistoryStore.h"

#include "history/KeptFiles.h"

#include "common/NativePath.h"

#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <functional>
#include <initializer_list>

namespace tunewalk {

namespace {

constexpr int SchemaVersion = 2;
constexpr int KeptBrokenFiles = 2;
constexpr qint64 DayMs = 24 * 3600 * 1000;
// The order in which entries last changed state, for Redo: the one undone last goes first.
const QString NextChange = QStringLiteral("(SELECT COALESCE(MAX(changed), 0) + 1 FROM entries)");

// The changes of an entry are one value: a batch of thousands of files costs one row, not
// thousands (row by row, 10,000 changes took over 100 ms to record; as one value, 20).
// Format 2 adds the stretches of a tag saved in place; format 1 is still read.
constexpr quint8 ChangesFormat = 2;

QByteArray encode(const std::vector<HistoryStore::Change>& changes) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << ChangesFormat << quint32(changes.size());
    for (const HistoryStore::Change& c : changes) {
        out << quint8(c.kind) << toNativePath(c.path) << toNativePath(c.target)
            << toNativePath(c.trashInfo) << c.offset << c.before << c.after << c.noTagBefore
            << c.size << c.modifiedNs << c.device << c.inode << c.modifiedNsBefore << c.replaced
            << c.applied << quint32(c.regions.size());
        for (const HistoryStore::Region& r : c.regions)
            out << r.offset << r.before << r.after;
    }
    return bytes;
}

bool knownKind(quint8 kind) {
    return kind >= quint8(HistoryStore::ChangeKind::TagWrite) &&
           kind <= quint8(HistoryStore::ChangeKind::FileReplace);
}

// Nothing where the value is not what encode() wrote for `count` changes.
std::optional<std::vector<HistoryStore::Change>> decode(const QByteArray& bytes, qint64 expected) {
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint8 format = 0;
    quint32 count = 0;
    in >> format >> count;
    if ((format != 1 && format != ChangesFormat) || count != expected) return std::nullopt;
    std::vector<HistoryStore::Change> changes;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        HistoryStore::Change c;
        quint8 kind = 0;
        QByteArray path, target, trashInfo;
        in >> kind >> path >> target >> trashInfo >> c.offset >> c.before >> c.after >>
            c.noTagBefore >> c.size >> c.modifiedNs >> c.device >> c.inode >> c.modifiedNsBefore >>
            c.replaced >> c.applied;
        if (format >= 2) {
            quint32 regions = 0;
            in >> regions;
            for (quint32 r = 0; r < regions && in.status() == QDataStream::Ok; ++r) {
                HistoryStore::Region region;
                in >> region.offset >> region.before >> region.after;
                c.regions.push_back(std::move(region));
            }
        }
        if (!knownKind(kind)) return std::nullopt;
        c.kind = HistoryStore::ChangeKind(kind);
        c.path = fromNativePath(path);
        c.target = fromNativePath(target);
        c.trashInfo = fromNativePath(trashInfo);
        changes.push_back(std::move(c));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd()) return std::nullopt;
    return changes;
}

void bind(QSqlQuery& q, std::initializer_list<QVariant> values) {
    for (const QVariant& value : values)
        q.addBindValue(value);
}

HistoryStore::Entry entryFrom(const QSqlQuery& q) {
    HistoryStore::Entry e;
    e.id = q.value(0).toLongLong();
    e.timeMs = q.value(1).toLongLong();
    e.kind = HistoryStore::EntryKind(q.value(2).toInt());
    e.description = q.value(3).toString();
    e.state = HistoryStore::State(q.value(4).toInt());
    e.undoable = q.value(5).toBool();
    e.changeCount = q.value(6).toInt();
    e.changed = q.value(7).toLongLong();
    return e;
}

// Commits without waiting for the disk while it lives.
class SyncLess {
public:
    explicit SyncLess(const QSqlDatabase& db) : m_db(db) { run("NORMAL"); }
    ~SyncLess() { run("FULL"); }

private:
    void run(const char* level) {
        if (m_db.isOpen())
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA synchronous=") + QLatin1String(level));
    }
    QSqlDatabase m_db;
};

} // namespace

HistoryStore::HistoryStore(const QString& path, int maxAgeDays, int maxEntries)
    : m_file(path.isEmpty() ? defaultPath() : path, QStringLiteral("history")) {
    QDir().mkpath(QFileInfo(m_file.path()).path());
    if (!open()) {
        // Only a damaged file is set aside; one that is busy or not a file at all is left as
        // it is, and the history stays closed.
        if (!m_damaged || !setAside()) return;
        if (!open()) return;
    }
    prune(maxAgeDays, maxEntries, QDateTime::currentMSecsSinceEpoch());
}

std::unique_ptr<HistoryStore> HistoryStore::another(const QString& path) {
    std::unique_ptr<HistoryStore> store(new HistoryStore(path, Unchecked{}));
    store->open();
    return store;
}

HistoryStore::HistoryStore(const QString& path, Unchecked)
    : m_file(path, QStringLiteral("history-another")), m_check(false) {}

QString HistoryStore::defaultPath() {
    // $XDG_DATA_HOME/Tunewalk: the history is the user's data, not a cache to lose.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tunewalk/history.sqlite");
}

bool HistoryStore::open() {
    // A commit is the write-ahead record of a change about to be made, so it must reach the
    // disk before the change does: FULL syncs the journal at every commit. The history is
    // small; a full check of it at every start is cheap.
    m_damaged = false; // or setUp() finds it so
    const SqliteFile::Opened opened =
        m_file.open(2000, {QStringLiteral("journal_mode=WAL"), QStringLiteral("synchronous=FULL")},
                    m_check, [this] { return setUp(); });
    m_damaged = m_damaged || opened == SqliteFile::Opened::Damaged;
    return opened == SqliteFile::Opened::Yes;
}

bool HistoryStore::setUp() {
    QSqlQuery q(m_file.database());
    const auto run = [&](const QString& statement) {
        if (q.exec(statement)) return true;
        m_damaged = SqliteFile::isDamage(q.lastError());
        return false;
    };
    if (!run(QStringLiteral("PRAGMA user_version")) || !q.next()) return false;
    const int version = q.value(0).toInt();
    q.finish();
    // Notes that a damaged history was set aside, kept in the fresh one until the window has
    // told the user: tunewalk-tag may be the one that found the damage.
    const auto notices = [&] {
        return run(QStringLiteral("CREATE TABLE IF NOT EXISTS set_aside (at_ms INTEGER NOT "
                                  "NULL, aside BLOB NOT NULL, told INTEGER NOT NULL)")) &&
               (!m_reset || run(QStringLiteral("INSERT INTO set_aside VALUES (%1, X'%2', 0)")
                                    .arg(QDateTime::currentMSecsSinceEpoch())
                                    .arg(QString::fromLatin1(toNativePath(m_setAsideAs).toHex()))));
    };
    if (version == SchemaVersion) return notices();
    if (version != 0) {
        // Not a history this program can read: kept aside, not overwritten.
        m_damaged = true;
        return false;
    }
    // Paths in the changes are the exact bytes of the name, so any name round-trips.
    // The changes have a table of their own: marking an entry done rewrites only its row.
    return run(QStringLiteral(
               "CREATE TABLE IF NOT EXISTS entries (id INTEGER PRIMARY KEY AUTOINCREMENT, "
               "at_ms INTEGER NOT NULL, kind INTEGER NOT NULL, description TEXT, state INTEGER "
               "NOT NULL, undoable INTEGER NOT NULL, change_count INTEGER NOT NULL, "
               "changed INTEGER NOT NULL DEFAULT 0)")) &&
           run(QStringLiteral("CREATE TABLE IF NOT EXISTS changes (entry INTEGER PRIMARY KEY, "
                              "data BLOB NOT NULL)")) &&
           run(QStringLiteral("CREATE INDEX IF NOT EXISTS entries_state ON entries (state)")) &&
           run(QStringLiteral("PRAGMA user_version=%1").arg(SchemaVersion)) && notices();
}

bool HistoryStore::setAside() {
    // The user's record of changes: one that cannot be moved aside is kept where it is, and
    // the history stays closed (nothing is recorded, and the status bar says so).
    m_setAsideAs = m_file.setAside(KeptBrokenFiles);
    if (m_setAsideAs.isEmpty()) return false;
    m_reset = true;
    return true;
}

std::optional<QString> HistoryStore::takeSetAsideNotice() {
    std::optional<QString> aside;
    transaction(
        [&](QSqlQuery& q) {
            if (!q.exec(QStringLiteral(
                    "SELECT aside FROM set_aside WHERE told = 0 ORDER BY at_ms DESC LIMIT 1")))
                return false;
            if (q.next()) aside = fromNativePath(q.value(0).toByteArray());
            q.finish();
            return !aside || q.exec(QStringLiteral("UPDATE set_aside SET told = 1"));
        },
        false);
    return aside;
}

bool HistoryStore::failed(const QSqlError& error) {
    if (!SqliteFile::isDamage(error)) return false;
    m_file.close();
    if (m_reset) return false; // a fresh file that fails again is not worth another
    return setAside() && open();
}

bool HistoryStore::transaction(const std::function<bool(QSqlQuery&)>& work, bool retry) {
    // A history set aside midway is fresh and empty: a new record goes into it.
    for (int attempt = 0; attempt < 2 && isOpen(); ++attempt) {
        QSqlError error;
        const bool done = m_file.transaction(work, error);
        if (!error.isValid()) return done;
        if (!failed(error) || !retry) return false;
    }
    return false;
}

qint64 HistoryStore::begin(const Entry& entry, const std::vector<Change>& changes,
                           std::unique_ptr<QLockFile>* lock) {
    const QByteArray encoded = encode(changes);
    qint64 id = 0;
    const bool recorded = transaction(
        [&](QSqlQuery& q) {
            q.prepare(
                QStringLiteral("INSERT INTO entries (at_ms, kind, description, state, "
                               "undoable, change_count, changed) VALUES (?, ?, ?, ?, ?, ?, ") +
                NextChange + QStringLiteral(")"));
            bind(q, {entry.timeMs ? entry.timeMs : QDateTime::currentMSecsSinceEpoch(),
                     int(entry.kind), entry.description, int(State::Open), entry.undoable,
                     qint64(changes.size())});
            if (!q.exec()) return false;
            id = q.lastInsertId().toLongLong();
            if (lock) {
                // Held before anyone can see the entry open.
                *lock = std::make_unique<QLockFile>(lockPath(id));
                (*lock)->setStaleLockTime(0); // stale only when its program is gone
                (*lock)->tryLock(0);
            }
            q.prepare(QStringLiteral("INSERT INTO changes (entry, data) VALUES (?, ?)"));
            bind(q, {id, encoded});
            return q.exec();
        },
        true);
    if (!recorded && lock) lock->reset();
    return recorded ? id : 0;
}

bool HistoryStore::update(qint64 id, State state, const std::vector<Change>& changes) {
    const QByteArray encoded = encode(changes);
    // Only what was written ahead must reach the disk before the files change. This record of
    // how things ended need not wait for the disk: lost in a power cut, the entry is left open
    // and the next start tells what happened by looking at the files.
    SyncLess relaxed(m_file.database());
    // Not retried in a fresh history: the entry is not there.
    return transaction(
        [&](QSqlQuery& q) {
            q.prepare(QStringLiteral("UPDATE entries SET state = ?, change_count = ?, changed = ") +
                      NextChange + QStringLiteral(" WHERE id = ?"));
            bind(q, {int(state), qint64(changes.size()), id});
            if (!q.exec() || q.numRowsAffected() != 1) return false;
            q.prepare(QStringLiteral("UPDATE changes SET data = ? WHERE entry = ?"));
            bind(q, {encoded, id});
            return q.exec();
        },
        false);
}

bool HistoryStore::discard(qint64 id) {
    return transaction(
        [&](QSqlQuery& q) {
            q.prepare(QStringLiteral("DELETE FROM changes WHERE entry = ?"));
            q.addBindValue(id);
            if (!q.exec()) return false;
            q.prepare(QStringLiteral("DELETE FROM entries WHERE id = ?"));
            q.addBindValue(id);
            return q.exec() && q.numRowsAffected() == 1;
        },
        false);
}

bool HistoryStore::setState(qint64 id, State state) {
    if (!isOpen()) return false;
    QSqlError error;
    bool found = false;
    {
        QSqlQuery q(m_file.database());
        q.prepare(QStringLiteral("UPDATE entries SET state = ?, changed = ") + NextChange +
                  QStringLiteral(" WHERE id = ?"));
        bind(q, {int(state), id});
        found = q.exec() && q.numRowsAffected() == 1;
        error = q.lastError();
    }
    if (error.isValid()) failed(error);
    return found;
}

std::vector<HistoryStore::Entry> HistoryStore::readEntries(const QString& where, int limit) {
    std::vector<Entry> out;
    if (!isOpen()) return out;
    QSqlError error;
    {
        QSqlQuery q(m_file.database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT e.id, e.at_ms, e.kind, e.description, e.state, "
                                 "e.undoable, e.change_count, e.changed FROM entries e ") +
                  where + QStringLiteral(" LIMIT ?"));
        q.addBindValue(limit);
        if (q.exec())
            while (q.next())
                out.push_back(entryFrom(q));
        error = q.lastError();
    }
    if (error.isValid()) {
        out.clear();
        failed(error);
    }
    return out;
}

std::vector<HistoryStore::Entry> HistoryStore::entries(int limit) {
    return readEntries(QStringLiteral("ORDER BY e.id DESC"), limit);
}

std::optional<HistoryStore::Entry> HistoryStore::entry(qint64 id) {
    auto found = readEntries(QStringLiteral("WHERE e.id = %1").arg(id), 1);
    if (found.empty()) return std::nullopt;
    return found.front();
}

std::vector<HistoryStore::Change> HistoryStore::changes(qint64 id) {
    return readChanges(id).value_or(std::vector<Change>{});
}

std::optional<std::vector<HistoryStore::Change>> HistoryStore::readChanges(qint64 id) {
    std::optional<std::vector<Change>> out;
    if (!isOpen()) return out;
    QSqlError error;
    {
        QSqlQuery q(m_file.database());
        q.setForwardOnly(true);
        q.prepare(QStringLiteral("SELECT c.data, e.change_count FROM changes c JOIN entries e ON "
                                 "e.id = c.entry WHERE c.entry = ?"));
        q.addBindValue(id);
        if (q.exec() && q.next()) out = decode(q.value(0).toByteArray(), q.value(1).toLongLong());
        error = q.lastError();
    }
    if (error.isValid()) {
        out.reset();
        failed(error);
    }
    return out;
}

std::vector<HistoryStore::Record> HistoryStore::incomplete() {
    std::vector<Record> out;
    for (Entry& e : readEntries(
             QStringLiteral("WHERE e.state = %1 ORDER BY e.id").arg(int(State::Open)), -1)) {
        std::vector<Change> changed = changes(e.id);
        out.push_back({std::move(e), std::move(changed)});
    }
    return out;
}

void HistoryStore::prune(int maxAgeDays, int maxEntries, qint64 nowMs) {
    if (!isOpen()) return;
    QSqlError error;
    {
        QSqlQuery q(m_file.database());
        q.prepare(QStringLiteral("DELETE FROM entries WHERE state != ? AND (at_ms < ? OR id NOT "
                                 "IN (SELECT id FROM entries WHERE state != ? ORDER BY id DESC "
                                 "LIMIT ?))"));
        bind(q, {int(State::Open), nowMs - maxAgeDays * DayMs, int(State::Open), maxEntries});
        if (q.exec() && q.numRowsAffected() > 0)
            q.exec(QStringLiteral("DELETE FROM changes WHERE entry NOT IN (SELECT id FROM "
                                  "entries)"));
        error = q.lastError();
    }
    if (error.isValid()) failed(error);
    history::pruneKept(history::keptFolderFor(path()), history::DefaultMaxKeptBytes, maxAgeDays,
                       nowMs);
}

} // namespace tunewalk
