#pragma once

#include "common/FileTimes.h"
#include "metadata/dialogs/TagHost.h"

#include <optional>

namespace tunewalk {

// A file's modification time taken just before a save when the host keeps times, to be put
// back once the save succeeded.
class KeptTime {
public:
    KeptTime(const TagHost& host, const QString& path)
        : m_path(path),
          m_time(host.keepModificationTimes() ? modificationTime(path) : std::nullopt) {}

    // Not put back is no failed save: the tag the user asked for is written, and the refreshed
    // row shows the time the file now has, so nothing is hidden and a batch is not interrupted
    // file by file (it fails only where the user may write the file but does not own it).
    void restore() const {
        if (m_time) (void)setModificationTime(m_path, *m_time);
    }

private:
    QString m_path;
    std::optional<FileTime> m_time;
};

} // namespace tunewalk
