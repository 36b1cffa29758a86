// Tag and header saves recorded in the history, with the bytes they replaced and wrote.
#include "EventLoopWait.h"
#include "FakeTagHost.h"
#include "common/FileTimes.h"
#include "history/HistoryStore.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/frmTags.h"
#include "metadata/dialogs/frmWAV.h"
#include "history/Undo.h"
#include "fileops/FileJob.h"
#include "metadata/tags/TagReader.h"
#include "metadata/tags/TagWriter.h"

#include <QLineEdit>
#include <QPushButton>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

using SaveHistory = TagFolderTest;

TEST_F(SaveHistory, EachSaveIsOneEntryHoldingTheBytesItReplacedAndWrote) {
    const std::string audio = fx::mpegFrames({}, 6);
    const auto tagAt = static_cast<qint64>(audio.size());
    const std::string oldTag = fx::id3v1Tag("Old"), meanwhile = fx::id3v1Tag("Meanwhile");
    const std::string tagged = audio + oldTag, wav = fx::wavFile({});
    constexpr qint64 formatFieldsAt = 22; // RIFF header, then the format chunk's id, size, tag
    // Files are listed with an old time, which the saves keep: the record must hold the time
    // put back, not the one the write gave.
    const auto addOld = [this](const std::string& name, const std::string& bytes,
                               RowKind kind = RowKind::MP3) {
        ASSERT_TRUE(setModificationTime(add(name, bytes, kind), {1'000'000'000, 123'456'789}));
    };

    // A change the save must have recorded: empty `before` is a tag appended to the file.
    struct Expected {
        std::string name;
        qint64 offset;
        std::string before;
    };
    const auto batch = [this](QStringList names) {
        BatchTagOptions options;
        options.artist = "New";
        BatchTagRun run(host, prompter, std::move(names), options);
        run.start();
        ASSERT_TRUE(waitUntil([&] { return !run.isRunning(); }));
    };
    const struct {
        const char* name;
        std::function<void()> save; // adds its files and saves them
        HistoryStore::EntryKind kind;
        QString description;
        std::vector<Expected> changes; // none: no entry at all
    } cases[] = {
        {"batch, one file changed by someone else before its turn",
         [&] {
             addOld("a.mp3", tagged);
             addOld("b.mp3", audio);
             addOld("c.mp3", tagged);
             // The record keeps what the save replaced, not what was there when the run began.
             host.onRefresh = [&] {
                 if (host.refreshed.size() == 1) fx::writeFile(dir / "c.mp3", audio + meanwhile);
             };
             batch({"a.mp3", "b.mp3", "c.mp3"});
         },
         HistoryStore::EntryKind::BatchTag,
         "Batch tag 3 files",
         {{"a.mp3", tagAt, oldTag}, {"b.mp3", tagAt, ""}, {"c.mp3", tagAt, meanwhile}}},
        {"batch with a file that cannot be saved",
         [&] {
             addOld("a.mp3", tagged);
             std::filesystem::create_directory(dir / "folder.mp3");
             add("folder.mp3", nullptr);
             addOld("c.mp3", audio);
             batch({"a.mp3", "folder.mp3", "c.mp3"});
         },
         HistoryStore::EntryKind::BatchTag,
         "Batch tag 3 files",
         {{"a.mp3", tagAt, oldTag}, {"c.mp3", tagAt, ""}}},
        {"tag dialog",
         [&] {
             addOld("a.mp3", tagged);
             frmTags dlg(host, prompter);
             ASSERT_TRUE(dlg.load());
             dlg.txtTitle->setText(QStringLiteral("After"));
             dlg.cmdSave->click();
         },
         HistoryStore::EntryKind::TagSave,
         "Edit tags of \"a.mp3\"",
         {{"a.mp3", tagAt, oldTag}}},
        {"header dialog",
         [&] {
             addOld("a.wav", wav, RowKind::WAV);
             frmWAV dlg(host, prompter);
             ASSERT_TRUE(dlg.load());
             dlg.txtSampleRate->setText(QStringLiteral("48000"));
             dlg.cmdSave->click();
         },
         HistoryStore::EntryKind::HeaderSave,
         "Edit header of \"a.wav\"",
         {{"a.wav", formatFieldsAt, wav.substr(formatFieldsAt, 14)}}},
        {"header dialog, question declined",
         [&] {
             add("a.wav", wav, RowKind::WAV);
             prompter.answers = {Prompter::Answer::No};
             frmWAV dlg(host, prompter);
             ASSERT_TRUE(dlg.load());
             dlg.txtSampleRate->setText(QStringLiteral("48000"));
             dlg.cmdSave->click();
             EXPECT_EQ(bytesOf("a.wav"), wav);
         },
         HistoryStore::EntryKind::HeaderSave,
         {},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset();
        host.onRefresh = nullptr;
        host.recordedCount = 0;
        host.keepTimes = true;
        TempDir historyDir;
        HistoryStore store(QString::fromStdString(historyDir.file("history.db")));
        ASSERT_TRUE(store.isOpen());
        host.store = &store;

        c.save();
        const auto entries = store.entries();
        EXPECT_EQ(host.recordedCount, c.changes.empty() ? 0 : 1);
        if (c.changes.empty()) {
            EXPECT_TRUE(entries.empty());
            continue;
        }
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].kind, c.kind);
        EXPECT_EQ(entries[0].description, c.description);
        EXPECT_EQ(entries[0].state, HistoryStore::State::Done);
        EXPECT_TRUE(entries[0].undoable);
        const auto changes = store.changes(entries[0].id);
        ASSERT_EQ(changes.size(), c.changes.size());
        for (std::size_t i = 0; i < changes.size(); ++i) {
            const Expected& e = c.changes[i];
            SCOPED_TRACE(e.name);
            const std::string now = bytesOf(e.name);
            EXPECT_EQ(changes[i].path, QString::fromStdString(dir.file(e.name)));
            EXPECT_EQ(changes[i].offset, e.offset);
            EXPECT_EQ(changes[i].before.toStdString(), e.before);
            EXPECT_EQ(changes[i].noTagBefore, e.before.empty());
            EXPECT_EQ(changes[i].after.toStdString(),
                      now.substr(e.offset, e.before.empty() ? 128 : e.before.size()));
            EXPECT_NE(changes[i].after.toStdString(), e.before);
            EXPECT_EQ(changes[i].size, static_cast<qint64>(now.size()));
            EXPECT_EQ(changes[i].modifiedNs, changes[i].modifiedNsBefore);
            EXPECT_NE(changes[i].modifiedNs, 0);
        }
    }
}

// With every tag read, the ID3v1 dialog and a batch put what they change into the ID3v2 tag a
// file has, in one entry that undoes both byte for byte; the ID3v1 bytes are the codec's.
TEST_F(SaveHistory, OtherTagsAreKeptInStepAndUndoneWithTheId3v1Tag) {
    HistoryStore store(QString::fromStdString(dir.file("history.sqlite")));
    host.store = &store;
    host.inStep = true;
    const std::string audio = fx::mpegFrames({}, 6);
    for (const char* name : {"a.mp3", "b.mp3"}) {
        add(name, audio + fx::id3v1Tag("Old", "Someone"), RowKind::MP3, name[0] == 'a');
        TagFields f;
        f.title = "Old but longer in ID3v2";
        f.genre = "Ambient Dub Techno";
        ASSERT_TRUE(writeTagSave(*planTagSave(dir.file(name), f, {}, nullptr), {}, nullptr));
    }
    const std::string before = bytesOf("a.mp3");

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    dlg.txtTitle->selectAll();
    QTest::keyClicks(dlg.txtTitle, "Typed");
    dlg.cmdSave->click();
    EXPECT_EQ(readAudioTags(dir.file("a.mp3"))->title, "Typed");
    // What the dialog left alone keeps what ID3v2 holds beyond ID3v1.
    EXPECT_EQ(readAudioTags(dir.file("a.mp3"))->genre, "Ambient Dub Techno");
    EXPECT_EQ(reread("a.mp3").Title(), "Typed");
    const std::string after = bytesOf("a.mp3");
    EXPECT_EQ(after.substr(after.size() - 128, 8), "TAGTyped");

    const auto entry = store.entries(1).front();
    std::vector<HistoryStore::Change> changes = store.changes(entry.id);
    FileJob job;
    ASSERT_TRUE(history::applyAll(changes, history::Direction::Undo, job).ok);
    EXPECT_EQ(bytesOf("a.mp3"), before);
    ASSERT_TRUE(history::applyAll(changes, history::Direction::Redo, job).ok);
    EXPECT_EQ(bytesOf("a.mp3"), after);

    BatchTagOptions options;
    options.artist = "Batch";
    BatchTagRun run(host, prompter, {"b.mp3"}, options);
    run.start();
    ASSERT_TRUE(waitUntil([&] { return !run.isRunning(); }));
    EXPECT_EQ(readAudioTags(dir.file("b.mp3"))->artist, "Batch");
    EXPECT_EQ(reread("b.mp3").Artist(), "Batch");
    EXPECT_EQ(readAudioTags(dir.file("b.mp3"))->title, "Old but longer in ID3v2");
}

} // namespace
