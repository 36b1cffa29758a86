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
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

using namespace tunewalk;

namespace {

QString makeFile(const QString& path, qint64 size) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QByteArray(size, 'x'));
    return path;
}

QByteArray uri(const QString& path) {
    return QUrl::fromLocalFile(path).toEncoded();
}

} // namespace

TEST(DefaultDirectory, ChangeSavesThePickedFolderCancelKeepsItAndDeleteRemovesIt) {
    const QString noDefault = "There is no currently selected default directory.";
    QTemporaryDir dir;
    const QString music = dir.filePath("music <&> one"), conf = dir.filePath("Tunewalk.conf");
    ASSERT_TRUE(QDir().mkpath(music));
    auto settings = std::make_unique<SettingsStore>(conf);
    ScriptedPrompter prompter;
    const auto stored = [&] { return settings->get("Settings", "DefaultPath", "none"); };
    frmDefault dlg(*settings, prompter);
    EXPECT_EQ(dlg.txtMessage->text(), noDefault);
    EXPECT_FALSE(dlg.btnDelete->isEnabled());

    prompter.folders.push_back(music);
    dlg.btnChange->click();
    dlg.btnChange->click(); // the picker is cancelled
    EXPECT_EQ(prompter.prompts, (QStringList{"Select a Folder", "Select a Folder"}));
    EXPECT_EQ(stored(), music);
    EXPECT_EQ(dlg.txtMessage->text(), music) << "shown as typed, not as markup";
    EXPECT_TRUE(dlg.btnDelete->isEnabled());

    frmDefault again(*settings, prompter); // starts from the saved setting
    EXPECT_EQ(again.txtMessage->text(), music);
    again.btnDelete->click();
    EXPECT_EQ(again.txtMessage->text(), noDefault);
    EXPECT_FALSE(again.btnDelete->isEnabled());
    settings.reset(); // the removal reached the file, not only this store object
    EXPECT_EQ(SettingsStore(conf).get("Settings", "DefaultPath", "none"), "none");
}

TEST(AboutBox, SystemInfoStartsTheToolOrSaysItIsUnavailable) {
    ScriptedPrompter prompter;
    FakeShellOperations shell;
    frmAbout about(shell, prompter);
    about.cmdSysInfo->click();
    EXPECT_TRUE(prompter.shown.empty());
    shell.systemInfoAvailable = false;
    about.cmdSysInfo->click();
    EXPECT_EQ(shell.systemInfoStarts, 2);
    EXPECT_EQ(prompter.texts(), QStringList{"System Information Is Unavailable At This Time"});
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

TEST(RegistryValue, NumbersLeastSignificantByteFirstStringsLoseOneNulOtherTypesNothing) {
    const auto wide = [](const QString& text) {
        return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    };
    const std::tuple<std::uint32_t, QByteArray, QString> cases[] = {
        {RegNumber32, QByteArray::fromHex("02010000"), "258"},
        {RegNumber32, QByteArray::fromHex("ffffffff"), "-1"},
        {RegString, wide("C:\\Tools\\msinfo32.exe") + QByteArray(2, 0), "C:\\Tools\\msinfo32.exe"},
        {RegString, wide("Grüße"), "Grüße"}, // no NUL: nothing is cut
        {RegString, QByteArray(), ""},
        {3 /* binary */, QByteArray::fromHex("0102"), "kept"},
        {2 /* expandable string */, wide("x"), "kept"},
    };
    for (const auto& [type, raw, expected] : cases) {
        QString value = "kept";
        convertRegValue(type, raw, value);
        EXPECT_EQ(value, expected) << raw.toHex().toStdString();
    }
}

TEST(FileRecord, TakesSizeTimeAndTheTextAfterTheLastDotOfThePathAndKeepsThemWhenTheFileIsGone) {
    QTemporaryDir dir;
    const QString song = makeFile(dir.filePath("song.mp3"), 1234);
    QFile file(song);
    const QDateTime when(QDate(2004, 5, 6), QTime(7, 8, 9));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(when, QFileDevice::FileModificationTime));
    cFileInfo info, fresh;
    ASSERT_TRUE(info.setName(song) && info.errorString().isEmpty());
    EXPECT_TRUE(!info.setName(dir.filePath("gone.mp3")) && !info.errorString().isEmpty());
    EXPECT_EQ(std::tuple(info.Name(), info.Size(), info.Modified(), info.Extension()),
              std::tuple(song, 1234, when, "mp3"))
        << "kept when the file is gone";
    const QString readme = makeFile(dir.filePath("readme"), 1);
    ASSERT_TRUE(info.setName(readme) && fresh.setName(readme));
    EXPECT_EQ(info.Extension(), "mp3") << "no dot keeps what the record had";
    EXPECT_EQ(fresh.Extension(), "") << "a new record has none";
    ASSERT_TRUE(fresh.setName(makeFile(dir.filePath("my.music/readme"), 1)));
    EXPECT_EQ(fresh.Extension(), "music/readme");
}

