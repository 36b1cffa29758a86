#include "app/listing/ListText.h"

#include <QLocale>
#include <cmath>

namespace tunewalk {

QString modifiedText(const QDateTime& when) {
    return QLocale::system().toString(when, QLocale::ShortFormat);
}

QString sortableTime(const QDateTime& when) {
    // Built by hand: the AM/PM text must not follow the locale, and it comes before the hour.
    const QTime t = when.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QStringLiteral("%1 %2 %3:%4:%5")
        .arg(when.date().toString(QStringLiteral("yyyy/MM/dd")),
             t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM"))
        .arg(hour12, 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'));
}

QString paddedSize(qint64 bytes) {
    return QStringLiteral("%1").arg(bytes, 12, 10, QLatin1Char('0'));
}

bool naturalLess(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    const qsizetype n = a.size(), m = b.size();
    while (i < n && j < m) {
        const QChar ca = a[i], cb = b[j];
        if (ca.isDigit() && cb.isDigit()) {
            // Compare the two runs of digits by value: skip leading zeros, then the longer run
            // is the larger number, then the first differing digit decides.
            qsizetype si = i, sj = j;
            while (si < n && a[si] == QLatin1Char('0'))
                ++si;
            while (sj < m && b[sj] == QLatin1Char('0'))
                ++sj;
            qsizetype ei = si, ej = sj;
            while (ei < n && a[ei].isDigit())
                ++ei;
            while (ej < m && b[ej].isDigit())
                ++ej;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            for (qsizetype k = 0; k < ei - si; ++k)
                if (a[si + k] != b[sj + k]) return a[si + k] < b[sj + k];
            i = ei;
            j = ej;
            continue;
        }
        const QChar fa = ca.toCaseFolded(), fb = cb.toCaseFolded();
        if (fa != fb) return fa < fb;
        ++i;
        ++j;
    }
    if (i < n || j < m) return j < m; // the shorter text first
    return a < b;
}

} // namespace tunewalk
