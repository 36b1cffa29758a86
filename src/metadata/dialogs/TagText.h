#pragma once

#include "common/Latin1.h"

#include <QString>
#include <string>

namespace tunewalk {

// Tag bytes as the user reads them. Other taggers pad with NULs where this program pads with
// spaces; trailing padding of either kind is not text the user wrote.
inline QString tagText(const std::string& latin1) {
    QString text = QString::fromUtf8(latin1ToUtf8(latin1));
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == QChar(0) || text[end - 1] == QLatin1Char(' ')))
        --end;
    text.truncate(end);
    return text;
}

} // namespace tunewalk
