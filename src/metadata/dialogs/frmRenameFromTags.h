#pragma once

#include "metadata/dialogs/frmNamingPreview.h"

#include <utility>

namespace tunewalk {

// "Rename from Tags": a new name for each file from its tags by a pattern, its extension kept.
// The preview shows each file's old and new name; a name the folder's file system cannot hold,
// or that another file has or is to get, keeps OK off. A file whose tags lack a field of the
// pattern is left as it is.
class frmRenameFromTags : public frmNamingPreview {
    Q_OBJECT
public:
    static inline const QString SettingsKey = QStringLiteral("RenameFromTagsPatterns");

    frmRenameFromTags(QStringList paths, CodePage id3v1Page, SettingsStore* settings,
                      QWidget* parent = nullptr);

    // Each file to rename, from its path to its new one, once accepted.
    std::vector<std::pair<QString, QString>> renames() const;

protected:
    std::vector<Row> preview(const TagPattern& pattern, const NamingInput& input) override;
    QString changingText(int files) const override;

private:
    std::vector<PlannedRename> m_plan;
};

} // namespace tunewalk
