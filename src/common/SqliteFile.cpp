#include "common/SqliteFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <atomic>

namespace tunewalk {

namespace {

using Opened = SqliteFile::Opened;

Opened runPragmas(const QSqlDatabase& db, const QStringList& pragmas, bool check) {
    QSqlQuery q(db);
    // A damaged or foreign file fails the first statement already.
    for (const QString& pragma :
         check ? pragmas + QStringList{QStringLiteral("quick_check")} : pragmas)
        if (!q.exec(QStringLiteral("PRAGMA ") + pragma))
            return SqliteFile::isDamage(q.lastError()) ? Opened::Damaged : Opened::Failed;
    // The check answers "ok" or lists the faults it found.
    const bool sound = !check || (q.next() && q.value(0).toString() == QLatin1String("ok"));
    return sound ? Opened::Yes : Opened::Damaged;
}

} // namespace

SqliteFile::SqliteFile(const QString& path, const QString& role) : m_path(path) {
    static std::atomic<int> connections{0};
    m_connection = QStringLiteral("tunewalk-%1-%2").arg(role).arg(++connections);
}

QSqlDatabase SqliteFile::database() const {
    return QSqlDatabase::database(m_connection, false);
}

Opened SqliteFile::open(int busyTimeoutMs, const QStringList& pragmas, bool check,
                        const std::function<bool()>& setUp) {
    Opened opened = Opened::Failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        db.setDatabaseName(m_path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
        if (db.open()) opened = runPragmas(db, pragmas, check);
    }
    if (opened == Opened::Yes && !setUp()) opened = Opened::Failed;
    m_open = opened == Opened::Yes;
    if (!m_open) close();
    return opened;
}

void SqliteFile::close() {
    m_open = false;
    if (!QSqlDatabase::contains(m_connection)) return;
    database().close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool SqliteFile::transaction(const std::function<bool(QSqlQuery&)>& work, QSqlError& error) {
    QSqlDatabase db = database();
    if (!db.transaction()) {
        error = db.lastError();
        return false;
    }
    bool done = false;
    {
        QSqlQuery q(db);
        done = work(q);
        error = q.lastError();
    }
    if (error.isValid() || !done)
        db.rollback();
    else if (!db.commit())
        error = db.lastError();
    return done && !error.isValid();
}

bool SqliteFile::isDamage(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xff; // the primary SQLite code
    return code == 11 /* SQLITE_CORRUPT */ || code == 26 /* SQLITE_NOTADB */;
}

QString SqliteFile::setAside(int kept) const {
    QString aside = m_path + QStringLiteral(".broken-") +
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
    if (!QFile::rename(m_path, aside)) return {};
    QFile::remove(m_path + QStringLiteral("-wal"));
    QFile::remove(m_path + QStringLiteral("-shm"));
    const QFileInfo file(m_path);
    QStringList broken = file.dir().entryList({file.fileName() + QStringLiteral(".broken-*")},
                                              QDir::Files, QDir::Name);
    while (broken.size() > kept)
        QFile::remove(file.dir().filePath(broken.takeFirst()));
    return aside;
}

} // namespace tunewalk
