#include "FuzzPlan.h"

#include <array>
#include <climits>

namespace tunewalk::fuzz {
namespace {

// Layout of the control bytes.
enum Byte : std::size_t {
    atFieldMask,    // bits 0-4 text fields, bit 5 genre, bits 6-7 confirmation
    atHeaderMask,   // bits 0-2 bitrate / sample rate / channels, bit 3 all frames, 4-7 channels
    atBitrate,      // index into kBitrates
    atSampleRate,   // index into kSampleRates
    atGenre,        // see genreFor
    atTextSeed,     // seeds the text generator
    atTitleArtist,  // length indexes: low nibble title, high nibble artist
    atAlbumComment, // low nibble album, high nibble comment
    atYearFlavour,  // low nibble year length, high nibble character set
    atWavMask,      // bits 0-2 sample bits / rate / channels, bit 3 decline, 4-7 channels
    atWavBits,      // index into kWavBits
    atWavRate,      // index into kWavRates
};
static_assert(atWavRate + 1 == kControlBytes);

// Around the field widths (30 and 4) and well past them.
constexpr std::array<std::size_t, 16> kLengths = {0,  1,  2,  3,  4,  5,  7,   12,
                                                  29, 30, 31, 32, 40, 64, 100, 200};

// Every Layer III bitrate of both versions, "(unknown)" and values no header can hold,
// including ones that do not fit the editor's 16-bit field.
constexpr std::array<int, 32> kBitrates = {
    0,   8,   16,  24,  32,   40,    48,    56,          64,      80,     96,
    112, 128, 144, 160, 192,  224,   256,   320,         -1,      1,      7,
    127, 129, 321, 448, 1000, 32767, 32768, 65536 + 128, INT_MIN, INT_MAX};

constexpr std::array<int, 16> kSampleRates = {44100, 48000, 32000,   22050,  24000, 16000,
                                              0,     44100, 22050,   11025,  8000,  1,
                                              -1,    96000, INT_MIN, INT_MAX};

const std::array<std::string, 16> kChannels = {"Stereo",       "Joint Stereo",
                                               "Dual Channel", "Mono",
                                               "Stereo",       "Joint Stereo",
                                               "Dual Channel", "Mono",
                                               "(unknown)",    "",
                                               "mono",         "Stereo ",
                                               "Joint",        std::string("Mono\0", 5),
                                               "Dual channel", "X"};

constexpr std::array<int, 16> kWavBits = {0,  1,  4,  8,  8,  12, 16, 16,
                                          20, 24, 24, 32, 33, 64, -1, 65536};

// Far beyond anything a header holds, down to values whose products overflow 64 bits: the
// editor must report those, not compute them.
constexpr std::array<std::int64_t, 16> kWavRates = {0,
                                                    1,
                                                    8000,
                                                    11025,
                                                    22050,
                                                    44100,
                                                    48000,
                                                    96000,
                                                    192000,
                                                    2147483647LL,
                                                    2147483648LL,
                                                    4294967295LL,
                                                    4294967296LL,
                                                    -1,
                                                    1099511627776LL,
                                                    9223372036854775807LL};

constexpr std::array<int, 16> kWavChannels = {0,  1,     2,     1,      2,       1,  2, 3,
                                              -1, 65535, 65536, -65536, INT_MAX, -2, 2, INT_MIN};

constexpr std::array<int, 14> kOddGenres = {255,  256,  -1,    254,     257,     511, 512,
                                            -255, 1000, 65535, INT_MIN, INT_MAX, 255, 255};

int genreFor(std::uint8_t b) {
    // 0-147 are genres, 148-199 are numbers without a name, the rest odd values.
    if (b < 200) return b;
    return kOddGenres[static_cast<std::size_t>(b - 200) % kOddGenres.size()];
}

class TextMaker {
public:
    TextMaker(std::uint8_t seed, std::uint8_t flavour)
        : m_state(seed * 2654435761u + 1), m_flavour(flavour) {}

