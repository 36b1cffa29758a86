#include "common/SettingsStore.h"
#include "shell/QtPrompter.h"
#include "shell/RegAccess.h"
#include "shell/cClipFiles.h"
#include "shell/cFileInfo.h"
#include "shell/frmAbout.h"
#include "shell/frmDefault.h"

#include "FakeShellOperations.h"
#include "ScriptedPrompter.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace tunewalk;

namespace {

const QString noDefault = QStringLiteral("There is no currently selected default directory.");

QString makeFile(const QString& path, qint64 size) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
    return path;
}

class DefaultDirectory : public ::testing::Test {
protected:
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> settings =
        std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("Tunewalk.conf")));
    ScriptedPrompter prompter;

    QString stored() const {
        return settings->get(QStringLiteral("Settings"), QStringLiteral("DefaultPath"),
                             QStringLiteral("none"));
    }
};

} // namespace

TEST_F(DefaultDirectory, WithoutASettingSaysSoAndCannotDelete) {
    frmDefault dlg(*settings, prompter);
    EXPECT_EQ(dlg.windowTitle(), "Default Directory");
    EXPECT_EQ(dlg.Label1->text(), "Current Default Directory:");
    EXPECT_EQ(dlg.txtMessage->text(), noDefault);
    EXPECT_FALSE(dlg.btnDelete->isEnabled());

    // Deleting what is not there changes nothing and does not complain.
    dlg.btnDelete->setEnabled(true);
    dlg.btnDelete->click();
    EXPECT_EQ(dlg.txtMessage->text(), noDefault);
    EXPECT_FALSE(dlg.btnDelete->isEnabled());
    EXPECT_EQ(stored(), "none");
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(DefaultDirectory, ChangeSavesThePickedFolderAndCancelKeepsIt) {
    const QString music = dir.filePath(QStringLiteral("music <&> one"));
    ASSERT_TRUE(QDir().mkpath(music));
    frmDefault dlg(*settings, prompter);

    prompter.folders.push_back(music);
    dlg.btnChange->click();
    ASSERT_EQ(prompter.prompts, QStringList{"Select a Folder"});
    EXPECT_EQ(stored(), music);
    EXPECT_EQ(dlg.txtMessage->text(), music) << "shown as typed, not as markup";
    EXPECT_TRUE(dlg.btnDelete->isEnabled());

    dlg.btnChange->click(); // the picker is cancelled
    EXPECT_EQ(stored(), music);
    EXPECT_EQ(dlg.txtMessage->text(), music);
    EXPECT_TRUE(dlg.btnDelete->isEnabled());

    // A new dialog starts from the saved setting.
    frmDefault again(*settings, prompter);
    EXPECT_EQ(again.txtMessage->text(), music);
    EXPECT_TRUE(again.btnDelete->isEnabled());
    again.btnDelete->click();
    EXPECT_EQ(stored(), "none");
    EXPECT_EQ(again.txtMessage->text(), noDefault);
    EXPECT_FALSE(again.btnDelete->isEnabled());
    // The removal reached the file, not only this store object.
    settings.reset();
    SettingsStore reread(dir.filePath(QStringLiteral("Tunewalk.conf")));
    EXPECT_EQ(reread.get("Settings", "DefaultPath", "none"), "none");
}

TEST(AboutBox, ShowsTheProgramsTexts) {
    ScriptedPrompter prompter;
    FakeShellOperations shell;
    frmAbout about(shell, prompter);
    EXPECT_EQ(about.windowTitle(), "About Tunewalk");
    EXPECT_EQ(about.lblTitle->text(), "Tunewalk");
    EXPECT_TRUE(about.lblTitle->font().bold());
    EXPECT_EQ(about.lblVersion->text(), "Version 2.0.7");
    EXPECT_EQ(about.Label1->text(), "by");
    EXPECT_EQ(about.lblBrookvale->text(), "Brookvale Solutions, Inc");
    EXPECT_EQ(about.lblDescription->text(),
              "Tunewalk is a program that lets you treat a directory as a playlist for MP3 and "
              "WAV files. You can navigate the directory structure of your system and move files "
              "by dragging them to and from folders. You can move files to the parent directory "
              "by dragging them to the 'Up' icon in the toolbar. Tunewalk also displays and "
              "allows the editing of audio headers and ID3v1 MP3 tags.");
    EXPECT_EQ(about.cmdOK->text(), "&OK");
    EXPECT_EQ(about.cmdSysInfo->text(), "&System Info...");
}

TEST(AboutBox, SystemInfoStartsTheToolOrSaysItIsUnavailable) {
    ScriptedPrompter prompter;
    FakeShellOperations shell;
    frmAbout about(shell, prompter);

    about.cmdSysInfo->click();
    EXPECT_EQ(shell.systemInfoStarts, 1);
    EXPECT_TRUE(prompter.shown.empty());

    shell.systemInfoAvailable = false;
    about.cmdSysInfo->click();
    EXPECT_EQ(shell.systemInfoStarts, 2);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(prompter.shown[0].buttons, Prompter::Buttons::Ok);
}

// The end of the desktop session closes an open box as Escape would, and its caller goes on.
TEST(QtPrompter, OpenMessageBoxesCloseAsEscapeWouldWhenTheSessionEnds) {
    QtPrompter prompter(nullptr);
    QTimer::singleShot(0, [] { QtPrompter::closeOpenMessages(); });
    // A box left open is answered Yes after a while, failing the test instead of hanging it.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(window)) box->done(QMessageBox::Yes);
    });
    guard.start(5000);
    EXPECT_EQ(prompter.message("Replace it?", Prompter::Icon::Question, Prompter::Buttons::YesNo),
              Prompter::Answer::No);
    QTimer::singleShot(0, [] { QtPrompter::closeOpenMessages(); });
    EXPECT_EQ(prompter.message("Oops", Prompter::Icon::Critical, Prompter::Buttons::Ok),
              Prompter::Answer::Ok);
}

