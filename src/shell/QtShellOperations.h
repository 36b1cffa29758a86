#pragma once

#include "shell/ShellOperations.h"

namespace tunewalk {

class Prompter;

// ShellOperations on the desktop: the file manager's properties sheet when one offers it over
// D-Bus, otherwise PropertiesDialog; the desktop's opener; the file manager showing an item
// (over D-Bus, or its folder opened); the system-information tool.
class QtShellOperations : public ShellOperations {
public:
    explicit QtShellOperations(Prompter& prompter) : m_prompter(prompter) {}

    void ShowFileProperties(const QString& path, QWidget* owner) override;
    bool openWithRegisteredProgram(const QString& path, const QString& workingFolder) override;
    bool startSystemInfo() override;
    void showInFileManager(const QString& path, std::function<void()> failed) override;

private:
    Prompter& m_prompter;
};

} // namespace tunewalk
