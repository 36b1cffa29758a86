#pragma once

#include "common/Duration.h"
#include "common/KeyedCollection.h"
#include "common/NameIDPair.h"
#include "common/Result.h"
#include "metadata/codec/BinaryFile.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tunewalk {

// Reads and writes the ID3v1 tag at the end of an MP3 file and the header of its first MPEG
// audio frame (any layer of MPEG-1, MPEG-2 and MPEG 2.5 is read; Layer III of MPEG-1 and MPEG-2
// rewritten). Text fields hold the tag's bytes as they are
// (ISO 8859-1), not UTF-8.
//
// Use: LoadMP3, read or assign properties, SaveMP3. SaveMP3 writes only to the file as the last
// load (or save) left it: one changed by someone else since then is refused until it is loaded
// again, and saving twice in a row needs no load in between.
class MP3TagEditor {
public:
    using LookupList = KeyedCollection<NameIDPair>;
    // Asked before frame headers are rewritten; true means go ahead.
    using ConfirmFn = std::function<bool(const std::string& question)>;

    static constexpr const char* HeaderQuestion =
        "Are you sure you want to modify the header data in this file? \r\n\r\n"
        "This is only recommended if the bitrate and sample rate are currently (unknown), the new "
        "values are not (unknown), and you are certain of the new values. Otherwise this may "
        "result in damage to the MP3 file.";
    static constexpr int NoTagGenre = 256;
    static constexpr int NoneGenre = 255;

    MP3TagEditor();

    // False only when the file could not be read; a file without any audio frame loads.
    bool LoadMP3(const std::string& fileName);
    // Writes the tag over the one the file ends with now, or appends it, then, when a header
    // value was assigned a new value and the confirmation says yes, the first frame header
    // (every frame header with AllFrames). A failure names the file and why: an error (the
    // system's reason), a failed load, or a change to the file since it was loaded
    // (ChangedSinceLoad).
    Result SaveMP3(bool AllFrames = false);
    // True when the last SaveMP3 was refused because the file's size or modification time is
    // no longer what the last load or save saw: the fields may describe another tag.
    bool ChangedSinceLoad() const { return m_changedSinceLoad; }
    // The file's size and modification time as the last load or save saw it; none when it
    // could not be read.
    const std::optional<BinaryFile::Stamp>& Stamp() const { return m_stamp; }
    // The 128 bytes the last successful SaveMP3 wrote as the tag.
    const std::string& WrittenTag() const { return m_writtenTag; }

    // Without a confirmation every header change is declined: the codec has nobody to ask.
    void setConfirmHeaderChange(ConfirmFn confirm) { m_confirm = std::move(confirm); }

    const std::string& Filename() const { return m_filename; }
    void setFilename(std::string fileName) { m_filename = std::move(fileName); }
    bool TagExists() const { return m_tagExists; }
    void setTagExists(bool exists) { m_tagExists = exists; }

    // A field's text ends at its first zero byte (most taggers pad with zeros, and some leave
    // junk after them); blanks at either end are trimmed. Assigning the text a field reads as
    // keeps its bytes as they were read, so a field nobody changed is written back unchanged.
    std::string Title() const { return fieldText(m_title); }
    void setTitle(const std::string& v) { assign(m_title, v, 30); }
    std::string Artist() const { return fieldText(m_artist); }
    void setArtist(const std::string& v) { assign(m_artist, v, 30); }
    std::string Album() const { return fieldText(m_album); }
    void setAlbum(const std::string& v) { assign(m_album, v, 30); }
    std::string Year() const { return fieldText(m_year); }
    void setYear(const std::string& v) { assign(m_year, v, 4); }
    // Without the track number of an ID3v1.1 tag (a zero byte, then the track, at the end).
    std::string Comment() const { return fieldText(m_comment); }
    // A comment of up to 28 characters keeps the track number the loaded tag carried.
    void setComment(const std::string& v);
    // The ID3v1.1 track number the comment field now carries; 0 for none.
    int Track() const { return trackOf(m_comment); }
    // Puts a track number (1 to 255) into the comment field's last two bytes, or takes it out
    // with 0.
    void setTrack(int track);

