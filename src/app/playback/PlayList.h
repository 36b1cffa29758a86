#pragma once

#include <QHash>
#include <QString>
#include <vector>

namespace tunewalk {

// Rows in play order, as the rule for what plays next sees them.
class PlayList {
public:
    virtual ~PlayList() = default;
    virtual bool holds(const QString& key) const = 0;
    // The row after (step 1) or before (step -1) the one with `key`; empty at either end.
    virtual QString neighbour(const QString& key, int step) const = 0;
    // Whether the row is a folder (or another row that opens rather than plays).
    virtual bool opensAsFolder(const QString& key) const = 0;
    // The first row that is a file; empty when there is none.
    virtual QString firstFile() const = 0;
};

// The playing folder's rows as they were when the user listed another folder: Play All goes on
// through them.
class KeptPlayList : public PlayList {
public:
    struct Row {
        QString key;
        bool file = false;
        QString title; // empty when the file has none, or it was not read yet
    };
    KeptPlayList(QString folder, std::vector<Row> rows);

    const QString& folder() const { return m_folder; }
    bool holds(const QString& key) const override { return m_places.contains(key); }
    QString neighbour(const QString& key, int step) const override;
    bool opensAsFolder(const QString& key) const override;
    QString firstFile() const override;
    QString titleOf(const QString& key) const;

private:
    QString m_folder;
    std::vector<Row> m_rows;
    QHash<QString, int> m_places;
};

// What happens when the current file plays to its end.
struct AfterEnd {
    enum What {
        Stop,       // playback ends
        Play,       // `key` plays: the next row, the first file again, or the same file
        StopAtLast, // Play All passed the last row without Repeat: it ends, the first is chosen
        NotListed,  // the current file has no row: it ends
    };
    What what = Stop;
    QString key;
};

// The end-of-file rule: with Play All the next row plays (after the last one, Repeat starts the
// list again from its first file); without it, Repeat plays the same file again. `list` may be
// null: the current file is in no list.
AfterEnd afterEnd(const PlayList* list, const QString& current, bool playAll, bool repeat);

} // namespace tunewalk
