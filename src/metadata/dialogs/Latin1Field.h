#pragma once

#include <QClipboard>
#include <QLineEdit>
#include <functional>

class QLabel;

namespace tunewalk {

// A text field of an ID3v1 tag. Of what the user types, pastes, drops or composes with an input
// method, it keeps the ISO 8859-1 characters, in order, up to its length; the rest is left out
// and named by leftOut(). Refusing a whole paste for one character the tag cannot hold would
// lose the part it can.
class Latin1Field : public QLineEdit {
    Q_OBJECT
public:
    explicit Latin1Field(int maxLength, QWidget* parent = nullptr);

    // Shows in `note` what this field left out, until the user's next edit of it.
    void reportTo(QLabel* note);

signals:
    // The characters of one entry the field could not hold, each named once.
    void leftOut(const QString& characters);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // When `text` holds what the field cannot: runs `edit` with the rest (perhaps nothing),
    // names what was left out and returns true. Otherwise does nothing: QLineEdit's own
    // handling stays exactly as it is for the text a tag can hold.
    bool enter(const QString& text, const std::function<void(const QString&)>& edit);
    // Like enter(), for the text on the clipboard's `mode`: pastes what can be held.
    bool pasteStorable(QClipboard::Mode mode);
};

} // namespace tunewalk
