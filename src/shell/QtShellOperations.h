#pragma once

#include "shell/ShellOperations.h"

namespace tunewalk {

class Prompter;

// ShellOperations on the desktop: the freedesktop Trash (the Recycle Bin on Windows), the file
// manager's properties sheet when one offers it over D-Bus, otherwise PropertiesDialog. Every
// question and error goes through `prompter`.
class QtShellOperations : public ShellOperations {
public:
    explicit QtShellOperations(Prompter& prompter) : m_prompter(prompter) {}

    DeleteResult ShellDelete(const QStringList& paths, bool noConfirmation,
                             bool permanent) override;
    void ShowFileProperties(const QString& path, QWidget* owner) override;
    bool openWithRegisteredProgram(const QString& path, const QString& workingFolder) override;
    bool startSystemInfo() override;

private:
    Prompter& m_prompter;
};

} // namespace tunewalk
