#include "metadata/tags/TagWriter.h"

#include "metadata/codec/MP3TagEditor.h"
#include "metadata/tags/PlannedFile.h"
#include "metadata/tags/RegularFileStream.h"
#include "metadata/tags/TagReader.h"

#include <taglib/aifffile.h>
#include <taglib/apetag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <mutex>

namespace tunewalk {

bool TagFields::empty() const {
    return !title && !artist && !album && !albumArtist && !genre && !comment && !composer &&
           !track && !trackTotal && !disc && !discTotal && !year && cover == Cover::Keep;
}

namespace {

using TagLib::PropertyMap;
using TagLib::String;
using TagLib::StringList;

String text(const std::string& utf8) {
    return String(utf8, String::UTF8);
}

int leadingNumber(const String& value, bool afterSlash = false) {
    std::string s = value.to8Bit(true);
    std::size_t from = 0;
    if (afterSlash) {
        from = s.find('/');
        if (from == std::string::npos) return 0;
        ++from;
    }
    while (from < s.size() && s[from] == ' ')
        ++from;
    int n = 0;
    std::from_chars(s.data() + from, s.data() + s.size(), n);
    return n > 0 ? n : 0;
}

String firstOf(const PropertyMap& map, const char* key) {
    const auto it = map.find(key);
    return it == map.end() || it->second.isEmpty() ? String() : it->second.front();
}

void put(PropertyMap& map, const char* key, const String& value) {
    if (value.isEmpty())
        map.erase(key);
    else
        map.replace(key, StringList(value));
}

// The fields laid over a tag's properties. Xiph comments keep a total in a key of its own; the
// others write "3/12".
void applyFields(PropertyMap& map, const TagFields& f, bool xiph) {
    const std::pair<const std::optional<std::string>*, const char*> texts[] = {
        {&f.title, "TITLE"},          {&f.artist, "ARTIST"}, {&f.album, "ALBUM"},
        {&f.albumArtist, "ALBUMARTIST"}, {&f.genre, "GENRE"},  {&f.composer, "COMPOSER"}};
    for (const auto& [value, key] : texts)
        if (*value) put(map, key, text(**value));
    if (f.comment) {
        put(map, "COMMENT", text(*f.comment));
        if (xiph) map.erase("DESCRIPTION"); // read before COMMENT by nobody, after it by us
    }
    if (f.year) {
        // A full date that already has this year keeps its month and day.
        const String date = firstOf(map, "DATE");
        if (*f.year == 0)
            map.erase("DATE");
        else if (leadingNumber(date) != *f.year)
            put(map, "DATE", String::number(*f.year));
    }
    const auto number = [&](const std::optional<int>& n, const std::optional<int>& total,
                            const char* key, const char* totalKey, const char* otherTotalKey) {
        if (!n && !total) return;
        const String now = firstOf(map, key);
        int total0 = leadingNumber(now, true);
        if (xiph && total0 == 0) total0 = leadingNumber(firstOf(map, totalKey));
        if (xiph && total0 == 0 && otherTotalKey) total0 = leadingNumber(firstOf(map, otherTotalKey));
        const int value = n ? *n : leadingNumber(now);
        const int all = total ? *total : total0;
        if (xiph) {
            put(map, key, value > 0 ? String::number(value) : String());
            put(map, totalKey, all > 0 ? String::number(all) : String());
            if (otherTotalKey && map.contains(otherTotalKey))
                put(map, otherTotalKey, all > 0 ? String::number(all) : String());
        } else if (value > 0) {
            put(map, key,
                all > 0 ? String::number(value) + "/" + String::number(all) : String::number(value));
        } else {
            map.erase(key);
        }
    };
    number(f.track, f.trackTotal, "TRACKNUMBER", "TRACKTOTAL", "TOTALTRACKS");
    number(f.disc, f.discTotal, "DISCNUMBER", "DISCTOTAL", "TOTALDISCS");
}

// Lays the fields over a tag; whether anything in it changed (a tag nobody changed is not
// rendered anew, so its version and layout stay).
template <typename Tag> bool applyTo(Tag* tag, const TagFields& f, bool xiph) {
    if (!tag) return false;
    const PropertyMap before = tag->properties();
    PropertyMap after = before;
    applyFields(after, f, xiph);
    if (after == before) return false;
    tag->setProperties(after);
    return true;
}

TagLib::ByteVector bytesOf(const std::string& s) {
    return TagLib::ByteVector(s.data(), static_cast<unsigned int>(s.size()));
}

bool coverToId3v2(TagLib::ID3v2::Tag* tag, const TagFields& f) {
    using TagLib::ID3v2::AttachedPictureFrame;
    if (!tag || f.cover == TagFields::Cover::Keep) return false;
    bool changed = false;
    // Set replaces the front cover (and a picture of no stated type); others stay.
    // Taken out of the library's list first: it is changed by the removals (and a copy of it
    // that outlives a change deletes what it holds).
    std::vector<TagLib::ID3v2::Frame*> frames;
    for (TagLib::ID3v2::Frame* frame : tag->frameList("APIC"))
        frames.push_back(frame);
    for (TagLib::ID3v2::Frame* frame : frames) {
        const auto* picture = dynamic_cast<AttachedPictureFrame*>(frame);
        if (f.cover == TagFields::Cover::Remove || !picture ||
            picture->type() == AttachedPictureFrame::FrontCover ||
            picture->type() == AttachedPictureFrame::Other) {
            tag->removeFrame(frame, true);
            changed = true;
        }
    }
    if (f.cover == TagFields::Cover::Set) {
        auto* picture = new AttachedPictureFrame;
        picture->setMimeType(text(f.coverMime));
        picture->setType(AttachedPictureFrame::FrontCover);
        picture->setPicture(bytesOf(f.coverData));
        tag->addFrame(picture);
        changed = true;
    }
    return changed;
}

// FLAC files and Xiph comments keep their pictures alike.
template <typename Holder> bool coverToFlacPictures(Holder& holder, const TagFields& f) {
    using TagLib::FLAC::Picture;
    if (f.cover == TagFields::Cover::Keep) return false;
    bool changed = false;
    std::vector<Picture*> pictures; // as for ID3v2 frames, out of the library's list first
    for (Picture* picture : holder.pictureList())
        pictures.push_back(picture);
    for (Picture* picture : pictures)
        if (f.cover == TagFields::Cover::Remove || picture->type() == Picture::FrontCover ||
            picture->type() == Picture::Other) {
            holder.removePicture(picture, true);
            changed = true;
        }
    if (f.cover == TagFields::Cover::Set) {
        auto* picture = new Picture;
        picture->setType(Picture::FrontCover);
        picture->setMimeType(text(f.coverMime));
        picture->setData(bytesOf(f.coverData));
        holder.addPicture(picture);
        changed = true;
    }
    return changed;
}

bool coverToMp4(TagLib::MP4::Tag* tag, const TagFields& f) {
    if (!tag || f.cover == TagFields::Cover::Keep) return false;
    if (f.cover == TagFields::Cover::Remove) {
        if (!tag->contains("covr")) return false;
        tag->removeItem("covr");
        return true;
    }
    using TagLib::MP4::CoverArt;
    const CoverArt::Format format = f.coverMime == "image/png" ? CoverArt::PNG : CoverArt::JPEG;
    TagLib::MP4::CoverArtList list;
    list.append(CoverArt(format, bytesOf(f.coverData)));
    tag->setItem("covr", TagLib::MP4::Item(list));
    return true;
}

// An MP3's ID3v1 tag with the fields laid over it in `page`, through the codec that reads it.
std::string id3v1InStep(const std::string& old, const TagFields& f, CodePage page) {
    MP3TagEditor editor;
    if (!editor.ReadTag(old)) return old;
    const auto field = [&](const std::optional<std::string>& value,
                           void (MP3TagEditor::*set)(const std::string&), std::size_t width) {
        if (value) (editor.*set)(encodeCodePage(*value, page, width));
    };
    field(f.title, &MP3TagEditor::setTitle, 30);
    field(f.artist, &MP3TagEditor::setArtist, 30);
    field(f.album, &MP3TagEditor::setAlbum, 30);
    if (f.comment) editor.setComment(encodeCodePage(*f.comment, page, editor.Track() ? 28 : 30));
    if (f.year) editor.setYear(*f.year > 0 ? std::to_string(*f.year % 10000) : std::string());
    if (f.track) editor.setTrack(*f.track);
    if (f.genre) {
        if (f.genre->empty()) {
            editor.setGenra(MP3TagEditor::NoneGenre);
        } else {
            const auto same = [](const std::string& a, const std::string& b) {
                return a.size() == b.size() &&
                       std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                           return std::tolower(static_cast<unsigned char>(x)) ==
                                  std::tolower(static_cast<unsigned char>(y));
                       });
            };
            for (int id = 0; id < 255; ++id)
                if (same(MP3TagEditor::GenraLookupByID(id), *f.genre)) {
                    editor.setGenra(id);
                    break;
                }
        }
    }
    return editor.RenderTag();
}

