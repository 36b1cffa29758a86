// Tag saves on files the encoders make, of every kind: what is written reads back, the audio is
// never touched, a save that outgrows the tag's room replaces the file whole and keeps the old
// one, and undo and redo give the very bytes back; a save killed half-way leaves a whole file.
#include "metadata/tags/TagSaving.h"

#include "AudioFixtures.h"
#include "TempDir.h"
#include "common/NativePath.h"
#include "fileops/FileJob.h"
#include "history/FileChanges.h"
#include "history/KeptFiles.h"
#include "history/Undo.h"
#include "metadata/tags/CoverReader.h"
#include "metadata/tags/TagReader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tunewalk {
namespace {

namespace fs = std::filesystem;
using Direction = history::Direction;

bool run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string hashOf(const std::string& path) {
    return QCryptographicHash::hash(QByteArray::fromStdString(fixtures::readFile(path)),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

// What the decoder makes of the file's audio.
std::string audioHash(const std::string& path) {
    const std::string out = path + ".md5";
    if (!run("ffmpeg -v quiet -y -i '" + path + "' -map 0:a -f md5 '" + out + "'")) return {};
    const std::string hash = fixtures::readFile(out);
    fs::remove(out);
    return hash;
}

TagFields artistAndTitle(const std::string& artist, const std::string& title) {
    TagFields f;
    f.artist = artist;
    f.title = title;
    return f;
}

class TagSavingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!run("command -v ffmpeg") || !run("command -v flac")) GTEST_SKIP() << "no encoders";
    }
    std::string encode(const std::string& name, const std::string& codec,
                       const std::string& extra = {}, double seconds = 2) {
        const std::string out = dir.file(name);
        EXPECT_TRUE(run("ffmpeg -y -f lavfi -i sine=frequency=440:duration=" +
                        std::to_string(seconds) + ":sample_rate=44100 -ac 2 -c:a " + codec + " " +
                        extra + " -metadata title=Old -metadata artist=Someone -metadata album=A " +
                        out))
            << name;
        return out;
    }
    TagSaveOutcome save(const std::string& path, const TagFields& fields,
                        const TagWriteOptions& options = {}) {
        return saveTags({&store, {}}, HistoryStore::EntryKind::TagEdit, QStringLiteral("test"),
                        {{fromNativePath(QByteArray::fromStdString(path)), fields}}, options);
    }
    // The entry's changes taken back or made again as the window does.
    bool apply(qint64 id, Direction d, QStringList* problems = nullptr) {
        std::vector<HistoryStore::Change> changes = store.changes(id);
        FileJob job;
        const history::Outcome out = history::applyAll(changes, d, job);
        store.update(id, d == Direction::Undo ? HistoryStore::State::Undone : HistoryStore::State::Done,
                     changes);
        if (problems) *problems = out.problems;
        return out.ok;
    }
    TempDir dir;
    HistoryStore store{QString::fromStdString(dir.file("history.sqlite"))};
};

TEST_F(TagSavingTest, EveryKindReadsBackAndUndoesAndRedoesByteForByte) {
    const struct {
        const char* name;
        const char* codec;
        const char* extra;
    } kinds[] = {
        {"a.mp3", "libmp3lame", "-id3v2_version 3 -write_id3v1 1"},
        {"b.flac", "flac", ""},
        {"c.ogg", "libvorbis", ""},
        {"d.opus", "libopus", ""},
        {"e.m4a", "aac", ""},
        {"f.aiff", "pcm_s16be", "-write_id3v2 1"},
        {"g.wav", "pcm_s16le", ""},
    };
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const std::string path = encode(kind.name, kind.codec, kind.extra);
        const std::string before = hashOf(path), audio = audioHash(path);
        const TagSaveOutcome out = save(path, artistAndTitle("Ärtist Ω", "A title much longer than before"));
        ASSERT_TRUE(out.ok()) << out.failures.join(QLatin1Char('\n')).toStdString();
        ASSERT_EQ(out.written, 1);
        const auto tags = readAudioTags(path);
        ASSERT_TRUE(tags);
        EXPECT_EQ(tags->artist, "Ärtist Ω");
        EXPECT_EQ(tags->title, "A title much longer than before");
        EXPECT_EQ(tags->album, "A"); // what was not asked stays
        EXPECT_EQ(audioHash(path), audio);
        const std::string after = hashOf(path);

        ASSERT_TRUE(apply(out.historyId, Direction::Undo));
        EXPECT_EQ(hashOf(path), before);
        ASSERT_TRUE(apply(out.historyId, Direction::Redo));
        EXPECT_EQ(hashOf(path), after);
        // Saving the same values again changes nothing.
        EXPECT_EQ(save(path, artistAndTitle("Ärtist Ω", "A title much longer than before")).unchanged, 1);
    }
}

