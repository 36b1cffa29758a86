#pragma once

#include "shell/ShellOperations.h"

#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

namespace tunewalk {

// ShellOperations that records every call and answers from a script. An unscripted delete
// answers Deleted; `onDelete`, when set, does to the disk what the test wants done.
class FakeShellOperations : public ShellOperations {
public:
    struct DeleteCall {
        QStringList paths;
        bool noConfirmation;
        bool permanent;
    };
    struct PropertiesCall {
        QString path;
        QPointer<QWidget> owner;
    };

    DeleteResult ShellDelete(const QStringList& paths, bool noConfirmation,
                             bool permanent) override {
        deletes.push_back({paths, noConfirmation, permanent});
        if (onDelete) onDelete(deletes.back());
        if (deleteResults.empty()) return DeleteResult::Deleted;
        const DeleteResult result = deleteResults.front();
        deleteResults.pop_front();
        return result;
    }
    void ShowFileProperties(const QString& path, QWidget* owner) override {
        properties.push_back({path, owner});
    }

    bool openWithRegisteredProgram(const QString& path, const QString& folder) override {
        opened.push_back({path, folder});
        return canOpen;
    }
    bool startSystemInfo() override {
        ++systemInfoStarts;
        return systemInfoAvailable;
    }

    std::vector<std::pair<QString, QString>> opened;
    bool canOpen = true; // a program is registered for what is opened
    int systemInfoStarts = 0;
    bool systemInfoAvailable = true;
    std::deque<DeleteResult> deleteResults;
    std::function<void(const DeleteCall&)> onDelete;
    std::vector<DeleteCall> deletes;
    std::vector<PropertiesCall> properties;
};

} // namespace tunewalk
