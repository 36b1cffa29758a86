#include "history/Recording.h"

#include "history/FileChanges.h"

#include <mutex>

namespace tunewalk::history {

namespace {
std::mutex listenerMutex;
const void* listenerOwner = nullptr;
Recording::WrittenListener writtenListener;

void tell(bool written) {
    std::lock_guard lock(listenerMutex);
    if (writtenListener) writtenListener(written);
}
} // namespace

void Recording::setWrittenListener(const void* owner, WrittenListener listener) {
    std::lock_guard lock(listenerMutex);
    listenerOwner = owner;
    writtenListener = std::move(listener);
}

void Recording::clearWrittenListener(const void* owner) {
    std::lock_guard lock(listenerMutex);
    if (listenerOwner != owner) return;
    listenerOwner = nullptr;
    writtenListener = nullptr;
}

Recording::Recording(HistoryStore* store, EntryKind kind, QString description, bool undoable)
    : m_store(store && store->isOpen() ? store : nullptr), m_wanted(store != nullptr) {
    m_entry.kind = kind;
    m_entry.description = std::move(description);
    m_entry.undoable = undoable;
}

Recording::Recording(const QString& storePath, EntryKind kind, QString description, bool undoable)
    : Recording(nullptr, kind, std::move(description), undoable) {
    m_storePath = storePath;
    m_wanted = !storePath.isEmpty();
}

Recording::~Recording() {
    finish();
}

std::size_t Recording::plan(Change change) {
    change.applied = false;
    m_changes.push_back(std::move(change));
    return m_changes.size() - 1;
}

bool Recording::begin() {
    if (!m_store && !m_id && !m_storePath.isEmpty()) {
        m_own = HistoryStore::another(m_storePath);
        if (m_own->isOpen()) m_store = m_own.get();
    }
    if (m_store && !m_id) m_id = m_store->begin(m_entry, m_changes, &m_lock);
    if (m_wanted && !m_told) {
        m_told = true;
        tell(m_id != 0);
    }
    return m_id != 0;
}

void Recording::made(std::size_t index) {
    if (m_id) settle(m_changes[index]);
}

void Recording::made(std::size_t index, const QByteArray& written, qint64 size, qint64 modifiedNs) {
    if (!m_id) return;
    Change& c = m_changes[index];
    c.applied = true;
    c.after = written;
    c.size = size;
    c.modifiedNs = modifiedNs; // the identity stays the one read ahead, which the save kept
}

void Recording::finish() {
    if (m_finished || !m_id) {
        m_own.reset();
        return;
    }
    m_finished = true;
    std::vector<Change> made;
    for (Change& c : m_changes)
        if (c.applied) made.push_back(std::move(c));
    if (made.empty())
        m_store->discard(m_id);
    else
        m_store->update(m_id, HistoryStore::State::Done, made);
    m_lock.reset(); // only now: the entry is no longer open
    m_store = nullptr;
    m_own.reset();
}

} // namespace tunewalk::history
