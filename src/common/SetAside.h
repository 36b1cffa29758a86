#pragma once

#include <QString>

namespace tunewalk {

// Moves a damaged SQLite file out of the way so a fresh one can start at `path`: it becomes
// `path.broken-<time>` (kept for a look, only the latest `kept` of them), and its journal goes,
// since a journal left beside a fresh file would be replayed into it.
// Returns where it went; empty when it could not be moved, and then nothing was touched.
QString setAsideDamagedDatabase(const QString& path, int kept = 2);

} // namespace tunewalk
