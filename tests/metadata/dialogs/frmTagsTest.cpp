#include "metadata/dialogs/frmTags.h"
#include "FakeTagHost.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>

#include <filesystem>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const QString kNotSaved =
    QStringLiteral("The file was not saved.\n\nThe file may be in use or it may be read-only.");
const QString kChanged = QStringLiteral("a.mp3 has changed since its tag was read, so the tag was "
                                        "not saved.\n\nReload the file's current tag?");

using TagsDialog = TagFolderTest;

std::string frames(const fx::FrameShape& shape = {}) {
    return fx::mpegFrames(shape, 12);
}

// Every field and list as the user sees it: the five texts, then the current genre, bitrate,
// sample rate, channel mode and MPEG version.
QStringList shown(const frmTags& d) {
    QStringList s;
    for (const QLineEdit* field : {d.txtTitle, d.txtArtist, d.txtAlbum, d.txtYear, d.txtComment})
        s << field->text();
    for (const QComboBox* list :
         {d.cboGenra, d.cboBitrate, d.cboSampleRate, d.cboChannel, d.cboType})
        s << list->currentText();
    return s;
}

} // namespace

TEST_F(TagsDialog, WithoutASelectedMp3RowTellsTheUserAndDoesNotOpen) {
    add("a.wav", fx::wavFile({}), RowKind::WAV);
    add("b.mp3", frames(), RowKind::MP3, false);
    add("folder", nullptr, RowKind::Folder);

    frmTags dlg(host, prompter);
    EXPECT_FALSE(dlg.load());
    EXPECT_TRUE(shownOnly("There is no MP3 file selected.", Prompter::Icon::Exclamation,
                          Prompter::Buttons::Ok));
}

TEST_F(TagsDialog, ShowsTheTagAndAudioOfTheFirstSelectedMp3) {
    add("a.wav", fx::wavFile({}), RowKind::WAV);
    add("b.mp3", frames() + fx::id3v1Tag("Not me"), RowKind::MP3, false);
    add("c.mp3",
        frames({.mode = 1}) + fx::id3v1Tag("Caf\xE9", "Art", "Alb", "1999", "Comment \xFF", 8));
    add("d.mp3", frames() + fx::id3v1Tag("Nor me"));

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Tags - Café"));
    // Latin-1 bytes, not UTF-8.
    EXPECT_EQ(shown(dlg), QStringList({"Café", "Art", "Alb", "1999", "Comment ÿ", "Jazz", "128",
                                       "44100", "Joint Stereo", "1"}));
    EXPECT_EQ(dlg.cboGenra->itemData(dlg.cboGenra->findText("None")).toInt(), 255);
    for (QComboBox* list : {dlg.cboBitrate, dlg.cboSampleRate, dlg.cboChannel, dlg.cboType})
        EXPECT_FALSE(list->isEnabled()) << list->objectName().toStdString();
}

TEST_F(TagsDialog, HeaderListsFollowTheFilesVersion) {
    // Text named .mp3: nothing in it looks like a frame.
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "This is not an MP3 file. ";
    // What the dialog shows, then the first bitrate and sample rate it lists.
    const std::pair<std::string, QStringList> cases[] = {
        {frames({.version = 2, .bitrateIndex = 12, .sampleRateIndex = 1, .mode = 3}),
         {"", "", "", "", "", "", "128", "24000", "Mono", "2", "8", "22050"}},
        {text + fx::id3v1Tag("Words"),
         {"Words", "", "", "", "", "None", "(unknown)", "(unknown)", "Stereo", "1", "32", "44100"}},
        // The first frame's header, though the audio after this Info frame is at 64 kbit/s.
        {fx::vbrHeaderFrame({.bitrateIndex = 4}, fx::VbrKind::Info, 12, 0) +
             frames({.bitrateIndex = 5}),
         {"", "", "", "", "", "", "56", "44100", "Stereo", "1", "32", "44100"}},
    };
    for (const auto& [bytes, expected] : cases) {
        reset();
        add("a.mp3", bytes);
        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(shown(dlg) << dlg.cboBitrate->itemText(0) << dlg.cboSampleRate->itemText(0),
                  expected);
        EXPECT_TRUE(dlg.lblHeaderNote->isHidden());
    }

    // Layer II: its own bitrate, not the Layer III table's entry at that index, and a note
    // that such headers are never rewritten.
    reset();
    add("a.mp3", frames({.bitrateIndex = 12, .layer = 2}));
    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(shown(dlg), QStringList({"", "", "", "", "", "", "256", "44100", "Stereo", "1"}));
    EXPECT_EQ(dlg.cboBitrate->count(), 1);
    EXPECT_FALSE(dlg.lblHeaderNote->isHidden());
    EXPECT_EQ(dlg.lblHeaderNote->text(),
              "MPEG-1 Layer II frame headers are shown as read; they cannot be rewritten.");
}

