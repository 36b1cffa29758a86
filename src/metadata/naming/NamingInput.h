#pragma once

#include "metadata/naming/TagPatterns.h"
#include "metadata/tags/CodePage.h"

#include <QHash>
#include <QStringList>
#include <atomic>
#include <optional>
#include <vector>

namespace tunewalk {

// The tags of the audio file at `path` as the list shows them: for an MP3 its ID3v1 tag (in
// `id3v1Page`), and over it each field its ID3v2 or APE tag has; for the other kinds what the
// tag library reads. Nothing, with `why`, when the file cannot be read at all.
std::optional<AudioTags> readNamingTags(const QString& path, CodePage id3v1Page, QString* why);

// What a pattern's run needs from the disk: every file's tags and, with `withFolders`, the rules
// and names of the folders the files are in. It reads every file: run it on a worker for more
// than a few. `cancelled` stops it between files.
struct NamingInput {
    std::vector<NamingFile> files;
    QHash<QString, FolderNames> folders;
};
NamingInput readNamingInput(const QStringList& paths, CodePage id3v1Page, bool withFolders,
                            const std::atomic<bool>* cancelled = nullptr);

} // namespace tunewalk
