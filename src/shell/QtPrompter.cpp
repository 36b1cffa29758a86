#include "shell/QtPrompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tunewalk {

namespace {

QMessageBox::Icon boxIcon(Prompter::Icon icon) {
    switch (icon) {
    case Prompter::Icon::None:
        return QMessageBox::NoIcon;
    case Prompter::Icon::Information:
        return QMessageBox::Information;
    case Prompter::Icon::Exclamation:
        return QMessageBox::Warning;
    case Prompter::Icon::Critical:
        return QMessageBox::Critical;
    case Prompter::Icon::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Prompter::Buttons buttons) {
    switch (buttons) {
    case Prompter::Buttons::Ok:
        return QMessageBox::Ok;
    case Prompter::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Prompter::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Prompter::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Prompter::Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// What Escape or the window's close button means for each set of buttons.
Prompter::Answer escapeAnswer(Prompter::Buttons buttons) {
    switch (buttons) {
    case Prompter::Buttons::Ok:
        return Prompter::Answer::Ok;
    case Prompter::Buttons::YesNo:
        return Prompter::Answer::No;
    case Prompter::Buttons::OkCancel:
    case Prompter::Buttons::YesNoCancel:
    case Prompter::Buttons::RetryCancel:
        return Prompter::Answer::Cancel;
    }
    return Prompter::Answer::Cancel;
}

QMessageBox::StandardButton escapeButton(Prompter::Buttons buttons) {
    switch (escapeAnswer(buttons)) {
    case Prompter::Answer::Ok:
        return QMessageBox::Ok;
    case Prompter::Answer::No:
        return QMessageBox::No;
    default:
        return QMessageBox::Cancel;
    }
}

} // namespace

Prompter::Answer QtPrompter::message(const QString& text, Icon icon, Buttons buttons) {
    QMessageBox box(boxIcon(icon), caption(), text, boxButtons(buttons), m_parent);
    // File names can hold '<' and '&'; never let them be read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setEscapeButton(escapeButton(buttons));
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Retry:
        return Answer::Retry;
    default:
        return escapeAnswer(buttons);
    }
}

std::optional<QString> QtPrompter::input(const QString& prompt, const QString& initial) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, caption(), prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
}

void QtPrompter::closeOpenMessages() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) box->reject();
}

QString QtPrompter::pickFolder(const QString& title, const QString& startFolder) {
    const QString folder =
        QFileDialog::getExistingDirectory(m_parent, title, startFolder, QFileDialog::ShowDirsOnly);
    return QDir::toNativeSeparators(folder);
}

QString QtPrompter::saveFile(const QString& title, const QString& proposedPath,
                             const QString& filters, QString* selectedFilter) {
    const QString file =
        QFileDialog::getSaveFileName(m_parent, title, proposedPath, filters, selectedFilter);
    return QDir::toNativeSeparators(file);
}

QString QtPrompter::openFile(const QString& title, const QString& startFolder,
                             const QString& filters) {
    const QString file = QFileDialog::getOpenFileName(m_parent, title, startFolder, filters);
    return QDir::toNativeSeparators(file);
}

} // namespace tunewalk