TEST_F(TagsDialog, CaptionNamesTheTitleOrElseTheFile) {
    const struct {
        const char* file;
        std::string tag;
        QString caption;
    } cases[] = {
        {"untagged.mp3", "", QStringLiteral("Edit Tags - untagged.mp3")},
        {"blank.mp3", fx::id3v1Tag("      ", "Someone"), QStringLiteral("Edit Tags - blank.mp3")},
        {"nul padded.mp3", fx::id3v1Tag(std::string("Song\0\0\0", 7)),
         QStringLiteral("Edit Tags - Song")},
    };
    for (const auto& c : cases) {
        reset();
        add(c.file, frames() + c.tag);
        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(dlg.windowTitle(), c.caption) << c.file;
    }
}

TEST_F(TagsDialog, UntaggedFileGetsATagAndOnlyATag) {
    const std::string audio = frames();
    const QString key = add("a.mp3", audio);

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(shown(dlg).mid(0, 6), QStringList(6, QString()));
    dlg.txtTitle->setText(QStringLiteral("First"));
    dlg.cmdSave->click();

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(host.refreshed, QStringList{key});
    const std::string after = bytesOf("a.mp3");
    EXPECT_EQ(after, audio + fx::id3v1Tag("First")); // no genre chosen: "None"
}

TEST_F(TagsDialog, GenreIsWrittenOnlyWhenOneIsChosen) {
    // An unlisted number selects nothing, says nothing and survives a save.
    for (const int chosen : {-1, 17}) {
        reset();
        const std::string audio = frames();
        add("a.mp3", audio + fx::id3v1Tag("T", "", "", "", "", 200));

        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(dlg.cboGenra->currentIndex(), -1);
        if (chosen >= 0) dlg.cboGenra->setCurrentIndex(dlg.cboGenra->findData(chosen));
        dlg.cmdSave->click();

        EXPECT_TRUE(prompter.shown.empty());
        EXPECT_EQ(fx::audioPart(bytesOf("a.mp3")), audio);
        EXPECT_EQ(reread("a.mp3").Genra(), chosen >= 0 ? chosen : 200);
    }
}

TEST_F(TagsDialog, SavesWhatWasTypedTrimmedAndInLatin1) {
    const std::string audio = frames();
    const QString key = add("a.mp3", audio + fx::id3v1Tag("Old", "Old", "Old", "1980", "Old", 3));

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    dlg.show();
    const std::pair<QLineEdit*, QString> typed[] = {
        {dlg.txtTitle, QStringLiteral("  Über Title  ")},
        {dlg.txtArtist, QStringLiteral(" Señor ")},
        {dlg.txtAlbum, QStringLiteral("Album")},
        {dlg.txtYear, QStringLiteral("2024")},
        {dlg.txtComment, QStringLiteral("¡Olé! ")},
    };
    for (const auto& [field, text] : typed) {
        field->clear();
        type(field, text);
        ASSERT_EQ(field->text(), text);
    }
    // Enter in a field presses the default button.
    QTest::keyClick(dlg.txtComment, Qt::Key_Return);

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(host.refreshed, QStringList{key});
    EXPECT_EQ(bytesOf("a.mp3"),
              audio + fx::id3v1Tag("\xDC"
                                   "ber Title",
                                   "Se\xF1or", "Album", "2024", "\xA1Ol\xE9!", 3));
}

