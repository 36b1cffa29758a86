#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tunewalk {

class FileJobRunner;

// Shows a file job that takes longer than about half a second: what it does, the item at hand,
// bytes (or items) done of the total, speed and time left, and Cancel. It does not block the
// window: the user goes on playing and browsing meanwhile.
class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    ProgressWindow(FileJobRunner& runner, QWidget* parent);

    static constexpr int ShowAfterMs = 500;

private:
    void jobStarted();
    void refresh();

    FileJobRunner& m_runner;
    QLabel *m_title, *m_item, *m_detail;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

} // namespace tunewalk
