#include "EventLoopWait.h"
#include "FakeTagHost.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/frmBatchFiles.h"
#include "metadata/dialogs/frmBatchPreview.h"
#include "metadata/dialogs/frmBatchTags.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <QTimer>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const std::string kAudio = fx::mpegFrames({}, 6);

using BatchTagsDialog = TagFolderTest;
using BatchFilesDialog = TagFolderTest;
using BatchRun = TagFolderTest;

// Presses "Choose Files...", lets `inFiles` work the file dialog from inside its modal loop,
// and returns whether the file dialog was opened at all.
bool throughFileDialog(frmBatchTags& dlg, const std::function<void(frmBatchFiles&)>& inFiles) {
    bool opened = false;
    QTimer::singleShot(0, &dlg, [&] {
        if (auto* files = dlg.findChild<frmBatchFiles*>()) {
            opened = true;
            inFiles(*files);
        }
    });
    dlg.cmdOK->click();
    QCoreApplication::processEvents();
    return opened;
}

// Runs `inPreview` in the preview the next OK in `files` opens, once it has read every file.
void whenPreviewReady(frmBatchFiles& files, std::function<void(frmBatchPreview&)> inPreview) {
    auto* poll = new QTimer(&files);
    QObject::connect(poll, &QTimer::timeout, [poll, &files, inPreview] {
        auto* preview = files.findChild<frmBatchPreview*>();
        if (!preview || !preview->isVisible() || !preview->isReady()) return;
        poll->stop();
        poll->deleteLater();
        inPreview(*preview);
    });
    poll->start(1);
}

// Clicks OK in the file dialog and Apply in the preview it opens.
void clickOkAndApply(frmBatchFiles& files) {
    whenPreviewReady(files, [](frmBatchPreview& preview) { preview.btnApply->click(); });
    files.cmdOK->click();
}

// Clicks OK in the file dialog, applies the preview and waits for the run it starts to end.
void runSelected(frmBatchFiles& files) {
    clickOkAndApply(files);
    EXPECT_TRUE(waitUntil([&] { return files.result() == QDialog::Accepted; }));
}

QStringList entries(const QListWidget* list, bool selectedOnly) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (!selectedOnly || list->item(i)->isSelected()) names << list->item(i)->text();
    return names;
}

} // namespace

TEST_F(BatchTagsDialog, StartsWithNothingChosenAndOnlyIso8859OneFieldsOfTagWidth) {
    frmBatchTags dlg(host, prompter);
    EXPECT_EQ(dlg.windowTitle(), "Batch Apply Tags");
    EXPECT_FALSE(dlg.chkOverwriteTitle->isEnabled());
    EXPECT_FALSE(dlg.chkOverwriteComment->isEnabled());
    EXPECT_FALSE(dlg.txtAlbum->isEnabled());
    EXPECT_FALSE(dlg.txtYear->isEnabled());
    EXPECT_TRUE(dlg.cmdOK->isDefault());
    EXPECT_EQ(dlg.cboGenra->currentIndex(), -1);

    dlg.show();
    QLineEdit* title = dlg.txtTitle;
    type(title, QString::fromUtf8("\u03A9mega \u00FC\u20AC!"));
    EXPECT_EQ(title->text(), QString::fromUtf8("mega \u00FC!"));
    EXPECT_TRUE(dlg.lblLeftOut->isHidden()); // the "!" after the euro sign was taken
    // A paste keeps what the tag can hold and names the rest.
    QApplication::clipboard()->setText(QString::fromUtf8(" caf\u00E9 \u0141"));
    QTest::keySequence(title, QKeySequence::Paste);
    EXPECT_EQ(title->text(), QString::fromUtf8("mega \u00FC! caf\u00E9 "));
    EXPECT_TRUE(dlg.lblLeftOut->isVisible());
    EXPECT_EQ(dlg.lblLeftOut->text(), QString::fromUtf8("Left out (not in Latin-1): \u0141"));
    QTest::keyClicks(title, QString(40, QLatin1Char('x')));
    EXPECT_EQ(title->text().size(), 30);
    dlg.chkYear->setChecked(true);
    QTest::keyClicks(dlg.txtYear, QStringLiteral("20245"));
    EXPECT_EQ(dlg.txtYear->text(), "2024");
    for (QLineEdit* field : {dlg.txtArtist, dlg.txtAlbum, dlg.txtComment})
        EXPECT_EQ(field->maxLength(), 30);
}

