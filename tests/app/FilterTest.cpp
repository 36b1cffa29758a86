// The filter over the list (Ctrl+F) and the status bar's counts.
#include "Form1Fixture.h"

namespace tunewalk {
namespace {

using fixtures::id3v1Tag;

class FilterTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        mkdir("Rock");
        writeMp3("a.mp3", 200, id3v1Tag("Night Song", "The Band"));
        writeMp3("b.mp3", 200, id3v1Tag("Caf\xe9 del Mar", "\xc9lan"));
        writeMp3("c.mp3", 200, id3v1Tag("Day", "THE BAND"));
        writeMp3("d.mp3");
        writeMp3("Été.mp3");
        writeBytes("e.wav", fixtures::wavFile({}));
        start(music());
        form->activateWindow();
    }

    QStringList shownNames() const {
        QStringList out;
        for (int i = 0; i < rowCount(); ++i)
            if (!row(i)->isHidden()) out << row(i)->cell(Col::Name);
        return out;
    }
    // Ctrl+F, then the text typed over whatever the field held.
    void filter(const QString& text) {
        QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(form->filterField(), text);
    }
    QString counts() const { return form->countsLabel()->text(); }
};

TEST_F(FilterTest, NarrowsByNameTrackOrArtistIgnoringCaseAndAccents) {
    QLineEdit* field = form->filterField();
    EXPECT_FALSE(field->isVisible());
    const int listTop = form->list()->geometry().top();
    QTest::keyClick(form->list(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(field->isVisible());
    EXPECT_TRUE(field->hasFocus());
    EXPECT_EQ(field->accessibleName(), "Filter");
    EXPECT_EQ(form->list()->geometry().top(), listTop + field->height()); // not covered

    const std::pair<const char*, QStringList> cases[] = {
        {"ete", {"Été.mp3"}},         // the file name's accents
        {"CAFÉ", {"b.mp3"}},          // the track name's
        {"elan", {"b.mp3"}},          // the artist
        {"band", {"a.mp3", "c.mp3"}}, // either case of it
        {"ro", {"Rock"}},             // a folder by its name
        {"zzz", {}},                  //
        {"", {"Rock", "a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.wav", "Été.mp3"}},
    };
    for (const auto& [typed, expected] : cases) {
        SCOPED_TRACE(typed);
        QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier); // selects what was typed
        if (*typed)
            QTest::keyClicks(field, QString::fromUtf8(typed));
        else
            QTest::keyClick(field, Qt::Key_Delete);
        EXPECT_EQ(shownNames(), expected);
    }

    // Escape in the field, or in the list, shows every row again.
    for (QWidget* target : std::initializer_list<QWidget*>{field, form->list()}) {
        filter("band");
        target->setFocus();
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(field->isVisible());
        EXPECT_TRUE(field->text().isEmpty());
        EXPECT_EQ(shownNames().size(), 7);
        EXPECT_EQ(form->list()->geometry().top(), listTop);
    }
}

TEST_F(FilterTest, KeepsFilteringRowsThatArriveLaterUntilAnotherFolderIsListed) {
    filter("band");
    // Refresh reads every file again: the rows come back by name alone, the artist later.
    QTest::keyClick(form.get(), Qt::Key_F5);
    waitForDetails();
    EXPECT_EQ(shownNames(), (QStringList{"a.mp3", "c.mp3"}));
    // Files another program adds.
    writeMp3("x.mp3");
    writeMp3("z.mp3", 200, id3v1Tag("Z", "Band Z"));
    ASSERT_TRUE(waitUntil([&] { return rowNamed("x.mp3") && rowNamed("z.mp3"); }));
    waitForDetails();
    EXPECT_EQ(shownNames(), (QStringList{"a.mp3", "c.mp3", "z.mp3"}));
    // A row renamed out of reach goes out of sight where it sorts to.
    filter("d");
    form->clickRow(rowNamed("d.mp3"));
    form->startRename();
    auto* editor = form->list()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->setText("y.mp3");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return rowNamed("y.mp3") != nullptr; }));
    EXPECT_EQ(shownNames(), (QStringList{"a.mp3", "b.mp3", "c.mp3", "z.mp3"}));

    list(path("Rock"));
    EXPECT_FALSE(form->filterField()->isVisible());
    list(music());
    EXPECT_EQ(shownNames().size(), 9);
}

