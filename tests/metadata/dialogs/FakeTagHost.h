#pragma once

#include "metadata/dialogs/TagHost.h"

namespace tunewalk {

// A list of rows the test sets up; records every refresh.
class FakeTagHost : public TagHost {
public:
    std::vector<Row> rows() const override { return list; }
    QString currentFolder() const override { return folder; }
    bool refreshRow(const QString& key) override {
        refreshed << key;
        for (const Row& r : list)
            if (r.key == key) return true;
        return false;
    }

    std::vector<Row> list;
    QString folder;
    QStringList refreshed;
};

} // namespace tunewalk