TEST_F(BatchTagsDialog, NameBoxesAndFixedBoxesExcludeEachOther) {
    frmBatchTags dlg(host, prompter);
    dlg.show();

    dlg.chkUseName->setChecked(true);
    EXPECT_TRUE(dlg.chkOverwriteTitle->isEnabled());
    dlg.chkTitle->setChecked(true);
    EXPECT_FALSE(dlg.chkUseName->isChecked());
    EXPECT_FALSE(dlg.chkOverwriteTitle->isEnabled());
    dlg.chkUseName->setChecked(true);
    EXPECT_FALSE(dlg.chkTitle->isChecked());
    EXPECT_TRUE(dlg.chkOverwriteTitle->isEnabled());
    // Unchecking changes nothing else.
    dlg.chkUseName->setChecked(false);
    EXPECT_TRUE(dlg.chkOverwriteTitle->isEnabled());
    EXPECT_FALSE(dlg.chkTitle->isChecked());

    dlg.chkComment->setChecked(true);
    dlg.chkGuessTrack->setChecked(true);
    EXPECT_FALSE(dlg.chkComment->isChecked());
    EXPECT_TRUE(dlg.chkOverwriteComment->isEnabled());
    dlg.chkComment->setChecked(true);
    EXPECT_FALSE(dlg.chkGuessTrack->isChecked());
    EXPECT_FALSE(dlg.chkOverwriteComment->isEnabled());

    // Album and year open their field and take the typing there.
    QTest::mouseClick(dlg.chkAlbum, Qt::LeftButton);
    EXPECT_TRUE(dlg.txtAlbum->isEnabled());
    EXPECT_EQ(dlg.focusWidget(), dlg.txtAlbum);
    QTest::mouseClick(dlg.chkYear, Qt::LeftButton);
    EXPECT_EQ(dlg.focusWidget(), dlg.txtYear);
    dlg.chkAlbum->setChecked(false);
    EXPECT_FALSE(dlg.txtAlbum->isEnabled());
    EXPECT_TRUE(dlg.txtYear->isEnabled());
    // Title, artist and comment can always be typed in; their box decides whether they count.
    dlg.chkTitle->setChecked(false);
    EXPECT_TRUE(dlg.txtTitle->isEnabled());
}

TEST_F(BatchTagsDialog, WithoutAChosenFieldAsksForOneAndOpensNothing) {
    add("a.mp3", kAudio);
    frmBatchTags dlg(host, prompter);
    // The overwrite boxes alone choose nothing.
    dlg.chkUseName->setChecked(true);
    dlg.chkOverwriteTitle->setChecked(true);
    dlg.chkUseName->setChecked(false);
    EXPECT_FALSE(throughFileDialog(dlg, [](frmBatchFiles& files) { files.reject(); }));
    EXPECT_TRUE(
        shownOnly("Please Select a Tag to Edit", Prompter::Icon::None, Prompter::Buttons::Ok));
    EXPECT_NE(dlg.result(), QDialog::Accepted);

    // Cancel in the file dialog goes back to the options, which stay open.
    dlg.chkArtist->setChecked(true);
    EXPECT_TRUE(throughFileDialog(dlg, [](frmBatchFiles& files) { files.btnCancel->click(); }));
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(bytesOf("a.mp3"), kAudio);
}

