#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

namespace tunewalk {

// Watches the listed folder for changes made by other programs, so the list can follow them
// without listing again. Everything that may touch storage runs on abandoned workers: watch()
// returns at once, and results for a folder no longer watched are dropped.
class FolderWatcher : public QObject {
    Q_OBJECT
public:
    explicit FolderWatcher(QObject* parent = nullptr);
    ~FolderWatcher() override; // never waits on storage

    // Replaces any earlier folder; an empty path stops watching.
    void watch(const QString& folder);
    QString folder() const { return m_folder; }

    // For tests on a local folder: give folders watched from now on the periodic check of the
    // folder's time that network file systems get, every `intervalMs` (0: only where needed).
    void checkPeriodically(int intervalMs) { m_forcedCheckMs = intervalMs; }

signals:
    // Entries created, deleted, renamed (both names) or written, by raw name, gathered over a
    // short window and without duplicates.
    void entriesChanged(const QStringList& names);
    // The folder changed in a way whose names are unknown: compare it in full.
    void folderChanged();
    // The folder itself was deleted or moved away; nothing more is reported for it.
    void folderGone();

private:
    struct Private; // one per platform
    std::unique_ptr<Private> d;
    QString m_folder;
    int m_forcedCheckMs = 0;
};

} // namespace tunewalk
