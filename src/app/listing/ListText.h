#pragma once

#include "common/SizeText.h"

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

namespace tunewalk {

struct ListEntry;

// The Modified column: the system locale's short date and time.
QString modifiedText(const QDateTime& when);

// The text a column shows for a row; blank while the value is on its way. Folders show a
// blank size until it is counted.
QString cellText(const ListEntry& entry, int column);
// The Track Name and Artist texts, as the list shows and sorts them and the filter reads them.
QStringView trackText(const ListEntry& entry);
QStringView artistText(const ListEntry& entry);
// The text a text column sorts by (Track Name, Artist, Album, ...); none for other columns.
// Blank where the file has none.
std::optional<QStringView> sortText(const ListEntry& entry, int column);
// The number a numeric chosen column sorts by (Track, Disc, Year, Sample Rate, ...); 0 where
// the file does not tell, and none for other columns.
std::optional<int> sortNumber(const ListEntry& entry, int column);

// The order of the list's names: runs of digits compare as numbers ("track 9" before
// "track 10"), letter case is ignored; texts equal by that rule fall back to plain order.
bool naturalLess(QStringView a, QStringView b);
// A key whose plain order is naturalLess's, for sorting many texts: each is folded once, not
// at every comparison.
QString naturalKey(QStringView text);

} // namespace tunewalk
