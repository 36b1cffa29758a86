#include "app/window/PlayerPanel.h"

#include "common/Duration.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QVBoxLayout>

namespace tunewalk {

namespace {

// A slider that jumps to a left click on its groove and goes on as a drag from there; most
// styles would only page towards the click.
class JumpSlider : public QSlider {
public:
    using QSlider::QSlider;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && maximum() > minimum()) {
            QStyleOptionSlider option;
            initStyleOption(&option);
            const QRect handle =
                style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
            const QPoint at = event->position().toPoint();
            if (!handle.contains(at)) {
                const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderGroove, this);
                // The handle's centre goes under the pointer; the base class then takes the
                // press as the start of a drag of the handle.
                const int x = at.x() - groove.x() - handle.width() / 2;
                setSliderPosition(QStyle::sliderValueFromPosition(
                    minimum(), maximum(), x, groove.width() - handle.width(), option.upsideDown));
            }
        }
        QSlider::mousePressEvent(event);
    }
};

} // namespace

PlayerPanel::PlayerPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(tr("Player"));
    m_caption = new QLabel(tr("Position"), this);
    m_slider = new JumpSlider(Qt::Horizontal, this);
    m_slider->setAccessibleName(tr("Position"));
    m_slider->setAccessibleDescription(tr("Seconds into the file"));
    m_slider->setFocusPolicy(Qt::StrongFocus);
    m_slider->setEnabled(false);
    connect(m_slider, &QSlider::sliderReleased, this,
            [this] { emit seekRequested(m_slider->value()); });
    // Keys and page clicks move the position too.
    connect(m_slider, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction)
            emit seekRequested(m_slider->sliderPosition());
    });
    m_time = new QLabel(this);
    m_time->setObjectName(QStringLiteral("lblTime"));
    // Read by its text ("00:01:05 / 00:03:20"); the description says what the text is.
    m_time->setAccessibleDescription(tr("Elapsed and total time"));

    m_mute = new QToolButton(this);
    m_mute->setCheckable(true);
    m_mute->setAutoRaise(true);
    m_mute->setFocusPolicy(Qt::StrongFocus);
    m_mute->setAccessibleName(tr("Mute"));
    m_mute->setToolTip(tr("Mute"));
    connect(m_mute, &QToolButton::clicked, this, &PlayerPanel::muteRequested);
    m_volume = new JumpSlider(Qt::Horizontal, this);
    m_volume->setRange(0, 100);
    m_volume->setPageStep(10);
    m_volume->setFocusPolicy(Qt::StrongFocus);
    m_volume->setAccessibleName(tr("Volume"));
    m_volume->setAccessibleDescription(tr("Percent of full volume"));
    m_volume->setFixedWidth(fontMetrics().averageCharWidth() * 12);
    // Signals are blocked while the player's volume is shown: what arrives here is the user's.
    connect(m_volume, &QSlider::valueChanged, this, &PlayerPanel::volumeRequested);
    m_level = new QLabel(this);
    m_level->setObjectName(QStringLiteral("lblVolume"));
    m_level->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_level->setMinimumWidth(fontMetrics().horizontalAdvance(tr("%1 %").arg(100)));

    // The volume sits on the caption's line, so the small window, which hides the caption,
    // keeps both rows and the full window needs no more height than before.
    auto* top = new QHBoxLayout;
    top->addWidget(m_caption);
    top->addStretch(1);
    top->addWidget(m_mute);
    top->addWidget(m_volume);
    top->addWidget(m_level);
    auto* row = new QHBoxLayout;
    row->addWidget(m_slider, 1);
    row->addWidget(m_time);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 2);
    column->setSpacing(0);
    column->addLayout(top);
    column->addLayout(row);
    showPosition(0, 0);
    showVolume(100, false);
}

void PlayerPanel::setFullDisplay(bool full) {
    m_full = full;
    m_caption->setVisible(full);
}

void PlayerPanel::showPosition(qint64 seconds, qint64 length) {
    m_slider->setEnabled(length > 0);
    m_slider->setRange(0, static_cast<int>(length));
    // While the user drags, the knob is theirs.
    if (!m_slider->isSliderDown()) m_slider->setValue(static_cast<int>(seconds));
    m_time->setText(QString::fromStdString(Duration::fromSeconds(seconds).toString()) +
                    QStringLiteral(" / ") +
                    QString::fromStdString(Duration::fromSeconds(length).toString()));
}

void PlayerPanel::showVolume(int percent, bool muted) {
    {
        const QSignalBlocker quiet(m_volume);
        if (!m_volume->isSliderDown()) m_volume->setValue(percent);
    }
    m_level->setText(tr("%1 %").arg(m_volume->value()));
    // Greyed while muted: the level is kept for when the sound comes back.
    m_level->setEnabled(!muted);
    m_mute->setChecked(muted);
    showMuteIcon();
}

void PlayerPanel::showMuteIcon() {
    m_mute->setIcon(style()->standardIcon(
        m_mute->isChecked() ? QStyle::SP_MediaVolumeMuted : QStyle::SP_MediaVolume, nullptr, this));
}

void PlayerPanel::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
        showMuteIcon();
}

} // namespace tunewalk