constexpr long TagSize = 128;

// The ID3v1 tag the file ends with, as the codec finds one: it needs audio before it.
std::string trailingId3v1(PlannedFile& file) {
    const long size = file.length();
    if (size <= TagSize) return {};
    file.seek(size - TagSize);
    const TagLib::ByteVector tail = file.readBlock(TagSize);
    if (tail.size() != TagSize || !tail.startsWith("TAG")) return {};
    return std::string(tail.data(), tail.size());
}

void writeId3v1(PlannedFile& file, const TagFields& f, const TagWriteOptions& options) {
    const std::string old = trailingId3v1(file);
    std::string tag;
    if (options.id3v1Tag && options.id3v1Tag->size() == TagSize)
        tag = *options.id3v1Tag;
    else if (!old.empty())
        tag = id3v1InStep(old, f, options.id3v1Page);
    if (tag.empty() || tag == old) return;
    file.seek(old.empty() ? file.length() : file.length() - TagSize);
    file.writeBlock(bytesOf(tag));
}

TagLib::ID3v2::Version id3v2Version(const TagWriteOptions& o) {
    return o.id3v2Version == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
}

// The texts of new ID3v2 frames are written in UTF-8 (UTF-16 in a 2.3 tag, which the library
// turns them into): a frame marked Latin-1 would be read in the user's code page.
void newFramesInUnicode() {
    static std::once_flag once;
    std::call_once(once, [] {
        TagLib::ID3v2::FrameFactory::instance()->setDefaultTextEncoding(String::UTF8);
    });
}

