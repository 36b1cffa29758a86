#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunewalk {

// The 8-bit code pages old tags were written in. Latin-1 is what the ID3v1 standard names;
// Automatic guesses the page from the text itself. UTF-8 is no choice of its own: it is what
// Automatic takes for a text in it, as many taggers wrote UTF-8 where Latin-1 belonged.
enum class CodePage {
    Latin1,
    Windows1250,
    Windows1251,
    Windows1252,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Koi8R,
    ShiftJis,
    Gbk,
    Big5,
    EucKr,
    Automatic,
    Utf8,
};

// Every page, in the order a menu offers them (all but UTF-8).
const std::vector<CodePage>& allCodePages();
// The page's name as the settings keep it and the menu shows it ("Latin-1", "Windows-1251",
// "Shift-JIS", "Automatic").
std::string codePageName(CodePage page);
std::optional<CodePage> codePageFromName(std::string_view name);

// The bytes of a tag text written in `page`, as UTF-8, always valid: what the page has no
// character for becomes U+FFFD, a character cut off at the end is left out. For Automatic,
// `sample` (the other texts of the same tag, if any) helps the guess; a sample that holds
// `bytes` already is taken as it is.
std::string decodeCodePage(std::string_view bytes, CodePage page, std::string_view sample = {});
// A UTF-8 text as the bytes of `page` (Automatic writes Latin-1), at most `maxBytes` of them,
// never a character cut in two: what the page has no character for becomes '?'.
std::string encodeCodePage(std::string_view utf8, CodePage page,
                           std::size_t maxBytes = std::string::npos);
// The fixed page (or UTF-8) Automatic takes for a text: Latin-1 for ASCII and when nothing fits
// better.
CodePage detectCodePage(std::string_view sample);

} // namespace tunewalk
