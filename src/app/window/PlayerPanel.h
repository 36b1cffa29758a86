#pragma once

#include <QFrame>

class QLabel;
class QSlider;
class QToolButton;

namespace tunewalk {

// The player's face in the window: the position within the current file and its time, and the
// volume with its level and mute switch. In the small window it drops only the caption.
class PlayerPanel : public QFrame {
    Q_OBJECT
public:
    explicit PlayerPanel(QWidget* parent = nullptr);

    // Both display options on in the full window, off in the small one.
    void setFullDisplay(bool full);
    bool fullDisplay() const { return m_full; }
    void showPosition(qint64 seconds, qint64 length);
    // What the player's volume is; shown without asking for a change.
    void showVolume(int percent, bool muted);

    QSlider* slider() const { return m_slider; }
    QSlider* volumeSlider() const { return m_volume; }
    QToolButton* muteButton() const { return m_mute; }
    QLabel* volumeLabel() const { return m_level; }

signals:
    // The user dragged or clicked the position to a new place.
    void seekRequested(qint64 seconds);
    // The user moved the volume; muteRequested: the user switched the sound off or on.
    void volumeRequested(int percent);
    void muteRequested(bool on);

protected:
    void changeEvent(QEvent* event) override;

private:
    void showMuteIcon();

    QSlider* m_slider;
    QLabel* m_time;
    QLabel* m_caption;
    QToolButton* m_mute;
    QSlider* m_volume;
    QLabel* m_level;
    bool m_full = true;
};

} // namespace tunewalk
