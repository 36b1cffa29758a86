// The listing written as M3U or CSV, the external player's playlists, and their clean-up.
#include "Form1Fixture.h"
#include "SmallDisk.h"
#include "app/listing/ListingExport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>

namespace tunewalk {
namespace {

using fixtures::id3v1Tag;

const QString M3u = "M3U Playlist (*.m3u)";
const QString Csv = "Comma-Separated Values (*.csv *.txt)";
const QString M3u8 = "M3U8 Playlist (UTF-8) (*.m3u8)";

class ExportTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        // Playlists for the external player go to the user's private runtime folder, never to
        // the shared temporary folder; both are this test's own.
        for (const char* folder : {"tmp", "runtime"})
            QDir(root.path()).mkpath(folder);
        QFile::setPermissions(root.filePath("runtime"), QFileDevice::ReadOwner |
                                                            QFileDevice::WriteOwner |
                                                            QFileDevice::ExeOwner);
        setEnv("TMPDIR", root.filePath("tmp"));
        setEnv("XDG_RUNTIME_DIR", root.filePath("runtime"));
    }

    // A folder of audio files, a folder and a file the list leaves out.
    void startWithMusic() {
        mkdir("Rock");
        writeMp3("a.mp3", 200, id3v1Tag("Say \"Hi\", \"Bye\"", "Band, The"));
        writeMp3("b.mp3", 100, id3v1Tag("Caf\xe9", "\xc9lan"));
        writeMp3("c.mp3");
        writeMp3("d.mp3");
        writeMp3("Straße.mp3");
        writeBytes("e.wav", fixtures::wavFile({}));
        writeBytes("notes.txt", "text");
        start(music());
        ASSERT_EQ(names(),
                  (QStringList{"Rock", "a.mp3", "b.mp3", "c.mp3", "d.mp3", "e.wav", "Straße.mp3"}));
    }

    // Runs the export with one scripted answer of the save dialog.
    void exportAs(const QString& name, const QString& filter) {
        prompter.clear();
        prompter.saveAnswers.push_back({name, filter});
        form->saveListing();
    }

    static QString read(const QString& file) {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly)) return "<unreadable>";
        return QString::fromUtf8(f.readAll());
    }
    // The lines of a CRLF text, checking that every line has its CR.
    static QStringList crlfLines(const QString& text) {
        EXPECT_TRUE(text.endsWith(QLatin1String("\r\n"))) << text.toStdString();
        QStringList lines = text.split("\r\n");
        lines.removeLast();
        for (const QString& line : lines)
            EXPECT_FALSE(line.contains(QLatin1Char('\n')) || line.contains(QLatin1Char('\r')));
        return lines;
    }
    QStringList audioKeysInDisplayOrder() const {
        QStringList keys;
        for (int i = 0; i < rowCount(); ++i)
            if (row(i)->isFile()) keys << row(i)->key;
        return keys;
    }
    // Shuffles until the order differs from the alphabetical one, so a writer that sorts by
    // name cannot pass by chance.
    void randomize() {
        const QStringList alphabetical = audioKeysInDisplayOrder();
        for (int tries = 0; tries < 50 && audioKeysInDisplayOrder() == alphabetical; ++tries)
            form->randomizePlaylist();
        ASSERT_NE(audioKeysInDisplayOrder(), alphabetical);
    }
    QString playlistFolder() const { return root.filePath("runtime/tunewalk-playlists"); }
};

TEST_F(ExportTest, NothingToExport) {
    mkdir("empty");
    start(path("empty"));
    form->saveListing();
    EXPECT_EQ(prompter.shown, (Messages{{"There is nothing in the current folder to export.",
                                         Icon::Exclamation, Buttons::Ok}}));
    EXPECT_TRUE(prompter.prompts.isEmpty()) << "no save dialog";
}

