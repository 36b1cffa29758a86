// Which editor the list's tag and header commands open.
#include "Form1Fixture.h"

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

} // namespace
} // namespace tunewalk
