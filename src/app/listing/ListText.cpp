#include "app/listing/ListText.h"

#include "app/listing/ListEntry.h"
#include "common/Duration.h"
#include "common/NativePath.h"

#include <QLocale>
#include <cmath>

namespace tunewalk {

QString modifiedText(const QDateTime& when) {
    return QLocale::system().toString(when, QLocale::ShortFormat);
}

namespace {
const QString Unknown = QStringLiteral("(unknown)");

// Files show their tag's fields; WAV files have none to show.
QStringView tagField(const ListEntry& e, const QString& value) {
    if (!e.isFile() || !e.detailsIn || e.kind == RowKind::WAV) return {};
    return value.isEmpty() ? QStringView(Unknown) : QStringView(value);
}
} // namespace

QStringView trackText(const ListEntry& e) {
    return tagField(e, e.details.title);
}

QStringView artistText(const ListEntry& e) {
    return tagField(e, e.details.artist);
}

QString cellText(const ListEntry& e, int column) {
    switch (column) {
    case Col::Name:
        return displayPath(e.name);
    case Col::Track:
        return trackText(e).toString();
    case Col::Artist:
        return artistText(e).toString();
    case Col::Length:
        if (!e.isFile() || !e.detailsIn) return {};
        return e.details.lengthMs > 0
                   ? QString::fromStdString(
                         Duration::fromSeconds(e.details.lengthMs / 1000).toString())
                   : Unknown;
    case Col::Bitrate:
        if (!e.isFile() || !e.detailsIn || e.kind == RowKind::WAV) return {};
        return e.details.bitrate > 0 ? QString::number(e.details.bitrate) + QStringLiteral("kbps")
                                     : Unknown;
    case Col::Size:
        if (e.kind == RowKind::Folder) return e.detailsIn ? formatSize(e.size) : QStringLiteral(" ");
        return e.isFile() && e.statIn ? formatSize(e.size) : QString();
    case Col::Modified:
        if (!e.statIn) return {};
        return modifiedText(QDateTime::fromMSecsSinceEpoch(e.modifiedNs / 1000000));
    default:
        return {};
    }
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
