#include "AudioFixtures.h"
#include "EventLoopWait.h"
#include "FakeTagHost.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "common/PathRules.h"
#include "metadata/codec/MP3TagEditor.h"
#include "metadata/dialogs/BatchTagRun.h"
#include "metadata/dialogs/frmBatchFiles.h"
#include "metadata/dialogs/frmBatchTags.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace tunewalk;
namespace fx = tunewalk::fixtures;

namespace {

const std::string kAudio = fx::mpegFrames({}, 6);

// A folder of generated MP3 files listed by a fake host, and a prompter that records.
struct BatchFolder {
    TempDir dir;
    FakeTagHost host;
    ScriptedPrompter prompter;

    BatchFolder() { host.folder = QString::fromStdString(dir.path().string()); }

    QString path(const QString& name) const { return joinPath(host.folder, name); }
    // Writes the file (unless `bytes` is null) and lists it.
    void add(const QString& name, const std::string* bytes, bool selected = true,
             const QString& tag = QStringLiteral("MP3")) {
        if (bytes) fx::writeFile(QFile::encodeName(path(name)).toStdString(), *bytes);
        host.list.push_back({path(name), tag, name, selected});
    }
    void add(const QString& name, const std::string& bytes, bool selected = true) {
        add(name, &bytes, selected);
    }
    std::string bytes(const QString& name) const {
        return fx::readFile(QFile::encodeName(path(name)).toStdString());
    }
    MP3TagEditor reread(const QString& name) const {
        MP3TagEditor e;
        EXPECT_TRUE(e.LoadMP3(QFile::encodeName(path(name)).toStdString()));
        return e;
    }
};

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

// Clicks OK in the file dialog and waits for the run it starts to end.
void runSelected(frmBatchFiles& files) {
    files.cmdOK->click();
    EXPECT_TRUE(waitUntil([&] { return files.result() == QDialog::Accepted; }));
}

QStringList entries(const QListWidget* list, bool selectedOnly) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (!selectedOnly || list->item(i)->isSelected()) names << list->item(i)->text();
    return names;
}

// Types `text` one key at a time, as a keyboard layout with those characters would.
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

} // namespace

TEST(frmBatchTags, StartsWithNothingChosenAndOnlyIso8859OneFieldsOfTagWidth) {
    FakeTagHost host;
    ScriptedPrompter prompter;
    frmBatchTags dlg(host, prompter);
    EXPECT_EQ(dlg.windowTitle(), "Batch Apply Tags");
    EXPECT_FALSE(dlg.chkOverwriteTitle->isEnabled());
    EXPECT_FALSE(dlg.chkOverwriteComment->isEnabled());
    EXPECT_FALSE(dlg.txtAlbum->isEnabled());
    EXPECT_FALSE(dlg.txtYear->isEnabled());
    EXPECT_TRUE(dlg.cmdOK->isDefault());

    // Every genre and "None", none chosen.
    ASSERT_EQ(dlg.cboGenra->count(), 149);
    EXPECT_EQ(dlg.cboGenra->itemText(148), "None");
    EXPECT_EQ(dlg.cboGenra->currentIndex(), -1);

    dlg.show();
    QLineEdit* title = dlg.txtTitle;
    typeText(title, QString::fromUtf8("\u03A9mega \u00FC\u20AC!"));
    EXPECT_EQ(title->text(), QString::fromUtf8("mega \u00FC!"));
    // A paste with one character the tag cannot hold is refused as a whole.
    QApplication::clipboard()->setText(QString::fromUtf8(" caf\u00E9 \u0141"));
    title->paste();
    EXPECT_EQ(title->text(), QString::fromUtf8("mega \u00FC!"));
    QApplication::clipboard()->setText(QString::fromUtf8(" caf\u00E9"));
    title->paste();
    EXPECT_EQ(title->text(), QString::fromUtf8("mega \u00FC! caf\u00E9"));
    QTest::keyClicks(title, QString(40, QLatin1Char('x')));
    EXPECT_EQ(title->text().size(), 30);
    dlg.chkYear->setChecked(true);
    QTest::keyClicks(dlg.txtYear, QStringLiteral("20245"));
    EXPECT_EQ(dlg.txtYear->text(), "2024");
    for (QLineEdit* field : {dlg.txtArtist, dlg.txtAlbum, dlg.txtComment})
        EXPECT_EQ(field->maxLength(), 30);
}

