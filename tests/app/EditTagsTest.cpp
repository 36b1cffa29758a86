// Edit Tags, worked as the user works it: opened from the keyboard or the list's pop-up on
// generated files of several kinds, fields typed into, OK clicked, the files read back.
#include "Form1Fixture.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/frmEditTags.h"
#include "metadata/tags/CoverReader.h"
#include "metadata/tags/TagReader.h"

#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <cstring>

namespace tunewalk {
namespace {

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class EditTagsTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        if (!run("sh", {"-c", "command -v ffmpeg && command -v lame && command -v metaflac"}))
            GTEST_SKIP() << "no encoders";
        ASSERT_TRUE(run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=d=1", "-ac", "2",
                                   root.filePath("tone.wav")}));
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(Qt::red);
        coverPath = root.filePath("cover.png");
        ASSERT_TRUE(picture.save(coverPath, "PNG"));
        coverBytes = fixtures::readFile(coverPath.toStdString());
    }
    // A second of a tone as `name`, by ffmpeg with the codec and these tags.
    void encode(const QString& name, const QString& codec, const QStringList& tags) {
        QStringList args{"-v", "error", "-i", root.filePath("tone.wav"), "-c:a", codec};
        for (const QString& tag : tags)
            args << "-metadata" << tag;
        ASSERT_TRUE(run("ffmpeg", args << path(name))) << name.toStdString();
    }
    // An MP3 whose only tag is ID3v1.
    void encodeMp3(const QString& name, const QString& title) {
        ASSERT_TRUE(run("lame", {"--quiet", "--id3v1-only", "--tt", title, "--ta", "Old artist",
                                 root.filePath("tone.wav"), path(name)}));
    }
    void startActive() {
        start(music());
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    AudioTags tagsOf(const QString& name) const {
        std::string why;
        const auto tags = readAudioTags(path(name).toStdString(), &why);
        EXPECT_TRUE(tags) << name.toStdString() << ": " << why;
        return tags.value_or(AudioTags());
    }
    std::string coverOf(const QString& name) const {
        const auto cover = readCoverPicture(path(name).toStdString());
        return cover ? cover->data : std::string("none");
    }

    // Runs `steps` in the dialog that `open` opens, once it has read the files; the dialog is
    // closed afterwards if the steps left it open (or failed).
    void edit(const std::function<void()>& open, const std::function<void(frmEditTags&)>& steps) {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<frmEditTags*>(QApplication::activeModalWidget());
            const auto closeIfOpen = qScopeGuard([dialog] {
                if (dialog && dialog->isVisible()) dialog->reject();
            });
            ASSERT_TRUE(dialog) << "no Edit Tags dialog";
            ASSERT_TRUE(waitUntil([dialog] { return dialog->isLoaded(); }));
            steps(*dialog);
            ran = true;
        });
        open();
        EXPECT_TRUE(ran);
        QApplication::processEvents();
    }
    // Ctrl+T on the list, with these rows selected.
    void editByKey(const QStringList& rows, const std::function<void(frmEditTags&)>& steps) {
        select(rows);
        // The window is the active one again once a dialog has closed, as on a desktop.
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        edit([this] { QTest::keyClick(form->list(), Qt::Key_T, Qt::ControlModifier); }, steps);
    }
    // A click on the pop-up's Edit Tags, the pop-up opened from the keyboard on the rows.
    void editByPopup(const QStringList& rows, const std::function<void(frmEditTags&)>& steps) {
        select(rows);
        edit(
            [this] {
                form->list()->setFocus();
                QTest::keyClick(form->list(), Qt::Key_F10, Qt::ShiftModifier);
                auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                ASSERT_EQ(popup, form->menu("mnuPopup"));
                QAction* item = form->command("mnuEditAudioTags");
                ASSERT_TRUE(item->isVisible());
                QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(item).center());
            },
            steps);
    }
    // What the user types over a field's text (Ctrl+A, then the keys).
    static void retype(QLineEdit* field, const QString& text) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        if (text.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, text);
    }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // A click on the menu bar's menu, then on each item of the path in turn.
    void choose(const char* menuName, const QStringList& path) {
        QMenu* menu = form->menu(QLatin1String(menuName));
        QMenuBar* bar = form->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {},
                          bar->actionGeometry(menu->menuAction()).center());
        for (const QString& text : path) {
            ASSERT_TRUE(waitUntil([&] { return menu->isVisible(); })) << text.toStdString();
            QAction* found = nullptr;
            for (QAction* a : menu->actions())
                if (QString(a->text()).remove('&') == text) found = a;
            ASSERT_TRUE(found) << text.toStdString();
            const QPoint at = menu->actionGeometry(found).center();
            QTest::mouseMove(menu, at);
            QTest::mouseClick(menu, Qt::LeftButton, {}, at);
            if (found->menu()) menu = found->menu();
        }
        ASSERT_TRUE(waitUntil([] { return !QApplication::activePopupWidget(); }));
    }
    QString checkedVersion() const {
        for (const QAction* a : form->menu("mnuID3v2Version")->actions())
            if (a->isChecked()) return QString(a->text()).remove('&');
        return "none";
    }
    std::string headerOf(const QString& name) const {
        return fixtures::readFile(path(name).toStdString()).substr(0, 4);
    }

    QString coverPath;
    std::string coverBytes;
};

