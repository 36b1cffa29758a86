#include "metadata/dialogs/frmRenameFromTags.h"

#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QLocale>

namespace tunewalk {

frmRenameFromTags::frmRenameFromTags(QStringList paths, CodePage id3v1Page, SettingsStore* settings,
                                     QWidget* parent)
    : frmNamingPreview({tr("Rename from Tags"),
                        {},
                        tr("New name"),
                        SettingsKey,
                        {QStringLiteral("%track% - %title%"), QStringLiteral("%artist% - %title%"),
                         QStringLiteral("%track% - %artist% - %title%")}},
                       settings, std::move(paths), id3v1Page, true, parent) {
    start();
}

std::vector<frmNamingPreview::Row> frmRenameFromTags::preview(const TagPattern& pattern,
                                                              const NamingInput& input) {
    m_plan = planRenames(pattern, input.files, input.folders);
    std::vector<Row> rows;
    rows.reserve(m_plan.size());
    for (const PlannedRename& r : m_plan) {
        const QString name = displayPath(fileNamePart(r.path));
        QString after = r.newPath.isEmpty() ? QString() : displayPath(fileNamePart(r.newPath));
        if (r.state == RowState::Skipped) after = tr("(not renamed)");
        if (r.state == RowState::Unchanged) after = tr("%1 (unchanged)").arg(after);
        rows.push_back({name, name, after, r.problem, r.state});
    }
    return rows;
}

QString frmRenameFromTags::changingText(int files) const {
    return files == 1 ? tr("1 file will be renamed.")
                      : tr("%1 files will be renamed.").arg(QLocale().toString(files));
}

std::vector<std::pair<QString, QString>> frmRenameFromTags::renames() const {
    std::vector<std::pair<QString, QString>> out;
    for (const PlannedRename& r : m_plan)
        if (r.state == RowState::Changes) out.emplace_back(r.path, r.newPath);
    return out;
}

} // namespace tunewalk
