#include "common/SetAside.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace tunewalk {

QString setAsideDamagedDatabase(const QString& path, int kept) {
    QString aside = path + QStringLiteral(".broken-") +
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmsszzz"));
    if (!QFile::rename(path, aside)) return {};
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    const QFileInfo file(path);
    QStringList broken = file.dir().entryList({file.fileName() + QStringLiteral(".broken-*")},
                                              QDir::Files, QDir::Name);
    while (broken.size() > kept)
        QFile::remove(file.dir().filePath(broken.takeFirst()));
    return aside;
}

} // namespace tunewalk
