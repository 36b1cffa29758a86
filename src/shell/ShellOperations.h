#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tunewalk {

// What the user should see as the desktop's own: the properties sheet of a file or folder,
// the program registered for a file, the file manager, the system-information tool. The main
// window talks to this seam. (Deleting and the Trash are file jobs: see FileOperations.)
class ShellOperations {
public:
    virtual ~ShellOperations() = default;

    // Opens the properties of a file or folder, non-modal, and returns at once. Nothing is
    // reported when it cannot be shown.
    virtual void ShowFileProperties(const QString& path, QWidget* owner) = 0;
    // Opens a file with the program the desktop has registered for its type, as a double-click
    // in the file manager would. False when no program is registered or none could be started.
    virtual bool openWithRegisteredProgram(const QString& path, const QString& workingFolder) = 0;
    // Starts the machine's system-information tool; false when there is none.
    virtual bool startSystemInfo() = 0;
    // Asks the desktop's file manager to show a file or folder, selected among its neighbours,
    // or else opens the folder that holds it. `failed` runs, at once or later, only when
    // neither could be done.
    virtual void showInFileManager(const QString& path, std::function<void()> failed) = 0;
};

} // namespace tunewalk
