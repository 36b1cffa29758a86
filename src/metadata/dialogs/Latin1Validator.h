#pragma once

#include <QValidator>

namespace tunewalk {

// Lets a text field hold only what an ID3v1 tag can store: ISO 8859-1, one byte per character.
// An edit that would bring in a character above U+00FF is refused whole, so a save never has to
// replace anything behind the user's back. Latin1Field keeps the storable part of what the user
// enters before it gets here.
class Latin1Validator : public QValidator {
public:
    using QValidator::QValidator;

    static bool storable(const QString& text) {
        for (const QChar c : text)
            if (c.unicode() > 0xFF) return false;
        return true;
    }

    State validate(QString& input, int&) const override {
        return storable(input) ? Acceptable : Invalid;
    }
};

} // namespace tunewalk
