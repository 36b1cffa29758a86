#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace tunewalk {

// One connection to a SQLite file, used on the thread that opened it: how the program's databases
// open, run a transaction, tell damage and move a damaged file away. What to do about damage is
// each one's own affair.
class SqliteFile {
public:
    enum class Opened { Yes, Failed, Damaged };

    // `role` names the connection ("details"); a number makes it unique in the process.
    SqliteFile(const QString& path, const QString& role);
    ~SqliteFile() { close(); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    const QString& path() const { return m_path; }
    bool isOpen() const { return m_open; }
    QSqlDatabase database() const;
    // Opens the file, waiting up to `busyTimeoutMs` for another connection's lock, runs the
    // `pragmas` ("journal_mode=WAL"), with `check` a quick check of the whole file, and `setUp`.
    // Damaged: a pragma said the file is damaged or no database, or the check found a fault.
    // Anything but Yes leaves it closed.
    Opened open(int busyTimeoutMs, const QStringList& pragmas, bool check,
                const std::function<bool()>& setUp);
    void close();
    // Runs `work` in one transaction, committed when it returns true and no statement failed.
    // Whether it was; `error` tells of a failed statement, begin or commit.
    bool transaction(const std::function<bool(QSqlQuery&)>& work, QSqlError& error);

    static bool isDamage(const QSqlError& error);
    // Moves the damaged file (closed) out of the way so a fresh one can start at path(): it
    // becomes `path.broken-<time>` (kept for a look, only the latest `kept` of them), and its
    // journal goes, since a journal left beside a fresh file would be replayed into it.
    // Returns where it went; empty when it could not be moved, and then nothing was touched.
    QString setAside(int kept) const;

private:
    QString m_path;
    QString m_connection;
    bool m_open = false;
};

} // namespace tunewalk
