// libFuzzer entry point for the tag reader. The first byte of an input picks the kind of file,
// the code page for Latin-1 texts and whether the audio properties are read (see TagKinds.h);
// the rest is the file, read from memory. The same bytes also go through the code-page decoder
// in every page.
//
// TagLib, and Qt and uchardet under the decoder, are the system's libraries, built without
// coverage and without the sanitizers. The fuzzer sees the branches of our own code only (the
// reader, the decoder, these checks) and the comparisons those libraries make through memcmp and
// the like, which the sanitizer runtime intercepts; the shape of each result is counted per kind
// below to give the search a little more to go on. AddressSanitizer checks every access our code
// makes, every call into the C library that it intercepts (memcpy, memcmp, strlen, ...), theirs
// included, and every allocation, theirs included, so leaks anywhere are found; an access out of
// bounds that their own compiled code makes goes unseen unless it crashes. Crashes and hangs
// anywhere are caught.

#include "FuzzFail.h"
#include "TagKinds.h"
#include "metadata/tags/TagReader.h"

#include <taglib/tbytevector.h>
#include <taglib/tbytevectorstream.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>

namespace tunewalk::fuzz {
namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto lead = static_cast<unsigned char>(s[i]);
        std::size_t more = 0;
        char32_t cp = 0, least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            more = 1, cp = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            more = 2, cp = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            more = 3, cp = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (s.size() - i <= more) return false;
        for (std::size_t k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += more + 1;
    }
    return true;
}

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes.substr(0, 64)) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return bytes.size() > 64 ? out + "..." : out;
}

// Per kind: one counter for each thing a result has, and one holding how many it has. libFuzzer
// keeps an input that gives a kind a result of a shape not seen before, which is all it can
// learn of TagLib's paths.
constexpr std::size_t kShapes = 20;
__attribute__((used, section("__libfuzzer_extra_counters")))
std::uint8_t shapeCounters[kKindCount][kShapes];

void checkTags(const AudioTags& tags, int kind) {
    const auto where = [&](const char* field) {
        return std::string(kTagKinds[static_cast<std::size_t>(kind)]) + " " + field + " ";
    };
    std::uint8_t* counters = shapeCounters[kind];
    std::size_t shape = 1;
    const auto seen = [&](bool present) {
        if (present) {
            counters[shape] = 1;
            ++counters[0];
        }
        ++shape;
    };
    const std::pair<const char*, const std::string*> texts[] = {
        {"title", &tags.title},       {"artist", &tags.artist},
        {"album", &tags.album},       {"album artist", &tags.albumArtist},
        {"genre", &tags.genre},       {"comment", &tags.comment},
        {"composer", &tags.composer}, {"format", &tags.format}};
    for (const auto& [name, text] : texts) {
        if (!validUtf8(*text)) fail("tags-utf8", where(name) + hex(*text));
        seen(!text->empty());
    }
    const std::pair<const char*, std::int64_t> numbers[] = {
        {"track", tags.track},       {"track total", tags.trackTotal},
        {"disc", tags.disc},         {"disc total", tags.discTotal},
        {"year", tags.year},         {"lengthMs", tags.lengthMs},
        {"bitrate", tags.bitrate},   {"sample rate", tags.sampleRate},
        {"channels", tags.channels}, {"bit depth", tags.bitDepth}};
    for (const auto& [name, value] : numbers) {
        if (value < 0) fail("tags-negative", where(name) + std::to_string(value));
        seen(value != 0);
    }
    seen(tags.hasCover);
}

// The first bytes are decoded as a tag text, those after them are the sample the automatic page
// guesses from: as much as a tag's other texts hold, since the guess is what costs (uchardet
// reads the sample eight times over).
constexpr std::size_t kTextBytes = 64, kSampleBytes = 256;

