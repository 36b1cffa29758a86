#include "shell/SystemInfo.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace tunewalk {

bool startSystemInfo() {
    // The desktops' own system-information tools, KDE's first; GNOME's lives in its settings
    // program as a page of its own.
    struct Tool {
        const char* program;
        QStringList arguments;
    };
    const Tool tools[] = {
        {"kinfocenter", {}},
        {"hardinfo", {}},
        {"gnome-control-center", {QStringLiteral("info-overview")}},
    };
    for (const Tool& tool : tools) {
        const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool.program));
        if (!program.isEmpty()) return QProcess::startDetached(program, tool.arguments);
    }
    return false;
}

} // namespace tunewalk
