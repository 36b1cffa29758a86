#include "shell/RegAccess.h"

#include <QtEndian>
#include <algorithm>

namespace tunewalk {

void convertRegValue(std::uint32_t type, const QByteArray& raw, QString& value) {
    switch (type) {
    case RegString: {
        // An odd last byte cannot be half a character; it goes with the cut.
        const qsizetype units = raw.size() / 2;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(raw.constData() + 2 * i));
        // The registry usually counts the terminating NUL in the size; one goes, as written.
        if (text.endsWith(QChar(0))) text.chop(1);
        value = text;
        break;
    }
    case RegNumber32: {
        // Stored least significant byte first; a short value is the low bytes of the number.
        std::uint32_t number = 0;
        for (qsizetype i = std::min<qsizetype>(raw.size(), 4) - 1; i >= 0; --i)
            number = (number << 8) | static_cast<std::uint8_t>(raw[i]);
        // Eight hexadecimal digits read back as a signed 32-bit number, as the reader always
        // did: FFFFFFFF is -1.
        value = QString::number(static_cast<std::int32_t>(number));
        break;
    }
    default:
        break;
    }
}

} // namespace tunewalk
