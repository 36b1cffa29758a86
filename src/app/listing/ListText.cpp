#include "app/listing/ListText.h"

#include "app/listing/ListEntry.h"
#include "common/Duration.h"
#include "common/NativePath.h"

#include <QCoreApplication>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <utility>

namespace tunewalk {

QString modifiedText(const QDateTime& when) {
    return QLocale::system().toString(when, QLocale::ShortFormat);
}

namespace {
const QString Unknown = QStringLiteral("(unknown)");

// Files show their tag's fields; WAV and AIFF files seldom have any, and show a blank for one
// they lack.
QStringView tagField(const ListEntry& e, const QString& value) {
    if (!e.isFile() || !e.detailsIn) return {};
    if (value.isEmpty() && isPlainSound(e.kind)) return {};
    return value.isEmpty() ? QStringView(Unknown) : QStringView(value);
}

QString numberOf(int number, int total) {
    if (number <= 0) return {};
    return total > 0 ? QStringLiteral("%1/%2").arg(number).arg(total) : QString::number(number);
}

// The chosen columns' texts: blank where the file does not tell.
QString chosenText(const ListEntry& e, int column) {
    if (!e.isFile() || !e.detailsIn) return {};
    const AudioDetails& d = e.details;
    if (const auto text = sortText(e, column)) return text->toString();
    switch (column) {
    case Col::TrackNumber:
        return numberOf(d.track, d.trackTotal);
    case Col::Disc:
        return numberOf(d.disc, d.discTotal);
    case Col::Year:
        return d.year > 0 ? QString::number(d.year) : QString();
    case Col::SampleRate:
        return d.sampleRate > 0 ? QStringLiteral("%1 Hz").arg(d.sampleRate) : QString();
    case Col::Channels:
        return d.channels > 0 ? QString::number(d.channels) : QString();
    case Col::BitDepth:
        return d.bitDepth > 0 ? QString::number(d.bitDepth) : QString();
    case Col::Cover:
        return d.hasCover ? QCoreApplication::translate("ListRow", "Yes") : QString();
    default:
        return {};
    }
}
} // namespace

std::optional<QStringView> sortText(const ListEntry& e, int column) {
    const TagTexts& t = e.details.tagTexts();
    const auto field = [&e](const QString& value) {
        return e.isFile() && e.detailsIn ? QStringView(value) : QStringView();
    };
    switch (column) {
    case Col::Track:
        return trackText(e);
    case Col::Artist:
        return artistText(e);
    case Col::Album:
        return field(t.album);
    case Col::AlbumArtist:
        return field(t.albumArtist);
    case Col::Genre:
        return field(t.genre);
    case Col::Comment:
        return field(t.comment);
    case Col::Composer:
        return field(t.composer);
    case Col::Format:
        return field(e.details.format);
    default:
        return std::nullopt;
    }
}

std::optional<int> sortNumber(const ListEntry& e, int column) {
    const AudioDetails& d = e.details;
    const bool known = e.isFile() && e.detailsIn;
    switch (column) {
    case Col::TrackNumber:
        return known ? d.track : 0;
    case Col::Disc:
        return known ? d.disc : 0;
    case Col::Year:
        return known ? d.year : 0;
    case Col::SampleRate:
        return known ? d.sampleRate : 0;
    case Col::Channels:
        return known ? d.channels : 0;
    case Col::BitDepth:
        return known ? d.bitDepth : 0;
    case Col::Cover:
        return known && d.hasCover ? 1 : 0;
    default:
        return std::nullopt;
    }
}

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
        if (!e.isFile() || !e.detailsIn || isPlainSound(e.kind)) return {};
        return e.details.bitrate > 0 ? QString::number(e.details.bitrate) + QStringLiteral("kbps")
                                     : Unknown;
    case Col::Size:
        if (e.kind == RowKind::Folder)
            return e.detailsIn ? formatSize(e.size) : QStringLiteral(" ");
        return e.isFile() && e.statIn ? formatSize(e.size) : QString();
    case Col::Modified:
        if (!e.statIn) return {};
        return modifiedText(QDateTime::fromMSecsSinceEpoch(e.modifiedNs / 1000000));
    default:
        return chosenText(e, column);
    }
}

namespace {
// A digit stands as "0" where it meets a character that is no digit, so a name sorts the same
// whatever digit its run starts with (and the same as its natural key).
QChar foldedForSort(QChar c) {
    return c.isDigit() ? QChar(u'0') : c.toCaseFolded();
}

// The bounds of the digit run starting at `i`: its first digit after the leading zeros, and
// its end.
std::pair<qsizetype, qsizetype> digitRun(QStringView text, qsizetype i) {
    const qsizetype n = text.size();
    while (i < n && text[i] == QLatin1Char('0'))
        ++i;
    qsizetype end = i;
    while (end < n && text[end].isDigit())
        ++end;
    return {i, end};
}
} // namespace

bool naturalLess(QStringView a, QStringView b) {
    qsizetype i = 0, j = 0;
    const qsizetype n = a.size(), m = b.size();
    while (i < n && j < m) {
        const QChar ca = a[i], cb = b[j];
        if (ca.isDigit() && cb.isDigit()) {
            // Compare the two runs of digits by value: without leading zeros, the longer run
            // is the larger number, then the first differing digit decides.
            const auto [si, ei] = digitRun(a, i);
            const auto [sj, ej] = digitRun(b, j);
            if (ei - si != ej - sj) return ei - si < ej - sj;
            for (qsizetype k = 0; k < ei - si; ++k)
                if (a[si + k] != b[sj + k]) return a[si + k] < b[sj + k];
            i = ei;
            j = ej;
            continue;
        }
        const QChar fa = foldedForSort(ca), fb = foldedForSort(cb);
        if (fa != fb) return fa < fb;
        ++i;
        ++j;
    }
    if (i < n || j < m) return j < m; // the shorter text first
    return a < b;
}

QString naturalKey(QStringView text) {
    QString key;
    key.reserve(2 * text.size() + 1);
    for (qsizetype i = 0, n = text.size(); i < n;) {
        if (!text[i].isDigit()) {
            key += text[i++].toCaseFolded();
            continue;
        }
        // A run of digits: "0", then its length (no run is near 65,535 digits), then its digits.
        const auto [start, end] = digitRun(text, i);
        key += QChar(u'0');
        key += QChar(static_cast<char16_t>(std::min<qsizetype>(end - start + 1, 0xFFFF)));
        key += text.sliced(start, end - start);
        i = end;
    }
    // Texts alike by the rule fall back to plain order; a key that is the start of another
    // sorts first, as the shorter text does.
    key += QChar(u'\0');
    key += text;
    return key;
}

} // namespace tunewalk
