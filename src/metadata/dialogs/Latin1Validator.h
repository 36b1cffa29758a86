#pragma once

#include <QValidator>

namespace tunewalk {

// Lets a text field hold only what an ID3v1 tag can store: ISO 8859-1, one byte per character.
// A typed or pasted character above U+00FF is refused where it is entered, so a save never has
// to replace anything behind the user's back.
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
