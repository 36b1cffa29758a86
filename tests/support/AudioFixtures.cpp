#include "AudioFixtures.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace tunewalk::fixtures {
namespace {

// Layers I, II, III of MPEG-1, then of MPEG-2 and 2.5.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
constexpr int kRates[3][4] = {
    {44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}, {11025, 12000, 8000, 0}};

void putBE32(std::string& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<char>(v >> 24);
    s[at + 1] = static_cast<char>(v >> 16);
    s[at + 2] = static_cast<char>(v >> 8);
    s[at + 3] = static_cast<char>(v);
}

void putLE(std::string& s, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string fixed(std::string_view text, std::size_t width, char pad = ' ') {
    std::string out(text.substr(0, width));
    out.resize(width, pad);
    return out;
}

} // namespace

std::array<std::uint8_t, 4> frameHeader(const FrameShape& shape) {
    const int versionBits = shape.version == 1 ? 3 : shape.version == 2 ? 2 : 0;
    const int layerBits = 4 - shape.layer;
    std::uint8_t b1 = static_cast<std::uint8_t>(0xE0 | (versionBits << 3) | (layerBits << 1) |
                                                (shape.crc ? 0x00 : 0x01));
    std::uint8_t b2 = static_cast<std::uint8_t>(((shape.bitrateIndex & 15) << 4) |
                                                ((shape.sampleRateIndex & 3) << 2) |
                                                (shape.padding ? 0x02 : 0x00));
    std::uint8_t b3 = static_cast<std::uint8_t>(((shape.mode & 3) << 6) | 0x04);
    return {0xFF, b1, b2, b3};
}

int frameLength(const FrameShape& shape) {
    const int family = shape.version == 1 ? 0 : shape.version == 2 ? 1 : 2;
    int kbps = kBitrates[family == 0 ? 0 : 1][shape.layer - 1][shape.bitrateIndex & 15];
    int rate = kRates[family][shape.sampleRateIndex & 3];
    if (kbps == 0) kbps = 128;
    if (rate == 0) rate = 44100;
    const int pad = shape.padding ? 1 : 0;
    if (shape.layer == 1) return (12000 * kbps / rate + pad) * 4;
    const int factor = shape.layer == 3 && shape.version != 1 ? 72000 : 144000;
    return factor * kbps / rate + pad;
}

std::string mpegFrames(const FrameShape& shape, int count) {
    const auto header = frameHeader(shape);
    const int length = frameLength(shape);
    std::string out;
    out.reserve(static_cast<std::size_t>(length) * static_cast<std::size_t>(count));
    for (int f = 0; f < count; ++f) {
        out.append(reinterpret_cast<const char*>(header.data()), 4);
        for (int i = 4; i < length; ++i)
            out += static_cast<char>((i * 37 + f) & 0x7F);
    }
    return out;
}

std::string silentMpegFrames(const FrameShape& shape, int count) {
    std::string out = mpegFrames(shape, count);
    const auto length = static_cast<std::size_t>(frameLength(shape));
    for (std::size_t i = 0; i < out.size(); ++i)
        if (i % length >= 4) out[i] = '\0';
    return out;
}

std::string vbrHeaderFrame(const FrameShape& shape, VbrKind kind, std::uint32_t frameCount,
                           std::uint32_t byteCount) {
    std::string frame = mpegFrames(shape, 1);
    std::fill(frame.begin() + 4, frame.end(), '\0');
    if (kind == VbrKind::Vbri) {
        const std::size_t at = 36;
        frame.replace(at, 4, "VBRI");
        frame[at + 4] = 0;
        frame[at + 5] = 1; // version
        putBE32(frame, at + 10, byteCount);
        putBE32(frame, at + 14, frameCount);
        return frame;
    }
    const bool mono = shape.mode == 3;
    std::size_t sideInfo = shape.version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const std::size_t at = 4 + sideInfo;
    frame.replace(at, 4, kind == VbrKind::Xing ? "Xing" : "Info");
    std::uint32_t flags = 0;
    std::size_t field = at + 8;
    if (frameCount > 0) {
        flags |= 0x1;
        putBE32(frame, field, frameCount);
        field += 4;
    }
    flags |= 0x2;
    putBE32(frame, field, byteCount);
    putBE32(frame, at + 4, flags);
    return frame;
}

std::string id3v1Tag(std::string_view title, std::string_view artist, std::string_view album,
                     std::string_view year, std::string_view comment, int genre) {
    std::string tag = "TAG";
    tag += fixed(title, 30);
    tag += fixed(artist, 30);
    tag += fixed(album, 30);
    tag += fixed(year, 4);
    tag += fixed(comment, 30);
    tag += static_cast<char>(genre & 0xFF);
    return tag;
}

std::string zeroPaddedId3v1Tag(std::string_view title, std::string_view artist,
                               std::string_view album, std::string_view year,
                               std::string_view comment, int genre) {
    std::string tag = "TAG";
    const std::pair<std::string_view, std::size_t> fields[] = {
        {title, 30}, {artist, 30}, {album, 30}, {year, 4}, {comment, 30}};
    for (const auto& [text, width] : fields)
        tag += fixed(text, width, '\0');
    tag += static_cast<char>(genre & 0xFF);
    return tag;
}

std::string id3v2Tag(std::size_t bodyBytes, bool footer) {
    std::string tag = "ID3";
    tag += '\x03';
    tag += '\x00';
    tag += static_cast<char>(footer ? 0x10 : 0x00);
    const auto size = static_cast<std::uint32_t>(bodyBytes);
    tag += static_cast<char>((size >> 21) & 0x7F);
    tag += static_cast<char>((size >> 14) & 0x7F);
    tag += static_cast<char>((size >> 7) & 0x7F);
    tag += static_cast<char>(size & 0x7F);
    for (std::size_t i = 0; i < bodyBytes; ++i)
        tag += static_cast<char>(i % 97 == 5 ? 0xFF : i % 97 == 6 ? 0xFB : (i * 13) & 0xFF);
    if (footer) {
        tag += "3DI";
        tag.append(tag, 3, 7);
    }
    return tag;
}

std::string apeTag(std::size_t valueBytes) {
    std::string item;
    putLE(item, static_cast<std::uint32_t>(valueBytes), 4);
    putLE(item, 0, 4); // flags
    item += std::string("Cover Art (Front)") + '\0';
    for (std::size_t i = 0; i < valueBytes; ++i)
        item += static_cast<char>(i % 50 == 0 ? 0xFF : i % 50 == 1 ? 0xFB : (i * 7) & 0x7F);
    const auto block = [&](bool header) {
        std::string b = "APETAGEX";
        putLE(b, 2000, 4);
        putLE(b, static_cast<std::uint32_t>(item.size() + 32), 4); // items and footer
        putLE(b, 1, 4);
        putLE(b, 0x80000000u | (header ? 0x20000000u : 0u), 4); // has a header; is it
        b += std::string(8, '\0');
        return b;
    };
    return block(true) + item + block(false);
}

std::string lyrics3v1Tag(std::string_view lyrics) {
    return "LYRICSBEGIN" + std::string(lyrics) + "LYRICSEND";
}

std::string lyrics3v2Tag(std::string_view lyrics) {
    std::string body = "LYRICSBEGIN";
    const std::string size = std::to_string(lyrics.size());
    body += "LYR" + std::string(5 - size.size(), '0') + size + std::string(lyrics);
    const std::string total = std::to_string(body.size());
    return body + std::string(6 - total.size(), '0') + total + "LYRICS200";
}

std::string wavFile(const WavShape& shape) {
    const int blockAlign =
        shape.blockAlign ? shape.blockAlign : shape.channels * ((shape.bits + 7) / 8);
    const std::uint32_t bps = shape.bytesPerSecond
                                  ? shape.bytesPerSecond
                                  : shape.sampleRate * static_cast<std::uint32_t>(blockAlign);
    std::string body = "WAVE";
    body += "fmt ";
    putLE(body, 16, 4);
    putLE(body, 1, 2); // PCM
    putLE(body, static_cast<std::uint32_t>(shape.channels), 2);
    putLE(body, shape.sampleRate, 4);
    putLE(body, bps, 4);
    putLE(body, static_cast<std::uint32_t>(blockAlign), 2);
    putLE(body, static_cast<std::uint32_t>(shape.bits), 2);
    body += shape.extraChunkBeforeData;
    if (shape.withData) {
        body += "data";
        putLE(body, shape.statedDataBytes ? shape.statedDataBytes : shape.dataBytes, 4);
        for (std::uint32_t i = 0; i < shape.dataBytes; ++i)
            body += static_cast<char>((i * 7) & 0x3F);
    }
    std::string file = "RIFF";
    putLE(file, static_cast<std::uint32_t>(body.size()), 4);
    return file + body;
}

std::string rf64File(const WavShape& shape, std::uint64_t ds64DataBytes) {
    std::string file = wavFile(shape);
    const std::size_t data = file.find("data", 36);
    file.replace(data + 4, 4, "\xFF\xFF\xFF\xFF");
    std::string ds64;
    const std::uint64_t riffSize = file.size() + 36 - 8;
    const std::uint64_t dataSize = ds64DataBytes ? ds64DataBytes : shape.dataBytes;
    for (const std::uint64_t v : {riffSize, dataSize, std::uint64_t{shape.dataBytes / 4}}) {
        putLE(ds64, static_cast<std::uint32_t>(v), 4);
        putLE(ds64, static_cast<std::uint32_t>(v >> 32), 4);
    }
    putLE(ds64, 0, 4); // no table of other sizes
    file.insert(12, riffChunk("ds64", ds64));
    file.replace(0, 8, "RF64\xFF\xFF\xFF\xFF");
    return file;
}

std::string rifxFile(const WavShape& shape) {
    std::string file = wavFile(shape);
    // Each number field of the header, with its width, reversed in place.
    const std::pair<std::size_t, std::size_t> numbers[] = {
        {4, 4}, {16, 4}, {20, 2}, {22, 2}, {24, 4}, {28, 4}, {32, 2}, {34, 2}, {40, 4}};
    for (const auto& [at, width] : numbers)
        std::reverse(file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + width));
    file.replace(0, 4, "RIFX");
    return file;
}

std::string riffChunk(std::string_view id, std::string_view payload) {
    std::string chunk(id);
    putLE(chunk, static_cast<std::uint32_t>(payload.size()), 4);
    chunk += payload;
    if (payload.size() % 2 != 0) chunk += '\0';
    return chunk;
}

void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write fixture " + path.string());
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string audioPart(const std::string& fileBytes) {
    if (fileBytes.size() > 128 && fileBytes.compare(fileBytes.size() - 128, 3, "TAG") == 0)
        return fileBytes.substr(0, fileBytes.size() - 128);
    return fileBytes;
}

} // namespace tunewalk::fixtures