TEST(frmBatchTags, NameBoxesAndFixedBoxesExcludeEachOther) {
    FakeTagHost host;
    ScriptedPrompter prompter;
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

TEST(frmBatchTags, WithoutAChosenFieldAsksForOneAndOpensNothing) {
    BatchFolder f;
    f.add("a.mp3", kAudio);
    frmBatchTags dlg(f.host, f.prompter);
    // The overwrite boxes alone choose nothing.
    dlg.chkUseName->setChecked(true);
    dlg.chkOverwriteTitle->setChecked(true);
    dlg.chkUseName->setChecked(false);
    EXPECT_FALSE(throughFileDialog(dlg, [](frmBatchFiles& files) { files.reject(); }));
    ASSERT_EQ(f.prompter.shown.size(), 1u);
    EXPECT_EQ(f.prompter.shown[0].text, "Please Select a Tag to Edit");
    EXPECT_EQ(f.prompter.shown[0].icon, Prompter::Icon::None);
    EXPECT_EQ(f.prompter.shown[0].buttons, Prompter::Buttons::Ok);
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(f.bytes("a.mp3"), kAudio);

    // Cancel in the file dialog goes back to the options, which stay open.
    dlg.chkArtist->setChecked(true);
    EXPECT_TRUE(throughFileDialog(dlg, [](frmBatchFiles& files) { files.btnCancel->click(); }));
    EXPECT_NE(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(f.bytes("a.mp3"), kAudio);
}

TEST(frmBatchFiles, ListsTheHostsMp3RowsWithItsSelection) {
    BatchFolder f;
    f.add("Sub", nullptr, true, "Folder");
    f.add("b.mp3", nullptr, false);
    f.add("song.wav", nullptr, true, "WAV");
    f.add("a.mp3", nullptr, true);
    f.add("c.mp3", nullptr, true);
    frmBatchFiles files(f.host, f.prompter, {});
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

TEST(frmBatchFiles, NothingSelectedSavesNothingAndClosesBoth) {
    BatchFolder f;
    f.add("a.mp3", kAudio, false);
    frmBatchTags dlg(f.host, f.prompter);
    dlg.chkArtist->setChecked(true);
    EXPECT_TRUE(throughFileDialog(dlg, [](frmBatchFiles& files) {
        files.cmdOK->click();
        EXPECT_EQ(files.result(), QDialog::Accepted);
        EXPECT_EQ(files.run(), nullptr);
    }));
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(f.bytes("a.mp3"), kAudio);
    EXPECT_TRUE(f.prompter.shown.empty());
}

TEST(BatchRun, WritesTheChosenFieldsThroughBothDialogsAndRefreshesTheRows) {
    BatchFolder f;
    const std::string live =
        kAudio + fx::id3v1Tag("Live", "Old Artist", "Old Album", "1970", "Old comment", 17);
    f.add("07 - Intro.mp3", kAudio);
    f.add("03 Live.mp3", live);
    f.add("not chosen.mp3", live, false);

    frmBatchTags dlg(f.host, f.prompter);
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
    EXPECT_TRUE(f.prompter.shown.empty()) << f.prompter.texts().join("|").toStdString();

    const MP3TagEditor intro = f.reread("07 - Intro.mp3");
    EXPECT_EQ(intro.Title(), "07 - Intro");
    EXPECT_EQ(intro.Comment(), "Track 07");
    EXPECT_EQ(intro.Genra(), 0); // genre checked, none chosen
    const MP3TagEditor kept = f.reread("03 Live.mp3");
    EXPECT_EQ(kept.Title(), "Live");
    EXPECT_EQ(kept.Comment(), "Old comment");
    EXPECT_EQ(kept.Album(), "Old Album");
    // The artist as typed, spaces and all.
    const std::string bytes = f.bytes("03 Live.mp3");
    EXPECT_EQ(bytes.substr(bytes.size() - 95, 30), " Lead Space " + std::string(18, ' '));
    EXPECT_EQ(fx::audioPart(bytes), kAudio);
    EXPECT_EQ(fx::audioPart(f.bytes("07 - Intro.mp3")), kAudio);
    EXPECT_EQ(f.bytes("not chosen.mp3"), live);
    EXPECT_EQ(f.host.refreshed, QStringList({f.path("07 - Intro.mp3"), f.path("03 Live.mp3")}));

    // A fixed title and comment from their boxes, taken as typed; a chosen genre's number.
    BatchFolder g;
    g.add("03 Live.mp3", live);
    frmBatchTags again(g.host, g.prompter);
    again.chkTitle->setChecked(true);
    again.txtTitle->setText(QStringLiteral(" Live"));
    again.chkComment->setChecked(true);
    again.txtComment->setText(QString::fromUtf8("Caf\u00E9"));
    again.chkGenra->setChecked(true);
    again.cboGenra->setCurrentIndex(148);
    EXPECT_TRUE(throughFileDialog(again, runSelected));
    const std::string tag = g.bytes("03 Live.mp3").substr(kAudio.size());
    EXPECT_EQ(tag.substr(3, 6), " Live ");
    EXPECT_EQ(tag.substr(97, 5), "Caf\xE9 ");
    EXPECT_EQ(static_cast<unsigned char>(tag[127]), 255);
}

TEST(BatchRun, AFileThatCannotBeSavedIsNamedAndTheOthersAreSavedAndRefreshed) {
    BatchFolder f;
    f.add("good.mp3", kAudio);
    std::filesystem::create_directory(f.dir / "folder.mp3");
    f.add("folder.mp3", nullptr);
    f.add("gone.mp3", nullptr); // listed, but deleted meanwhile
    f.add("last.mp3", kAudio);

    frmBatchFiles files(f.host, f.prompter, [] {
        BatchTagOptions o;
        o.album = "Album";
        return o;
    }());
    files.show();
    runSelected(files);

    ASSERT_EQ(f.prompter.shown.size(), 1u);
    EXPECT_EQ(f.prompter.shown[0].text.toStdString(),
              "The following file(s) were not saved:\n\nfolder.mp3\ngone.mp3\n\n"
              "The file(s) may be in use.");
    EXPECT_EQ(f.prompter.shown[0].icon, Prompter::Icon::Exclamation);
    EXPECT_EQ(f.prompter.shown[0].buttons, Prompter::Buttons::Ok);
    EXPECT_EQ(f.reread("good.mp3").Album(), "Album");
    EXPECT_EQ(f.reread("last.mp3").Album(), "Album");
    EXPECT_EQ(f.host.refreshed, QStringList({f.path("good.mp3"), f.path("last.mp3")}));
    EXPECT_TRUE(std::filesystem::is_directory(f.dir / "folder.mp3"));
    EXPECT_FALSE(std::filesystem::exists(f.dir / "gone.mp3"));
    EXPECT_EQ(files.run()->savedCount(), 2);
}

TEST(BatchRun, ASavedFileWhoseRowLeftTheListIsReportedAndTheRunGoesOn) {
    BatchFolder f;
    f.add("a.mp3", kAudio);
    f.add("b.mp3", kAudio);
    f.add("c.mp3", kAudio);
    BatchTagOptions o;
    o.year = "1999";
    frmBatchFiles files(f.host, f.prompter, o);
    f.host.list.erase(f.host.list.begin() + 1); // b's row goes while the dialog is open
    runSelected(files);
    ASSERT_EQ(f.prompter.shown.size(), 1u);
    EXPECT_TRUE(f.prompter.shown[0].text.contains("b.mp3"));
    EXPECT_EQ(f.prompter.shown[0].icon, Prompter::Icon::None);
    EXPECT_EQ(f.reread("b.mp3").Year(), "1999");
    EXPECT_EQ(f.reread("c.mp3").Year(), "1999");
}

TEST(BatchRun, NamesTheTagCannotHoldAreWrittenWithQuestionMarks) {
    BatchFolder f;
    f.add(QString::fromUtf8("Caf\u00E9 4.mp3"), kAudio);
    f.add(QString::fromUtf8("\u03A9mega \U0001D11E.mp3"), kAudio);
    BatchTagOptions o;
    o.titleFromFileName = true;
    o.guessTrack = true;
    frmBatchFiles files(f.host, f.prompter, o);
    runSelected(files);
    EXPECT_TRUE(f.prompter.shown.empty());
    EXPECT_EQ(f.reread(QString::fromUtf8("Caf\u00E9 4.mp3")).Title(), "Caf\xE9 4");
    EXPECT_EQ(f.reread(QString::fromUtf8("Caf\u00E9 4.mp3")).Comment(), "Track 4");
    // One '?' per character, also for one outside the 16-bit range.
    EXPECT_EQ(f.reread(QString::fromUtf8("\u03A9mega \U0001D11E.mp3")).Title(), "?mega ?");
}

namespace {

// A host whose refresh takes a while, so a batch needs many turns of the event loop, and which
// can press the progress dialog's Cancel after a given number of refreshes.
class SlowHost : public FakeTagHost {
public:
    bool refreshRow(const QString& key) override {
        QThread::msleep(1);
        const bool found = FakeTagHost::refreshRow(key);
        if (refreshed.size() == cancelAfter && onCancel) onCancel();
        return found;
    }
    qsizetype cancelAfter = -1;
    std::function<void()> onCancel;
};

} // namespace

TEST(BatchRun, CancelStopsTheRunAndKeepsWhatWasSaved) {
    TempDir dir;
    SlowHost host;
    ScriptedPrompter prompter;
    host.folder = QString::fromStdString(dir.path().string());
    const std::string tagged = kAudio + fx::id3v1Tag("Old");
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("%1 Song.mp3").arg(i, 2, 10, QLatin1Char('0'));
        fx::writeFile(dir / name.toStdString(), i == 20 ? std::string() : tagged);
        if (i == 20) std::filesystem::remove(dir / name.toStdString()); // fails before the cancel
        host.list.push_back({joinPath(host.folder, name), "MP3", name, true});
    }
    BatchTagOptions o;
    o.guessTrack = true;
    o.overwriteComment = true;
    frmBatchFiles files(host, prompter, o);
    files.show();
    host.cancelAfter = 25;
    host.onCancel = [&] {
        // Cancel as the user presses it, whether the progress shows yet or not.
        auto* cancel = files.progressDialog()->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    };

    // Other events are served between the turns of the run.
    int ticks = 0, progressAt = 0, ticksBetweenTurns = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    files.cmdOK->click();
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
        const std::string name =
            QStringLiteral("%1 Song.mp3").arg(i, 2, 10, QLatin1Char('0')).toStdString();
        if (i == 20) continue;
        MP3TagEditor e;
        ASSERT_TRUE(e.LoadMP3((dir / name).string()));
        EXPECT_EQ(e.Comment(), i < 26 ? "Track " + name.substr(0, 2) : "") << name;
        EXPECT_EQ(fx::audioPart(fx::readFile(dir / name)), kAudio);
    }
    // The failure among the files done is still reported.
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_TRUE(prompter.shown[0].text.contains("\n\n20 Song.mp3\n\n"));
}

TEST(BatchRun, EscapeDuringARunCancelsItInsteadOfLeavingItBehind) {
    TempDir dir;
    SlowHost host;
    ScriptedPrompter prompter;
    host.folder = QString::fromStdString(dir.path().string());
    for (int i = 0; i < 30; ++i) {
        const QString name = QStringLiteral("%1.mp3").arg(i);
        fx::writeFile(dir / name.toStdString(), kAudio);
        host.list.push_back({joinPath(host.folder, name), "MP3", name, true});
    }
    BatchTagOptions o;
    o.artist = "X";
    frmBatchFiles files(host, prompter, o);
    files.show();
    host.cancelAfter = 3;
    host.onCancel = [&] { QTest::keyClick(&files, Qt::Key_Escape); };
    files.cmdOK->click();
    EXPECT_TRUE(waitUntil([&] { return !files.run()->isRunning(); }));
    EXPECT_TRUE(files.run()->wasCancelled());
    EXPECT_EQ(files.run()->savedCount(), 3);
    EXPECT_EQ(files.result(), QDialog::Accepted);
    EXPECT_TRUE(prompter.shown.empty());
}
