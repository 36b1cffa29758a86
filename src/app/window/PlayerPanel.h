#pragma once

#include <QFrame>

class QHBoxLayout;
class QImage;
class QLabel;
class QSlider;
class QToolButton;
class QVBoxLayout;

namespace tunewalk {

// The player's face in the window: the position within the current file and its time, the
// volume with its level and mute switch, and the cover of the file that plays at the left end.
// In the small window it drops the caption, and the cover where it would crowd the controls.
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
    // The picture of the file that plays, as tall as the panel with its aspect kept; a null
    // image shows none. It shows only while the controls beside it keep the room they need.
    void showCover(const QImage& cover);

    QSlider* slider() const { return m_slider; }
    QSlider* volumeSlider() const { return m_volume; }
    QToolButton* muteButton() const { return m_mute; }
    QLabel* volumeLabel() const { return m_level; }
    QLabel* coverLabel() const { return m_cover; }

signals:
    // The user dragged or clicked the position to a new place.
    void seekRequested(qint64 seconds);
    // The user moved the volume; muteRequested: the user switched the sound off or on.
    void volumeRequested(int percent);
    void muteRequested(bool on);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showMuteIcon();
    void placeCover();

    QSlider* m_slider;
    QLabel* m_time;
    QLabel* m_caption;
    QToolButton* m_mute;
    QSlider* m_volume;
    QLabel* m_level;
    QLabel* m_cover;
    QHBoxLayout* m_row;      // the cover, then the controls
    QVBoxLayout* m_controls; // the volume's line over the position's
    bool m_full = true;
};

} // namespace tunewalk
