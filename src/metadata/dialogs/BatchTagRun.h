#pragma once

#include "metadata/tags/TagWriter.h"

#include "history/Recording.h"
#include "metadata/codec/BatchTagging.h"
#include "metadata/codec/MP3TagEditor.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <optional>
#include <string>

namespace tunewalk {

class Prompter;
class TagHost;

// The part of a listed MP3 file's name a batch takes its title and track from (the name
// without ".mp3"), as tag bytes: a character the tag cannot hold becomes '?'.
std::string batchBaseName(const QString& name);

// Writes a batch's tags into the listed files of the host's folder, a few files per turn of the
// event loop, so the window keeps painting and a cancel is seen within one turn. Everything
// runs on the user-interface thread: the host's rows are refreshed right after each save.
// The whole run is one entry of the host's history: every file's tag is read and the entry
// written ahead before the first file is written, and the files saved are kept at the end.
class BatchTagRun : public QObject {
    Q_OBJECT
public:
    // Work done in one turn before the event loop gets its go: well under a frame, and far
    // under the 100 ms a cancel may take.
    static constexpr int kTurnMs = 8;

    BatchTagRun(TagHost& host, Prompter& prompter, QStringList names, BatchTagOptions options,
                QObject* parent = nullptr);

    // Takes the host's folder and begins with the next turn of the event loop.
    void start();
    // The tags the run replaces, read ahead while the files were previewed (one per name, in
    // order), so the run need not read them again; a file changed since is read again at its
    // turn. Before start().
    void takePlans(std::vector<HistoryStore::Change> plans) { m_plans = std::move(plans); }
    // No file is started after this; the ones saved stay saved and refreshed.
    void cancel();

    bool isRunning() const { return m_running; }
    bool wasCancelled() const { return m_cancelled; }
    int total() const { return static_cast<int>(m_names.size()); }
    int done() const { return m_next; }
    int savedCount() const { return m_saved; }
    // The names of the files that were not saved, as the list shows them, in list order.
    const QStringList& failed() const { return m_failed; }
    // Why each of them was not saved ("<file>: <reason>"), in the same order.
    const QStringList& reasons() const { return m_reasons; }

signals:
    void progress(int done, int total);
    // Once, after the last file or after a cancel.
    void finished();

private:
    void turn();
    void tagOne(int index);
    // A file with tags beside ID3v1: the batch's ID3v1 bytes and the changed `fields` in the
    // others, as one save.
    Result saveInStep(int index, const TagFields& fields);
    bool offerRetry(const QString& name);
    void finish();

    TagHost& m_host;
    Prompter& m_prompter;
    const QStringList m_names;
    const BatchTagOptions m_options;
    QString m_folder;
    QTimer m_turns;
    // One editor for the whole run, file after file.
    MP3TagEditor m_editor;
    std::optional<history::Recording> m_record;
    // Files whose tag was planned into the record; the writing starts when all are.
    int m_planned = 0;
    std::vector<HistoryStore::Change> m_plans;
    int m_next = 0;
    int m_saved = 0;
    QStringList m_failed, m_reasons;
    bool m_running = false;
    bool m_cancelled = false;
};

} // namespace tunewalk
