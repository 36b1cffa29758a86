#include "metadata/naming/NamingInput.h"

#include "common/NativePath.h"
#include "common/PathRules.h"
#include "common/RowKind.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/tags/TagReader.h"

#include <filesystem>
#include <system_error>

namespace tunewalk {

namespace {
bool isMp3(const QString& path) {
    return path.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive);
}

// A text the tag library found wins over the ID3v1 one; blanks do not.
void takeText(std::string& field, const std::string& found) {
    if (QString::fromStdString(found).trimmed().isEmpty()) return;
    field = found;
}

void takeNumber(int& field, int found) {
    if (found > 0) field = found;
}

AudioTags fromId3v1(const MP3TagEditor& mp3, CodePage page) {
    AudioTags tags;
    const std::string sample =
        page == CodePage::Automatic
            ? mp3.Title() + ' ' + mp3.Artist() + ' ' + mp3.Album() + ' ' + mp3.Comment()
            : std::string();
    const auto text = [&](const std::string& bytes) { return decodeCodePage(bytes, page, sample); };
    tags.title = text(mp3.Title());
    tags.artist = text(mp3.Artist());
    tags.album = text(mp3.Album());
    tags.comment = text(mp3.Comment());
    if (mp3.Genra() != MP3TagEditor::NoneGenre && mp3.Genra() >= 0)
        tags.genre = MP3TagEditor::GenraLookupByID(mp3.Genra());
    tags.year = QString::fromStdString(mp3.Year()).trimmed().toInt();
    tags.track = mp3.Track();
    return tags;
}
} // namespace

std::optional<AudioTags> readNamingTags(const QString& path, CodePage id3v1Page, QString* why) {
    const std::string file = toNativePath(path).toStdString();
    TagReadOptions options;
    options.latin1Page = id3v1Page;
    options.audioProperties = false;
    std::string reason;
    if (!isMp3(path)) {
        auto tags = readAudioTags(file, &reason, options);
        if (!tags && why) *why = QString::fromStdString(reason);
        return tags;
    }
    MP3TagEditor mp3;
    const bool loaded = mp3.LoadMP3(file);
    AudioTags tags;
    if (loaded && mp3.TagExists()) tags = fromId3v1(mp3, id3v1Page);
    if (loaded && !mp3.OtherTags()) return tags;
    const auto more = readAudioTags(file, &reason, options);
    if (!more) {
        if (loaded) return tags;
        if (why) *why = QString::fromStdString(reason);
        return std::nullopt;
    }
    for (auto [field, found] : {std::pair{&tags.title, &more->title},
                                {&tags.artist, &more->artist},
                                {&tags.album, &more->album},
                                {&tags.albumArtist, &more->albumArtist},
                                {&tags.genre, &more->genre},
                                {&tags.comment, &more->comment},
                                {&tags.composer, &more->composer}})
        takeText(*field, *found);
    for (auto [field, found] : {std::pair{&tags.track, more->track},
                                {&tags.trackTotal, more->trackTotal},
                                {&tags.disc, more->disc},
                                {&tags.discTotal, more->discTotal},
                                {&tags.year, more->year}})
        takeNumber(*field, found);
    return tags;
}

NamingInput readNamingInput(const QStringList& paths, CodePage id3v1Page, bool withFolders,
                            const std::atomic<bool>* cancelled) {
    NamingInput input;
    input.files.reserve(size_t(paths.size()));
    for (const QString& path : paths) {
        if (cancelled && *cancelled) break;
        NamingFile& file = input.files.emplace_back();
        file.path = path;
        file.tags = readNamingTags(path, id3v1Page, &file.readError);
        if (!withFolders) continue;
        const QString folder = parentPath(path);
        if (input.folders.contains(folder)) continue;
        FolderNames& names = input.folders[folder];
        names.rules = nameRulesFor(folder);
        std::error_code error;
        for (std::filesystem::directory_iterator it(toFsPath(folder), error), end;
             !error && it != end; it.increment(error))
            names.names << fromFsPath(it->path().filename());
    }
    return input;
}

} // namespace tunewalk
