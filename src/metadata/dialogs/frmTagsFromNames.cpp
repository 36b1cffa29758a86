#include "metadata/dialogs/frmTagsFromNames.h"

#include "common/NativePath.h"
#include "common/PathRules.h"

#include <QLocale>

namespace tunewalk {

frmTagsFromNames::frmTagsFromNames(QStringList paths, CodePage id3v1Page, SettingsStore* settings,
                                   QWidget* parent)
    : frmNamingPreview({tr("Tags from File Names"),
                        tr("Tags now"),
                        tr("New tags"),
                        SettingsKey,
                        {QStringLiteral("%track% - %title%"), QStringLiteral("%artist% - %title%"),
                         QStringLiteral("%track% - %artist% - %title%")}},
                       settings, std::move(paths), id3v1Page, false, parent) {
    start();
}

std::vector<frmNamingPreview::Row> frmTagsFromNames::preview(const TagPattern& pattern,
                                                             const NamingInput& input) {
    m_plan = planTagsFromNames(pattern, input.files);
    std::vector<Row> rows;
    rows.reserve(m_plan.size());
    for (const PlannedTags& t : m_plan) {
        QString after = t.after;
        if (t.state == RowState::Skipped) after = tr("(not changed)");
        if (t.state == RowState::Unchanged) after = tr("%1 (unchanged)").arg(after);
        rows.push_back({displayPath(fileNamePart(t.path)), t.before, after, t.problem, t.state});
    }
    return rows;
}

QString frmTagsFromNames::changingText(int files) const {
    return files == 1 ? tr("The tags of 1 file will change.")
                      : tr("The tags of %1 files will change.").arg(QLocale().toString(files));
}

std::vector<TagSaveRequest> frmTagsFromNames::requests() const {
    std::vector<TagSaveRequest> out;
    for (const PlannedTags& t : m_plan)
        if (t.state == RowState::Changes) out.push_back({t.path, t.fields});
    return out;
}

} // namespace tunewalk
