#include "metadata/tags/CoverReader.h"

#include "metadata/tags/TagReader.h"

#include <taglib/aifffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace tunewalk {

namespace {

// The pictures of a file, offered in the order its tags hold them: the first front cover wins,
// else the first picture of all.
class Choice {
public:
    void offer(bool front, const TagLib::String& mimeType, const TagLib::ByteVector& data) {
        if (data.isEmpty() || data.size() > MaxCoverBytes) return;
        if (m_picture && (m_front || !front)) return;
        m_picture = CoverPicture{std::string(data.data(), data.size()), mimeType.to8Bit(true)};
        m_front = front;
    }
    std::optional<CoverPicture> take() { return std::move(m_picture); }

private:
    std::optional<CoverPicture> m_picture;
    bool m_front = false;
};

void offerId3v2(TagLib::ID3v2::Tag* tag, Choice& choice) {
    if (!tag) return;
    using TagLib::ID3v2::AttachedPictureFrame;
    for (const auto* frame : tag->frameListMap()["APIC"]) {
        const auto* picture = dynamic_cast<const AttachedPictureFrame*>(frame);
        // "-->" marks a link to a picture elsewhere, not a picture.
        if (!picture || picture->mimeType() == "-->") continue;
        choice.offer(picture->type() == AttachedPictureFrame::FrontCover, picture->mimeType(),
                     picture->picture());
    }
}

void offerFlac(const TagLib::List<TagLib::FLAC::Picture*>& pictures, Choice& choice) {
    for (const auto* picture : pictures)
        choice.offer(picture->type() == TagLib::FLAC::Picture::FrontCover, picture->mimeType(),
                     picture->data());
}

// TagLib gives the older COVERART field (a bare picture in base 64) as a picture too.
void offerXiph(TagLib::Ogg::XiphComment* tag, Choice& choice) {
    if (tag) offerFlac(tag->pictureList(), choice);
}

const char* mp4MimeType(TagLib::MP4::CoverArt::Format format) {
    switch (format) {
    case TagLib::MP4::CoverArt::JPEG:
        return "image/jpeg";
    case TagLib::MP4::CoverArt::PNG:
        return "image/png";
    case TagLib::MP4::CoverArt::BMP:
        return "image/bmp";
    case TagLib::MP4::CoverArt::GIF:
        return "image/gif";
    default:
        return "";
    }
}

template <typename OggFile> bool offerOgg(TagLib::IOStream* stream, Choice& choice) {
    OggFile f(stream, false);
    if (!f.isValid()) return false;
    offerXiph(f.tag(), choice);
    return true;
}

// Reads the tags of the file's kind, the stream's properties left alone; false when the file
// is not of its kind.
bool offerByKind(const std::string& ext, TagLib::IOStream* stream, Choice& choice) {
    if (ext == "mp3") {
        TagLib::MPEG::File f(stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid()) return false;
        if (f.hasID3v2Tag()) offerId3v2(f.ID3v2Tag(), choice);
        return true;
    }
    if (ext == "wav") {
        TagLib::RIFF::WAV::File f(stream, false);
        if (!f.isValid()) return false;
        if (f.hasID3v2Tag()) offerId3v2(f.ID3v2Tag(), choice);
        return true;
    }
    if (ext == "aif" || ext == "aiff") {
        TagLib::RIFF::AIFF::File f(stream, false);
        if (!f.isValid()) return false;
        if (f.hasID3v2Tag()) offerId3v2(f.tag(), choice);
        return true;
    }
    if (ext == "flac") {
        TagLib::FLAC::File f(stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid()) return false;
        offerFlac(f.pictureList(), choice);
        if (f.hasXiphComment()) offerXiph(f.xiphComment(), choice);
        if (f.hasID3v2Tag()) offerId3v2(f.ID3v2Tag(), choice);
        return true;
    }
    if (ext == "opus") return offerOgg<TagLib::Ogg::Opus::File>(stream, choice);
    if (ext == "ogg" || ext == "oga") {
        if (offerOgg<TagLib::Ogg::Vorbis::File>(stream, choice)) return true;
        stream->seek(0);
        return offerOgg<TagLib::Ogg::Opus::File>(stream, choice);
    }
    if (ext == "m4a") {
        TagLib::MP4::File f(stream, false);
        if (!f.isValid()) return false;
        if (f.hasMP4Tag() && f.tag()->contains("covr"))
            for (const auto& art : f.tag()->item("covr").toCoverArtList())
                choice.offer(false, mp4MimeType(art.format()), art.data());
        return true;
    }
    return false;
}

} // namespace

std::optional<CoverPicture> readCoverPicture(const std::string& path, std::string* why) {
    Choice choice;
    if (!readTagFile(path, why, [&](TagLib::IOStream& stream, const std::string& kind) {
            return offerByKind(kind, &stream, choice);
        }))
        return std::nullopt;
    return choice.take();
}

} // namespace tunewalk
