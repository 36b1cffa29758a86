#pragma once

#include "history/FileChanges.h"
#include "history/HistoryStore.h"
#include "history/Recording.h"

#include <QString>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tunewalk::cli {

// One run's writes in the program's change history, so the player's Edit > Undo can take them
// back: the files to be written are planned first, the entry with all of them is written ahead
// right before the first write, each write is settled after it, and finish() keeps the ones
// made. Off (--no-history) it does nothing. A history that cannot be opened or written never
// stops a write: the run goes on with one warning line.
class RunHistory {
public:
    using Change = HistoryStore::Change;
    using EntryKind = HistoryStore::EntryKind;

    explicit RunHistory(bool on) : m_on(on) {}
    RunHistory(const RunHistory&) = delete;
    RunHistory& operator=(const RunHistory&) = delete;
    ~RunHistory() { finish(); }

    bool on() const { return m_on; }

    // The file named on the command line as the history keeps it: absolute, links resolved,
    // its exact bytes kept.
    static QString pathOf(const std::string& file);
    // Its name alone, as a description shows it.
    static QString nameOf(const QString& path);

    // The index of the change made to `change.path`; a file named twice is planned once.
    std::size_t plan(Change change);
    std::size_t count() const { return m_changes.size(); }
    const QString& path(std::size_t index) const { return m_changes[index].path; }

    // Right before a write: records the entry and every planned change, once.
    void beforeWrite(EntryKind kind, const QString& description);
    // After change `index` was written.
    void made(std::size_t index);
    void finish();

private:
    // Says once on standard error that a damaged history was set aside.
    void toldOfReset();

    bool m_on;
    bool m_toldOfReset = false;
    std::vector<Change> m_changes;
    std::map<QString, std::size_t> m_byPath;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<history::Recording> m_recording;
};

} // namespace tunewalk::cli
