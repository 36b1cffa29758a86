#pragma once

#include "common/Duration.h"
#include "common/KeyedCollection.h"
#include "common/NameIDPair.h"
#include "common/Result.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tunewalk {

// Reads and rewrites the format fields of a RIFF/WAVE file ("fmt " chunk) and reads the size of
// its "data" chunk (RIFF and RF64; big-endian RIFX files are refused). Chunks are found by
// walking the chunk headers, so the identifiers' bytes in other chunks are never taken for them.
// The sample data is never written.
class WAVInfo {
public:
    using ConfirmFn = std::function<bool(const std::string& question)>;
    // Told when a derived field cannot be recomputed after an assignment (for example a
    // division by zero); the field keeps its old value.
    using ErrorFn = std::function<void(const std::string& description)>;

    static constexpr const char* HeaderQuestion =
        "Are you sure you want to modify the header data in this file?";

    WAVInfo();

    // False only when the file could not be read or its fields are unusable; a file without
    // the identifiers loads with every field 0.
    bool LoadWAV(const std::string& fileName);
    // Writes the five format fields after confirmation. Ok when written, declined or
    // unchanged; a failure names the file and why: an error (the system's reason), fields that
    // do not fit, or a file without a format chunk (NoFormatHeader).
    Result SaveWAV();
    // True when the last load or save found a big-endian (RIFX) file, which it refused: the load
    // fails and the save writes nothing.
    bool BigEndian() const { return m_bigEndian; }
    // True when the last load or save found the file readable but without a "fmt " chunk.
    bool NoFormatHeader() const { return m_noFormatHeader; }
    // Where in the file SaveWAV writes its 14 bytes (channels through bits per sample), as the
    // last load found it; -1 when the file has no format chunk.
    std::int64_t FormatFieldsAt() const { return m_formatFieldsAt; }

    // Without a confirmation every change is declined.
    void setConfirmHeaderChange(ConfirmFn confirm) { m_confirm = std::move(confirm); }
    void setErrorReporter(ErrorFn report) { m_reportError = std::move(report); }

    const std::string& Filename() const { return m_filename; }
    void setFilename(std::string fileName) { m_filename = std::move(fileName); }

    int SampleBits() const { return m_sampleBits; }
    void setSampleBits(int bits);
    std::int64_t SampleRate() const { return m_sampleRate; }
    void setSampleRate(std::int64_t hz);
    int Channels() const { return m_channels; }
    void setChannels(int channels);
    std::int64_t BytesPerSecond() const { return m_bytesPerSecond; }
    std::int64_t BlockAlign() const { return m_blockAlign; }
    std::int64_t DataLength() const { return m_dataLength; }
    Duration Length() const { return m_length; }
    void setLength(Duration length) { m_length = length; }

    const KeyedCollection<NameIDPair>& ChannelList() const { return m_channelList; }
    static constexpr int MaxSampleBits() { return 32; }
    static constexpr std::int32_t MaxSampleRate() { return 2147483647; }
    static constexpr int MaxChannels() { return 2; }

private:
    void recomputeDerived();
    static std::string channelName(int channels);

    std::string m_filename;
    int m_sampleBits = 0;
    std::int64_t m_sampleRate = 0;
    int m_channels = 0;
    std::int64_t m_bytesPerSecond = 0;
    std::int64_t m_blockAlign = 0;
    std::int64_t m_dataLength = 0;
    Duration m_length;
    bool m_headerChanged = false;
    bool m_noFormatHeader = false;
    bool m_bigEndian = false;
    std::int64_t m_formatFieldsAt = -1;

    ConfirmFn m_confirm;
    ErrorFn m_reportError;
    KeyedCollection<NameIDPair> m_channelList;
};

} // namespace tunewalk