    std::string make(std::size_t length) {
        std::string text;
        text.reserve(length);
        for (std::size_t i = 0; i < length; ++i)
            text += character();
        // Surrounding spaces are dropped when the field is read back; make sure that happens.
        if ((m_flavour & 4) && !text.empty()) {
            text.front() = ' ';
            text.back() = ' ';
        }
        return text;
    }

private:
    char character() {
        m_state = m_state * 1103515245u + 12345u;
        const auto r = static_cast<std::uint8_t>(m_state >> 16);
        switch (m_flavour & 3) {
        case 0: // letters and digits
            return "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[r % 62];
        case 1: // printable ASCII with spaces
            return static_cast<char>(0x20 + r % 0x5F);
        case 2: // Latin-1 letters above ASCII
            return static_cast<char>(0xA1 + r % 0x5F);
        default: // any byte, NUL included
            return static_cast<char>(r);
        }
    }

    std::uint32_t m_state;
    std::uint8_t m_flavour;
};

} // namespace

Plan decodePlan(const std::uint8_t* c) {
    Plan plan;
    Mp3Plan& m = plan.mp3;
    TextMaker text(c[atTextSeed], static_cast<std::uint8_t>(c[atYearFlavour] >> 4));
    const auto length = [](std::uint8_t nibble) { return kLengths[nibble & 15]; };

    const std::uint8_t fields = c[atFieldMask];
    if (fields & 0x01) m.title = text.make(length(c[atTitleArtist]));
    if (fields & 0x02) m.artist = text.make(length(c[atTitleArtist] >> 4));
    if (fields & 0x04) m.album = text.make(length(c[atAlbumComment]));
    if (fields & 0x08) m.year = text.make(length(c[atYearFlavour]));
    if (fields & 0x10) m.comment = text.make(length(c[atAlbumComment] >> 4));
    if (fields & 0x20) m.genre = genreFor(c[atGenre]);
    constexpr Confirm kConfirms[4] = {Confirm::Absent, Confirm::No, Confirm::Yes, Confirm::Yes};
    m.confirm = kConfirms[fields >> 6];

    const std::uint8_t header = c[atHeaderMask];
    if (header & 0x01) m.bitrate = kBitrates[c[atBitrate] % kBitrates.size()];
    if (header & 0x02) m.sampleRate = kSampleRates[c[atSampleRate] % kSampleRates.size()];
    if (header & 0x04) m.channels = kChannels[header >> 4];
    m.allFrames = header & 0x08;

    WavPlan& w = plan.wav;
    const std::uint8_t wav = c[atWavMask];
    if (wav & 0x01) w.sampleBits = kWavBits[c[atWavBits] % kWavBits.size()];
    if (wav & 0x02) w.sampleRate = kWavRates[c[atWavRate] % kWavRates.size()];
    if (wav & 0x04) w.channels = kWavChannels[wav >> 4];
    w.decline = wav & 0x08;
    return plan;
}

std::string controlFor(std::uint8_t textMask, bool allFrames, std::uint8_t variant) {
    std::array<std::uint8_t, kControlBytes> c{};
    c[atFieldMask] = static_cast<std::uint8_t>((textMask & 0x3F) | 0x80); // confirmation yes
    c[atHeaderMask] =
        static_cast<std::uint8_t>(0x07 | (allFrames ? 0x08 : 0) | ((variant & 3) << 4));
    c[atBitrate] = static_cast<std::uint8_t>(variant * 5);
    c[atSampleRate] = static_cast<std::uint8_t>(variant);
    c[atGenre] = static_cast<std::uint8_t>(variant * 37);
    c[atTextSeed] = variant;
    c[atTitleArtist] = static_cast<std::uint8_t>(0x9A + variant);
    c[atAlbumComment] = static_cast<std::uint8_t>(0xB8 ^ variant);
    c[atYearFlavour] = static_cast<std::uint8_t>(((variant % 8) << 4) | 4);
    c[atWavMask] = static_cast<std::uint8_t>(0x07 | ((variant % 3) << 4));
    c[atWavBits] = static_cast<std::uint8_t>(variant * 3);
    c[atWavRate] = static_cast<std::uint8_t>(variant * 7);
    return std::string(c.begin(), c.end());
}

} // namespace tunewalk::fuzz
