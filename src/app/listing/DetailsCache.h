#pragma once

#include "app/listing/AudioDetails.h"
#include "common/RowKind.h"
#include "common/SqliteFile.h"

#include <QHash>
#include <QString>
#include <vector>

class QSqlError;

namespace tunewalk {

// The audio details of files read before, kept in a SQLite file so that listing a folder again
// needs no audio file opened. An entry counts only while the file's size, modification time,
// inode and change time are what they were (a tag editor may put the modification time back,
// but the change time moves with every write). The cache never fails its user: a database that
// cannot be opened, is damaged or stays locked is set aside and rebuilt, and failing that the cache
// is simply empty. One object is one connection, used on the thread that made it.
class DetailsCache {
public:
    static constexpr int DefaultRowLimit = 200000;

    struct Entry {
        qint64 size = 0;
        qint64 modifiedNs = 0;
        quint64 inode = 0; // 0 where the file system has no stable ones
        RowKind kind = RowKind::MP3;
        AudioDetails details;
        qint64 changedNs = 0; // 0 where the file system has none
        int variant = 0;      // how the details were read (DetailOptions::variant)
        // Whether this cached entry still describes the file that `now` describes.
        bool matches(const Entry& now) const;
    };
    struct Stored {
        QString path;
        Entry entry;
    };

    // `path` empty: the user's cache folder. Beyond `rowLimit` rows the least recently used
    // entries go when the cache is opened.
    explicit DetailsCache(const QString& path = {}, int rowLimit = DefaultRowLimit);
    DetailsCache(const DetailsCache&) = delete;
    DetailsCache& operator=(const DetailsCache&) = delete;

    static QString defaultPath();
    // The folder part of a path, as lookupFolder takes it.
    static QString folderOf(const QString& path);

    bool isOpen() const { return m_file.isOpen(); }
    // The entries of the files directly in `folder`, by file name.
    QHash<QString, Entry> lookupFolder(const QString& folder);
    // Adds or replaces the entries, in one transaction.
    void store(const std::vector<Stored>& entries);

private:
    bool open(bool check);
    bool setUp();
    // A failed statement: a damaged database is set aside and a fresh one started.
    void failed(const QSqlError& error);
    void setAside();
    void prune();

    SqliteFile m_file;
    int m_rowLimit;
    bool m_recovered = false;
};

} // namespace tunewalk