TEST_F(BatchFilesDialog, ListsTheHostsMp3RowsWithItsSelection) {
    add("Sub", nullptr, RowKind::Folder);
    add("b.mp3", nullptr, RowKind::MP3, false);
    add("song.wav", nullptr, RowKind::WAV);
    add("a.mp3", nullptr);
    add("c.mp3", nullptr);
    frmBatchFiles files(host, prompter, {});
    EXPECT_EQ(files.windowTitle(), "Choose Files");
    EXPECT_EQ(entries(files.fileList, false), QStringList({"b.mp3", "a.mp3", "c.mp3"}));
    EXPECT_EQ(entries(files.fileList, true), QStringList({"a.mp3", "c.mp3"}));
    // The first entry is current without being selected.
    EXPECT_EQ(files.fileList->currentRow(), 0);
    EXPECT_FALSE(files.fileList->item(0)->isSelected());

    files.fileList->setCurrentRow(2, QItemSelectionModel::NoUpdate);
    files.btnSelectAll->click();
    EXPECT_EQ(entries(files.fileList, true).size(), 3);
    EXPECT_EQ(files.fileList->currentRow(), 2);
}

TEST_F(BatchFilesDialog, NothingSelectedSavesNothingAndClosesBoth) {
    add("a.mp3", kAudio, RowKind::MP3, false);
    frmBatchTags dlg(host, prompter);
    dlg.chkArtist->setChecked(true);
    EXPECT_TRUE(throughFileDialog(dlg, [](frmBatchFiles& files) {
        files.cmdOK->click();
        EXPECT_EQ(files.result(), QDialog::Accepted);
        EXPECT_EQ(files.run(), nullptr);
    }));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(bytesOf("a.mp3"), kAudio);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(BatchRun, WritesTheChosenFieldsThroughBothDialogsAndRefreshesTheRows) {
    const std::string live =
        kAudio + fx::id3v1Tag("Live", "Old Artist", "Old Album", "1970", "Old comment", 17);
    const QString intro = add("07 - Intro.mp3", kAudio);
    const QString liveKey = add("03 Live.mp3", live);
    add("not chosen.mp3", live, RowKind::MP3, false);

    frmBatchTags dlg(host, prompter);
    dlg.chkUseName->setChecked(true);
    dlg.chkGuessTrack->setChecked(true);
    dlg.chkArtist->setChecked(true);
    dlg.txtArtist->setText(QStringLiteral(" Lead Space "));
    dlg.chkGenra->setChecked(true);
    // Typed but not checked: not written.
    dlg.txtComment->setText(QStringLiteral("Ignored"));
    dlg.txtTitle->setText(QStringLiteral("Ignored"));
    EXPECT_TRUE(throughFileDialog(dlg, runSelected));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.shown.empty()) << prompter.texts().join("|").toStdString();

    // Genre checked, none chosen: 0. The artist as typed, spaces and all.
    EXPECT_EQ(bytesOf("07 - Intro.mp3"),
              kAudio + fx::id3v1Tag("07 - Intro", " Lead Space ", "", "", "Track 07", 0));
    EXPECT_EQ(bytesOf("03 Live.mp3"),
              kAudio + fx::id3v1Tag("Live", " Lead Space ", "Old Album", "1970", "Old comment", 0));
    EXPECT_EQ(bytesOf("not chosen.mp3"), live);
    EXPECT_EQ(host.refreshed, QStringList({intro, liveKey}));

    // A fixed title and comment from their boxes, taken as typed; a chosen genre's number.
    reset();
    add("03 Live.mp3", live);
    frmBatchTags again(host, prompter);
    again.chkTitle->setChecked(true);
    again.txtTitle->setText(QStringLiteral(" Live"));
    again.chkComment->setChecked(true);
    again.txtComment->setText(QString::fromUtf8("Caf\u00E9"));
    again.chkGenra->setChecked(true);
    again.cboGenra->setCurrentIndex(again.cboGenra->findText("None"));
    EXPECT_TRUE(throughFileDialog(again, runSelected));
    EXPECT_EQ(bytesOf("03 Live.mp3"),
              kAudio + fx::id3v1Tag(" Live", "Old Artist", "Old Album", "1970", "Caf\xE9", 255));
}

