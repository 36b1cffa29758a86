#pragma once

#include "app/listing/AudioDetails.h"

#include "app/listing/FolderScan.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <vector>

namespace tunewalk {

class DetailReader;
class FolderModel;
class FolderSortModel;
class FolderWatcher;
class MP3TagEditor;
class PlayOrder;
class WAVInfo;
struct ListEntry;

// Fills the main list's rows for one folder without ever holding up the window: the names
// first (rows at once), then each row's size and time, then its audio details, the rows on
// screen first at each stage, each turn of the event loop within a time budget. Values arriving
// never move a row: the list sorts once when a stage that filled its column is complete. Then
// the listed folder is watched, and what other programs add, remove or rewrite is followed row
// by row, keeping the selection and a play order.
//
// While a value is pending its cell is blank and it sorts as an empty one.
class FolderListing : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool useCache = true;     // take details from the cache where they still hold
        bool reread = false;      // read every file again (Refresh)
        bool folderSizes = false; // count each folder's size with the details
        DetailOptions details;    // how the files are read
    };

    FolderListing(FolderModel& rows, FolderSortModel& order, PlayOrder& playOrder,
                  QObject* parent = nullptr);
    ~FolderListing() override;

    // The names of the rows on screen, which each stage takes first.
    void setVisibleNames(std::function<QStringList()> names) { m_visibleNames = std::move(names); }

    // Lists `folder` after the rows in `first` (the desktop's special rows). `previous` is the
    // folder listed before, which the listing goes back to when there is nothing to list.
    void list(const QString& folder, const QString& previous, std::vector<ListEntry> first,
              Options options);
    // The mounted volumes; their readiness is asked of each mount afterwards.
    void listDrives();
    // Drops the listed folder's work where it stands; nothing of it arrives later.
    void abandon();
    // The listed folder was renamed: the rows follow, and work still under way starts again.
    // False when the folder must be listed afresh (names or stats were still coming).
    bool followRename(const QString& newFolder);

    const QString& folder() const { return m_folder; }
    // Whether any stage, or an update the watcher asked for, is still under way.
    bool isBusy() const;
    bool detailsPending() const { return !m_fillingFolder.isEmpty(); }
    // Whether the volume the last gathering found at `root` answers (true when unknown).
    bool volumeReady(const QString& root) const { return m_volumeReady.value(root, true); }

    // A file the program has just written: its stat and details, read now with these readers.
    void refreshFile(const QString& key, MP3TagEditor& mp3, WAVInfo& wav);
    // Reads the file's details again in the background, so the cache learns of a change that
    // its size and time do not show.
    void rereadDetails(const QString& key);
    // Adds a row for a file or folder the program put into the listed folder.
    bool addPath(const QString& path);
    // A stat of the folder or file now, made into the row it would get; false for what the
    // list does not show.
    static bool entryFor(const QString& path, ListEntry* entry);

    // Test seams: the watcher, and the time details wait after the stats.
    FolderWatcher& watcher() { return *m_watcher; }

signals:
    // The folder could be read: its rows go in now.
    void namesRead();
    // A listing has a row for every name (sizes, times and details follow).
    void listed();
    // Every row of the listing has its size and modification time.
    void statsFilled();
    // Every row of the listing has its details.
    void detailsFilled();
    // A volume whose medium is missing or whose mount does not answer.
    void notReady(const QString& root);
    // The folder is not there (`error` is the system's errno); the listing went back to
    // `previous`.
    void failed(const QString& folder, const QString& previous, int error);
    // The details of the file the player has arrived (its title may now show).
    void playingDetails();
    // Rows went in or out, or a file became one or stopped being one.
    void rowsChanged();

private:
    static constexpr int ApplyBudgetMs = 15; // of one turn on the window thread
    static constexpr int BatchMs = 20;       // results gathered before they are shown

    void addNamedRows();
    void finishNames();
    void queueApplyStats();
    void applyStats();
    void finishStats();
    void fillAllDetails();
    void startDetails(const std::vector<int>& rows, bool reread);
    void drainDetails();
    void finishDetails();
    void readChangedDetails();
    void applyDetails(ListEntry& entry, const AudioDetails& details);
    void forgetChanges();
    void applyChanges();
    void updateFromStat(const QString& name, const struct NativeFileInfo& info,
                        std::vector<ListEntry>* added, QStringList* gone,
                        std::vector<int>* changed);
    void removeGone(const QStringList& keys);
    // Takes the rows on screen (source rows), then the rest in display order.
    std::vector<int> rowsScreenFirst() const;

    FolderModel& m_rows;
    FolderSortModel& m_order;
    PlayOrder& m_playOrder;
    std::function<QStringList()> m_visibleNames;
    FolderScan* m_scan;
    FolderScan* m_update; // stats of entries the watcher reported
    FolderWatcher* m_watcher;
    DetailReader* m_detailReader;
    QTimer m_detailsDelay;

    QString m_folder;
    Options m_options;
    std::vector<FolderScan::Entry> m_entries; // names that have no row yet
    std::size_t m_entriesShown = 0;
    bool m_firstRowsShown = false;
    std::vector<FolderScan::Stat> m_stats; // arrived, not yet shown
    std::size_t m_statsShown = 0;
    bool m_statsStage = false;   // the listing waits for sizes and times
    bool m_statsArrived = false; // every stat has arrived
    bool m_applyQueued = false;
    bool m_drainQueued = false;
    QString m_fillingFolder;            // details are being read for it
    QSet<QString> m_changedNames;       // reported, not looked at yet
    bool m_rescanPending = false;       // something changed, names unknown
    QSet<QString> m_changedDetails;     // rows whose files changed: their details are read again
    QHash<QString, bool> m_volumeReady; // by root, as the last gathering of volumes found
};

} // namespace tunewalk
