#pragma once

#include "metadata/dialogs/frmNamingPreview.h"
#include "metadata/tags/TagSaving.h"

namespace tunewalk {

// "Tags from File Names": each file's name without its extension read by a pattern, and the
// fields it names saved in the file's tags. The preview shows those fields as the file has them
// and as they would be; a name that does not fit the pattern is skipped.
class frmTagsFromNames : public frmNamingPreview {
    Q_OBJECT
public:
    static inline const QString SettingsKey = QStringLiteral("TagsFromNamesPatterns");

    frmTagsFromNames(QStringList paths, CodePage id3v1Page, SettingsStore* settings,
                     QWidget* parent = nullptr);

    // A save for each file whose tags change, once accepted.
    std::vector<TagSaveRequest> requests() const;

protected:
    std::vector<Row> preview(const TagPattern& pattern, const NamingInput& input) override;
    QString changingText(int files) const override;

private:
    std::vector<PlannedTags> m_plan;
};

} // namespace tunewalk