TEST_F(BatchRun, AFileThatCannotBeSavedIsNamedAndTheOthersAreSavedAndRefreshed) {
    const QString good = add("good.mp3", kAudio);
    std::filesystem::create_directory(dir / "folder.mp3");
    const QString folder = add("folder.mp3", nullptr);
    const QString gone = add("gone.mp3", nullptr); // listed, but deleted meanwhile
    const QString last = add("last.mp3", kAudio);

    BatchTagOptions o;
    o.album = "Album";
    frmBatchFiles files(host, prompter, o);
    files.show();
    runSelected(files);

    EXPECT_TRUE(shownOnly("The following file(s) were not saved:\n\nfolder.mp3\ngone.mp3\n\n"
                          "The file(s) may be in use.\n\n" +
                              because(folder, 0) + "\n" + because(gone, ENOENT),
                          Prompter::Icon::Exclamation, Prompter::Buttons::Ok));
    EXPECT_EQ(reread("good.mp3").Album(), "Album");
    EXPECT_EQ(reread("last.mp3").Album(), "Album");
    EXPECT_EQ(host.refreshed, QStringList({good, last}));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder.mp3"));
    EXPECT_FALSE(std::filesystem::exists(dir / "gone.mp3"));
    EXPECT_EQ(files.run()->savedCount(), 2);
}

TEST_F(BatchRun, ASavedFileWhoseRowLeftTheListIsReportedAndTheRunGoesOn) {
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        add(name, kAudio);
    BatchTagOptions o;
    o.year = "1999";
    frmBatchFiles files(host, prompter, o);
    host.list.erase(host.list.begin() + 1); // b's row goes while the dialog is open
    runSelected(files);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains("b.mp3"));
    EXPECT_EQ(prompter.shown[0].icon, Prompter::Icon::None);
    EXPECT_EQ(reread("b.mp3").Year(), "1999");
    EXPECT_EQ(reread("c.mp3").Year(), "1999");
}

TEST_F(BatchRun, NamesTheTagCannotHoldAreWrittenWithQuestionMarks) {
    add("Caf\u00E9 4.mp3", kAudio);
    add("\u03A9mega \U0001D11E.mp3", kAudio);
    add("Caf\xE9 5.mp3", kAudio);
    BatchTagOptions o;
    o.titleFromFileName = true;
    o.guessTrack = true;
    frmBatchFiles files(host, prompter, o);
    runSelected(files);
    EXPECT_TRUE(prompter.shown.empty());
    EXPECT_EQ(bytesOf("Caf\u00E9 4.mp3"),
              kAudio + fx::id3v1Tag("Caf\xE9 4", "", "", "", "Track 4"));
    // One '?' per character, also for one outside the 16-bit range.
    EXPECT_EQ(reread("\u03A9mega \U0001D11E.mp3").Title(), "?mega ?");
    // A name in Latin-1 bytes (not valid text) gives its own letters.
    EXPECT_EQ(reread("Caf\xE9 5.mp3").Title(), "Caf\xE9 5");
}

