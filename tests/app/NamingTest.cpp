// Rename from Tags and Tags from File Names as the user works them: a click on the Audio menu,
// the command's access key, a pattern typed into the dialog, OK clicked, and the run taken back
// and made again through the Edit menu.
#include "Form1Fixture.h"

#include "metadata/dialogs/frmRenameFromTags.h"
#include "metadata/dialogs/frmTagsFromNames.h"

#include <QComboBox>
#include <QMenuBar>
#include <QPushButton>

namespace tunewalk {
namespace {

// An ID3v1.1 tag's comment field that carries a track number.
std::string withTrack(int track) {
    return std::string(28, ' ') + '\0' + char(track);
}

class NamingTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        writeMp3("a.mp3", 200, fixtures::id3v1Tag("Intro", "Band", "", "", withTrack(1)));
        writeMp3("b.mp3", 200, fixtures::id3v1Tag("In/Out", "Band", "", "", withTrack(12)));
        writeMp3("c.mp3"); // no tag: left as it is
        mkdir("sub");
        start(music());
    }
    // Opens the menu bar's menu that holds the command with a click on its title, and picks
    // the command by its access key.
    void choose(const char* itemName, Qt::Key itemKey) {
        QMenu* menu = menuOf(form->command(itemName));
        ASSERT_TRUE(menu) << itemName;
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); })) << itemName;
        QTest::keyClick(menu, itemKey);
        EXPECT_TRUE(waitUntil([&] { return !form->history().busy(); }));
        settleFileJobs();
    }
    // The menu bar's menu that holds the command.
    QMenu* menuOf(QAction* command) const {
        for (QAction* item : form->menuBar()->actions())
            if (item->menu() && item->menu()->actions().contains(command)) return item->menu();
        return nullptr;
    }
    // Runs `work` on the dialog of type T once it is the modal window, while the command that
    // opened it waits for it.
    template <class T> void whenOpen(std::function<void(T*)> work) {
        auto* poll = new QTimer(form.get());
        QObject::connect(poll, &QTimer::timeout, [poll, work] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!dialog) return;
            poll->deleteLater();
            poll->stop();
            ASSERT_TRUE(waitUntil([&] { return dialog->isReady(); }));
            work(dialog);
            if (dialog->isVisible()) dialog->reject();
        });
        poll->start(10);
    }
    // Types the pattern over the one the dialog offers.
    static void type(frmNamingPreview* dialog, const char* pattern) {
        QLineEdit* edit = dialog->cboPattern->lineEdit();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, QString::fromUtf8(pattern));
    }
    static QStringList afterTexts(const frmNamingPreview* dialog) {
        QStringList out;
        for (const frmNamingPreview::Row& row : dialog->rows())
            out << row.after;
        return out;
    }
    QString undoText() const { return form->command("mnuUndo")->text(); }
};

TEST_F(NamingTest, RenameFromTagsRenamesTheSelectedFilesAsOneUndoableRun) {
    select({"a.mp3", "b.mp3", "c.mp3", "sub"});
    const QStringList before = tree();
    bool slashRefused = false;
    QStringList shown;
    whenOpen<frmRenameFromTags>([&](frmRenameFromTags* dialog) {
        type(dialog, "%track% / %title%");
        slashRefused = !dialog->btnOK->isEnabled();
        type(dialog, "%track% - %artist% - %title%");
        shown = afterTexts(dialog);
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    choose("mnuRenameFromTags", Qt::Key_F);
    EXPECT_TRUE(slashRefused) << "a '/' in the pattern is no folder";
    // The folder is no part of the run; the file without tags stays as it is.
    EXPECT_EQ(shown,
              (QStringList{"01 - Band - Intro.mp3", "12 - Band - In-Out.mp3", "(not renamed)"}));
    const QStringList after = tree();
    EXPECT_TRUE(QFile::exists(path("01 - Band - Intro.mp3")));
    EXPECT_TRUE(QFile::exists(path("12 - Band - In-Out.mp3")));
    EXPECT_EQ(names(),
              (QStringList{"sub", "01 - Band - Intro.mp3", "12 - Band - In-Out.mp3", "c.mp3"}));
    EXPECT_EQ(undoText(), "&Undo Rename 2 files from their tags");
    EXPECT_EQ(settings().get("Settings", frmRenameFromTags::SettingsKey, {}).section('\n', 0, 0),
              "%track% - %artist% - %title%");

    choose("mnuUndo", Qt::Key_U);
    EXPECT_EQ(tree(), before);
    EXPECT_EQ(names(), (QStringList{"sub", "a.mp3", "b.mp3", "c.mp3"}));
    choose("mnuRedo", Qt::Key_R);
    EXPECT_EQ(tree(), after);
}

TEST_F(NamingTest, TagsFromFileNamesSavesTheFieldsOfThePatternAsOneUndoableRun) {
    ASSERT_TRUE(QFile::rename(path("a.mp3"), path("07 - Song.mp3")));
    list(music());
    select({"07 - Song.mp3", "c.mp3"});
    const QStringList before = tree();
    whenOpen<frmTagsFromNames>([&](frmTagsFromNames* dialog) {
        type(dialog, "%track% - %title%");
        EXPECT_EQ(afterTexts(dialog), (QStringList{"Track: 7; Title: Song", "(not changed)"}));
        QTest::mouseClick(dialog->btnOK, Qt::LeftButton);
    });
    choose("mnuTagsFromNames", Qt::Key_G);
    EXPECT_EQ(rowNamed("07 - Song.mp3")->cell(Col::Track), "Song");
    EXPECT_EQ(rowNamed("07 - Song.mp3")->cell(Col::Artist), "Band") << "a field left out stays";
    EXPECT_EQ(undoText(), "&Undo Tags of \"07 - Song.mp3\" from its name");
    const QStringList after = tree();
    EXPECT_NE(after, before);

    choose("mnuUndo", Qt::Key_U);
    EXPECT_EQ(tree(), before);
    choose("mnuRedo", Qt::Key_R);
    EXPECT_EQ(tree(), after);
}

} // namespace
} // namespace tunewalk
