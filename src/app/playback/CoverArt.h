#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace tunewalk {

class ReturnAddress;

// The longest side a cover is kept at: the panel shows it far smaller, the desktop's media
// controls somewhat larger.
constexpr int CoverSide = 512;

// A cover picture found for an audio file.
struct FoundCover {
    QImage image;   // at most CoverSide on either side; null when there is none
    QString source; // the file it was read from: the audio file, or the folder's picture
};

// The audio file's cover: the picture embedded in it, else a picture in its folder named cover,
// folder or front with .jpg, .jpeg or .png in any letter case. A picture that does not decode
// counts as none. Reads storage (perhaps a slow share): never on the window thread.
FoundCover findCover(const QString& path);

// The folder's picture files of those names, best first: cover before folder before front,
// .jpg before .jpeg before .png.
QStringList folderCoverFiles(const QString& folder);

// Where copies of covers are kept for the desktop's media controls, in the user's cache folder.
QString coverCacheFolder();

// A copy of the cover in `folder` for other programs to show, as JPEG (PNG for a picture with
// transparency), named by its source's path and modification time: a copy already there is
// kept as it is. The folder keeps the copies used last, at most 50 files and 20 MB. Returns the
// copy's path; empty when it could not be written.
QString cacheCover(const FoundCover& cover, const QString& folder);

// The cover of the file that plays, read off the window thread: follow() says which file that
// is, changed() that the picture (or its absence) is known.
class CoverLoader : public QObject {
    Q_OBJECT
public:
    explicit CoverLoader(QObject* parent = nullptr, QString cacheFolder = coverCacheFolder());
    ~CoverLoader() override;

    // The file whose cover is wanted now; empty for none, which takes the picture away at once.
    // Another file's picture stays a moment, until the new one's is known, so that tracks
    // of one album do not flicker. What arrives for a file no longer wanted is dropped.
    void follow(const QString& path);
    // The file the picture is of; empty while it is of none.
    const QString& file() const { return m_file; }
    // Null when the file has no cover.
    const QImage& image() const { return m_image; }
    // The copy in the cache folder; empty when there is none.
    const QString& copy() const { return m_copy; }
    // Whether a read is under way, also one for a file no longer wanted.
    bool isReading() const { return m_reading > 0; }

signals:
    void changed();

private:
    void show(const QString& file, const QImage& image, const QString& copy);

    QString m_cacheFolder;
    QString m_wanted;
    quint64 m_request = 0; // counts follow()'s files, so a late answer sees it was overtaken
    int m_reading = 0;     // reads whose answer has not come back
    QString m_file;
    QImage m_image;
    QString m_copy;
    QTimer m_stale; // takes a picture of another file away when the new one's is late
    std::shared_ptr<ReturnAddress> m_back;
};

} // namespace tunewalk
