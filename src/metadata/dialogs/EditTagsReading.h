#pragma once

#include "common/RowKind.h"
#include "metadata/tags/CodePage.h"
#include "metadata/tags/CoverReader.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace tunewalk {

// The fields Edit Tags shows, in the order of its form. Numbers are kept as their text like the
// rest ("" where a file has none), so every field is compared and shown the same way.
enum class EditField {
    Title,
    Artist,
    Album,
    AlbumArtist,
    Track,
    TrackTotal,
    Disc,
    DiscTotal,
    Year,
    Genre,
    Comment,
    Composer,
};
constexpr int EditFieldCount = int(EditField::Composer) + 1;
using TagValues = std::array<QString, EditFieldCount>;

// What one file's tags say, as the list shows them: an MP3's ID3v1 tag in the chosen code page,
// with every field its ID3v2 or APE tag has taken over; the other kinds' own tags. Empty, with
// `why`, when the file cannot be read at all.
struct EditableTags {
    TagValues values;
    bool hasCover = false; // the tag says it holds a picture: readCoverPicture tells which
};
std::optional<EditableTags> readEditableTags(const QString& path, RowKind kind, CodePage page,
                                             QString* why);

// What every file of a set has in common: a field's value where all hold the same, marked as
// differing where they do not; the front cover the same way.
struct TagsInCommon {
    TagValues values;
    std::array<bool, EditFieldCount> differ{};
    std::optional<CoverPicture> cover; // the one cover all share; none when none has one
    bool coversDiffer = false;
    int files = 0;

    void add(const TagValues& fileValues, const std::optional<CoverPicture>& fileCover);
};

// Reads the tags and covers of many files on worker threads (a list may hold thousands, on a
// share that answers slowly) and hands back what they have in common. Destroying it abandons
// the work: the workers stop at their next file, and nothing reaches the window thread.
class TagsReading : public QObject {
    Q_OBJECT
public:
    struct File {
        QString key;
        RowKind kind;
    };
    struct Unread {
        QString key;
        QString why;
    };

    TagsReading(std::vector<File> files, CodePage page, QObject* parent = nullptr);
    ~TagsReading() override;

    void start();
    bool isFinished() const { return m_finished; }
    int total() const { return static_cast<int>(m_total); }
    // Once finished: the readable files' common values, and the files that could not be read.
    const TagsInCommon& common() const { return m_common; }
    const std::vector<Unread>& unread() const { return m_unread; }

signals:
    void progress(int done, int total);
    void finished();

private:
    struct Run;
    std::shared_ptr<Run> m_run;
    std::size_t m_total = 0;
    bool m_finished = false;
    TagsInCommon m_common;
    std::vector<Unread> m_unread;
};

} // namespace tunewalk
