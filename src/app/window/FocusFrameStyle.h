#pragma once

#include <QProxyStyle>

namespace tunewalk {

// The application's style, with the frame of a focused pane (the tree, the list) drawn in the
// highlight colour, as a focused text field's is: several styles draw a pane with the keyboard
// focus exactly like one without it.
class FocusFrameStyle : public QProxyStyle {
public:
    FocusFrameStyle();
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

} // namespace tunewalk