TEST_F(TagsDialog, FieldsKeepWhatATagCanHoldAndNameTheRest) {
    const std::string original = frames();
    add("a.mp3", original);
    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    dlg.show();
    const QLabel* note = dlg.lblLeftOut;
    const QString leftOut = QStringLiteral("Left out (not in Latin-1): ");
    EXPECT_TRUE(note->isHidden());

    // Typed: each refused key says so, and the next accepted edit takes the note away.
    type(dlg.txtTitle, QStringLiteral("a€b✓c😀"));
    EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("abc"));
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), leftOut + QStringLiteral("😀"));
    QTest::keyClick(dlg.txtTitle, Qt::Key_Backspace);
    EXPECT_TRUE(note->isHidden());

    // Every way text comes in keeps its Latin-1 characters in order and names each other one
    // once.
    const std::pair<const char*, std::function<void(QLineEdit*, const QString&)>> ways[] = {
        {"Ctrl+V",
         [](QLineEdit* field, const QString& text) {
             QApplication::clipboard()->setText(text);
             QTest::keySequence(field, QKeySequence::Paste);
         }},
        {"menu",
         [](QLineEdit* field, const QString& text) {
             QApplication::clipboard()->setText(text);
             const QPoint at(1, 1);
             QContextMenuEvent click(QContextMenuEvent::Mouse, at, field->mapToGlobal(at));
             QApplication::sendEvent(field, &click);
             auto* menu = field->findChild<QMenu*>();
             ASSERT_TRUE(menu);
             for (QAction* action : menu->actions())
                 if (action->text().startsWith(QStringLiteral("&Paste"))) action->trigger();
             delete menu;
         }},
        {"input method",
         [](QLineEdit* field, const QString& text) {
             QInputMethodEvent composing(QStringLiteral("東"), {});
             QApplication::sendEvent(field, &composing);
             QInputMethodEvent commit;
             commit.setCommitString(text);
             QApplication::sendEvent(field, &commit);
         }},
        {"drop",
         [](QLineEdit* field, const QString& text) {
             QMimeData data;
             data.setText(text);
             const QPoint at(1, 1);
             QDragEnterEvent over(at, Qt::CopyAction, &data, Qt::LeftButton, {});
             QApplication::sendEvent(field, &over);
             QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
             QApplication::sendEvent(field, &drop);
         }},
    };
    for (const auto& [way, enter] : ways) {
        SCOPED_TRACE(way);
        dlg.txtArtist->clear();
        enter(dlg.txtArtist, QStringLiteral("Café 東京 Tower 東"));
        EXPECT_EQ(dlg.txtArtist->text(), QStringLiteral("Café  Tower "));
        EXPECT_TRUE(note->isVisible());
        EXPECT_EQ(note->text(), leftOut + QStringLiteral("東京"));
    }

    // Nothing to keep: a selection stays rather than being pasted over with nothing.
    dlg.txtArtist->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("😀"));
    QTest::keySequence(dlg.txtArtist, QKeySequence::Paste);
    EXPECT_EQ(dlg.txtArtist->selectedText(), QStringLiteral("Café  Tower "));
    // Latin-1 pastes as it always did, and takes the note away.
    QApplication::clipboard()->setText(QStringLiteral("Ærø"));
    QTest::keySequence(dlg.txtArtist, QKeySequence::Paste);
    EXPECT_EQ(dlg.txtArtist->text(), QStringLiteral("Ærø"));
    EXPECT_TRUE(note->isHidden());

    // The length limit counts what is kept, not what was left out before it.
    QApplication::clipboard()->setText(QStringLiteral("西暦2024年"));
    QTest::keySequence(dlg.txtYear, QKeySequence::Paste);
    EXPECT_EQ(dlg.txtYear->text(), QStringLiteral("2024"));
    QApplication::clipboard()->setText(QStringLiteral("東") + QString(40, QLatin1Char('t')));
    QTest::keySequence(dlg.txtTitle, QKeySequence::Paste);
    EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("ab") + QString(28, QLatin1Char('t')));
    QApplication::clipboard()->setText(QString(40, QLatin1Char('c')));
    QTest::keySequence(dlg.txtComment, QKeySequence::Paste);
    EXPECT_EQ(dlg.txtComment->text(), QString(30, QLatin1Char('c')));

    type(dlg.txtAlbum, QString(35, QLatin1Char('a')));
    dlg.txtYear->clear();
    type(dlg.txtYear, QStringLiteral("199912"));
    EXPECT_EQ(dlg.txtAlbum->text().size(), 30);
    EXPECT_EQ(dlg.txtYear->text(), QStringLiteral("1999"));

    // Text set from code passes no validator; saving it must not write a stand-in character.
    dlg.txtArtist->setText(QStringLiteral("Œuvre"));
    dlg.cmdSave->click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(bytesOf("a.mp3"), original);
    EXPECT_TRUE(host.refreshed.isEmpty());
}

