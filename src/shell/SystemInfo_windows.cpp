#include "shell/SystemInfo.h"

#include "shell/RegAccess.h"

#include <QFileInfo>
#include <QProcess>

namespace tunewalk {

bool startSystemInfo() {
    // Where Windows records its System Information program; older systems only record the
    // shared tools' folder.
    QString path;
    if (RegGetKeyValue(RegRoot::LocalMachine,
                       QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                       QStringLiteral("PATH"), path))
        return QProcess::startDetached(path, {});
    if (RegGetKeyValue(RegRoot::LocalMachine,
                       QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                       QStringLiteral("MSINFO"), path)) {
        path += QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo::exists(path)) return QProcess::startDetached(path, {});
    }
    return false;
}

} // namespace tunewalk