TEST_F(ExportTest, FolderOfFoldersOnly) {
    mkdir("Albums/One");
    mkdir("Albums/Two");
    start(path("Albums"));

    exportAs(path("Albums/list"), Csv);
    EXPECT_EQ(prompter.prompts, QStringList{"Save Export File"});
    EXPECT_EQ(prompter.lastProposedPath, path("Albums/Albums")) << "the folder's own name in it";
    EXPECT_EQ(prompter.lastFilters, M3u + ";;" + Csv + ";;" + M3u8);
    EXPECT_EQ(prompter.shown,
              (Messages{{"File saved successfully.", Icon::Information, Buttons::Ok}}));
    const QStringList lines = crlfLines(read(path("Albums/list.csv")));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[1].startsWith('"' + path("Albums/One") + "\",\"One\","))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith('"' + path("Albums/Two") + "\",\"Two\","))
        << lines[2].toStdString();

    exportAs(path("Albums/list"), M3u);
    EXPECT_EQ(prompter.prompts, QStringList{"Save Export File"}) << "the dialog comes first";
    EXPECT_EQ(prompter.shown, (Messages{{"There are no files to include in the playlist.",
                                         Icon::Exclamation, Buttons::Ok}}));
    EXPECT_FALSE(QFileInfo::exists(path("Albums/list.m3u")));
}

TEST_F(ExportTest, ExtensionAndFormatRules) {
    startWithMusic();
    randomize(); // a playlist follows the play order
    const QString playlist = audioKeysInDisplayOrder().join("\r\n") + "\r\n";

    exportAs(path("list.M3U"), M3u);
    EXPECT_EQ(read(path("list.M3U.m3u")), playlist) << "case counts in the extension";
    EXPECT_FALSE(QFileInfo::exists(path("list.M3U")));

    exportAs(path("list.txt"), M3u);
    EXPECT_EQ(read(path("list.txt")), playlist) << "the filter decides the format";
    form->playAllExternal(); // the external player's playlist too
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(read(shell.opened[0].first), playlist);

    exportAs(path("table"), Csv);
    EXPECT_TRUE(read(path("table.csv")).startsWith("\"Full Path\""));

    exportAs(path("table.csv"), Csv); // an existing file is replaced, not appended to
    EXPECT_EQ(crlfLines(read(path("table.csv"))).size(), 8);
    EXPECT_EQ(prompter.texts(), QStringList{"File saved successfully."});

    // The extended playlist: lengths and "Artist - Title", else the name, in the play order.
    const QHash<QString, QString> extinf{{"a.mp3", "5,Band, The - Say \"Hi\", \"Bye\""},
                                         {"b.mp3", "2,Élan - Café"},
                                         {"c.mp3", "5,c"},
                                         {"d.mp3", "5,d"},
                                         {"e.wav", "1,e"},
                                         {"Straße.mp3", "5,Straße"}};
    QStringList expected{"#EXTM3U"};
    for (const QString& key : audioKeysInDisplayOrder())
        expected << "#EXTINF:" + extinf.value(QFileInfo(key).fileName()) << key;
    exportAs(path("list.m3u"), M3u8);
    EXPECT_EQ(crlfLines(read(path("list.m3u.m3u8"))), expected);
}

