#include "app/window/FocusFrameStyle.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOption>

namespace tunewalk {

// No base style of its own: it follows the application's, whichever the desktop chose.
FocusFrameStyle::FocusFrameStyle() : QProxyStyle(static_cast<QStyle*>(nullptr)) {}

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (element != PE_Frame || !(option->state & State_HasFocus) ||
        !qobject_cast<const QAbstractItemView*>(widget))
        return;
    const int width = std::max(1, pixelMetric(PM_DefaultFrameWidth, option, widget));
    painter->save();
    painter->setPen(QPen(option->palette.color(QPalette::Active, QPalette::Highlight), width));
    painter->setBrush(Qt::NoBrush);
    const qreal inset = width / 2.0;
    painter->drawRect(QRectF(option->rect).adjusted(inset, inset, -inset, -inset));
    painter->restore();
}

} // namespace tunewalk
