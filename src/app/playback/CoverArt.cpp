#include "app/playback/CoverArt.h"

#include "common/Detached.h"
#include "common/NativePath.h"
#include "common/ReturnAddress.h"
#include "metadata/tags/CoverReader.h"
#include "metadata/tags/RegularFileStream.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>
#include <taglib/tiostream.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <vector>

namespace tunewalk {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t MaxCopies = 50;
constexpr std::uintmax_t MaxCopyBytes = 20 * 1024 * 1024;
// How long another file's picture stays while the new file's is being read.
constexpr int StaleMs = 300;

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

QImage bounded(QImage image) {
    if (image.width() <= CoverSide && image.height() <= CoverSide) return image;
    return image.scaled(CoverSide, CoverSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage decode(const std::string& bytes) {
    return bounded(QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()),
                                    static_cast<int>(bytes.size())));
}

// A picture file's bytes, opened as the tag reader opens audio files: only a regular file, of
// at most the size an embedded picture may have.
QImage readPictureFile(const QString& path) {
    const auto stream = openRegularFile(toNativePath(path).toStdString(), nullptr);
    if (!stream || stream->length() <= 0 ||
        static_cast<std::size_t>(stream->length()) > MaxCoverBytes)
        return {};
    const TagLib::ByteVector bytes = stream->readBlock(static_cast<std::size_t>(stream->length()));
    return decode(std::string(bytes.data(), bytes.size()));
}

// Every regular file directly in `folder`, by its raw name.
template <class Visit> void forEachFile(const QString& folder, Visit visit) {
    std::error_code ec;
    for (fs::directory_iterator it(toFsPath(folder), ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec)) visit(*it);
}

void pruneCopies(const QString& folder) {
    struct Copy {
        fs::file_time_type used;
        std::uintmax_t size;
        fs::path path;
    };
    std::vector<Copy> copies;
    std::error_code ec;
    forEachFile(folder, [&](const fs::directory_entry& entry) {
        // Only the copies this program named (a SHA-1 in hex), not the save files being written
        // beside them, nor anything else put there.
        const std::string ext = entry.path().extension().string();
        const std::string stem = entry.path().stem().string();
        if ((ext == ".jpg" || ext == ".png") && stem.size() == 40 &&
            stem.find_first_not_of("0123456789abcdef") == std::string::npos)
            copies.push_back({entry.last_write_time(ec), entry.file_size(ec), entry.path()});
    });
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.used > b.used; });
    std::uintmax_t bytes = 0;
    for (std::size_t i = 0; i < copies.size(); ++i) {
        bytes += copies[i].size;
        if (i > 0 && (i >= MaxCopies || bytes > MaxCopyBytes)) fs::remove(copies[i].path, ec);
    }
}

} // namespace

QStringList folderCoverFiles(const QString& folder) {
    static const std::array<std::string, 3> stems{"cover", "folder", "front"};
    static const std::array<std::string, 3> exts{".jpg", ".jpeg", ".png"};
    std::multimap<std::size_t, QString> found; // by rank
    forEachFile(folder, [&](const fs::directory_entry& entry) {
        const std::string name = lowerAscii(entry.path().filename().string());
        const auto dot = name.rfind('.');
        if (dot == std::string::npos) return;
        const auto stem = std::find(stems.begin(), stems.end(), name.substr(0, dot));
        const auto ext = std::find(exts.begin(), exts.end(), name.substr(dot));
        if (stem == stems.end() || ext == exts.end()) return;
        const auto rank = static_cast<std::size_t>(stem - stems.begin()) * exts.size() +
                          static_cast<std::size_t>(ext - exts.begin());
        found.emplace(rank, fromFsPath(entry.path()));
    });
    QStringList files;
    for (const auto& [rank, file] : found)
        files << file;
    return files;
}

FoundCover findCover(const QString& path) {
    if (const auto picture = readCoverPicture(toNativePath(path).toStdString())) {
        QImage image = decode(picture->data);
        if (!image.isNull()) return {std::move(image), path};
    }
    for (const QString& file : folderCoverFiles(path.left(path.lastIndexOf(QLatin1Char('/'))))) {
        QImage image = readPictureFile(file);
        if (!image.isNull()) return {std::move(image), file};
    }
    return {};
}

QString coverCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/Tunewalk/covers");
}

QString cacheCover(const FoundCover& cover, const QString& folder) {
    if (cover.image.isNull() || folder.isEmpty()) return {};
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(toNativePath(cover.source));
    hash.addData(QByteArray::number(nativeFileInfo(cover.source).modifiedNs));
    const bool png = cover.image.hasAlphaChannel();
    const QString copy = folder + QLatin1Char('/') + QString::fromLatin1(hash.result().toHex()) +
                         (png ? QStringLiteral(".png") : QStringLiteral(".jpg"));
    std::error_code ec;
    if (fs::is_regular_file(toFsPath(copy), ec)) {
        // Used again: it is the newest when the folder is pruned.
        fs::last_write_time(toFsPath(copy), fs::file_time_type::clock::now(), ec);
    } else {
        QDir().mkpath(folder);
        QSaveFile file(copy);
        if (!file.open(QIODevice::WriteOnly) ||
            !cover.image.save(&file, png ? "PNG" : "JPG", png ? -1 : 90) || !file.commit())
            return {};
    }
    pruneCopies(folder);
    return copy;
}

CoverLoader::CoverLoader(QObject* parent, QString cacheFolder)
    : QObject(parent), m_cacheFolder(std::move(cacheFolder)), m_back(ReturnAddress::to(this)) {
    m_stale.setSingleShot(true);
    m_stale.setInterval(StaleMs);
    connect(&m_stale, &QTimer::timeout, this, [this] { show({}, {}, {}); });
}

CoverLoader::~CoverLoader() {
    m_back->close();
}

void CoverLoader::follow(const QString& path) {
    if (path == m_wanted) return;
    m_wanted = path;
    const quint64 request = ++m_request;
    if (path.isEmpty() || m_image.isNull())
        show({}, {}, {});
    else
        m_stale.start();
    if (path.isEmpty()) return;
    ++m_reading;
    runDetached([back = m_back, this, request, path, folder = m_cacheFolder] {
        const FoundCover cover = findCover(path);
        const QString copy = cacheCover(cover, folder);
        back->post([this, request, path, image = cover.image, copy] {
            --m_reading;
            if (request == m_request) show(path, image, copy);
        });
    });
}

void CoverLoader::show(const QString& file, const QImage& image, const QString& copy) {
    m_stale.stop();
    if (file == m_file && image.cacheKey() == m_image.cacheKey() && copy == m_copy) return;
    m_file = file;
    m_image = image;
    m_copy = copy;
    emit changed();
}

} // namespace tunewalk
