#include "metadata/tags/CodePage.h"

namespace tunewalk {

const std::vector<CodePage>& allCodePages() {
    static const std::vector<CodePage> pages{CodePage::Latin1};
    return pages;
}

std::string codePageName(CodePage) {
    return "Latin-1";
}

std::optional<CodePage> codePageFromName(std::string_view name) {
    if (name == "Latin-1") return CodePage::Latin1;
    return std::nullopt;
}

CodePage detectCodePage(std::string_view) {
    return CodePage::Latin1;
}

std::string decodeCodePage(std::string_view bytes, CodePage, std::string_view) {
    std::string out;
    for (const unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace tunewalk
