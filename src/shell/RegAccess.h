#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tunewalk {

// The registry's value types the reader turns into text.
enum RegValueType : std::uint32_t { RegString = 1, RegNumber32 = 4 };

// Turns a value as the registry handed it over (`raw`, cut to the size it reported) into the
// reader's text: a string (UTF-16, as the wide registry calls return it) without its trailing
// NUL, a 32-bit number as its decimal text ("258" for the bytes 02 01 00 00). Other types leave
// `value` as it was.
void convertRegValue(std::uint32_t type, const QByteArray& raw, QString& value);

// The machine's registry roots the reader opens.
enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine, Users };

#ifdef _WIN32
// Reads one value of a key; false, with `value` emptied, when the key cannot be opened or the
// value cannot be read.
bool RegGetKeyValue(RegRoot root, const QString& keyName, const QString& valueName, QString& value);
#endif

} // namespace tunewalk
