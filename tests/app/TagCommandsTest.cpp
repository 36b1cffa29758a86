// Which editor the list's tag and header commands open.
#include "Form1Fixture.h"

#include <QAction>
#include <QApplication>
#include <QDialog>

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
    // Runs a command and names the modal dialog it opened (closing it), or "" for none.
    QString opened(QAction* command) {
        QString name;
        QTimer::singleShot(0, [&name] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                name = QString::fromLatin1(modal->metaObject()->className());
                if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
            }
        });
        command->trigger();
        QApplication::processEvents();
        return name.section(QStringLiteral("::"), -1);
    }
    void select(const QStringList& names) {
        form->ListView1->clearSelection();
        for (const QString& n : names)
            rowNamed(n)->setSelected(true);
        form->ListView1->setCurrentItem(rowNamed(names.first()), 0, QItemSelectionModel::NoUpdate);
    }
};

TEST_F(TagCommandsTest, OneMp3TheTagEditorTwoTheBatchNoneNothing) {
    select({"a.mp3", "c.wav"});
    EXPECT_EQ(opened(form->mnuMP3Tags), "frmTags");
    select({"a.mp3", "b.mp3"});
    EXPECT_EQ(opened(form->mnuEditTags), "frmBatchTags");
    select({"c.wav"});
    EXPECT_EQ(opened(form->mnuEditTags), "");
}

TEST_F(TagCommandsTest, TheHeaderEditorIsForTheCurrentWavRowAlone) {
    select({"c.wav", "a.mp3"});
    EXPECT_EQ(opened(form->mnuEditWAV), "frmWAV");
    EXPECT_EQ(form->getSelCount(), 1) << "only the current row stays selected";
    form->clickRow(rowNamed("c.wav"));
    EXPECT_EQ(opened(form->mnuWAVHeaders), "frmWAV");
    form->clickRow(rowNamed("a.mp3"));
    EXPECT_EQ(opened(form->mnuWAVHeaders), "");
}

} // namespace
} // namespace tunewalk
