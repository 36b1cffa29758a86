#pragma once

#include "history/HistoryStore.h"
#include <vector>

#include "metadata/codec/BatchTagging.h"
#include "metadata/codec/MP3TagEditor.h"

#include <QDialog>
#include <QStringList>
#include <QTimer>

class QLabel;
class QPushButton;
class QTableWidget;

namespace tunewalk {

// "Batch Preview": what a batch would make of the tag of each chosen file of `folder`, before
// anything is written. One row per file with its new values; a value that changes is marked,
// with the old one in its tool tip, and a file that would not change at all is greyed. The
// files are only read, a few per turn of the event loop, so a long list fills in while the
// window keeps painting; Apply is offered once every file is read.
class frmBatchPreview : public QDialog {
    Q_OBJECT
public:
    // The table's columns.
    enum Column { File, Title, Artist, Album, Year, Comment, Genre, Track, ColumnCount };
    // Reading done in one turn before the event loop gets its go.
    static constexpr int kTurnMs = 8;

    frmBatchPreview(QString folder, QStringList names, BatchTagOptions options,
                    QWidget* parent = nullptr);

    bool isReady() const { return m_next >= m_names.size(); }
    // With `on`, each file's tag as the run will replace it is kept while the files are read,
    // for the run's record (see BatchTagRun::takePlans). Before the reading starts.
    void keepPlans(bool on) { m_keepPlans = on; }
    std::vector<HistoryStore::Change> takePlans() { return std::move(m_plans); }
    // Files whose shown values change, once ready.
    int changingCount() const { return m_changing; }

    QLabel* lblSummary;
    QTableWidget* tblFiles;
    QPushButton* btnApply;
    QPushButton* btnCancel;

private:
    void turn();
    void addRow(const QString& name);

    const QString m_folder;
    const QStringList m_names;
    const BatchTagOptions m_options;
    MP3TagEditor m_editor; // one for all the files
    bool m_keepPlans = false;
    std::vector<HistoryStore::Change> m_plans;
    QTimer m_turns;
    qsizetype m_next = 0;
    int m_changing = 0;
};

} // namespace tunewalk
