#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tunewalk {

class Prompter;
class SettingsStore;

// "Default Directory": shows, sets and clears the folder the program opens at start.
//
//     frmDefault dlg(settings, prompter, window);
//     dlg.exec();
class frmDefault : public QDialog {
    Q_OBJECT
public:
    frmDefault(SettingsStore& settings, Prompter& prompter, QWidget* parent = nullptr);

    QLabel* const Label1;
    QLabel* const txtMessage;
    QPushButton* const btnChange;
    QPushButton* const btnDelete;
    QPushButton* const btnOK;

private:
    void change();
    void deleteSetting();
    void showNone();
    void showPath(const QString& path);

    SettingsStore& m_settings;
    Prompter& m_prompter;
};

} // namespace tunewalk
