#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace tunewalk {

// The file-system actions the user should see as the desktop's own: deleting to the Trash or
// for good, and the properties sheet of a file or folder. The main window talks to this seam.
class ShellOperations {
public:
    // Deleted: every item went. Cancelled: the user said no and nothing was touched. Failed:
    // some items could not go (the user was told why) or were kept; the views must be read
    // again from the disk, because the items that could go are gone.
    enum class DeleteResult { Deleted, Cancelled, Failed };

    virtual ~ShellOperations() = default;

    // One operation for the whole list: one question (unless `noConfirmation`), then every
    // item to the Trash, or destroyed when `permanent`. Links go as links, never their targets.
    virtual DeleteResult ShellDelete(const QStringList& paths, bool noConfirmation,
                                     bool permanent) = 0;
    // Opens the properties of a file or folder, non-modal, and returns at once. Nothing is
    // reported when it cannot be shown.
    virtual void ShowFileProperties(const QString& path, QWidget* owner) = 0;
    // Opens a file with the program the desktop has registered for its type, as a double-click
    // in the file manager would. False when no program is registered or none could be started.
    virtual bool openWithRegisteredProgram(const QString& path, const QString& workingFolder) = 0;
    // Starts the machine's system-information tool; false when there is none.
    virtual bool startSystemInfo() = 0;
};

} // namespace tunewalk