TEST(RegistryValue, NumbersAreReadLeastSignificantByteFirst) {
    QString value = QStringLiteral("old");
    convertRegValue(RegNumber32, QByteArray::fromHex("02010000"), value);
    EXPECT_EQ(value, "258");
    convertRegValue(RegNumber32, QByteArray::fromHex("78563412"), value);
    EXPECT_EQ(value, QString::number(0x12345678));
    convertRegValue(RegNumber32, QByteArray::fromHex("ffffffff"), value);
    EXPECT_EQ(value, "-1") << "eight hex digits read back as a signed 32-bit number";
}

TEST(RegistryValue, StringsLoseOneTrailingNulAndOtherTypesChangeNothing) {
    const auto wide = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    QString value;
    convertRegValue(RegString, wide(QStringLiteral("C:\\Tools\\msinfo32.exe")) + QByteArray(2, 0),
                    value);
    EXPECT_EQ(value, "C:\\Tools\\msinfo32.exe");
    convertRegValue(RegString, wide(QStringLiteral("Grüße")), value);
    EXPECT_EQ(value, QStringLiteral("Grüße")) << "no NUL: nothing is cut";
    convertRegValue(RegString, QByteArray(), value);
    EXPECT_EQ(value, "");

    value = QStringLiteral("kept");
    convertRegValue(3 /* binary */, QByteArray::fromHex("0102"), value);
    convertRegValue(2 /* expandable string */, wide(QStringLiteral("x")), value);
    EXPECT_EQ(value, "kept");
}

TEST(FileRecord, ExtensionIsTheTextAfterTheLastDotOfTheWholePath) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("music")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("my.music")));
    const QString song = makeFile(dir.filePath(QStringLiteral("music/song.mp3")), 10);
    const QString readme = makeFile(dir.filePath(QStringLiteral("music/readme")), 1);
    const QString dotted = makeFile(dir.filePath(QStringLiteral("my.music/readme")), 1);

    cFileInfo info;
    ASSERT_TRUE(info.setName(song));
    EXPECT_EQ(info.Extension(), "mp3");
    cFileInfo plain;
    ASSERT_TRUE(plain.setName(readme));
    EXPECT_EQ(plain.Extension(), "") << "a new record has none";
    ASSERT_TRUE(info.setName(readme));
    EXPECT_EQ(info.Extension(), "mp3") << "no dot keeps what the record had";
    ASSERT_TRUE(plain.setName(dotted));
    EXPECT_EQ(plain.Extension(), "music/readme");
}

TEST(FileRecord, TakesSizeAndTimeAndKeepsThemWhenTheFileIsGone) {
    QTemporaryDir dir;
    const QString path = makeFile(dir.filePath(QStringLiteral("a.wav")), 1234);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime when = QDateTime(QDate(2004, 5, 6), QTime(7, 8, 9));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
    file.close();

    cFileInfo info;
    ASSERT_TRUE(info.setName(path));
    EXPECT_EQ(info.Name(), path);
    EXPECT_EQ(info.Size(), 1234);
    EXPECT_EQ(info.Modified(), when);
    EXPECT_TRUE(info.errorString().isEmpty());

    const QString gone = dir.filePath(QStringLiteral("gone.mp3"));
    EXPECT_FALSE(info.setName(gone));
    EXPECT_FALSE(info.errorString().isEmpty());
    EXPECT_EQ(info.Name(), path);
    EXPECT_EQ(info.Size(), 1234);
    EXPECT_EQ(info.Modified(), when);
    EXPECT_EQ(info.Extension(), "wav");
}