TEST_F(EditTagsTest, EachKindIsSavedFromWhatIsTypedAndItsRowShowsIt) {
    encodeMp3("a.mp3", "Old title");
    encode("b.flac", "flac", {"title=Old flac", "artist=F", "album=Album A", "date=2001"});
    encode("c.ogg", "libvorbis", {"title=Old vorbis", "album=Album C", "track=1"});
    startActive();

    const struct {
        const char* name;
        const char* oldTitle; // an MP3 with ID3v1 alone shows that tag
        std::string album;    // untouched by the save
    } files[] = {{"a.mp3", "Old title", ""},
                 {"b.flac", "Old flac", "Album A"},
                 {"c.ogg", "Old vorbis", "Album C"}};
    for (const auto& f : files) {
        const QString name = QLatin1String(f.name);
        editByKey({name}, [&](frmEditTags& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Edit Tags - " + name);
            EXPECT_EQ(dialog.txtTitle->text(), f.oldTitle);
            retype(dialog.txtTitle, "New " + name);
            retype(dialog.txtArtist, "Ärtist");
            retype(dialog.txtTrack, "3");
            retype(dialog.txtTrackTotal, "12");
            retype(dialog.txtYear, "1999");
            retype(dialog.cboGenre->lineEdit(), "Jazz");
            retype(dialog.txtComposer, "Composer");
            click(dialog.cmdOK);
            EXPECT_FALSE(dialog.isVisible());
        });
        const AudioTags tags = tagsOf(name);
        EXPECT_EQ(tags.title, "New " + name.toStdString());
        EXPECT_EQ(tags.artist, "Ärtist");
        EXPECT_EQ(tags.album, f.album) << f.name;
        EXPECT_EQ(tags.track, 3) << f.name;
        EXPECT_EQ(tags.trackTotal, 12) << f.name;
        EXPECT_EQ(tags.year, 1999) << f.name;
        EXPECT_EQ(tags.genre, "Jazz") << f.name;
        EXPECT_EQ(tags.composer, "Composer") << f.name;
        EXPECT_EQ(rowNamed(name)->cell(Col::Track), "New " + name);
    }
    EXPECT_EQ(headerOf("a.mp3"), std::string("ID3\x04", 4)) << "2.4 unless chosen otherwise";
    EXPECT_EQ(form->command("mnuUndo")->text().remove('&'), "Undo Edit tags of \"c.ogg\"");
}

TEST_F(EditTagsTest, SeveralFilesKeepWhatDiffersAndTakeOnlyWhatWasChanged) {
    encode("b.flac", "flac", {"title=One", "artist=F", "album=Old", "genre=Rock"});
    encode("c.flac", "flac", {"title=Two", "artist=G", "album=Old", "genre=Rock"});
    encode("d.ogg", "libvorbis", {"title=Three", "artist=H", "album=Old", "genre=Rock"});
    ASSERT_TRUE(run("metaflac", {"--import-picture-from=" + coverPath, path("b.flac")}));
    mkdir("sub");
    startActive();

    editByPopup({"b.flac", "c.flac", "d.ogg", "sub"}, [&](frmEditTags& dialog) {
        EXPECT_EQ(dialog.files().size(), 3) << "the folder is passed over";
        EXPECT_EQ(dialog.windowTitle(), "Edit Tags - 3 files");
        for (QLineEdit* differing : {dialog.txtTitle, dialog.txtArtist}) {
            EXPECT_EQ(differing->text(), "");
            EXPECT_EQ(differing->placeholderText(), "(kept)");
        }
        EXPECT_EQ(dialog.txtAlbum->text(), "Old");
        EXPECT_EQ(dialog.cboGenre->currentText(), "Rock");
        EXPECT_EQ(dialog.lblCover->text(), "(kept)") << "one file has a cover, two have none";
        // Typed and taken back: still the value every file has, so not written.
        retype(dialog.cboGenre->lineEdit(), "Pop");
        retype(dialog.cboGenre->lineEdit(), "Rock");
        retype(dialog.txtAlbum, "New album");
        click(dialog.cmdOK);
    });
    const std::pair<const char*, const char*> titleAndArtist[] = {
        {"One", "F"}, {"Two", "G"}, {"Three", "H"}};
    const char* names[] = {"b.flac", "c.flac", "d.ogg"};
    for (int i = 0; i < 3; ++i) {
        const AudioTags tags = tagsOf(names[i]);
        EXPECT_EQ(tags.title, titleAndArtist[i].first) << names[i];
        EXPECT_EQ(tags.artist, titleAndArtist[i].second) << names[i];
        EXPECT_EQ(tags.album, "New album") << names[i];
        EXPECT_EQ(tags.genre, "Rock") << names[i];
    }
    EXPECT_EQ(coverOf("b.flac"), coverBytes);
    EXPECT_EQ(coverOf("c.flac"), "none");
    EXPECT_EQ(form->command("mnuUndo")->text().remove('&'), "Undo Edit tags of 3 files");
}

