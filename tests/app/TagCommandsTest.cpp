// Which editor the list's tag and header commands open.
#include "Form1Fixture.h"
#include "common/FileTimes.h"
#include "metadata/dialogs/frmTags.h"

#include <QLineEdit>
#include <QPushButton>

namespace tunewalk {
namespace {

class TagCommandsTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        writeMp3("a.mp3");
        writeMp3("b.mp3");
        writeBytes("c.wav", fixtures::wavFile({}));
        start(music());
    }
};

TEST_F(TagCommandsTest, OneMp3TheTagEditorTwoTheBatchNoneNothing) {
    select({"a.mp3", "c.wav"});
    EXPECT_EQ(openedBy(form->command("mnuMP3Tags")), "frmTags");
    select({"a.mp3", "b.mp3"});
    EXPECT_EQ(openedBy(form->command("mnuEditTags")), "frmBatchTags");
    select({"c.wav"});
    EXPECT_EQ(openedBy(form->command("mnuEditTags")), "");
}

TEST_F(TagCommandsTest, TheHeaderEditorIsForTheCurrentWavRowAlone) {
    select({"c.wav", "a.mp3"});
    EXPECT_EQ(openedBy(form->command("mnuEditWAV")), "frmWAV");
    EXPECT_EQ(form->getSelCount(), 1) << "only the current row stays selected";
    form->clickRow(rowNamed("c.wav"));
    EXPECT_EQ(openedBy(form->command("mnuWAVHeaders")), "frmWAV");
    form->clickRow(rowNamed("a.mp3"));
    EXPECT_EQ(openedBy(form->command("mnuWAVHeaders")), "");
}

TEST_F(TagCommandsTest, KeptTimesAreASettingAndTheRowAndCacheShowTheNewTagAtTheOldTime) {
    EXPECT_FALSE(form->command("mnuKeepTimes")->isChecked());
    form->command("mnuKeepTimes")->trigger();
    EXPECT_EQ(setting("KeepModifiedTimes"), "True");

    // A tag of fixed size: the save leaves size, inode and (kept) time as they were.
    writeMp3("a.mp3", 200, fixtures::id3v1Tag("Before"));
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1'000'000'000);
    ASSERT_TRUE(setModificationTime(path("a.mp3"), {old.toSecsSinceEpoch(), 0}));
    form.reset();
    start(music());
    ASSERT_TRUE(form->command("mnuKeepTimes")->isChecked());

    select({"a.mp3"});
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<frmTags*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        dialog->txtTitle->setText(QStringLiteral("After"));
        QTest::mouseClick(dialog->cmdSave, Qt::LeftButton);
    });
    form->command("mnuMP3Tags")->trigger();
    EXPECT_EQ(rowNamed("a.mp3")->cell(Col::Track), "After");
    EXPECT_EQ(QDateTime::fromMSecsSinceEpoch(rowNamed("a.mp3")->entry()->modifiedNs / 1000000),
              old);
    waitForDetails();

    // Listed again from the details cache, the file still shows its new tag.
    list(music());
    EXPECT_EQ(rowNamed("a.mp3")->cell(Col::Track), "After");
}

} // namespace
} // namespace tunewalk
