#include "metadata/dialogs/Latin1Field.h"

#include "metadata/dialogs/Latin1Validator.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace tunewalk {

namespace {

// A paragraph pasted by mistake would otherwise stretch the dialog.
constexpr qsizetype kNamedAtMost = 12;

} // namespace

Latin1Field::Latin1Field(int maxLength, QWidget* parent) : QLineEdit(parent) {
    setMaxLength(maxLength);
    // Text that reaches the field other than through the handlers below is refused whole.
    setValidator(new Latin1Validator(this));
}

void Latin1Field::reportTo(QLabel* note) {
    connect(this, &Latin1Field::leftOut, note, [note](const QString& characters) {
        note->setText(tr("Left out (not in Latin-1): %1").arg(characters));
        note->show();
    });
    connect(this, &QLineEdit::textEdited, note, &QWidget::hide);
}

bool Latin1Field::enter(const QString& text, const std::function<void(const QString&)>& edit) {
    if (Latin1Validator::storable(text)) return false;
    QString kept;
    QList<char32_t> out;
    for (const char32_t c : text.toUcs4()) {
        if (c <= 0xFF)
            kept += QChar(char16_t(c));
        else if (!out.contains(c))
            out << c;
    }
    edit(kept);
    QString named = QString::fromUcs4(out.constData(), std::min(out.size(), kNamedAtMost));
    if (out.size() > kNamedAtMost) named += QChar(0x2026);
    // After the edit, whose textEdited hides an earlier note.
    emit leftOut(named);
    return true;
}

bool Latin1Field::pasteStorable(QClipboard::Mode mode) {
    if (isReadOnly()) return false;
    return enter(QGuiApplication::clipboard()->text(mode), [this](const QString& kept) {
        // Nothing to paste leaves a selection in place rather than deleting it.
        if (!kept.isEmpty()) insert(kept);
    });
}

void Latin1Field::keyPressEvent(QKeyEvent* event) {
    const auto type = [&](const QString& kept) {
        if (kept.isEmpty()) return;
        QKeyEvent storable(event->type(), event->key(), event->modifiers(), kept,
                           event->isAutoRepeat(), event->count());
        QLineEdit::keyPressEvent(&storable);
    };
    if ((event == QKeySequence::Paste && pasteStorable(QClipboard::Clipboard)) ||
        enter(event->text(), type))
        event->accept();
    else
        QLineEdit::keyPressEvent(event);
}

void Latin1Field::inputMethodEvent(QInputMethodEvent* event) {
    // What is being composed shows as it is; only what is committed goes into the text.
    const bool handled = enter(event->commitString(), [&](const QString& kept) {
        QInputMethodEvent storable(event->preeditString(), event->attributes());
        storable.setCommitString(kept, event->replacementStart(), event->replacementLength());
        QLineEdit::inputMethodEvent(&storable);
        event->setAccepted(storable.isAccepted());
    });
    if (!handled) QLineEdit::inputMethodEvent(event);
}

void Latin1Field::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    // The standard menu's Paste is the one action wired to QLineEdit::paste, by name.
    for (QAction* action : menu->actions()) {
        if (disconnect(action, SIGNAL(triggered()), this, SLOT(paste())))
            connect(action, &QAction::triggered, this, [this] {
                if (!pasteStorable(QClipboard::Clipboard)) QLineEdit::paste();
            });
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void Latin1Field::mouseReleaseEvent(QMouseEvent* event) {
    // X11's middle-button paste of the selection.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection() &&
        !isReadOnly() &&
        !Latin1Validator::storable(QGuiApplication::clipboard()->text(QClipboard::Selection))) {
        deselect();
        pasteStorable(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void Latin1Field::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    const bool handled = !isReadOnly() && enter(data->text(), [&](const QString& kept) {
        QMimeData storable;
        storable.setText(kept);
        QDropEvent drop(event->position(), event->possibleActions(), &storable, event->buttons(),
                        event->modifiers());
        drop.setDropAction(event->dropAction());
        QLineEdit::dropEvent(&drop);
        event->setDropAction(drop.dropAction());
        event->setAccepted(drop.isAccepted());
    });
    if (!handled) QLineEdit::dropEvent(event);
}

} // namespace tunewalk
