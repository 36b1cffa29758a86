#include "metadata/dialogs/frmTags.h"
#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "FakeTagHost.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "metadata/codec/MP3TagEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const QString kNotSaved =
    QStringLiteral("The file was not saved.\n\nThe file may be in use or it may be read-only.");
const QString kChanged = QStringLiteral("a.mp3 has changed since its tag was read, so the tag was "
                                        "not saved.\n\nReload the file's current tag?");

class TagsDialog : public ::testing::Test {
protected:
    // Writes `bytes` as a file of the listed folder and lists it.
    QString addFile(const std::string& name, const std::string& bytes, const char* tag = "MP3",
                    bool selected = true) {
        fx::writeFile(dir / name, bytes);
        return addRow(name, tag, selected);
    }
    QString addRow(const std::string& name, const char* tag, bool selected) {
        const QString key = QString::fromStdString(dir.file(name));
        host.list.push_back(
            {key, QString::fromLatin1(tag), QString::fromStdString(name), selected, false});
        return key;
    }
    std::string bytesOf(const std::string& name) { return fx::readFile(dir / name); }

    static std::string frames(const fx::FrameShape& shape = {}) {
        return fx::mpegFrames(shape, 12);
    }

    TempDir dir;
    FakeTagHost host;
    ScriptedPrompter prompter;
};

// Types `text` key by key. QTest::keyClicks cannot: it sends each character as Latin-1, so
// the very characters the fields must refuse would never reach them.
void type(QWidget* field, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        QString key(text[i]);
        if (text[i].isHighSurrogate() && i + 1 < text.size()) key += text[++i];
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, key, Qt::NoModifier);
    }
}

MP3TagEditor reread(const std::filesystem::path& path) {
    MP3TagEditor e;
    EXPECT_TRUE(e.LoadMP3(path.string()));
    return e;
}

} // namespace

TEST_F(TagsDialog, WithoutASelectedMp3RowTellsTheUserAndDoesNotOpen) {
    addFile("a.wav", fx::wavFile({}), "WAV", true);
    addFile("b.mp3", frames(), "MP3", false);
    addRow("folder", "Folder", true);

    frmTags dlg(host, prompter);
    EXPECT_FALSE(dlg.load());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("There is no MP3 file selected."));
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
}

TEST_F(TagsDialog, ShowsTheTagAndAudioOfTheFirstSelectedMp3) {
    addFile("a.wav", fx::wavFile({}), "WAV", true);
    addFile("b.mp3", frames() + fx::id3v1Tag("Not me"), "MP3", false);
    addFile("c.mp3",
            frames({.mode = 1}) + fx::id3v1Tag("Caf\xE9", "Art", "Alb", "1999", "Comment \xFF", 8));
    addFile("d.mp3", frames() + fx::id3v1Tag("Nor me"));

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Tags - Café"));
    EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("Café")); // Latin-1 byte, not UTF-8
    EXPECT_EQ(dlg.txtArtist->text(), QStringLiteral("Art"));
    EXPECT_EQ(dlg.txtAlbum->text(), QStringLiteral("Alb"));
    EXPECT_EQ(dlg.txtYear->text(), QStringLiteral("1999"));
    EXPECT_EQ(dlg.txtComment->text(), QStringLiteral("Comment ÿ"));

    ASSERT_EQ(dlg.cboGenra->count(), 149);
    EXPECT_EQ(dlg.cboGenra->itemText(0), QStringLiteral("Blues"));
    EXPECT_EQ(dlg.cboGenra->itemText(148), QStringLiteral("None"));
    EXPECT_EQ(dlg.cboGenra->itemData(148).toInt(), 255);
    EXPECT_EQ(dlg.cboGenra->currentText(), QStringLiteral("Jazz"));

    EXPECT_EQ(dlg.cboBitrate->count(), 15);
    EXPECT_EQ(dlg.cboBitrate->itemText(0), QStringLiteral("32"));
    EXPECT_EQ(dlg.cboBitrate->currentText(), QStringLiteral("128"));
    EXPECT_EQ(dlg.cboBitrate->currentData().toInt(), 9); // the header index
    EXPECT_EQ(dlg.cboSampleRate->currentText(), QStringLiteral("44100"));
    EXPECT_EQ(dlg.cboChannel->currentText(), QStringLiteral("Joint Stereo"));
    EXPECT_EQ(dlg.cboType->currentText(), QStringLiteral("1"));
    for (QComboBox* list : {dlg.cboBitrate, dlg.cboSampleRate, dlg.cboChannel, dlg.cboType})
        EXPECT_FALSE(list->isEnabled()) << list->objectName().toStdString();
}