TEST_F(TagsDialog, FailedSaveTellsTheUserAndKeepsTheDialogOpen) {
    const std::string original = frames() + fx::id3v1Tag("Old");
    for (const bool toFolder : {false, true}) {
        reset();
        const QString key = add("a.mp3", original);
        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        dlg.txtTitle->setText(QStringLiteral("New"));
        std::filesystem::remove(dir / "a.mp3");
        if (toFolder) std::filesystem::create_directory(dir / "a.mp3");
        dlg.cmdSave->click();

        EXPECT_TRUE(shownOnly(kNotSaved + "\n\n" + because(key, toFolder ? 0 : ENOENT),
                              Prompter::Icon::Exclamation, Prompter::Buttons::Ok));
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(host.refreshed.isEmpty());
        EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("New"));
        EXPECT_EQ(std::filesystem::exists(dir / "a.mp3"), toFolder); // never created

        // The file is back, but without its tag: a retry offers to reload it rather than write
        // what the dialog read before, and the save after the reload adds one tag.
        std::filesystem::remove(dir / "a.mp3");
        fx::writeFile(dir / "a.mp3", fx::audioPart(original));
        prompter.clear();
        dlg.cmdSave->click();
        EXPECT_TRUE(shownOnly(kChanged, Prompter::Icon::Exclamation, Prompter::Buttons::YesNo));
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.txtTitle->text(), QString());
        dlg.txtTitle->setText(QStringLiteral("New"));
        dlg.cmdSave->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(bytesOf("a.mp3"), fx::audioPart(original) + fx::id3v1Tag("New"));
    }
}

TEST_F(TagsDialog, VanishedFileOpensEmptyAndIsNotCreatedBySaving) {
    const QString key = add("gone.mp3", nullptr);
    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Tags - gone.mp3"));
    EXPECT_EQ(dlg.cboBitrate->currentText(), QStringLiteral("(unknown)"));
    dlg.cmdSave->click();
    EXPECT_EQ(prompter.texts(), QStringList{kNotSaved + "\n\n" + because(key, ENOENT)});
    EXPECT_FALSE(std::filesystem::exists(dir / "gone.mp3"));
}

TEST_F(TagsDialog, CancelAndEscapeCloseWithoutWriting) {
    const std::string original = frames() + fx::id3v1Tag("Old");
    add("a.mp3", original);
    for (const bool escape : {false, true}) {
        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        dlg.txtTitle->setText(QStringLiteral("New"));
        if (escape)
            QTest::keyClick(dlg.txtTitle, Qt::Key_Escape);
        else
            QTest::mouseClick(dlg.btnCancel, Qt::LeftButton);
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_FALSE(dlg.isVisible());
    }
    EXPECT_EQ(bytesOf("a.mp3"), original);
    EXPECT_TRUE(host.refreshed.isEmpty());
    EXPECT_TRUE(prompter.shown.empty());
}
