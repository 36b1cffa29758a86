#include "shell/QtShellOperations.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "fileops/FileMoves.h"
#include "shell/DesktopProperties.h"
#include "shell/PropertiesDialog.h"
#include "shell/SystemInfo.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

namespace tunewalk {

void QtShellOperations::ShowFileProperties(const QString& path, QWidget* owner) {
    const QString item = withoutTrailingSeparator(path);
    if (!itemExists(item)) return;
    const auto ownDialog = [item, owner = QPointer<QWidget>(owner), hadOwner = owner != nullptr] {
        if (hadOwner && !owner) return; // the window closed while the file manager answered
        // The same item asked for twice: its open sheet comes forward.
        if (owner) {
            for (auto* open : owner->findChildren<PropertiesDialog*>(Qt::FindDirectChildrenOnly)) {
                if (open->path() == item) {
                    open->raise();
                    open->activateWindow();
                    return;
                }
            }
        }
        auto* dialog = new PropertiesDialog(item, owner);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->show();
    };
    if (!showPropertiesOnDesktop(item, ownDialog)) ownDialog();
}

} // namespace tunewalk

namespace tunewalk {

namespace {
// The desktop's opener (xdg-open) is started detached and reports a type that no program takes
// only on its own output, too late to tell the user; so where the desktop's MIME registry can be
// asked, ask it first.
bool noProgramRegistered(const QString& path) {
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (xdgMime.isEmpty()) return false; // cannot tell: the opener will
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"),
                          QMimeDatabase().mimeTypeForFile(path).name()});
    if (!query.waitForFinished(3000)) {
        query.kill();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           query.readAllStandardOutput().trimmed().isEmpty();
}
} // namespace

bool QtShellOperations::openWithRegisteredProgram(const QString& path,
                                                  const QString& workingFolder) {
    // The desktop's opener starts the program in its own folder; the working folder only
    // matters where the shell takes one.
    Q_UNUSED(workingFolder);
    if (noProgramRegistered(path)) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void QtShellOperations::showInFileManager(const QString& path, std::function<void()> failed) {
    const QString item = withoutTrailingSeparator(path);
    // Without a file manager that takes the request, the folder that holds the item opens
    // (the root itself has none above it).
    const auto openFolder = [item, failed = std::move(failed)] {
        const QString folder = parentPath(item);
        if (!QDesktopServices::openUrl(fileUrl(folder.isEmpty() ? item : folder)) && failed)
            failed();
    };
    if (!showItemOnDesktop(item, openFolder)) openFolder();
}

bool QtShellOperations::startSystemInfo() {
    return tunewalk::startSystemInfo();
}

} // namespace tunewalk