TEST_F(BatchRun, CancelStopsTheRunAndKeepsWhatWasSaved) {
    const std::string tagged = kAudio + fx::id3v1Tag("Old");
    const auto name = [](int i) { return (i < 10 ? "0" : "") + std::to_string(i) + " Song.mp3"; };
    for (int i = 0; i < 40; ++i)
        add(name(i), i == 20 ? nullptr : &tagged); // 20 fails before the cancel
    BatchTagOptions o;
    o.guessTrack = true;
    o.overwriteComment = true;
    frmBatchFiles files(host, prompter, o);
    files.show();
    // Each refresh takes a while, so the run needs many turns of the event loop; the user
    // presses Cancel after 25, whether the progress shows yet or not.
    host.onRefresh = [&] {
        QThread::msleep(1);
        if (host.refreshed.size() != 25) return;
        auto* cancel = files.progressDialog()->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    };

    // Other events are served between the turns of the run.
    int ticks = 0, progressAt = 0, ticksBetweenTurns = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    clickOkAndApply(files);
    ASSERT_NE(files.run(), nullptr);
    QObject::connect(files.run(), &BatchTagRun::progress, [&](int done, int) {
        if (done > 0 && ticks > progressAt) ++ticksBetweenTurns;
        progressAt = ticks;
    });
    EXPECT_EQ(files.run()->done(), 0); // nothing happens inside the click
    EXPECT_TRUE(waitUntil([&] { return files.result() == QDialog::Accepted; }));
    EXPECT_GT(ticksBetweenTurns, 1);

    EXPECT_TRUE(files.run()->wasCancelled());
    EXPECT_EQ(files.run()->done(), 26); // the file being written when Cancel came is finished
    EXPECT_EQ(host.refreshed.size(), 25);
    for (int i = 0; i < 40; ++i) {
        if (i == 20) continue;
        EXPECT_EQ(reread(name(i)).Comment(), i < 26 ? "Track " + name(i).substr(0, 2) : "");
        EXPECT_EQ(fx::audioPart(bytesOf(name(i))), kAudio);
    }
    // The failure among the files done is still reported.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains("\n\n20 Song.mp3\n\n"));
}

