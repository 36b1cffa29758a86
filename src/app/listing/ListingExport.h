#pragma once

#include "common/Result.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

namespace tunewalk {

struct ListEntry;

// The two file forms the list can be written in, and the temporary playlists handed to an
// external player. Text is UTF-8 with CRLF line ends, so any player or spreadsheet on any
// platform reads the same names the list shows.

// One line per MP3 or WAV row: its full path. A playlist holds one path a line, so a name with
// a line break (CR or LF) cannot be written: such files are left out and listed in `leftOut`.
// A path that is not valid text cannot be written as UTF-8 either: such rows are left out of
// both forms and listed, as shown, in `notText`.
QString m3uText(const std::vector<const ListEntry*>& rows, QStringList* leftOut = nullptr,
                QStringList* notText = nullptr);
// An extended playlist: "#EXTM3U", then for each file an "#EXTINF:" line with its length in
// seconds (-1 when unknown) and its artist and title as the list shows them, then its path.
// Left out as for m3uText.
QString m3u8Text(const std::vector<const ListEntry*>& rows, QStringList* leftOut = nullptr,
                 QStringList* notText = nullptr);
// A heading line, then every row (folders and drive rows included) as eight quoted fields.
QString csvText(const std::vector<const ListEntry*>& rows, QStringList* notText = nullptr);

enum class ExportForm { M3u, Csv, M3u8 };
// The name the user chose, with ".m3u" or ".csv" appended unless it already ends in one of the
// export extensions (exact case, so "list.M3U" becomes "list.M3U.m3u"); an extended playlist
// gets ".m3u8" unless it ends in it.
QString withExportExtension(const QString& chosen, ExportForm form);

// Replaces `path` with `text` in one step.
Result writeTextFile(const QString& path, const QString& text);

// The program's folder in the user's private runtime folder (no other user can create or
// read anything there), for the playlists handed to an external player.
QString playlistFolder();
// Writes `text` to a new, uniquely named ".m3u" file there and returns its path; on failure
// returns an empty path and sets `error`.
QString writeTemporaryPlaylist(const QString& text, Result* error);
// Removes the temporary playlists last written more than a day before `now`; returns how many.
int removeOldPlaylists(const QDateTime& now);

} // namespace tunewalk
