#pragma once

#include "metadata/dialogs/TagHost.h"

namespace tunewalk {

class Form1;

// The window's list as the tag and header editors see it: every row in display order (those
// the filter hides after the rest), the selection, and a refresh of a row after a save.
class WindowTagHost : public TagHost {
public:
    explicit WindowTagHost(Form1& window);

    std::vector<Row> rows() const override;
    QString currentFolder() const override;
    bool refreshRow(const QString& key) override;
    bool keepModificationTimes() const override;
    HistoryStore* history() const override;
    void recorded() override;
    TagWriteOptions tagWriteOptions() const override;
    bool keepOtherTagsInStep() const override;

private:
    Form1& m_window;
};

} // namespace tunewalk