TEST_F(BatchRun, EscapeDuringARunCancelsItInsteadOfLeavingItBehind) {
    for (int i = 0; i < 30; ++i)
        add(std::to_string(i) + ".mp3", kAudio);
    BatchTagOptions o;
    o.artist = "X";
    frmBatchFiles files(host, prompter, o);
    files.show();
    host.onRefresh = [&] {
        QThread::msleep(1);
        if (host.refreshed.size() == 3) QTest::keyClick(&files, Qt::Key_Escape);
    };
    clickOkAndApply(files);
    EXPECT_TRUE(waitUntil([&] { return !files.run()->isRunning(); }));
    EXPECT_TRUE(files.run()->wasCancelled());
    EXPECT_EQ(files.run()->savedCount(), 3);
    EXPECT_EQ(files.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(BatchRun, PreviewShowsTheNewValuesAndOnlyApplyWrites) {
    // An ID3v1.1 comment: 28 bytes of text, a zero, the track number.
    const std::string live = std::string("Live") + std::string(24, ' ') + '\0' + '\x05';
    const std::string song = kAudio + fx::id3v1Tag("Song", "Old", "", "", live, 17);
    const std::string same = kAudio + fx::id3v1Tag("Same", "X");
    add("01 Intro.mp3", kAudio);
    add("Song.mp3", song);
    add("Same.mp3", same);
    BatchTagOptions o;
    o.titleFromFileName = true;
    o.overwriteTitle = true;
    o.guessTrack = true;
    o.artist = "X";
    frmBatchFiles files(host, prompter, o);
    files.show();

    bool shown = false;
    whenPreviewReady(files, [&](frmBatchPreview& preview) {
        shown = true;
        EXPECT_EQ(preview.windowTitle(), "Batch Preview");
        EXPECT_EQ(preview.lblSummary->text(), "2 of 3 files will change.");
        EXPECT_TRUE(preview.btnApply->isDefault());
        const QTableWidget* table = preview.tblFiles;
        QStringList headers;
        for (int c = 0; c < table->columnCount(); ++c)
            headers << table->horizontalHeaderItem(c)->text();
        EXPECT_EQ(headers, QStringList({"File", "Title", "Artist", "Album", "Year", "Comment",
                                        "Genre", "Track"}));
        // Per row: every cell's text, and for a marked one the old value it names ("-": not
        // marked).
        const QString genre17 = QString::fromStdString(MP3TagEditor::GenraLookupByID(17));
        const QStringList texts[] = {
            {"01 Intro.mp3", "01 Intro", "X", "", "", "Track 01", "None", ""},
            {"Song.mp3", "Song (unchanged)", "X", "", "", "Live", genre17, "5"},
            {"Same.mp3", "Same (unchanged)", "X", "", "", "", "None", ""}};
        const QStringList was[] = {{"-", "", "", "-", "-", "", "", "-"},
                                   {"-", "-", "Old", "-", "-", "-", "-", "-"},
                                   {"-", "-", "-", "-", "-", "-", "-", "-"}};
        ASSERT_EQ(table->rowCount(), 3);
        const QColor grey = preview.palette().color(QPalette::Disabled, QPalette::Text);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < table->columnCount(); ++c) {
                SCOPED_TRACE(testing::Message() << "row " << r << ", column " << c);
                const QTableWidgetItem* item = table->item(r, c);
                EXPECT_EQ(item->text(), texts[r][c]);
                const bool marked = was[r][c] != "-";
                EXPECT_EQ(item->font().bold(), marked);
                EXPECT_EQ(item->background().style() != Qt::NoBrush, marked);
                EXPECT_EQ(item->toolTip(), marked ? "Was: " + was[r][c] : QString());
                // Only the file that would not change at all is greyed.
                EXPECT_EQ(item->foreground().style() != Qt::NoBrush && item->foreground() == grey,
                          r == 2);
            }
        QTest::mouseClick(preview.btnCancel, Qt::LeftButton);
    });
    QTest::mouseClick(files.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(shown);
    // Back to the choice of files, nothing written.
    EXPECT_EQ(files.run(), nullptr);
    EXPECT_TRUE(files.isVisible());
    EXPECT_TRUE(files.cmdOK->isEnabled());
    EXPECT_EQ(bytesOf("01 Intro.mp3"), kAudio);
    EXPECT_EQ(bytesOf("Song.mp3"), song);
    EXPECT_EQ(bytesOf("Same.mp3"), same);

    whenPreviewReady(files, [](frmBatchPreview& preview) {
        QTest::mouseClick(preview.btnApply, Qt::LeftButton);
    });
    QTest::mouseClick(files.cmdOK, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return files.result() == QDialog::Accepted; }));
    EXPECT_EQ(bytesOf("01 Intro.mp3"), kAudio + fx::id3v1Tag("01 Intro", "X", "", "", "Track 01"));
    EXPECT_EQ(bytesOf("Song.mp3"), kAudio + fx::id3v1Tag("Song", "X", "", "", live, 17));
    EXPECT_EQ(bytesOf("Same.mp3"), same);
}

TEST_F(BatchRun, PreviewShowsWholeYearsTrackNumbersAndHeadingsAtAnyFontSize) {
    const std::string track255 = std::string(28, ' ') + '\0' + '\xFF';
    add("a.mp3", kAudio + fx::id3v1Tag("Song", "", "", "1999", track255));
    BatchTagOptions o;
    o.year = "2024"; // bold, as a change shows
    const QFont original = QApplication::font();
    for (const int points : {9, 14}) {
        SCOPED_TRACE(points);
        QFont font = original;
        font.setPointSize(points);
        QApplication::setFont(font);
        frmBatchPreview preview(host.folder, {"a.mp3"}, o);
        preview.show();
        EXPECT_TRUE(waitUntil([&] { return preview.isReady(); }));
        const QTableWidget* table = preview.tblFiles;
        // What the table itself would make the column to show its contents without eliding.
        const QAbstractItemView* view = table;
        for (const int column : {frmBatchPreview::Year, frmBatchPreview::Track})
            EXPECT_GE(table->columnWidth(column), view->sizeHintForColumn(column)) << column;
        for (int c = 0; c < table->columnCount(); ++c)
            EXPECT_GE(table->columnWidth(c), table->horizontalHeader()->sectionSizeHint(c)) << c;
    }
    QApplication::setFont(original);
}
