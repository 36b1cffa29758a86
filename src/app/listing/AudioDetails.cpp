#include "app/listing/AudioDetails.h"

#include "common/Duration.h"
#include "common/NativePath.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"
#include "metadata/tags/TagReader.h"

#include <QHash>
#include <mutex>

namespace tunewalk {

namespace {
bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

std::string cutAtNul(const std::string& bytes) {
    const auto end = bytes.find('\0');
    return end == std::string::npos ? bytes : bytes.substr(0, end);
}

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

quint16 small(int value) {
    return static_cast<quint16>(std::clamp(value, 0, 0xFFFF));
}

// A field the tag library found wins over what the row has so far; blanks do not.
void takeText(QString& field, const std::string& found) {
    if (QString text = fromUtf8(found); !isBlank(text)) field = std::move(text);
}

// What the tag library reads beyond the program's own codec: tags first, then the stream's
// properties where the codec has not told them.
void takeTags(const AudioTags& tags, AudioDetails& d, bool takeProperties) {
    takeText(d.title, tags.title);
    takeText(d.artist, tags.artist);
    TagTexts texts = d.tagTexts();
    takeText(texts.album, tags.album);
    takeText(texts.albumArtist, tags.albumArtist);
    takeText(texts.genre, tags.genre);
    takeText(texts.comment, tags.comment);
    takeText(texts.composer, tags.composer);
    d.setTagTexts(std::move(texts));
    const auto number = [](quint16& field, int found) {
        if (found > 0) field = small(found);
    };
    number(d.track, tags.track);
    number(d.trackTotal, tags.trackTotal);
    number(d.disc, tags.disc);
    number(d.discTotal, tags.discTotal);
    number(d.year, tags.year);
    d.hasCover = tags.hasCover;
    if (!takeProperties) return;
    d.lengthMs = tags.lengthMs;
    d.bitrate = tags.bitrate;
    d.sampleRate = tags.sampleRate;
    d.channels = static_cast<quint8>(std::clamp(tags.channels, 0, 255));
    d.bitDepth = static_cast<quint8>(std::clamp(tags.bitDepth, 0, 255));
    d.format = sharedFormatName(tags.format);
}

// Whether the codec could read the file.
bool readMp3(const std::string& file, qint64 sizeInBytes, MP3TagEditor& mp3,
             const DetailOptions& options, AudioDetails& d) {
    int bitrate = 0;
    Duration length;
    const bool loaded = mp3.LoadMP3(file);
    if (loaded) {
        // A variable-bitrate file shows its real average, not its first frame's rate.
        bitrate = mp3.VBR() && mp3.AverageBitrate() > 0 ? mp3.AverageBitrate() : mp3.Bitrate();
        length = mp3.Length();
        if (mp3.TagExists()) {
            const CodePage page = options.codePage;
            // Automatic guesses the page from the whole tag, not from one short field.
            const std::string sample = page == CodePage::Automatic
                                           ? cutAtNul(mp3.Title()) + ' ' + cutAtNul(mp3.Artist()) +
                                                 ' ' + cutAtNul(mp3.Album()) + ' ' +
                                                 cutAtNul(mp3.Comment())
                                           : std::string();
            const auto text = [&](const std::string& field) {
                QString shown = tagText(field, page, sample);
                return isBlank(shown) ? QString() : shown;
            };
            d.title = text(mp3.Title());
            d.artist = text(mp3.Artist());
            if (options.allTags) {
                TagTexts texts;
                texts.album = text(mp3.Album());
                texts.comment = text(mp3.Comment());
                const QString genre = text(MP3TagEditor::GenraLookupByID(mp3.Genra()));
                if (mp3.Genra() != MP3TagEditor::NoneGenre) texts.genre = genre;
                d.setTagTexts(std::move(texts));
                d.year = small(QString::fromStdString(mp3.Year()).toInt());
                d.track = small(mp3.Track());
            }
        }
        if (options.allTags && mp3.Layer() > 0) {
            d.format = sharedFormatName(mp3.HeaderKind());
            d.sampleRate = mp3.SampleRate();
            d.channels = mp3.Channels() == "Mono" ? 1 : 2;
        }
    }
    d.bitrate = bitrate;
    // Without a readable header, estimate the play time from the size at the bitrate.
    if (length.seconds() == 0 && sizeInBytes > 0)
        length = Duration::fromSeconds(sizeInBytes * 8 / 1000 /
                                       (bitrate > 0 ? bitrate : MP3TagEditor::DefaultBitrate()));
    d.lengthMs = std::max<qint64>(0, length.seconds()) * 1000;
    return loaded;
}
} // namespace

const TagTexts& AudioDetails::tagTexts() const {
    static const TagTexts none;
    return texts ? *texts : none;
}

void AudioDetails::setTagTexts(TagTexts t) {
    if (t == TagTexts())
        texts.reset();
    else
        texts = std::make_shared<const TagTexts>(std::move(t));
}

bool AudioDetails::operator==(const AudioDetails& o) const {
    return title == o.title && artist == o.artist && lengthMs == o.lengthMs &&
           bitrate == o.bitrate && sampleRate == o.sampleRate && format == o.format &&
           track == o.track && trackTotal == o.trackTotal && disc == o.disc &&
           discTotal == o.discTotal && year == o.year && channels == o.channels &&
           bitDepth == o.bitDepth && hasCover == o.hasCover && tagTexts() == o.tagTexts();
}

QString tagText(const std::string& bytes, CodePage page, const std::string& sample) {
    const std::string shown = cutAtNul(bytes);
    if (page == CodePage::Latin1)
        return QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size()));
    return fromUtf8(decodeCodePage(shown, page, sample));
}

