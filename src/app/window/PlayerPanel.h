#pragma once

#include <QFrame>

class QLabel;
class QSlider;

namespace tunewalk {

// The player's face in the window: the position within the current file and its time. In
// the small window it keeps only the slider row.
class PlayerPanel : public QFrame {
    Q_OBJECT
public:
    explicit PlayerPanel(QWidget* parent = nullptr);

    // Both display options on in the full window, off in the small one.
    void setFullDisplay(bool full);
    bool fullDisplay() const { return m_full; }
    void showPosition(qint64 seconds, qint64 length);

    QSlider* slider() const { return m_slider; }

signals:
    // The user dragged the position to a new place.
    void seekRequested(qint64 seconds);

private:
    QSlider* m_slider;
    QLabel* m_time;
    QLabel* m_caption;
    bool m_full = true;
};

} // namespace tunewalk