TEST_F(TagSavingTest, AGrowingSaveReplacesTheFileKeepsTheOldAsALinkAndLeavesRoom) {
    // No padding: the first change has to move the audio.
    const std::string wav = encode("src.wav", "pcm_s16le");
    const std::string path = dir.file("tight.flac");
    ASSERT_TRUE(run("flac -s --no-padding -f -o " + path + " " + wav));
    const std::string before = hashOf(path);
    struct stat original {};
    ::stat(path.c_str(), &original);

    const TagSaveOutcome first = save(path, artistAndTitle("New artist", "New title"));
    ASSERT_EQ(first.rewritten, 1);
    const auto changes = store.changes(first.historyId);
    ASSERT_EQ(changes.size(), 1u);
    ASSERT_EQ(changes[0].kind, HistoryStore::ChangeKind::FileReplace);
    struct stat kept {};
    ASSERT_EQ(::stat(toNativePath(changes[0].target).constData(), &kept), 0);
    EXPECT_EQ(kept.st_ino, original.st_ino); // the original itself, not a copy
    EXPECT_EQ(hashOf(changes[0].target.toStdString()), before);

    // The room left takes the next edits in place.
    const TagSaveOutcome second = save(path, artistAndTitle("Another artist", "Another title"));
    EXPECT_EQ(second.written, 1);
    EXPECT_EQ(second.rewritten, 0);
    EXPECT_EQ(store.changes(second.historyId)[0].kind, HistoryStore::ChangeKind::TagRegions);

    ASSERT_TRUE(apply(second.historyId, Direction::Undo));
    ASSERT_TRUE(apply(first.historyId, Direction::Undo));
    EXPECT_EQ(hashOf(path), before);
}

TEST_F(TagSavingTest, PrunedOldVersionsRefuseTheUndoPlainly) {
    const std::string wav = encode("src.wav", "pcm_s16le");
    const std::string path = dir.file("tight.flac");
    ASSERT_TRUE(run("flac -s --no-padding -f -o " + path + " " + wav));
    const TagSaveOutcome out = save(path, artistAndTitle("New artist", "New title"));
    ASSERT_EQ(out.rewritten, 1);
    const std::string after = hashOf(path);
    history::pruneKept(history::keptFolderFor(store.path()), 0, 90,
                       QDateTime::currentMSecsSinceEpoch());
    QStringList problems;
    EXPECT_FALSE(apply(out.historyId, Direction::Undo, &problems));
    ASSERT_EQ(problems.size(), 1);
    EXPECT_TRUE(problems[0].contains(QStringLiteral("can no longer be undone")))
        << problems[0].toStdString();
    EXPECT_EQ(hashOf(path), after);
}

TEST_F(TagSavingTest, Id3v2VersionsAndTheId3v1TagKeptInStep) {
    const std::string path = encode("v.mp3", "libmp3lame", "-id3v2_version 3 -write_id3v1 1");
    TagWriteOptions options;
    options.id3v1Page = CodePage::Windows1251;
    TagFields f = artistAndTitle("Кино", "Группа крови 血");
    f.track = 7;
    ASSERT_TRUE(save(path, f, options).ok());
    std::string bytes = fixtures::readFile(path);
    EXPECT_EQ(bytes.substr(0, 4), std::string("ID3\x04", 4));
    const std::string v1 = bytes.substr(bytes.size() - 128);
    ASSERT_EQ(v1.substr(0, 3), "TAG");
    // In the chosen page, what it cannot hold as '?'; the track in the ID3v1.1 place.
    EXPECT_TRUE(decodeCodePage(v1.substr(3, 30), CodePage::Windows1251).starts_with("Группа крови ?"));
    EXPECT_EQ(decodeCodePage(v1.substr(33, 4), CodePage::Windows1251), "Кино");
    EXPECT_EQ(v1[126], 7);

    options.id3v2Version = 3;
    ASSERT_TRUE(save(path, artistAndTitle("X", "Y"), options).ok());
    bytes = fixtures::readFile(path);
    EXPECT_EQ(bytes.substr(0, 4), std::string("ID3\x03", 4));
    EXPECT_EQ(readAudioTags(path)->title, "Y");

    // Keeping other tags in step adds none: a file with ID3v1 only stays so.
    const std::string bare = dir.file("bare.mp3");
    ASSERT_TRUE(run("lame --quiet --id3v1-only --tt Old " + encode("bare.wav", "pcm_s16le") + " " + bare));
    TagWriteOptions existing;
    existing.onlyExistingTags = true;
    ASSERT_TRUE(save(bare, artistAndTitle("Only", "One"), existing).ok());
    bytes = fixtures::readFile(bare);
    EXPECT_NE(bytes.substr(0, 3), "ID3");
    EXPECT_EQ(bytes.substr(bytes.size() - 125, 3), "One");
}