namespace {

class ClipboardFiles : public ::testing::Test {
protected:
    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    static void put(QMimeData* data) { QGuiApplication::clipboard()->setMimeData(data); }
    static QByteArray uri(const QString& path) { return QUrl::fromLocalFile(path).toEncoded(); }

    QTemporaryDir dir;
    cClipFiles clip;
};

} // namespace

TEST_F(ClipboardFiles, TextIsNoFileList) {
    QGuiApplication::clipboard()->setText(dir.path());
    EXPECT_FALSE(clip.GetClipboardFiles());
    EXPECT_EQ(clip.Count(), 0u);
}

TEST_F(ClipboardFiles, TwoCopiedFilesGiveTwoRecordsWithTheirSizes) {
    const QString a = makeFile(dir.filePath(QStringLiteral("one.mp3")), 100);
    const QString b = makeFile(dir.filePath(QStringLiteral("two with space.wav")), 250);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b),
                   QUrl(QStringLiteral("https://example.org/x.mp3"))});
    data->setText(a);
    put(data);

    ASSERT_TRUE(clip.GetClipboardFiles());
    ASSERT_EQ(clip.Count(), 2u);
    EXPECT_EQ(clip.Item(0).Name(), a);
    EXPECT_EQ(clip.Item(0).Size(), 100);
    EXPECT_EQ(clip.Item(1).Name(), b);
    EXPECT_EQ(clip.Item(1).Size(), 250);
    ASSERT_NE(clip.find(b), nullptr);
    EXPECT_EQ(clip.find(b)->Extension(), "wav");

    // A later read starts over; an empty list is still a list.
    auto* empty = new QMimeData;
    empty->setData(QStringLiteral("text/uri-list"), QByteArray());
    put(empty);
    EXPECT_TRUE(clip.GetClipboardFiles());
    EXPECT_EQ(clip.Count(), 0u);
}

TEST_F(ClipboardFiles, ReadsTheFileManagersCopyAndCutLists) {
    const QString a = makeFile(dir.filePath(QStringLiteral("a.mp3")), 3);
    const QString b = makeFile(dir.filePath(QStringLiteral("b.mp3")), 4);
    for (const QByteArray& operation : {QByteArray("copy"), QByteArray("cut")}) {
        auto* data = new QMimeData;
        data->setData(QStringLiteral("x-special/gnome-copied-files"),
                      operation + '\n' + uri(a) + "\r\n" + uri(b) + '\n');
        put(data);
        ASSERT_TRUE(clip.GetClipboardFiles()) << operation.constData();
        ASSERT_EQ(clip.Count(), 2u);
        EXPECT_EQ(clip.Item(0).Name(), a);
        EXPECT_EQ(clip.Item(1).Size(), 4);
    }
}

TEST_F(ClipboardFiles, APathListedTwiceIsKeptOnceAndAMissingFileIsSkipped) {
    const QString a = makeFile(dir.filePath(QStringLiteral("a.mp3")), 3);
    const QString gone = dir.filePath(QStringLiteral("gone.mp3"));
    const QString b = makeFile(dir.filePath(QStringLiteral("b.mp3")), 4);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(gone), QUrl::fromLocalFile(a)});
    // Both formats together, as GNOME's file manager offers them.
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  "copy\n" + uri(a) + '\n' + uri(b));
    put(data);

    ASSERT_TRUE(clip.GetClipboardFiles());
    ASSERT_EQ(clip.Count(), 2u);
    EXPECT_EQ(clip.Item(0).Name(), a);
    EXPECT_EQ(clip.Item(1).Name(), b);
    EXPECT_EQ(clip.failedPaths(), QStringList{gone});

    clip.Clear();
    EXPECT_EQ(clip.Count(), 0u);
    EXPECT_TRUE(clip.failedPaths().isEmpty());
}

TEST_F(ClipboardFiles, LongPathsAreNotCut) {
    QString folder = dir.path();
    while (folder.size() < 300)
        folder += QStringLiteral("/a-rather-long-folder-name-for-the-test");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = makeFile(folder + QStringLiteral("/deep.mp3"), 7);
    ASSERT_GT(file.size(), 255);
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(file)});
    put(data);

    ASSERT_TRUE(clip.GetClipboardFiles());
    ASSERT_EQ(clip.Count(), 1u);
    EXPECT_EQ(clip.Item(0).Name(), file);
    EXPECT_EQ(clip.Item(0).Size(), 7);
    EXPECT_EQ(clip.Item(0).Extension(), "mp3");
}
