#include "app/listing/ListFilter.h"

#include <QList>
#include <algorithm>

namespace tunewalk {

namespace {
bool isAscii(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}
} // namespace

QString foldForFilter(QStringView text) {
    // Most names are plain ASCII: no decomposition to do, and folding is lower case.
    if (isAscii(text)) return text.toString().toLower();

    const QString decomposed = text.toString().normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;
        folded += c;
    }
    folded = folded.toCaseFolded();
    // Qt folds one letter to one letter; "ß" (and its capital, folded to it) stands for "ss".
    folded.replace(QChar(0x00DF), QLatin1String("ss"));
    return folded;
}

void ListFilter::setText(QStringView typed) {
    m_needle = foldForFilter(typed);
    m_asciiNeedle = isAscii(m_needle);
}

bool ListFilter::contains(const QString& text) const {
    if (text.isEmpty()) return false;
    // Plain ASCII folds to its lower case: compared as it is.
    if (isAscii(text)) return m_asciiNeedle && text.contains(m_needle, Qt::CaseInsensitive);
    auto folded = m_folded.constFind(text);
    if (folded == m_folded.cend()) folded = m_folded.insert(text, foldForFilter(text));
    return folded->contains(m_needle);
}

bool ListFilter::matches(const QString& name, const QString& track, const QString& artist) const {
    return m_needle.isEmpty() || contains(name) || contains(track) || contains(artist);
}

std::optional<qint64> lengthSeconds(QStringView cell) {
    const auto parts = cell.split(QLatin1Char(':'));
    if (parts.size() != 3) return std::nullopt;
    qint64 seconds = 0;
    for (const QStringView part : parts) {
        bool ok = false;
        const int value = part.toInt(&ok);
        if (!ok || value < 0) return std::nullopt;
        seconds = seconds * 60 + value;
    }
    return seconds;
}

QString totalLengthText(qint64 seconds) {
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(two(m), two(s))
                 : QStringLiteral("%1:%2").arg(m).arg(two(s));
}

} // namespace tunewalk
