#include "metadata/dialogs/EditTagsReading.h"

#include "common/Detached.h"
#include "common/NativePath.h"
#include "common/ReturnAddress.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/tags/TagReader.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace tunewalk {

namespace {
// Files read at the same time: on a network share each costs round trips, and more than one in
// flight hides them.
constexpr int Readers = 4;

QString number(int value) {
    return value > 0 ? QString::number(value) : QString();
}

QString text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).trimmed();
}

// A field the tag library found wins over the ID3v1 tag's; blanks do not.
void take(QString& field, const QString& found) {
    if (!found.isEmpty()) field = found;
}

void takeTags(const AudioTags& tags, TagValues& v) {
    const auto at = [&v](EditField f) -> QString& { return v[int(f)]; };
    take(at(EditField::Title), text(tags.title));
    take(at(EditField::Artist), text(tags.artist));
    take(at(EditField::Album), text(tags.album));
    take(at(EditField::AlbumArtist), text(tags.albumArtist));
    take(at(EditField::Track), number(tags.track));
    take(at(EditField::TrackTotal), number(tags.trackTotal));
    take(at(EditField::Disc), number(tags.disc));
    take(at(EditField::DiscTotal), number(tags.discTotal));
    take(at(EditField::Year), number(tags.year));
    take(at(EditField::Genre), text(tags.genre));
    take(at(EditField::Comment), text(tags.comment));
    take(at(EditField::Composer), text(tags.composer));
}

void takeId3v1(const MP3TagEditor& mp3, CodePage page, TagValues& v) {
    // Automatic guesses the page from the whole tag, not from one short field.
    const std::string sample =
        page == CodePage::Automatic
            ? mp3.Title() + ' ' + mp3.Artist() + ' ' + mp3.Album() + ' ' + mp3.Comment()
            : std::string();
    const auto decoded = [&](const std::string& bytes) {
        return text(decodeCodePage(bytes, page, sample));
    };
    v[int(EditField::Title)] = decoded(mp3.Title());
    v[int(EditField::Artist)] = decoded(mp3.Artist());
    v[int(EditField::Album)] = decoded(mp3.Album());
    v[int(EditField::Comment)] = decoded(mp3.Comment());
    v[int(EditField::Year)] = number(QString::fromStdString(mp3.Year()).toInt());
    v[int(EditField::Track)] = number(mp3.Track());
    if (mp3.Genra() != MP3TagEditor::NoneGenre && mp3.Genra() != MP3TagEditor::NoTagGenre)
        v[int(EditField::Genre)] = text(MP3TagEditor::GenraLookupByID(mp3.Genra()));
}
} // namespace

std::optional<EditableTags> readEditableTags(const QString& path, RowKind kind, CodePage page,
                                             QString* why) {
    const std::string file = toNativePath(path).toStdString();
    EditableTags out;
    TagReadOptions options;
    options.latin1Page = page;
    options.audioProperties = false;
    std::string reason;
    if (kind == RowKind::MP3) {
        MP3TagEditor mp3;
        const bool loaded = mp3.LoadMP3(file);
        if (loaded && mp3.TagExists()) takeId3v1(mp3, page, out.values);
        // The library is asked only when the codec saw a tag beside ID3v1, as the list does.
        if (loaded && !mp3.OtherTags()) return out;
        if (const auto tags = readAudioTags(file, &reason, options)) {
            takeTags(*tags, out.values);
            out.hasCover = tags->hasCover;
            return out;
        }
        if (loaded) return out;
    } else if (const auto tags = readAudioTags(file, &reason, options)) {
        takeTags(*tags, out.values);
        out.hasCover = tags->hasCover;
        return out;
    }
    if (why) *why = QString::fromStdString(reason);
    return std::nullopt;
}

void TagsInCommon::add(const TagValues& fileValues, const std::optional<CoverPicture>& fileCover) {
    if (files++ == 0) {
        values = fileValues;
        cover = fileCover;
        return;
    }
    for (int f = 0; f < EditFieldCount; ++f) {
        if (differ[f] || values[f] == fileValues[f]) continue;
        differ[f] = true;
        values[f].clear();
    }
    if (coversDiffer) return;
    const bool same =
        cover.has_value() == fileCover.has_value() && (!cover || cover->data == fileCover->data);
    if (!same) {
        coversDiffer = true;
        cover.reset();
    }
}

// Everything a worker uses lives here: an abandoned worker may outlive the reading.
struct TagsReading::Run {
    std::vector<File> files;
    CodePage page = CodePage::Latin1;
    std::shared_ptr<ReturnAddress> address;
    TagsReading* owner = nullptr; // used only by what is posted to the window thread
    std::atomic<bool> cancelled{false};
    std::atomic<std::size_t> next{0};
    std::atomic<int> done{0};
    // A progress report is on its way to the window: the next waits until it has been seen.
    std::atomic<bool> reporting{false};
    std::mutex mutex; // guards what follows
    TagsInCommon common;
    std::vector<Unread> unread;
};

TagsReading::TagsReading(std::vector<File> files, CodePage page, QObject* parent)
    : QObject(parent), m_run(std::make_shared<Run>()), m_total(files.size()) {
    m_run->files = std::move(files);
    m_run->page = page;
    m_run->address = ReturnAddress::to(this);
    m_run->owner = this;
}

TagsReading::~TagsReading() {
    m_run->cancelled = true;
    m_run->address->close();
}

void TagsReading::start() {
    const std::shared_ptr<Run> run = m_run;
    const auto reader = [run] {
        yieldToForeground();
        for (;;) {
            const std::size_t i = run->next++;
            if (i >= run->files.size() || run->cancelled) return;
            const File& file = run->files[i];
            QString why;
            const std::optional<EditableTags> tags =
                readEditableTags(file.key, file.kind, run->page, &why);
            bool wantCover = false;
            if (tags && tags->hasCover) {
                std::lock_guard lock(run->mutex);
                wantCover = !run->common.coversDiffer; // once two differ, the rest cannot matter
            }
            std::optional<CoverPicture> cover;
            if (wantCover) cover = readCoverPicture(toNativePath(file.key).toStdString());
            {
                std::lock_guard lock(run->mutex);
                if (tags)
                    run->common.add(tags->values, cover);
                else
                    run->unread.push_back({file.key, why});
            }
            ++run->done;
            // At most one report on its way: the window sees the count as it is when it looks.
            if (!run->reporting.exchange(true))
                run->address->post([run] {
                    run->reporting = false;
                    emit run->owner->progress(run->done, int(run->files.size()));
                });
        }
    };
    const auto finish = [run] {
        run->address->post([run] {
            TagsReading* owner = run->owner;
            {
                std::lock_guard lock(run->mutex);
                owner->m_common = std::move(run->common);
                owner->m_unread = std::move(run->unread);
            }
            owner->m_finished = true;
            emit owner->finished();
        });
    };
    // With no file at all the finish is posted at once.
    runDetachedWorkers(static_cast<int>(std::min<std::size_t>(Readers, run->files.size())), reader,
                       finish);
}

} // namespace tunewalk
