// Edit Tags on a whole album: the artist of 300 MP3, 300 FLAC and 300 Ogg Vorbis files changed
// through the same save the dialog and tunewalk-tag run (one history entry), then taken back
// through the history as the window's Undo does. Reports the time of each, how many files were
// written whole (their tags outgrew their room), and what the history keeps for the undo.
//
//   tunewalk-bench-tagsave [--files=N] [--seconds=S] [--dir=FOLDER]

#include "BenchTiming.h"
#include "common/NativePath.h"
#include "fileops/FileJob.h"
#include "history/HistoryStore.h"
#include "history/KeptFiles.h"
#include "history/Undo.h"
#include "metadata/tags/TagSaving.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tunewalk;
using bench::Clock;
using bench::msBetween;

namespace {

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// An album of `files` copies of one encoding, each tagged by the encoder's own muxer as a ripper
// leaves them (title, artist, album, track n/total).
bool makeAlbum(const fs::path& folder, const std::string& ext, const std::string& codec,
               int files, int seconds) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path source = folder / ("source." + ext);
    if (!run("ffmpeg -y -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
             ":sample_rate=44100 -ac 2 " + codec + " '" + source.string() + "'"))
        return false;
    for (int i = 1; i <= files; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d Track.%s", i, ext.c_str());
        const std::string cmd = "ffmpeg -y -i '" + source.string() + "' -map 0:a -c copy" +
                                " -metadata title='Track " + std::to_string(i) + "'" +
                                " -metadata artist='Some Artist' -metadata album='The Album'" +
                                " -metadata track=" + std::to_string(i) + "/" +
                                std::to_string(files) + " '" + (folder / name).string() + "'";
        if (!run(cmd)) return false;
    }
    fs::remove(source);
    return true;
}

struct Space {
    int links = 0, copies = 0;
    qint64 ownBytes = 0; // what the kept files hold that nothing else does
};
Space keptSpace(const QString& folder) {
    Space s;
    for (QDirIterator it(folder, QDir::Files); it.hasNext();) {
        struct stat st {};
        if (::stat(toNativePath(it.next()).constData(), &st) != 0) continue;
        (st.st_nlink > 1 ? s.links : s.copies) += 1;
        if (st.st_nlink == 1) s.ownBytes += qint64(st.st_blocks) * 512;
    }
    return s;
}

void measure(const char* label, const fs::path& folder, const QString& storePath,
             const std::string& artist) {
    HistoryStore store(storePath);
    std::vector<TagSaveRequest> requests;
    for (const auto& entry : fs::directory_iterator(folder)) {
        TagFields f;
        f.artist = artist;
        requests.push_back({fromFsPath(entry.path()), f});
    }
    std::sort(requests.begin(), requests.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    ::sync();
    const auto t0 = Clock::now();
    const TagSaveOutcome out = saveTags({&store, {}}, HistoryStore::EntryKind::TagEdit,
                                        QStringLiteral("bench"), requests, {});
    const auto t1 = Clock::now();
    const Space space = keptSpace(history::keptFolderFor(store.path()));

    std::vector<HistoryStore::Change> changes = store.changes(out.historyId);
    FileJob job;
    const auto t2 = Clock::now();
    const history::Outcome undone = history::applyAll(changes, history::Direction::Undo, job);
    store.update(out.historyId, HistoryStore::State::Undone, changes);
    const auto t3 = Clock::now();
    std::printf("%-34s save %7.0f ms  written %3d  whole %3d  failed %d | undo %7.0f ms %s | "
                "kept: %d links, %d copies, %.1f MB of their own\n",
                label, msBetween(t0, t1), out.written, out.rewritten, int(out.failures.size()),
                msBetween(t2, t3), undone.ok ? "ok" : "FAILED", space.links, space.copies,
                double(space.ownBytes) / 1e6);
    if (!out.failures.isEmpty()) std::printf("  %s\n", qPrintable(out.failures.front()));
    // Made again, so the next measure starts from the album with the new artist.
    changes = store.changes(out.historyId);
    history::applyAll(changes, history::Direction::Redo, job);
    store.update(out.historyId, HistoryStore::State::Done, changes);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int files = 300, seconds = 240;
    fs::path dir = fs::current_path() / "tagsave-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--files=", 0) == 0) files = std::atoi(a.c_str() + 8);
        if (a.rfind("--seconds=", 0) == 0) seconds = std::atoi(a.c_str() + 10);
        if (a.rfind("--dir=", 0) == 0) dir = a.substr(6);
    }
    const struct {
        const char* name;
        const char* ext;
        const char* codec;
    } kinds[] = {
        {"MP3", "mp3", "-c:a libmp3lame -b:a 192k"},
        {"FLAC", "flac", "-c:a flac"},
        {"Ogg", "ogg", "-c:a libvorbis -q:a 5"},
    };
    std::printf("%d files of %d s each in %s\n", files, seconds, dir.c_str());
    for (const auto& kind : kinds) {
        const fs::path folder = dir / kind.ext;
        if (!makeAlbum(folder, kind.ext, kind.codec, files, seconds)) {
            std::printf("%s: could not make the album (ffmpeg)\n", kind.name);
            return 1;
        }
        const QString store = fromFsPath(dir / (std::string(kind.ext) + "-history") / "history.sqlite");
        QDir().mkpath(QFileInfo(store).absolutePath());
        // As the encoder left them, then once more: what the first save left room for.
        measure((std::string(kind.name) + ", as encoded").c_str(), folder, store,
                "Another Artist With A Longer Name");
        measure((std::string(kind.name) + ", edited again").c_str(), folder, store,
                "Yet Another Artist, Longer Still");
        fs::remove_all(folder);
        fs::remove_all(dir / (std::string(kind.ext) + "-history"));
    }
    return 0;
}
