#pragma once

// Builders for the MP3 and WAV files that tests, fuzz seeds and the benchmark corpus are made
// of. Everything is generated: no audio file is checked in.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tunewalk::fixtures {

struct FrameShape {
    int version = 1;         // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG 2.5
    int bitrateIndex = 9;    // 9 = 128 kbit/s (MPEG-1) or 80 kbit/s (MPEG-2)
    int sampleRateIndex = 0; // 0 = 44100 Hz (MPEG-1) or 22050 Hz (MPEG-2)
    int mode = 0;            // 0 Stereo, 1 Joint Stereo, 2 Dual Channel, 3 Mono
    bool padding = false;
    bool crc = false; // protection bit 0: a 16-bit CRC follows the header
    int layer = 3;    // the bitrate index means the layer's own bitrate
};

std::array<std::uint8_t, 4> frameHeader(const FrameShape& shape);
// Bytes in one frame; falls back to 128 kbit/s and 44100 Hz for free-format or reserved
// indexes so a builder can always lay frames end to end.
int frameLength(const FrameShape& shape);
// `count` frames end to end. Payload bytes never contain 0xFF, so the only frame syncs in the
// result are the headers themselves.
std::string mpegFrames(const FrameShape& shape, int count);
// Frames that a decoder plays as silence (all side information and data zero); the patterned
// payload of mpegFrames() does not decode.
std::string silentMpegFrames(const FrameShape& shape, int count);

enum class VbrKind { Xing, Info, Vbri };
// One frame whose side-info area holds a Xing/Info header (or a VBRI header at offset 36).
// With `frameCount` 0 the frame-count flag is left out.
std::string vbrHeaderFrame(const FrameShape& shape, VbrKind kind, std::uint32_t frameCount,
                           std::uint32_t byteCount);

std::string id3v1Tag(std::string_view title, std::string_view artist = {},
                     std::string_view album = {}, std::string_view year = {},
                     std::string_view comment = {}, int genre = 255);
// The same tag as most taggers write it: each field padded with zero bytes, not spaces. A value
// holding a zero byte itself ("Title\0junk") leaves what follows it in the field.
std::string zeroPaddedId3v1Tag(std::string_view title, std::string_view artist = {},
                               std::string_view album = {}, std::string_view year = {},
                               std::string_view comment = {}, int genre = 255);
// An ID3v2.3 tag whose body holds `bodyBytes` bytes of picture-like data, sprinkled with
// 0xFF 0xFB pairs that look like frame syncs to a reader that does not skip the tag.
std::string id3v2Tag(std::size_t bodyBytes, bool footer = false);
// Tags that taggers put after the audio, before an ID3v1 tag: an APEv2 tag (with its header)
// whose one item holds `valueBytes` bytes sprinkled with frame syncs, and Lyrics3 v1 and v2.
std::string apeTag(std::size_t valueBytes);
std::string lyrics3v1Tag(std::string_view lyrics);
std::string lyrics3v2Tag(std::string_view lyrics);

struct WavShape {
    int channels = 2;
    std::uint32_t sampleRate = 44100;
    int bits = 16;
    std::uint32_t bytesPerSecond = 0; // 0: computed from the fields above
    int blockAlign = 0;               // 0: computed
    std::uint32_t dataBytes = 44100 * 4;
    std::uint32_t statedDataBytes = 0; // 0: dataBytes; otherwise the size written in the header
    bool withData = true;
    std::string extraChunkBeforeData; // raw bytes inserted between "fmt " and "data"
};
std::string wavFile(const WavShape& shape);
// The same file as RF64 (EBU Tech 3306): "RF64", a ds64 chunk first that states the sizes in
// 64 bits (the data size `ds64DataBytes`, or the bytes present when 0), and 0xFFFFFFFF in the
// 32-bit size fields.
std::string rf64File(const WavShape& shape, std::uint64_t ds64DataBytes = 0);
// The same file as big-endian RIFX: "RIFX" and every number most significant byte first.
std::string rifxFile(const WavShape& shape);
// One RIFF chunk: its id, the payload's size, the payload and a pad byte after an odd payload.
// riffChunk("RIFF", "WAVE" + chunks) is a whole file.
std::string riffChunk(std::string_view id, std::string_view payload);

void writeFile(const std::filesystem::path& path, std::string_view bytes);
std::string readFile(const std::filesystem::path& path);

// A byte string of the file with the last 128 bytes removed when they are an ID3v1 tag: what
// must survive every tag write unchanged.
std::string audioPart(const std::string& fileBytes);

} // namespace tunewalk::fixtures