TEST_F(TagsDialog, Mpeg2FileListsTheMpeg2Values) {
    addFile("a.mp3", frames({.version = 2, .bitrateIndex = 12, .sampleRateIndex = 1, .mode = 3}));

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.cboBitrate->itemText(0), QStringLiteral("8"));
    EXPECT_EQ(dlg.cboBitrate->currentText(), QStringLiteral("128"));
    EXPECT_EQ(dlg.cboSampleRate->itemText(0), QStringLiteral("22050"));
    EXPECT_EQ(dlg.cboSampleRate->currentText(), QStringLiteral("24000"));
    EXPECT_EQ(dlg.cboChannel->currentText(), QStringLiteral("Mono"));
    EXPECT_EQ(dlg.cboType->currentText(), QStringLiteral("2"));
    EXPECT_EQ(dlg.cboType->currentData().toInt(), 2);
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
        host.list.clear();
        addFile(c.file, frames() + c.tag);
        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(dlg.windowTitle(), c.caption) << c.file;
    }
}

TEST_F(TagsDialog, UntaggedFileGetsATagAndOnlyATag) {
    const std::string audio = frames();
    const QString key = addFile("a.mp3", audio);

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    for (QLineEdit* field :
         {dlg.txtTitle, dlg.txtArtist, dlg.txtAlbum, dlg.txtYear, dlg.txtComment})
        EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(dlg.cboGenra->currentIndex(), -1);

    dlg.txtTitle->setText(QStringLiteral("First"));
    dlg.cmdSave->click();

    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(host.refreshed, QStringList{key});
    const std::string after = bytesOf("a.mp3");
    ASSERT_EQ(after.size(), audio.size() + 128);
    EXPECT_EQ(fx::audioPart(after), audio);
    EXPECT_EQ(static_cast<unsigned char>(after.back()), 255); // no genre chosen: "None"
    EXPECT_EQ(reread(dir / "a.mp3").Title(), "First");
}

TEST_F(TagsDialog, GenreIsWrittenOnlyWhenOneIsChosen) {
    // An unlisted number selects nothing, says nothing and survives a save.
    for (const int chosen : {-1, 17}) {
        host.list.clear();
        const std::string audio = frames();
        addFile("a.mp3", audio + fx::id3v1Tag("T", "", "", "", "", 200));

        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        EXPECT_EQ(dlg.cboGenra->currentIndex(), -1);
        if (chosen >= 0) dlg.cboGenra->setCurrentIndex(dlg.cboGenra->findData(chosen));
        dlg.cmdSave->click();

        EXPECT_TRUE(prompter.shown.empty());
        const std::string after = bytesOf("a.mp3");
        EXPECT_EQ(fx::audioPart(after), audio);
        EXPECT_EQ(reread(dir / "a.mp3").Genra(), chosen >= 0 ? chosen : 200);
    }
}

TEST_F(TagsDialog, SavesWhatWasTypedTrimmedAndInLatin1) {
    const std::string audio = frames();
    const QString key =
        addFile("a.mp3", audio + fx::id3v1Tag("Old", "Old", "Old", "1980", "Old", 3));

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
    const std::string after = bytesOf("a.mp3");
    ASSERT_EQ(after.size(), audio.size() + 128); // replaced in place
    EXPECT_EQ(fx::audioPart(after), audio);
    EXPECT_EQ(after.substr(audio.size() + 3, 30), "\xDC"
                                                  "ber Title" +
                                                      std::string(20, ' '));
    const MP3TagEditor e = reread(dir / "a.mp3");
    EXPECT_EQ(e.Artist(), "Se\xF1or");
    EXPECT_EQ(e.Album(), "Album");
    EXPECT_EQ(e.Year(), "2024");
    EXPECT_EQ(e.Comment(), "\xA1Ol\xE9!");
    EXPECT_EQ(e.Genra(), 3);
}

