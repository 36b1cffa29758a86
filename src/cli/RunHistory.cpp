#include "RunHistory.h"

#include "common/NativePath.h"

#include <filesystem>
#include <iostream>

namespace tunewalk::cli {

QString RunHistory::pathOf(const std::string& file) {
    // The player undoes the change from another working folder, and through a link the tag is
    // written to the file it leads to.
    std::error_code error;
    std::filesystem::path path = std::filesystem::weakly_canonical(file, error);
    if (error) path = std::filesystem::absolute(file, error).lexically_normal();
    return fromNativePath(QByteArray::fromStdString(path.native()));
}

QString RunHistory::nameOf(const QString& path) {
    return displayPath(path.section(QLatin1Char('/'), -1));
}

std::size_t RunHistory::plan(Change change) {
    const auto [it, added] = m_byPath.emplace(change.path, m_changes.size());
    if (added) m_changes.push_back(std::move(change));
    return it->second;
}

void RunHistory::beforeWrite(EntryKind kind, const QString& description) {
    if (!m_on || m_recording || m_changes.empty()) return;
    m_store = std::make_unique<HistoryStore>();
    m_recording = std::make_unique<history::Recording>(m_store.get(), kind, description);
    for (const Change& c : m_changes)
        m_recording->plan(c);
    if (!m_recording->begin())
        std::cerr << "tunewalk-tag: the change history could not be written; the change "
                     "cannot be undone\n";
    toldOfReset();
}

void RunHistory::toldOfReset() {
    if (m_toldOfReset || !m_store || !m_store->wasReset()) return;
    m_toldOfReset = true;
    std::cerr << "tunewalk-tag: the change history was damaged; it was set aside as "
              << displayPath(m_store->setAsideAs()).toStdString()
              << " and a new one was started. Changes made before now cannot be undone.\n";
}

void RunHistory::made(std::size_t index) {
    if (m_recording) m_recording->made(index);
}

void RunHistory::finish() {
    if (m_recording) m_recording->finish();
    toldOfReset(); // a history found damaged while this run's entry was written
}

} // namespace tunewalk::cli
