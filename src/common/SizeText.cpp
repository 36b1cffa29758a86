#include "common/SizeText.h"

#include <QCoreApplication>
#include <QLocale>
#include <QObject>
#include <cmath>

namespace tunewalk {

// The translation context of the size texts.
class SizeText {
    Q_DECLARE_TR_FUNCTIONS(SizeText)
};

QString formatSize(qint64 bytes) {
    static constexpr qint64 KB = 1024, MB = KB * 1024, GB = MB * 1024;
    if (bytes < KB) return QString::number(bytes) + QStringLiteral(" B");
    const qint64 unit = bytes < MB ? KB : bytes < GB ? MB : GB;
    const char* suffix = bytes < MB ? " KB" : bytes < GB ? " MB" : " GB";
    // Hundredths, cut: 1075 bytes are 1.0498 KB and show as 1.04 KB.
    const auto hundredths = static_cast<qint64>(
        std::floor(static_cast<double>(bytes) * 100.0 / static_cast<double>(unit)));
    QString text = QString::number(hundredths / 100);
    const qint64 fraction = hundredths % 100;
    if (fraction != 0) {
        QString digits = QStringLiteral("%1").arg(fraction, 2, 10, QLatin1Char('0'));
        if (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
        text += QLocale::system().decimalPoint() + digits;
    }
    return text + QLatin1String(suffix);
}

QString formatSizeWithBytes(qint64 bytes) {
    const QString exact = bytes == 1 ? SizeText::tr("1 byte")
                                     : SizeText::tr("%1 bytes").arg(QLocale().toString(bytes));
    if (bytes < 1024) return exact;
    return QStringLiteral("%1 (%2)").arg(formatSize(bytes), exact);
}

} // namespace tunewalk