TEST_F(TagsDialog, FieldsRefuseWhatATagCannotHold) {
    const std::string original = frames();
    addFile("a.mp3", original);
    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    dlg.show();

    type(dlg.txtTitle, QStringLiteral("a€b✓c😀"));
    EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("abc"));

    // A paste holding one unstorable character is refused whole; nothing is replaced.
    QApplication::clipboard()->setText(QStringLiteral("x😀y"));
    dlg.txtArtist->paste();
    EXPECT_EQ(dlg.txtArtist->text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("Ærø"));
    dlg.txtArtist->paste();
    EXPECT_EQ(dlg.txtArtist->text(), QStringLiteral("Ærø"));

    type(dlg.txtAlbum, QString(35, QLatin1Char('a')));
    EXPECT_EQ(dlg.txtAlbum->text().size(), 30);
    type(dlg.txtYear, QStringLiteral("199912"));
    EXPECT_EQ(dlg.txtYear->text(), QStringLiteral("1999"));
    type(dlg.txtComment, QString(31, QLatin1Char('c')));
    EXPECT_EQ(dlg.txtComment->text().size(), 30);

    // Text set from code passes no validator; saving it must not write a stand-in character.
    dlg.txtArtist->setText(QStringLiteral("Œuvre"));
    dlg.cmdSave->click();
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(bytesOf("a.mp3"), original);
    EXPECT_TRUE(host.refreshed.isEmpty());
}

TEST_F(TagsDialog, FileWithoutAudioShowsUnknownValues) {
    // Text named .mp3: nothing in it looks like a frame.
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "This is not an MP3 file. ";
    addFile("a.mp3", text + fx::id3v1Tag("Words"));

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("Words"));
    EXPECT_EQ(dlg.cboBitrate->currentText(), QStringLiteral("(unknown)"));
    EXPECT_EQ(dlg.cboSampleRate->currentText(), QStringLiteral("(unknown)"));
    EXPECT_EQ(dlg.cboChannel->currentText(), QStringLiteral("Stereo"));
    EXPECT_EQ(dlg.cboType->currentText(), QStringLiteral("1"));
}

TEST_F(TagsDialog, FailedSaveTellsTheUserAndKeepsTheDialogOpen) {
    enum class Break { Removed, Directory };
    for (const Break how : {Break::Removed, Break::Directory}) {
        host.list.clear();
        host.refreshed.clear();
        prompter.clear();
        const std::string original = frames() + fx::id3v1Tag("Old");
        addFile("a.mp3", original);

        frmTags dlg(host, prompter);
        ASSERT_TRUE(dlg.load());
        dlg.txtTitle->setText(QStringLiteral("New"));
        std::filesystem::remove(dir / "a.mp3");
        if (how == Break::Directory) std::filesystem::create_directory(dir / "a.mp3");
        dlg.cmdSave->click();

        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kNotSaved);
        EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::Exclamation);
        EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_TRUE(host.refreshed.isEmpty());
        EXPECT_EQ(dlg.txtTitle->text(), QStringLiteral("New"));
        if (how == Break::Removed) {
            EXPECT_FALSE(std::filesystem::exists(dir / "a.mp3")); // never created
        }

        // The file is back, but without its tag: a retry offers to reload it rather than write
        // what the dialog read before, and the save after the reload adds one tag.
        std::filesystem::remove(dir / "a.mp3");
        fx::writeFile(dir / "a.mp3", fx::audioPart(original));
        prompter.clear();
        dlg.cmdSave->click();
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text, kChanged);
        EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::YesNo);
        EXPECT_NE(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.txtTitle->text(), QString());
        dlg.txtTitle->setText(QStringLiteral("New"));
        dlg.cmdSave->click();
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        const std::string after = bytesOf("a.mp3");
        EXPECT_EQ(after.size(), original.size());
        EXPECT_EQ(fx::audioPart(after), fx::audioPart(original));
        EXPECT_EQ(reread(dir / "a.mp3").Title(), "New");
    }
}

TEST_F(TagsDialog, VanishedFileOpensEmptyAndIsNotCreatedBySaving) {
    addRow("gone.mp3", "MP3", true);

    frmTags dlg(host, prompter);
    ASSERT_TRUE(dlg.load());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Tags - gone.mp3"));
    EXPECT_EQ(dlg.cboBitrate->currentText(), QStringLiteral("(unknown)"));
    dlg.cmdSave->click();
    EXPECT_EQ(prompter.texts(), QStringList{kNotSaved});
    EXPECT_FALSE(std::filesystem::exists(dir / "gone.mp3"));
}

TEST_F(TagsDialog, CancelAndEscapeCloseWithoutWriting) {
    const std::string original = frames() + fx::id3v1Tag("Old");
    addFile("a.mp3", original);
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