    // The fields from a tag's 128 bytes ("TAG" first), as a load reads them; false for bytes
    // that are no tag.
    bool ReadTag(const std::string& tag);
    // The 128 bytes of the tag the fields make, as SaveMP3 writes them.
    std::string RenderTag() const;
    int Genra() const { return m_genra; }
    void setGenra(int genre) { m_genra = genre; }

    int Version() const { return m_version; }
    void setVersion(int version) { m_version = static_cast<std::int16_t>(version); }
    int Bitrate() const { return m_bitrate; }
    void setBitrate(int kbps);
    int SampleRate() const { return m_sampleRate; }
    void setSampleRate(int hz);
    const std::string& Channels() const { return m_channels; }
    void setChannels(const std::string& mode);
    Duration Length() const { return m_length; }
    void setLength(Duration length) { m_length = length; }

    // The bitrate the first frame's header states. Bitrate is the audio's: it differs only for
    // a constant-bitrate stream whose first frame is an Info frame of another bitrate.
    int HeaderBitrate() const { return m_headerBitrate; }
    // 1, 2 or 3 for the first frame's layer; 0 when no frame was found.
    int Layer() const { return m_layer; }
    // True for MPEG 2.5 (8 to 12 kHz); Version then says 2, as the header's version bit does.
    bool Mpeg25() const { return m_mpeg25; }
    // "MPEG-1 Layer III" and the like for the first frame; empty when none was found.
    std::string HeaderKind() const;
    // False for the headers whose bits SaveMP3 cannot rewrite: Layer I and II, and MPEG 2.5.
    bool HeaderRewritable() const;

    // True when the last load found a tag beside ID3v1: an ID3v2 tag before the audio, or an
    // APE or Lyrics3 tag after it.
    bool OtherTags() const { return m_otherTags; }
    // True when the first frame carries a Xing or VBRI header with a frame count.
    bool VBR() const { return m_vbr; }
    // Whole-file average in kbit/s for a VBR file, otherwise Bitrate.
    int AverageBitrate() const { return m_averageBitrate; }

    static constexpr int DefaultBitrate() { return 128; }

    const LookupList& GenraList() const { return m_genraList; }
    const LookupList& BitrateList1() const { return m_bitrateList1; }
    const LookupList& BitrateList2() const { return m_bitrateList2; }
    const LookupList& SampleRateList1() const { return m_sampleRateList1; }
    const LookupList& SampleRateList2() const { return m_sampleRateList2; }
    const LookupList& ChannelsList() const { return m_channelsList; }

    static int BitrateLookupByID(std::uint8_t id, int version);
    static int SampleRateLookupByID(std::uint8_t id, int version);
    static std::string ChannelsLookupByID(std::uint8_t id);
    static std::string GenraLookupByID(int id);

private:
    void ClearFields();
    static std::string PadToWidth(const std::string& text, std::size_t width);
    static std::string fieldText(const std::string& field);
    static void assign(std::string& field, const std::string& text, std::size_t width);
    // The track number of an ID3v1.1 comment field; 0 for none.
    static std::uint8_t trackOf(const std::string& comment);
    Result rewriteFrameHeaders(class BinaryFile& file, bool allFrames);

    std::string m_filename;
    bool m_tagExists = false;
    std::string m_title, m_artist, m_album, m_year, m_comment;
    std::uint8_t m_track = 0; // of the tag as loaded (or last saved)
    int m_genra = NoneGenre;
    std::int16_t m_version = 1;
    std::int16_t m_bitrate = 0;
    std::int32_t m_sampleRate = 0;
    std::string m_channels;
    Duration m_length;
    bool m_vbr = false;
    int m_averageBitrate = 0;
    int m_headerBitrate = 0;
    int m_layer = 0;
    bool m_mpeg25 = false;
    bool m_otherTags = false;
    std::int64_t m_frameAt = -1; // where the first frame starts, as the last load found it

    bool m_headerChanged = false;
    bool m_bitrateChanged = false;
    bool m_sampleRateChanged = false;
    bool m_channelsChanged = false;

    // The file as the last load or save saw it; empty when there is nothing to write back to.
    std::optional<BinaryFile::Stamp> m_stamp;
    bool m_changedSinceLoad = false;
    std::string m_writtenTag;

    ConfirmFn m_confirm;
    LookupList m_genraList, m_bitrateList1, m_bitrateList2, m_sampleRateList1, m_sampleRateList2,
        m_channelsList;
};

} // namespace tunewalk
