#include "app/window/PlayerPanel.h"

#include "common/Duration.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QResizeEvent>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

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

// A picture drawn as large as the label is, its aspect kept, in the screen's own pixels. It
// never asks for height: the panel's controls set that, and the panel its width.
class CoverLabel : public QLabel {
public:
    explicit CoverLabel(QWidget* parent) : QLabel(parent) {
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
        setAlignment(Qt::AlignCenter);
    }
    void setCover(const QImage& image) {
        m_image = image;
        refresh();
    }
    bool hasCover() const { return !m_image.isNull(); }
    // The width the picture takes at this height: its aspect kept, up to twice as wide as tall.
    int widthFor(int h) const {
        if (m_image.isNull() || h <= 0) return 0;
        return std::min(2 * h, qRound(h * double(m_image.width()) / m_image.height()));
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        refresh();
    }
    void paintEvent(QPaintEvent* event) override {
        // Moved to a screen of another scale.
        if (!pixmap().isNull() && pixmap().devicePixelRatio() != devicePixelRatioF()) refresh();
        QLabel::paintEvent(event);
    }

private:
    void refresh() {
        const qreal ratio = devicePixelRatioF();
        const QSize box = size() * ratio;
        if (m_image.isNull() || box.isEmpty()) {
            clear();
            return;
        }
        QPixmap picture =
            QPixmap::fromImage(m_image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        picture.setDevicePixelRatio(ratio);
        setPixmap(picture);
    }

    QImage m_image;
};

constexpr int Margin = 6, Spacing = 6;

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
    m_controls = new QVBoxLayout;
    m_controls->setSpacing(0);
    m_controls->addLayout(top);
    m_controls->addLayout(row);
    m_cover = new CoverLabel(this);
    m_cover->setObjectName(QStringLiteral("lblCover"));
    m_cover->setAccessibleName(tr("Cover picture"));
    m_cover->hide();
    m_row = new QHBoxLayout(this);
    m_row->setContentsMargins(Margin, 2, Margin, 2);
    m_row->setSpacing(Spacing);
    m_row->addWidget(m_cover);
    m_row->addLayout(m_controls, 1);
    showPosition(0, 0);
    showVolume(100, false);
}

void PlayerPanel::setFullDisplay(bool full) {
    m_full = full;
    m_caption->setVisible(full);
    placeCover();
}

void PlayerPanel::showCover(const QImage& cover) {
    static_cast<CoverLabel*>(m_cover)->setCover(cover);
    placeCover();
}

void PlayerPanel::placeCover() {
    const auto* cover = static_cast<CoverLabel*>(m_cover);
    const QMargins margins = m_row->contentsMargins();
    const QRect inner = contentsRect().marginsRemoved(margins);
    // The small window is as narrow as its controls allow: there the picture often has no room.
    const int width = cover->widthFor(inner.height());
    m_cover->setFixedWidth(width);
    m_cover->setVisible(cover->hasCover() &&
                        inner.width() - width - Spacing >= m_controls->sizeHint().width());
    m_row->activate(); // placed now, not after the events waiting
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
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) placeCover();
}

void PlayerPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    placeCover();
}

} // namespace tunewalk
