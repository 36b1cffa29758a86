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

bool ListFilter::contains(QStringView text) const {
    if (text.isEmpty()) return false;
    // Plain ASCII folds to its lower case: compared as it is.
    if (isAscii(text)) return m_asciiNeedle && text.contains(m_needle, Qt::CaseInsensitive);
    const QString key = text.toString();
    auto folded = m_folded.constFind(key);
    if (folded == m_folded.cend()) folded = m_folded.insert(key, foldForFilter(text));
    return folded->contains(m_needle);
}

bool ListFilter::matches(QStringView name, QStringView track, QStringView artist) const {
    return m_needle.isEmpty() || contains(name) || contains(track) || contains(artist);
}

QString totalLengthText(qint64 seconds) {
    // As the Length column shows a file's length ("hh:mm:ss"), but the hours go on past a day.
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    const auto two = [](qint64 n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("%1:%2:%3").arg(two(h), two(m), two(s));
}

} // namespace tunewalk
