#pragma once

#include "shell/Prompter.h"

class QWidget;

namespace tunewalk {

// Prompter on QMessageBox, QInputDialog and QFileDialog, modal to `parent`.
class QtPrompter : public Prompter {
public:
    explicit QtPrompter(QWidget* parent) : m_parent(parent) {}

    Answer message(const QString& text, Icon icon, Buttons buttons) override;
    std::optional<QString> input(const QString& prompt, const QString& initial) override;
    QString pickFolder(const QString& title, const QString& startFolder) override;
    QString saveFile(const QString& title, const QString& proposedPath, const QString& filters,
                     QString* selectedFilter) override;
    QString openFile(const QString& title, const QString& startFolder,
                     const QString& filters) override;

    void setParent(QWidget* parent) { m_parent = parent; }

    // Closes every open message box as Escape would, so whatever waits on one goes on (the
    // desktop session is ending).
    static void closeOpenMessages();

private:
    QWidget* m_parent;
};

} // namespace tunewalk
