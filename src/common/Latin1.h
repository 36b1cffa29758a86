#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tunewalk {

// Tag fields are stored one byte per character in ISO 8859-1. These convert between those bytes
// and UTF-8 text.

// Every byte has a character, so this cannot fail.
std::string latin1ToUtf8(std::string_view latin1);

// nullopt when the text is not valid UTF-8 or holds a character above U+00FF: such a character
// cannot be stored, and replacing it silently would change what the user typed.
std::optional<std::string> utf8ToLatin1(std::string_view utf8);

} // namespace tunewalk
