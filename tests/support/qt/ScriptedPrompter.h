#pragma once

#include "shell/Prompter.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>
#include <ostream>

namespace tunewalk {

// A Prompter that answers from a queue and records everything it was asked. An unscripted
// message is answered with its first button (OK, Yes or Retry); an unscripted input or picker
// with a cancel.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        QString text;
        Icon icon;
        Buttons buttons;
        bool operator==(const Shown&) const = default;
        friend void PrintTo(const Shown& s, std::ostream* os) {
            *os << '"' << s.text.toStdString() << "\" icon " << int(s.icon) << " buttons "
                << int(s.buttons);
        }
    };

    Answer message(const QString& text, Icon icon, Buttons buttons) override {
        shown.push_back({text, icon, buttons});
        if (!answers.empty()) {
            const Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        if (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) return Answer::Yes;
        return buttons == Buttons::RetryCancel ? Answer::Retry : Answer::Ok;
    }
    std::optional<QString> input(const QString& prompt, const QString& initial) override {
        prompts.push_back(prompt);
        offered.push_back(initial);
        if (inputs.empty()) return std::nullopt;
        const QString a = inputs.front();
        inputs.pop_front();
        if (a.isNull()) return std::nullopt;
        return std::make_optional(a);
    }
    QString pickFolder(const QString& title, const QString&) override {
        prompts.push_back(title);
        if (folders.empty()) return {};
        const QString f = folders.front();
        folders.pop_front();
        return f;
    }
    QString saveFile(const QString& title, const QString& proposedPath, const QString& filters,
                     QString* selectedFilter) override {
        prompts.push_back(title);
        lastProposedPath = proposedPath;
        lastFilters = filters;
        if (saveAnswers.empty()) return {};
        const auto [path, filter] = saveAnswers.front();
        saveAnswers.pop_front();
        if (selectedFilter) *selectedFilter = filter;
        return path;
    }
    QString openFile(const QString& title, const QString&, const QString& filters) override {
        prompts.push_back(title);
        lastFilters = filters;
        if (openAnswers.empty()) return {};
        const QString path = openAnswers.front();
        openAnswers.pop_front();
        return path;
    }

    QStringList texts() const {
        QStringList t;
        for (const auto& s : shown)
            t << s.text;
        return t;
    }
    void clear() {
        shown.clear();
        prompts.clear();
    }

    std::deque<Answer> answers;
    std::deque<QString> inputs; // a null QString answers with a cancel
    std::deque<QString> folders;
    std::deque<std::pair<QString, QString>> saveAnswers;
    std::deque<QString> openAnswers; // the files openFile picks, in turn
    std::vector<Shown> shown;
    QStringList prompts;
    // The text each input box offered.
    QStringList offered;
    QString lastProposedPath, lastFilters;
};

} // namespace tunewalk