QString sharedFormatName(const std::string& name) {
    static std::mutex mutex;
    static QHash<QByteArray, QString> names;
    if (name.empty()) return {};
    const QByteArray key = QByteArray::fromStdString(name);
    std::lock_guard lock(mutex);
    auto it = names.find(key);
    if (it == names.end()) it = names.insert(key, QString::fromUtf8(key));
    return *it;
}

AudioDetails readAudioDetails(const QString& path, RowKind kind, qint64 sizeInBytes,
                              MP3TagEditor& mp3, WAVInfo& wav, const DetailOptions& options) {
    AudioDetails d;
    const std::string file = toNativePath(path).toStdString();
    TagReadOptions tagOptions;
    tagOptions.latin1Page = options.codePage;
    if (kind == RowKind::MP3) {
        const bool loaded = readMp3(file, sizeInBytes, mp3, options, d);
        // The codec has told the sound; the library adds the ID3v2 and APE tags, and is asked
        // only when the codec saw one (a file is opened once more for it: a round trip each on
        // a network share).
        tagOptions.audioProperties = false;
        if (options.allTags && (!loaded || mp3.OtherTags()))
            if (const auto tags = readAudioTags(file, nullptr, tagOptions))
                takeTags(*tags, d, false);
        return d;
    }
    if (kind == RowKind::WAV) {
        if (wav.LoadWAV(file)) {
            d.lengthMs = wav.Length().seconds() * 1000;
            if (options.allTags) {
                d.format = sharedFormatName("WAV");
                d.sampleRate = static_cast<int>(std::clamp<qint64>(wav.SampleRate(), 0, INT_MAX));
                d.channels = static_cast<quint8>(std::clamp(wav.Channels(), 0, 255));
                d.bitDepth = static_cast<quint8>(std::clamp(wav.SampleBits(), 0, 255));
            }
        }
        tagOptions.audioProperties = false;
        if (options.allTags)
            if (const auto tags = readAudioTags(file, nullptr, tagOptions))
                takeTags(*tags, d, false);
        return d;
    }
    if (const auto tags = readAudioTags(file, nullptr, tagOptions)) takeTags(*tags, d, true);
    return d;
}

} // namespace tunewalk
