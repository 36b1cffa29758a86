#pragma once

#include "common/KeyedCollection.h"
#include "shell/cFileInfo.h"

#include <QStringList>
#include <cstddef>

class QMimeData;

namespace tunewalk {

// The list of files another program (a file manager after Copy or Cut) put on the clipboard,
// one record per file, each path once.
//
//     cClipFiles clip;
//     if (clip.GetClipboardFiles())
//         for (std::size_t i = 0; i < clip.Count(); ++i) use(clip.Item(i).Name());
class cClipFiles {
public:
    // Empties the list and fills it from the clipboard. True when the clipboard held a file list,
    // even an empty one; false for anything else (text only, nothing).
    bool GetClipboardFiles();
    // The same from given clipboard contents.
    bool readFiles(const QMimeData* data);

    void Clear();
    std::size_t Count() const { return m_records.size(); }
    // 0-based, in the clipboard's order.
    const cFileInfo& Item(std::size_t index) const { return m_records.at(index); }
    // nullptr when the path is not in the list; paths are compared by the platform's rule.
    const cFileInfo* find(const QString& path) const;

    // Listed paths whose file could not be read (gone since the copy); they have no record.
    QStringList failedPaths() const { return m_failed; }

private:
    void add(const QString& path);

    KeyedCollection<cFileInfo> m_records;
    QStringList m_failed;
};

} // namespace tunewalk