void checkCodePages(std::string_view bytes) {
    const std::string_view text = bytes.substr(0, kTextBytes);
    const std::string_view sample = bytes.substr(text.size(), kSampleBytes);
    const bool printable =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    std::array<std::string, kCodePageCount> outs;
    for (int i = 0; i < kCodePageCount; ++i) {
        const auto page = static_cast<CodePage>(i);
        const std::string& out = outs[static_cast<std::size_t>(i)] =
            decodeCodePage(text, page, sample);
        const auto report = [&](const char* check) {
            fail(check, codePageName(page) + " (" + std::to_string(i) + "): " + hex(text) +
                            " gave " + hex(out));
        };
        if (!validUtf8(out)) report("codepage-utf8");
        if (text.empty() && !out.empty()) report("codepage-empty");
        // Printable ASCII stays as it is in every fixed page but Shift-JIS, whose 0x5C and 0x7E
        // some tables take for the yen sign and the overline.
        if (printable && page != CodePage::ShiftJis && page != CodePage::Automatic && out != text)
            report("codepage-ascii");
        if (page == CodePage::Utf8 && out != text && validUtf8(text)) report("codepage-utf8-kept");
    }
    // Automatic reads the text in one of the other pages, whichever it guessed.
    const std::string& automatic = outs[static_cast<std::size_t>(CodePage::Automatic)];
    if (std::count(outs.begin(), outs.end(), automatic) < 2)
        fail("codepage-automatic", hex(text) + " gave " + hex(automatic) + " in no page");
}

std::optional<AudioTags> read(std::string_view file, const std::string& kind,
                              const TagReadOptions& options) {
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(file.data(), static_cast<unsigned int>(file.size())));
    return readAudioTagsFrom(stream, kind, options);
}

// What the tags say, not the stream (whose format is named in full only with its properties).
auto tagFields(const AudioTags& t) {
    return std::tie(t.title, t.artist, t.album, t.albumArtist, t.genre, t.comment, t.composer,
                    t.track, t.trackTotal, t.disc, t.discTotal, t.year, t.hasCover);
}

// MP3 and WAV can be read without their audio properties: then none is given, and the file is
// read as the same tags, or refused, as with them. An MP3's tags are then looked for only where
// taggers put them, so it may give none where TagLib's search finds some; never others.
void checkWithoutProperties(std::string_view file, const std::string& kind, TagReadOptions options,
                            const std::optional<AudioTags>& tags) {
    options.audioProperties = true;
    const auto full = read(file, kind, options);
    if (tags.has_value() != full.has_value())
        fail("tags-properties-refusal", kind + (tags ? " read only without" : " read only with"));
    if (!tags || !full) return;
    if (tags->lengthMs || tags->bitrate || tags->sampleRate || tags->channels || tags->bitDepth)
        fail("tags-properties-unasked", kind + " gave stream properties when told not to");
    static const AudioTags none;
    const bool missed = kind == "mp3" && tagFields(*tags) == tagFields(none);
    if (!missed && tagFields(*tags) != tagFields(*full))
        fail("tags-properties-fields", kind + " tags differ with and without the properties");
}

} // namespace
} // namespace tunewalk::fuzz

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
// TagLib is built without frame pointers, so the fast unwinder walks on through its frames into
// whatever the stack holds, and each allocation records a stack never seen before: the store of
// stacks grows without end (some 900 MB after 20,000 runs of one input, each run slower than the
// last). Two frames, the allocator and its caller, are still sound. ASAN_OPTIONS overrides this;
// to see the whole path to a leaked or freed block, replay its input with
// ASAN_OPTIONS=malloc_context_size=30:fast_unwind_on_malloc=0.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=2";
}
#endif
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tunewalk;
    using namespace tunewalk::fuzz;
    if (size == 0) return 0;
    const TagControl control = decodeTagControl(data[0]);
    const std::string_view file(reinterpret_cast<const char*>(data) + 1, size - 1);

    TagReadOptions options;
    options.latin1Page = control.page;
    options.audioProperties = control.audioProperties;
    const std::string kind(kTagKinds[static_cast<std::size_t>(control.kind)]);
    const auto tags = read(file, kind, options);
    if (tags) checkTags(*tags, control.kind);
    if (!control.audioProperties && (kind == "mp3" || kind == "wav"))
        checkWithoutProperties(file, kind, options, tags);

    checkCodePages(file);
    return 0;
}
