#include "metadata/tags/CodePage.h"

#include "common/Latin1.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QList>

#include <uchardet.h>

#include <algorithm>
#include <memory>
#include <utility>

namespace tunewalk {

namespace {

struct PageInfo {
    CodePage page;
    const char* name;
    // The codec Qt (with ICU) decodes the page with; none for those decoded here.
    const char* codec;
};

constexpr PageInfo pageInfos[] = {
    {CodePage::Latin1, "Latin-1", nullptr},
    {CodePage::Windows1250, "Windows-1250", "windows-1250"},
    {CodePage::Windows1251, "Windows-1251", "windows-1251"},
    {CodePage::Windows1252, "Windows-1252", "windows-1252"},
    {CodePage::Windows1253, "Windows-1253", "windows-1253"},
    {CodePage::Windows1254, "Windows-1254", "windows-1254"},
    {CodePage::Windows1255, "Windows-1255", "windows-1255"},
    {CodePage::Windows1256, "Windows-1256", "windows-1256"},
    {CodePage::Windows1257, "Windows-1257", "windows-1257"},
    {CodePage::Koi8R, "KOI8-R", "KOI8-R"},
    {CodePage::ShiftJis, "Shift-JIS", "Shift_JIS"},
    {CodePage::Gbk, "GBK", "GBK"},
    {CodePage::Big5, "Big5", "Big5"},
    // Korean Windows wrote its own superset of EUC-KR, with every Hangul syllable; it reads
    // plain EUC-KR the same.
    {CodePage::EucKr, "EUC-KR", "windows-949"},
    {CodePage::Automatic, "Automatic", nullptr},
    {CodePage::Utf8, "UTF-8", nullptr},
};

const PageInfo& infoOf(CodePage page) {
    return *std::find_if(std::begin(pageInfos), std::end(pageInfos),
                         [&](const PageInfo& info) { return info.page == page; });
}

QByteArrayView view(std::string_view bytes) {
    return {bytes.data(), static_cast<qsizetype>(bytes.size())};
}

// Byte for byte: each byte is the code point of the same number, as the program has always
// shown these texts.
std::string latin1(std::string_view bytes) {
    return latin1ToUtf8(bytes);
}

// The text in a fixed page (or UTF-8), and whether the page had a character for every byte. One
// cut off at the end (a field of fixed length ends inside it) is left out; a byte the page has
// nothing for becomes U+FFFD.
std::pair<std::string, bool> decodeIn(std::string_view bytes, CodePage page) {
    if (page == CodePage::Latin1) return {latin1(bytes), true};
    QStringDecoder decoder = page == CodePage::Utf8 ? QStringDecoder(QStringDecoder::Utf8)
                                                    : QStringDecoder(infoOf(page).codec);
    if (!decoder.isValid()) return {latin1(bytes), true}; // a Qt without ICU knows none of them
    QString text = decoder.decode(view(bytes));
    const bool clean = !decoder.hasError();
    // ICU gives SUB for a byte it cannot read in the East Asian pages, which shows as nothing.
    if (!clean) text.replace(QChar(0x1A), QChar::ReplacementCharacter);
    return {text.toStdString(), clean};
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// What uchardet names, as the page a tag in that script was most likely written in: Windows'
// own page where ISO and the old Mac and DOS pages differ in a few letters only. The rest
// (Western pages, EUC-JP, the 7-bit ISO-2022 forms) is Latin-1.
CodePage pageOfCharset(std::string_view charset) {
    static const std::pair<std::string_view, CodePage> charsets[] = {
        {"WINDOWS-1250", CodePage::Windows1250},
        {"ISO-8859-2", CodePage::Windows1250},
        {"IBM852", CodePage::Windows1250},
        {"MAC-CENTRALEUROPE", CodePage::Windows1250},
        {"ISO-8859-16", CodePage::Windows1250},
        {"WINDOWS-1251", CodePage::Windows1251},
        {"ISO-8859-5", CodePage::Windows1251},
        {"IBM855", CodePage::Windows1251},
        {"IBM866", CodePage::Windows1251},
        {"MAC-CYRILLIC", CodePage::Windows1251},
        {"KOI8-R", CodePage::Koi8R},
        {"WINDOWS-1253", CodePage::Windows1253},
        {"ISO-8859-7", CodePage::Windows1253},
        {"ISO-8859-9", CodePage::Windows1254},
        {"ISO-8859-3", CodePage::Windows1254},
        {"WINDOWS-1255", CodePage::Windows1255},
        {"ISO-8859-8", CodePage::Windows1255},
        {"WINDOWS-1256", CodePage::Windows1256},
        {"ISO-8859-6", CodePage::Windows1256},
        {"WINDOWS-1257", CodePage::Windows1257},
        {"ISO-8859-13", CodePage::Windows1257},
        {"ISO-8859-4", CodePage::Windows1257},
        {"SHIFT_JIS", CodePage::ShiftJis},
        {"GB18030", CodePage::Gbk},
        {"BIG5", CodePage::Big5},
        {"EUC-TW", CodePage::Big5},
        {"EUC-KR", CodePage::EucKr},
        {"UHC", CodePage::EucKr},
    };
    for (const auto& [name, page] : charsets)
        if (name == charset) return page;
    return CodePage::Latin1;
}

CodePage askUchardet(std::string_view text) {
    const std::unique_ptr<uchardet, void (*)(uchardet_t)> detector(uchardet_new(), uchardet_delete);
    if (uchardet_handle_data(detector.get(), text.data(), text.size()) != 0)
        return CodePage::Latin1;
    uchardet_data_end(detector.get());
    return pageOfCharset(uchardet_get_charset(detector.get()));
}

} // namespace

const std::vector<CodePage>& allCodePages() {
    static const std::vector<CodePage> pages = [] {
        std::vector<CodePage> out;
        for (const PageInfo& info : pageInfos)
            if (info.page != CodePage::Utf8) out.push_back(info.page);
        return out;
    }();
    return pages;
}

std::string codePageName(CodePage page) {
    return infoOf(page).name;
}

std::optional<CodePage> codePageFromName(std::string_view name) {
    for (const PageInfo& info : pageInfos)
        if (name == info.name) return info.page;
    return std::nullopt;
}

// Texts read right by Automatic with uchardet 0.0.7, from the table of realistic tags in
// CodePageTest (fields beyond ASCII on their own; whole tags, each field with the others):
//
//   page          fields  tags       page          fields  tags
//   Western       17/17   10/10      Turkish       11/13   6/6
//   Russian 1251  20/24    8/8       Hebrew        18/18   6/6
//   Ukrainian     14/18    6/6       Arabic        13/18   5/6
//   KOI8-R        13/18    6/6       Baltic 1257    6/8    6/6
//   1250          15/15    8/8       Shift-JIS     22/24   8/8
//   Greek         18/18    6/6       GBK           17/24   8/8
//   Korean        17/21    7/7       Big5          16/21   4/7
//
// Plain English is always Latin-1. Without the repetition below the Shift-JIS, GBK, Big5 and
// Korean fields were 11/24, 3/24, 1/21 and 9/21, and GBK tags 5/8; it costs three Arabic and one
// KOI8-R field, which it takes for Chinese. Big5 tags are most often taken for GBK.
CodePage detectCodePage(std::string_view sample) {
    if (isAscii(sample)) return CodePage::Latin1;
    // Valid UTF-8 with a whole character beyond ASCII is all but never an 8-bit text by chance
    // (a Latin-1 "Café" ends in what would start one, which proves nothing).
    if (const auto [text, clean] = decodeIn(sample, CodePage::Utf8); clean && !isAscii(text))
        return CodePage::Utf8;
    // uchardet's Chinese, Japanese and Korean analysers say nothing below a few characters, and
    // tag texts are short: the text said a few times over reaches them with the same statistics.
    std::string repeated;
    for (int i = 0; i < 8; ++i)
        (repeated += sample) += '\n';
    const CodePage page = askUchardet(repeated);
    const auto [text, clean] = decodeIn(sample, page);
    // A page that cannot read the text is wrong; one that reads it as Latin-1 does (uchardet
    // names a Central European or Turkish page for é, ö and ç) is no better than Latin-1.
    return clean && text != latin1(sample) ? page : CodePage::Latin1;
}

std::string decodeCodePage(std::string_view bytes, CodePage page, std::string_view sample) {
    if (page == CodePage::Automatic) {
        const std::string joined = sample.find(bytes) == std::string_view::npos
                                       ? std::string(bytes) + ' ' += sample
                                       : std::string(sample);
        page = detectCodePage(joined);
    }
    return decodeIn(bytes, page).first;
}

std::string encodeCodePage(std::string_view utf8, CodePage page, std::size_t maxBytes) {
    if (page == CodePage::Automatic) page = CodePage::Latin1;
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::string out;
    for (const uint code : text.toUcs4()) {
        const char32_t c = code;
        std::string bytes;
        if (page == CodePage::Utf8) {
            bytes = QString::fromUcs4(&c, 1).toStdString();
        } else if (page == CodePage::Latin1) {
            bytes.assign(1, c <= 0xFF ? char(c) : '?');
        } else {
            // One character at a time, checked on the way back: a page's converter may put
            // its own substitute where it has no character.
            const QString one = QString::fromUcs4(&c, 1);
            QStringEncoder encoder(infoOf(page).codec);
            const QByteArray encoded = encoder(one);
            QStringDecoder decoder(infoOf(page).codec);
            const QString back = decoder(encoded);
            bytes = !encoder.hasError() && !decoder.hasError() && back == one
                        ? encoded.toStdString()
                        : std::string("?");
        }
        if (out.size() + bytes.size() > maxBytes) break;
        out += bytes;
    }
    return out;
}

} // namespace tunewalk