TEST_F(FilterTest, NoHiddenRowStaysSelected) {
    const auto selected = [&] {
        QStringList names;
        for (const ListEntry* r : form->selectedRows())
            names << cellText(*r, Col::Name);
        return names;
    };
    form->clickRow(rowNamed("a.mp3"));
    form->list()->setFocus();
    QTest::keyClick(form->list(), Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(form->getSelCount(), 7);
    filter("band");
    EXPECT_EQ(selected(), (QStringList{"a.mp3", "c.mp3"}));
    // A range over hidden rows selects the rows shown alone.
    form->list()->clearSelection();
    form->list()->setFocus();
    QTest::keyClick(form->list(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selected(), (QStringList{"a.mp3", "c.mp3"}));

    // The current row gone out of sight, the first row shown takes its place.
    filter("elan");
    EXPECT_EQ(selected(), QStringList{"b.mp3"});
    EXPECT_EQ(form->currentRow(), rowNamed("b.mp3"));

    // Nothing shown, nothing selected: Delete, F2 and Enter in the list touch nothing, and
    // never fall back to the listed folder itself.
    filter("zzz");
    form->list()->setFocus();
    prompter.shown.clear();
    for (const Qt::Key key : {Qt::Key_Delete, Qt::Key_F2, Qt::Key_Return})
        QTest::keyClick(form->list(), key);
    QTest::qWait(50);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_TRUE(form->playingFile().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path("b.mp3")));
    EXPECT_EQ(form->folder(), music());
}

TEST_F(FilterTest, PlayAllNextAndPreviousGoByTheRowsShown) {
    setToggles(true, false);
    play("b.mp3");
    filter("band"); // hides the file playing
    form->command("mnuPrevious")->trigger();
    EXPECT_EQ(form->playingFile(), path("a.mp3"));
    player.startPlaying();
    player.reachEnd();
    EXPECT_EQ(form->playingFile(), path("c.mp3")); // b.mp3 skipped
    player.startPlaying();
    player.reachEnd(); // the last row shown
    EXPECT_TRUE(idle());
    EXPECT_EQ(form->currentRow(), rowNamed("a.mp3"));

    play("c.mp3");
    form->filterField()->setFocus();
    QTest::keyClick(form->filterField(), Qt::Key_Escape);
    filter("d.mp3");
    form->command("mnuNext")->trigger(); // from a hidden row
    EXPECT_EQ(form->playingFile(), path("d.mp3"));

    // Show Current File brings a hidden file into sight, selected alone.
    player.startPlaying();
    filter("band");
    form->command("mnuShowCurrent")->trigger();
    EXPECT_FALSE(form->filterField()->isVisible());
    EXPECT_EQ(form->selectedRows(), std::vector<const ListEntry*>{rowNamed("d.mp3")});
}

TEST_F(FilterTest, ExportsHoldTheRowsShown) {
    filter("band");
    prompter.saveAnswers.push_back({root.filePath("list.m3u"), "M3U Playlist (*.m3u)"});
    form->saveListing();
    QFile saved(root.filePath("list.m3u"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), path("a.mp3") + "\r\n" + path("c.mp3") + "\r\n");

    filter("rock"); // a folder alone: no files for a playlist
    prompter.saveAnswers.push_back({root.filePath("none.m3u"), "M3U Playlist (*.m3u)"});
    form->saveListing();
    EXPECT_EQ(prompter.shown.back().text, "There are no files to include in the playlist.");
}

TEST_F(FilterTest, CountsSayWhatTheListShows) {
    // Mono 8-bit at 8000 Hz: 8000 bytes a second.
    const auto wav = [](int seconds) {
        return fixtures::wavFile({1, 8000, 8, 0, 0, static_cast<std::uint32_t>(seconds * 8000)});
    };
    mkdir("sub/inner");
    writeBytes("sub/long.wav", wav(61));
    writeBytes("sub/short.wav", wav(3));
    list(path("sub"));
    EXPECT_TRUE(waitUntil([&] { return counts() == "1 folder, 2 audio files, 00:01:04"; }))
        << counts().toStdString();
    filter("LONG");
    EXPECT_TRUE(waitUntil([&] {
        return counts() == "1 of 3 shown: 0 folders, 1 audio file, 00:01:01";
    })) << counts().toStdString();
    QTest::keyClick(form->filterField(), Qt::Key_Escape);
    // A file deleted by another program.
    QFile::remove(path("sub/short.wav"));
    EXPECT_TRUE(waitUntil([&] { return counts() == "1 folder, 1 audio file, 00:01:01"; }))
        << counts().toStdString();
}

} // namespace
} // namespace tunewalk
