#pragma once

#include "shell/ShellOperations.h"

#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <vector>

namespace tunewalk {

// ShellOperations that records every call and answers from a script.
class FakeShellOperations : public ShellOperations {
public:
    struct PropertiesCall {
        QString path;
        QPointer<QWidget> owner;
    };

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
    void showInFileManager(const QString& path, std::function<void()> failed) override {
        shownInFileManager.push_back(path);
        if (!canShowInFileManager && failed) failed();
    }

    std::vector<std::pair<QString, QString>> opened;
    bool canOpen = true; // a program is registered for what is opened
    int systemInfoStarts = 0;
    bool systemInfoAvailable = true;
    std::vector<PropertiesCall> properties;
    std::vector<QString> shownInFileManager;
    bool canShowInFileManager = true; // neither the file manager nor the folder opens when off
};

} // namespace tunewalk
