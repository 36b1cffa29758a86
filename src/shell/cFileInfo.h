#pragma once

#include <QCoreApplication>
#include <QDateTime>
#include <QString>

namespace tunewalk {

// One file's name with the size, modification time and extension taken when the name is set.
//
//     cFileInfo info;
//     if (!info.setName(path)) prompter.error(info.errorString());
class cFileInfo {
    Q_DECLARE_TR_FUNCTIONS(cFileInfo)

public:
    // The full path, exactly as set.
    QString Name() const { return m_name; }
    // Reads the file's size and modification time, then derives the extension. False when the
    // file cannot be read; what was taken before the failure stays (a missing file changes
    // nothing).
    bool setName(const QString& path);

    qint64 Size() const { return m_size; }
    QDateTime Modified() const { return m_modified; }
    // Everything after the last "." of the whole path; kept as it was when there is no ".".
    QString Extension() const { return m_extension; }

    // Why the last setName failed; empty after a success.
    QString errorString() const { return m_error; }

private:
    QString m_name;
    qint64 m_size = 0;
    QDateTime m_modified;
    QString m_extension;
    QString m_error;
};

} // namespace tunewalk