TEST_F(EditTagsTest, ACoverIsAddedFromAFileSavedToAFileRemovedAndPasted) {
    encode("b.flac", "flac", {"title=One"});
    startActive();

    editByKey({"b.flac"}, [&](frmEditTags& dialog) {
        EXPECT_EQ(dialog.lblCover->text(), "(no cover)");
        EXPECT_FALSE(dialog.cmdRemoveCover->isEnabled());
        EXPECT_FALSE(dialog.cmdSaveCover->isEnabled());
        prompter.openAnswers = {coverPath};
        click(dialog.cmdAddCover);
        EXPECT_FALSE(dialog.lblCover->pixmap().isNull());
        EXPECT_EQ(dialog.lblCoverInfo->text(), "8 \u00d7 8 PNG");
        click(dialog.cmdOK);
    });
    EXPECT_EQ(coverOf("b.flac"), coverBytes);
    EXPECT_EQ(tagsOf("b.flac").title, "One");

    const QString saved = root.filePath("saved.png");
    editByKey({"b.flac"}, [&](frmEditTags& dialog) {
        ASSERT_FALSE(dialog.lblCover->pixmap().isNull());
        prompter.saveAnswers = {{saved, {}}};
        click(dialog.cmdSaveCover);
        click(dialog.cmdRemoveCover);
        EXPECT_EQ(dialog.lblCover->text(), "(no cover)");
        click(dialog.cmdOK);
    });
    EXPECT_EQ(fixtures::readFile(saved.toStdString()), coverBytes);
    EXPECT_EQ(coverOf("b.flac"), "none");

    // A picture without see-through parts goes in as a JPEG.
    QImage copied(16, 16, QImage::Format_RGB32);
    copied.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(copied);
    editByKey({"b.flac"}, [&](frmEditTags& dialog) {
        click(dialog.cmdPasteCover);
        click(dialog.cmdOK);
    });
    EXPECT_EQ(coverOf("b.flac").substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_TRUE(prompter.shown.empty()) << prompter.texts().join('|').toStdString();
}

TEST_F(EditTagsTest, TheId3v2VersionChosenInTheSettingsMenuIsWrittenAndKept) {
    encodeMp3("a.mp3", "Old title");
    startActive();
    EXPECT_EQ(checkedVersion(), "2.4");

    choose("mnuSettings", {"ID3v2 Version", "2.3"});
    EXPECT_EQ(setting("ID3v2Version"), "2.3");
    editByKey({"a.mp3"}, [&](frmEditTags& dialog) {
        retype(dialog.txtAlbum, "An album");
        click(dialog.cmdOK);
    });
    EXPECT_EQ(headerOf("a.mp3"), std::string("ID3\x03", 4));
    EXPECT_EQ(tagsOf("a.mp3").album, "An album");
    MP3TagEditor id3v1;
    ASSERT_TRUE(id3v1.LoadMP3(path("a.mp3").toStdString()));
    EXPECT_EQ(id3v1.Title(), "Old title") << "the ID3v1 tag's title, untouched";

    form.reset();
    startActive();
    EXPECT_EQ(checkedVersion(), "2.3");
}

TEST_F(EditTagsTest, FilesThatCannotBeSavedAreNamedWithTheSystemsReason) {
    encode("b.flac", "flac", {"title=One"});
    encode("c.ogg", "libvorbis", {"title=Two"});
    startActive();

    editByKey({"b.flac", "c.ogg"}, [&](frmEditTags& dialog) {
        ASSERT_TRUE(QFile::remove(path("c.ogg")));
        retype(dialog.txtComment, "Note");
        click(dialog.cmdOK);
        EXPECT_FALSE(dialog.isVisible()) << "one file was saved";
    });
    EXPECT_EQ(tagsOf("b.flac").comment, "Note");
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, QStringLiteral("The file was not saved.\n\nc.ogg: ") +
                                          QString::fromLocal8Bit(std::strerror(ENOENT)));
}

} // namespace
} // namespace tunewalk
