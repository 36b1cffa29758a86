#include "app/window/PlayerPanel.h"

#include "common/Duration.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace tunewalk {

PlayerPanel::PlayerPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setAccessibleName(tr("Player"));
    m_caption = new QLabel(tr("Position"), this);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setAccessibleName(tr("Position"));
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

    auto* row = new QHBoxLayout;
    row->addWidget(m_slider, 1);
    row->addWidget(m_time);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 2, 6, 2);
    column->setSpacing(0);
    column->addWidget(m_caption);
    column->addLayout(row);
    showPosition(0, 0);
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

} // namespace tunewalk
