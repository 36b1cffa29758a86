#pragma once

#include "common/SizeText.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

namespace tunewalk {

// The Modified column: the system locale's short date and time.
QString modifiedText(const QDateTime& when);

// A time as the sort keys hold it: "yyyy/mm/dd AM/PM hh:mm:ss" with a 12-hour clock.
QString sortableTime(const QDateTime& when);

// A size as the sort keys hold it: zero-padded to 12 digits.
QString paddedSize(qint64 bytes);

// The order of the list's sort keys: runs of digits compare as numbers ("D_96kbps" before
// "D_128kbps"), letter case is ignored; texts equal by that rule fall back to plain order.
bool naturalLess(QStringView a, QStringView b);

} // namespace tunewalk
