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
    EXPECT_EQ(openedBy(form->mnuMP3Tags), "frmTags");
    select({"a.mp3", "b.mp3"});
    EXPECT_EQ(openedBy(form->mnuEditTags), "frmBatchTags");
    select({"c.wav"});
    EXPECT_EQ(openedBy(form->mnuEditTags), "");
}

TEST_F(TagCommandsTest, TheHeaderEditorIsForTheCurrentWavRowAlone) {
    select({"c.wav", "a.mp3"});
    EXPECT_EQ(openedBy(form->mnuEditWAV), "frmWAV");
    EXPECT_EQ(form->getSelCount(), 1) << "only the current row stays selected";
    form->clickRow(rowNamed("c.wav"));
    EXPECT_EQ(openedBy(form->mnuWAVHeaders), "frmWAV");
    form->clickRow(rowNamed("a.mp3"));
    EXPECT_EQ(openedBy(form->mnuWAVHeaders), "");
}

} // namespace
} // namespace tunewalk
