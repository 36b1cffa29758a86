#pragma once

#include <QHash>
#include <QString>
#include <QStringView>
#include <optional>

namespace tunewalk {

// The list's filter: which rows a typed text keeps. Letter case and accents are ignored, so
// "cafe" finds "Café" and "ÉTÉ" finds "ete"; compatibility forms count as their plain letters
// ("ﬁ" is "fi", "²" is "2"), and "ß" is "ss", so "strasse" finds "Straße".
//
// Every row matches by its name (folders too, so the user can still go into one); audio files
// also by their track name and artist. An empty text keeps every row.

// The text as the filter compares it: compatibility decomposition, combining marks dropped,
// case folded.
QString foldForFilter(QStringView text);

class ListFilter {
public:
    // What the user typed; folded here once.
    void setText(QStringView typed);
    // Whether the filter leaves any row out at all.
    bool isActive() const { return !m_needle.isEmpty(); }
    bool matches(QStringView name, QStringView track = {}, QStringView artist = {}) const;
    // Forgets the folded forms kept of the texts met so far (a new folder is listed).
    void clearCache() { m_folded.clear(); }

private:
    bool contains(QStringView text) const;
    QString m_needle;
    bool m_asciiNeedle = true;
    // Folding a name with accents costs a decomposition; each text met is folded once.
    mutable QHash<QString, QString> m_folded;
};

// A total play time for the status bar, "hh:mm:ss" as lengths are shown; hours do not wrap at a
// day.
QString totalLengthText(qint64 seconds);

} // namespace tunewalk