TEST_F(TagSavingTest, CoversAreAddedReplacedAndRemoved) {
    const std::string red = "\x89PNG\r\n\x1a\nred", blue = "\x89PNG\r\n\x1a\nblue";
    for (const auto& [name, codec] : {std::pair{"c.mp3", "libmp3lame"}, {"c.flac", "flac"},
                                      {"c.ogg", "libvorbis"}, {"c.m4a", "aac"}}) {
        SCOPED_TRACE(name);
        const std::string path = encode(name, codec);
        const std::string audio = audioHash(path);
        TagFields f;
        f.cover = TagFields::Cover::Set;
        f.coverMime = "image/png";
        for (const std::string& picture : {red, blue}) {
            f.coverData = picture;
            ASSERT_TRUE(save(path, f).ok());
            const auto cover = readCoverPicture(path);
            ASSERT_TRUE(cover);
            EXPECT_EQ(cover->data, picture);
        }
        f.cover = TagFields::Cover::Remove;
        ASSERT_TRUE(save(path, f).ok());
        EXPECT_FALSE(readAudioTags(path)->hasCover);
        EXPECT_EQ(audioHash(path), audio);
    }
}

TEST_F(TagSavingTest, AFileChangedSinceItWasPlannedIsNotWritten) {
    const std::string path = encode("c.flac", "flac");
    auto plan = planTagSave(path, artistAndTitle("A", "B"), {}, nullptr);
    ASSERT_TRUE(plan && plan->changes);
    ::utimensat(AT_FDCWD, path.c_str(), nullptr, 0); // touched by someone else
    std::string why;
    EXPECT_FALSE(writeTagSave(*plan, {}, &why));
    EXPECT_EQ(why, "it has changed since it was read");
    EXPECT_EQ(readAudioTags(path)->title, "Old");
}

TEST_F(TagSavingTest, ASaveKilledHalfWayLeavesTheOldFileOrTheNewOneWhole) {
    // Big enough that the copy takes a while; without padding, so each save is a rewrite.
    const std::string wav = encode("long.wav", "pcm_s16le", {}, 120);
    const std::string original = dir.file("orig.flac"), expectedFile = dir.file("expected.flac");
    ASSERT_TRUE(run("flac -s -0 --no-padding -f -o " + original + " " + wav));
    TagFields f = artistAndTitle("Killed", "Half way");
    f.cover = TagFields::Cover::Set;
    f.coverMime = "image/png";
    f.coverData = std::string(200000, 'x');
    fs::copy_file(original, expectedFile);
    ASSERT_TRUE(writeTagSave(*planTagSave(expectedFile, f, {}, nullptr), {}, nullptr));
    const std::string oldHash = hashOf(original), newHash = hashOf(expectedFile);
    int sawOld = 0, sawNew = 0;
    for (int delayUs : {0, 2000, 5000, 10000, 20000, 40000, 80000, 160000}) {
        const std::string path = dir.file("k.flac");
        fs::copy_file(original, path, fs::copy_options::overwrite_existing);
        const pid_t child = ::fork();
        if (child == 0) {
            auto plan = planTagSave(path, f, {}, nullptr);
            ::_exit(plan && writeTagSave(*plan, {}, nullptr) ? 0 : 1);
        }
        ::usleep(useconds_t(delayUs));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const std::string now = hashOf(path);
        EXPECT_TRUE(now == oldHash || now == newHash) << "killed after " << delayUs << " µs";
        sawOld += now == oldHash;
        sawNew += now == newHash;
    }
    EXPECT_GT(sawOld + sawNew, 0);
}

} // namespace
} // namespace tunewalk

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the history's database driver is a plugin
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