TEST_F(ExportTest, CancelOrFailureLeavesNoFile) {
    startWithMusic();
    const QStringList before = QDir(music()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    prompter.clear();
    form->saveListing(); // no scripted answer: the dialog is cancelled
    EXPECT_EQ(prompter.prompts, QStringList{"Save Export File"});
    EXPECT_TRUE(prompter.shown.empty()) << "a cancel stops silently";

    // The message names the file and gives the system's reason.
    const std::pair<QString, int> failures[] = {{path("missing/list.csv"), ENOENT},
                                                {path("a.mp3/list.csv"), ENOTDIR}};
    for (const auto& [file, error] : failures) {
        exportAs(file, Csv);
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].text,
                  file + ": " + QString::fromLocal8Bit(std::strerror(error)));
        EXPECT_EQ(prompter.shown[0].icon, Icon::None);
    }

    EXPECT_EQ(QDir(music()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

// A save onto a full disk fails as it should and leaves the file it was to replace alone. The
// disk is a small tmpfs, so the test needs the right to mount one (root, as in CI).
TEST_F(ExportTest, AFullDiskKeepsTheOldFileAndSaysWhy) {
    startWithMusic();
    const QString disk = root.filePath("full");
    SmallDisk small(disk, "64k");
    if (!small.mounted()) GTEST_SKIP() << "no right to mount a tmpfs here";

    const QByteArray old = "old playlist\r\n";
    for (const char* name : {"list.m3u", "list.csv"}) {
        QFile file(disk + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
    }
    small.fill();
    for (const auto& [name, filter] : {std::pair{"list.m3u", M3u}, std::pair{"list.csv", Csv}}) {
        const QString target = disk + "/" + name;
        exportAs(target, filter);
        EXPECT_EQ(prompter.texts(),
                  QStringList{target + ": " + QString::fromLocal8Bit(std::strerror(ENOSPC))});
        EXPECT_EQ(read(target), QString::fromUtf8(old)) << name;
    }
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"filler", "list.csv", "list.m3u"}))
        << "no half-written copy is left beside them";
}

