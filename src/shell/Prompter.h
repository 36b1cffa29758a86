#pragma once

#include <QString>
#include <optional>

namespace tunewalk {

// Every message box, input box, folder picker and save dialog of the program goes through a
// Prompter, always under the caption "Tunewalk". Tests script the answers.
class Prompter {
public:
    enum class Icon { None, Information, Exclamation, Critical, Question };
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
    enum class Answer { Ok, Cancel, Yes, No, Retry };

    virtual ~Prompter() = default;

    virtual Answer message(const QString& text, Icon icon, Buttons buttons) = 0;
    // The text typed, or nothing when the user cancelled.
    virtual std::optional<QString> input(const QString& prompt, const QString& initial) = 0;
    // The chosen folder, or an empty text when the user cancelled.
    virtual QString pickFolder(const QString& title, const QString& startFolder) = 0;
    // The chosen file name, or an empty text when the user cancelled. `filters` are Qt name
    // filters separated by ";;"; `selectedFilter` receives the one the user chose.
    virtual QString saveFile(const QString& title, const QString& proposedPath,
                             const QString& filters, QString* selectedFilter) = 0;
    // The chosen file to read, or an empty text when the user cancelled. `filters` as above.
    virtual QString openFile(const QString& title, const QString& startFolder,
                             const QString& filters) = 0;

    // Shorthand for an error's description with OK only.
    void error(const QString& description) { message(description, Icon::Critical, Buttons::Ok); }

    static QString caption() { return QStringLiteral("Tunewalk"); }
};

} // namespace tunewalk
