#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace tunewalk {

class Prompter;
class ShellOperations;

// The About box: title, version, company, what the program does, and a way to the machine's
// system-information tool.
//
//     frmAbout about(shell, prompter, window);
//     about.exec();
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(ShellOperations& shell, Prompter& prompter, QWidget* parent = nullptr);

    // Starts the system-information tool, or says that there is none.
    void StartSysInfo();

    QLabel* const picIcon;
    QLabel* const lblTitle;
    QLabel* const lblVersion;
    QLabel* const Label1;
    QLabel* const lblBrookvale;
    QLabel* const lblDescription;
    QFrame* const Line1;
    QPushButton* const cmdOK;
    QPushButton* const cmdSysInfo;

private:
    ShellOperations& m_shell;
    Prompter& m_prompter;
};

} // namespace tunewalk