TEST_F(ExportTest, CsvContents) {
    startWithMusic();
    ASSERT_EQ(rowNamed("a.mp3")->cell(Col::Track), "Say \"Hi\", \"Bye\"");
    ASSERT_EQ(rowNamed("b.mp3")->cell(Col::Track), "Café");
    exportAs(path("table.csv"), Csv);
    const QStringList lines = crlfLines(read(path("table.csv")));
    ASSERT_EQ(lines.size(), 8) << "heading, then every row including the folder";
    EXPECT_EQ(
        lines[0],
        R"("Full Path","Filename","Track Name","Length","Artist","Bitrate","Size","Modified")");
    EXPECT_TRUE(lines[2].contains(R"(,"Say ""Hi"", ""Bye""",)")) << lines[2].toStdString();

    // A real CSV reader gets back every field exactly as the list shows it.
    const QString python = QStandardPaths::findExecutable("python3");
    if (python.isEmpty()) GTEST_SKIP() << "python3 is not installed";
    QProcess reader;
    reader.start(python, {"-c",
                          "import csv, json, sys\n"
                          "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                          "    print(json.dumps(list(csv.reader(f))))\n",
                          path("table.csv")});
    ASSERT_TRUE(reader.waitForFinished(30000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonArray records = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    ASSERT_EQ(records.size(), 8);
    for (int i = 0; i < rowCount(); ++i) {
        const Row r = row(i);
        QStringList expected{r->key};
        for (int column : {Col::Name, Col::Track, Col::Length, Col::Artist, Col::Bitrate, Col::Size,
                           Col::Modified})
            expected << r->cell(column);
        QStringList got;
        for (const auto& field : records[i + 1].toArray())
            got << field.toString();
        EXPECT_EQ(got, expected) << "row " << i;
    }
}

TEST_F(ExportTest, ExternalPlayer) {
    startWithMusic();

    form->playAllExternal();
    ASSERT_EQ(shell.opened.size(), 1u);
    const QString all = shell.opened[0].first;
    EXPECT_EQ(QFileInfo(all).absolutePath(), playlistFolder());
    EXPECT_TRUE(all.endsWith(".m3u"));
    EXPECT_EQ(shell.opened[0].second, music()) << "started in the listed folder";
    EXPECT_EQ(crlfLines(read(all)), audioKeysInDisplayOrder());

    // Only the selected audio rows, top to bottom; a selected folder is left out.
    select({"e.wav", "Rock", "b.mp3"});
    form->playSelectedExternal();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_NE(shell.opened[1].first, all) << "each playlist gets a name of its own";
    EXPECT_EQ(crlfLines(read(shell.opened[1].first)), (QStringList{path("b.mp3"), path("e.wav")}));
    EXPECT_EQ(read(all).count('\n'), 6) << "the earlier playlist is left as it was";

    prompter.clear();
    select({"Rock"});
    form->playSelectedExternal();
    EXPECT_EQ(prompter.shown, (Messages{{"There are no selected files to include in the playlist.",
                                         Icon::Exclamation, Buttons::Ok}}));

    prompter.clear();
    list(path("Rock"));
    form->playAllExternal();
    EXPECT_EQ(prompter.texts(), QStringList{"There are no files to include in the playlist."});
    EXPECT_EQ(shell.opened.size(), 2u);
}

TEST_F(ExportTest, OldPlaylistsAreRemovedAtStart) {
    QDir().mkpath(playlistFolder());
    const QDateTime now = QDateTime::currentDateTime();
    auto playlistAged = [&](const char* name, qint64 seconds) {
        const QString file = playlistFolder() + '/' + name;
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x\r\n");
        f.flush(); // before the time is set, or the buffered write would renew it
        EXPECT_TRUE(f.setFileTime(now.addSecs(-seconds), QFileDevice::FileModificationTime));
        return file;
    };
    const QString dayOld = playlistAged("old.m3u", 25 * 3600);
    const QString fresh = playlistAged("fresh.m3u", 23 * 3600);
    const QString other = playlistAged("keep.txt", 48 * 3600);

    start(music());
    EXPECT_FALSE(QFileInfo::exists(dayOld));
    EXPECT_TRUE(QFileInfo::exists(fresh)) << "an external player may still be reading it";
    EXPECT_TRUE(QFileInfo::exists(other)) << "only playlists";

    EXPECT_EQ(removeOldPlaylists(now.addSecs(2 * 3600)), 1);
    EXPECT_FALSE(QFileInfo::exists(fresh));
}

TEST_F(ExportTest, ANameWithALineBreakIsLeftOutOfPlaylistsAndSaid) {
    writeMp3("a.mp3");
    writeMp3("Evil\n#EXTINF:1,x\r\nother.mp3");
    start(music());
    ASSERT_EQ(rowCount(), 2);
    const QString leftOut = "These files were left out of the playlist, because a playlist "
                            "cannot hold a name with a line break:\n\n" +
                            path("Evil\\n#EXTINF:1,x\\r\\nother.mp3");

    exportAs(path("list.m3u"), M3u);
    EXPECT_EQ(crlfLines(read(path("list.m3u"))), QStringList{path("a.mp3")});
    EXPECT_EQ(prompter.texts(), (QStringList{leftOut, "File saved successfully."}));

    // The external player: the same, and a desktop with no program for playlists is named.
    prompter.clear();
    shell.canOpen = false;
    form->playAllExternal();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(crlfLines(read(shell.opened[0].first)), QStringList{path("a.mp3")});
    EXPECT_EQ(prompter.texts(),
              (QStringList{leftOut, "No program is set up to open M3U playlists "
                                    "(audio/x-mpegurl, \".m3u\"). Choose one for \".m3u\" files "
                                    "in the desktop's settings, then try again."}));
}

TEST_F(ExportTest, ANameThatIsNotValidTextIsLeftOutOfExportsAndSaid) {
    writeMp3("a.mp3");
    fixtures::writeFile(QFile::encodeName(music()).toStdString() + "/Caf\xe9.mp3",
                        fixtures::mpegFrames({}, 200));
    start(music());
    ASSERT_EQ(names(), (QStringList{"a.mp3", "Caf\uFFFD.mp3"}));
    const QStringList told{"These files were left out because their names are not valid text:\n\n" +
                               path("Caf\uFFFD.mp3"),
                           "File saved successfully."};

    exportAs(path("list.m3u"), M3u);
    EXPECT_EQ(crlfLines(read(path("list.m3u"))), QStringList{path("a.mp3")});
    EXPECT_EQ(prompter.texts(), told);
    exportAs(path("list.csv"), Csv);
    const QStringList csv = crlfLines(read(path("list.csv")));
    ASSERT_EQ(csv.size(), 2);
    EXPECT_TRUE(csv[1].startsWith("\"" + path("a.mp3") + "\",")) << csv[1].toStdString();
    EXPECT_EQ(prompter.texts(), told);
}

} // namespace
} // namespace tunewalk
