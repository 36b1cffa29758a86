#pragma once

#include "common/ResultText.h"
#include "shell/Prompter.h"

#include <QCoreApplication>

namespace tunewalk {

// What the editors say when a save fails: "The file was not saved.", the editor's own hint,
// then the file and the system's reason.
inline void reportNotSaved(Prompter& prompter, const QString& hint, const Result& saved) {
    prompter.message(QCoreApplication::translate("SaveFailure", "The file was not saved.") +
                         QStringLiteral("\n\n") + hint + QStringLiteral("\n\n") +
                         messageText(saved),
                     Prompter::Icon::Exclamation, Prompter::Buttons::Ok);
}

} // namespace tunewalk
