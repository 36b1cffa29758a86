#include "app/listing/AudioDetails.h"

#include "common/Duration.h"
#include "common/NativePath.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/codec/WAVInfo.h"

namespace tunewalk {

namespace {
bool isBlank(const QString& text) {
    return text.trimmed().isEmpty();
}
} // namespace

QString tagText(const std::string& latin1) {
    const auto end = latin1.find('\0');
    const std::string shown = end == std::string::npos ? latin1 : latin1.substr(0, end);
    return QString::fromLatin1(shown.data(), static_cast<qsizetype>(shown.size()));
}

AudioDetails readAudioDetails(const QString& path, bool isWav, qint64 sizeInBytes,
                              MP3TagEditor& mp3, WAVInfo& wav) {
    AudioDetails d;
    const std::string file = toNativePath(path).toStdString();
    if (isWav) {
        if (wav.LoadWAV(file)) d.lengthMs = wav.Length().seconds() * 1000;
        return d;
    }

    int bitrate = 0;
    Duration length;
    if (mp3.LoadMP3(file)) {
        // A variable-bitrate file shows its real average, not its first frame's rate.
        bitrate = mp3.VBR() && mp3.AverageBitrate() > 0 ? mp3.AverageBitrate() : mp3.Bitrate();
        length = mp3.Length();
        if (mp3.TagExists()) {
            if (const QString title = tagText(mp3.Title()); !isBlank(title)) d.title = title;
            if (const QString artist = tagText(mp3.Artist()); !isBlank(artist)) d.artist = artist;
        }
    }
    d.bitrate = bitrate;
    // Without a readable header, estimate the play time from the size at the bitrate.
    if (length.seconds() == 0 && sizeInBytes > 0)
        length = Duration::fromSeconds(sizeInBytes * 8 / 1000 /
                                       (bitrate > 0 ? bitrate : MP3TagEditor::DefaultBitrate()));
    d.lengthMs = std::max<qint64>(0, length.seconds()) * 1000;
    return d;
}

} // namespace tunewalk
