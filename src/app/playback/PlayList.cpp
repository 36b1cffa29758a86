#include "app/playback/PlayList.h"

namespace tunewalk {

KeptPlayList::KeptPlayList(QString folder, std::vector<Row> rows)
    : m_folder(std::move(folder)), m_rows(std::move(rows)) {
    m_places.reserve(static_cast<qsizetype>(m_rows.size()));
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_places.insert(m_rows[i].key, static_cast<int>(i));
}

QString KeptPlayList::neighbour(const QString& key, int step) const {
    const int at = m_places.value(key, -1);
    if (at < 0) return {};
    const qsizetype next = at + step;
    return next >= 0 && next < qsizetype(m_rows.size()) ? m_rows[std::size_t(next)].key : QString();
}

bool KeptPlayList::opensAsFolder(const QString& key) const {
    const int at = m_places.value(key, -1);
    return at >= 0 && !m_rows[std::size_t(at)].file;
}

QString KeptPlayList::firstFile() const {
    for (const Row& row : m_rows)
        if (row.file) return row.key;
    return {};
}

QString KeptPlayList::titleOf(const QString& key) const {
    const int at = m_places.value(key, -1);
    return at < 0 ? QString() : m_rows[std::size_t(at)].title;
}

AfterEnd afterEnd(const PlayList* list, const QString& current, bool playAll, bool repeat) {
    if (!playAll) return repeat ? AfterEnd{AfterEnd::Play, current} : AfterEnd{};
    if (!list || !list->holds(current)) return {AfterEnd::NotListed, {}};
    if (QString next = list->neighbour(current, 1); !next.isEmpty())
        return {AfterEnd::Play, std::move(next)};
    QString first = repeat ? list->firstFile() : QString();
    if (first.isEmpty()) return {AfterEnd::StopAtLast, {}};
    return {AfterEnd::Play, std::move(first)};
}

} // namespace tunewalk
