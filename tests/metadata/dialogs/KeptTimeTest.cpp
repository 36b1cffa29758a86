// Tag and header saves with and without putting the file's modification time back.
#include "EventLoopWait.h"
#include "FakeTagHost.h"
#include "common/FileTimes.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/frmTags.h"
#include "metadata/dialogs/frmWAV.h"

#include <QLineEdit>
#include <QPushButton>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

using KeptTimes = TagFolderTest;

TEST_F(KeptTimes, EverySaveKeepsTheTimeToTheNanosecondOnlyWhenAsked) {
    const FileTime old{1'000'000'000, 123'456'789}; // 2001, far from any clock now
    const std::string mp3 = fx::mpegFrames({}, 6) + fx::id3v1Tag("Before");
    const struct {
        const char* name;
        std::string bytes;
        RowKind kind;
        std::function<void()> save;
    } cases[] = {
        {"tag dialog", mp3, RowKind::MP3,
         [this] {
             frmTags dlg(host, prompter);
             ASSERT_TRUE(dlg.load());
             dlg.txtTitle->setText(QStringLiteral("After"));
             dlg.cmdSave->click();
         }},
        {"batch run", mp3, RowKind::MP3,
         [this] {
             BatchTagOptions options;
             options.artist = "Someone";
             BatchTagRun run(host, prompter, {QStringLiteral("a")}, options);
             run.start();
             ASSERT_TRUE(waitUntil([&] { return run.done() == 1 && !run.isRunning(); }));
             EXPECT_EQ(run.savedCount(), 1);
         }},
        {"header dialog", fx::wavFile({}), RowKind::WAV,
         [this] {
             frmWAV dlg(host, prompter);
             ASSERT_TRUE(dlg.load());
             dlg.txtSampleRate->setText(QStringLiteral("48000"));
             dlg.cmdSave->click();
         }},
    };
    for (const auto& c : cases)
        for (const bool keep : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (keep ? ", kept" : ", not kept"));
            reset();
            host.keepTimes = keep;
            const QString key = add("a", c.bytes, c.kind);
            ASSERT_TRUE(setModificationTime(key, old));

            c.save();
            EXPECT_EQ(host.refreshed, QStringList{key});
            EXPECT_NE(bytesOf("a"), c.bytes);
            const auto now = modificationTime(key);
            ASSERT_TRUE(now);
            EXPECT_EQ(*now == old, keep);
        }
}

} // namespace