// The clipboard is read as the file manager fills it: URI lists, or GNOME's copy and cut lists.
TEST(ClipboardFiles, FileListsGiveOneRecordPerExistingFileWithItsSize) {
    QTemporaryDir dir;
    QString folder = dir.path();
    while (folder.size() < 300) // long paths are not cut
        folder += "/a-rather-long-folder-name-for-the-test";
    const QString a = makeFile(dir.filePath("one.mp3"), 100), gone = dir.filePath("gone.mp3");
    const QString b = makeFile(folder + "/two with space.wav", 250);
    cClipFiles clip;
    using Formats = QList<std::pair<QString, QByteArray>>;
    const auto read = [&](const Formats& formats) {
        auto* data = new QMimeData;
        for (const auto& [format, list] : formats)
            data->setData(format, list);
        data->setText(a);
        QGuiApplication::clipboard()->setMimeData(data);
        return clip.GetClipboardFiles();
    };
    const QString uris = "text/uri-list", gnome = "x-special/gnome-copied-files";
    const Formats cases[] = {
        {{uris, uri(a) + "\r\n" + uri(gone) + "\r\n" + uri(b) + "\r\n" + uri(a) +
                    "\r\nhttps://example.org/x.mp3\r\n"}},
        {{gnome, "copy\n" + uri(a) + '\n' + uri(gone) + '\n' + uri(b)}},
        {{gnome, "cut\n" + uri(a) + "\r\n" + uri(gone) + "\r\n" + uri(b) + '\n'}},
        // Both, as GNOME's file manager offers them.
        {{uris, uri(a) + "\r\n" + uri(gone) + "\r\n" + uri(a)},
         {gnome, "copy\n" + uri(a) + '\n' + uri(b)}},
    };
    for (const Formats& formats : cases) {
        ASSERT_TRUE(read(formats)) << formats.back().second.toStdString();
        ASSERT_EQ(clip.Count(), 2u);
        EXPECT_EQ(std::pair(clip.Item(0).Name(), clip.Item(0).Size()), std::pair(a, qint64(100)));
        EXPECT_EQ(std::pair(clip.Item(1).Name(), clip.Item(1).Size()), std::pair(b, qint64(250)));
        EXPECT_TRUE(clip.find(b) && clip.find(b)->Extension() == "wav");
        EXPECT_EQ(clip.failedPaths(), QStringList{gone});
    }
    EXPECT_TRUE(read({{uris, ""}})) << "an empty list is still a list";
    EXPECT_EQ(clip.Count(), 0u);
    EXPECT_TRUE(clip.failedPaths().isEmpty());
    QGuiApplication::clipboard()->setText(dir.path());
    EXPECT_FALSE(clip.GetClipboardFiles()) << "text is no file list";
    QGuiApplication::clipboard()->clear();
}