// Saves the fields into the file the stream holds, of kind `ext`. Empty when it went, else why
// not.
std::string saveInto(PlannedFile& stream, const std::string& ext, const TagFields& f,
                     const TagWriteOptions& o) {
    using namespace TagLib;
    const std::string unreadable = "it could not be read as a " + ext + " file";
    const std::string unsaved = "the tag library could not save its tags";
    const bool add = !o.onlyExistingTags;
    if (ext == "mp3") {
        MPEG::File file(&stream, ID3v2::FrameFactory::instance(), false);
        if (!file.isValid()) return unreadable;
        int tags = 0;
        if (add || file.hasID3v2Tag()) {
            ID3v2::Tag* tag = file.ID3v2Tag(true);
            const bool fields = applyTo(tag, f, false);
            if (coverToId3v2(tag, f) || fields) tags |= MPEG::File::ID3v2;
        }
        if (file.hasAPETag() && applyTo(file.APETag(), f, false)) tags |= MPEG::File::APE;
        if (tags && !file.save(tags, File::StripNone, id3v2Version(o), File::DoNotDuplicate))
            return unsaved;
        writeId3v1(stream, f, o);
        return {};
    }
    if (ext == "wav") {
        RIFF::WAV::File file(&stream, false);
        if (!file.isValid()) return unreadable;
        int tags = 0;
        if (add || file.hasID3v2Tag()) {
            ID3v2::Tag* tag = file.ID3v2Tag();
            const bool fields = applyTo(tag, f, false);
            if (coverToId3v2(tag, f) || fields) tags |= RIFF::WAV::File::ID3v2;
        }
        if (file.hasInfoTag() && applyTo(file.InfoTag(), f, false)) tags |= RIFF::WAV::File::Info;
        // What is not saved is left as it is (StripNone), so an ID3v2 chunk is only written
        // alongside an INFO one when it changed.
        if (tags && !file.save(RIFF::WAV::File::TagTypes(tags), File::StripNone, id3v2Version(o)))
            return unsaved;
        return {};
    }
    if (ext == "aif" || ext == "aiff") {
        RIFF::AIFF::File file(&stream, false);
        if (!file.isValid()) return unreadable;
        if (!add && !file.hasID3v2Tag()) return {};
        ID3v2::Tag* tag = file.tag();
        const bool fields = applyTo(tag, f, false);
        if ((coverToId3v2(tag, f) || fields) && !file.save(id3v2Version(o))) return unsaved;
        return {};
    }
    if (ext == "flac") {
        FLAC::File file(&stream, ID3v2::FrameFactory::instance(), false);
        if (!file.isValid()) return unreadable;
        bool changed = false;
        if (add || file.hasXiphComment()) changed |= applyTo(file.xiphComment(true), f, true);
        if (file.hasID3v2Tag()) changed |= applyTo(file.ID3v2Tag(), f, false);
        changed |= coverToFlacPictures(file, f);
        if (changed && !file.save()) return unsaved;
        return {};
    }
    const auto ogg = [&](auto& file) -> std::string {
        if (!file.isValid()) return unreadable;
        Ogg::XiphComment* tag = file.tag();
        const bool fields = applyTo(tag, f, true);
        const bool cover = tag && coverToFlacPictures(*tag, f);
        if ((fields || cover) && !file.save()) return unsaved;
        return {};
    };
    if (ext == "opus") {
        Ogg::Opus::File file(&stream, false);
        return ogg(file);
    }
    if (ext == "ogg" || ext == "oga") {
        {
            Ogg::Vorbis::File file(&stream, false);
            if (file.isValid()) return ogg(file);
        }
        stream.seek(0);
        Ogg::Opus::File file(&stream, false);
        return ogg(file);
    }
    if (ext == "m4a") {
        MP4::File file(&stream, false);
        if (!file.isValid()) return unreadable;
        if (!add && !file.hasMP4Tag()) return {};
        MP4::Tag* tag = file.tag();
        const bool fields = applyTo(tag, f, false);
        if ((coverToMp4(tag, f) || fields) && !file.save()) return unsaved;
        return {};
    }
    return "its kind of file has no tags this program writes";
}

std::string extensionOf(const std::string& path) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

} // namespace

std::optional<TagSavePlan> planTagSave(const std::string& path, const TagFields& fields,
                                       const TagWriteOptions& options, std::string* why) {
    newFramesInUnicode();
    const std::string ext = extensionOf(path);
    if (!hasTagReaderExtension(path)) {
        if (why) *why = "its kind of file has no tags this program writes";
        return std::nullopt;
    }
    std::string failure;
    const std::shared_ptr<PlannedFile> planned = PlannedFile::open(path, &failure);
    if (!planned) {
        if (why) *why = failure;
        return std::nullopt;
    }
    failure = saveInto(*planned, ext, fields, options);
    if (!failure.empty()) {
        if (why) *why = failure;
        return std::nullopt;
    }
    return PlannedFile::planOf(planned, why);
}

} // namespace tunewalk
