// Every format and tag the list reads, the columns the user may choose, and old tags' code
// pages, through the window as the user works it.
#include "Form1Fixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QProcess>

namespace tunewalk {
namespace {

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class FormatsTest : public Form1Test {
protected:
    void SetUp() override {
        Form1Test::SetUp();
        if (!run("sh", {"-c", "command -v ffmpeg && command -v lame"}))
            GTEST_SKIP() << "no encoders";
    }
    // A second of a tone as `name`, by ffmpeg with the codec and these tags.
    void encode(const QString& name, const QString& codec, const QStringList& tags) {
        QStringList args{"-v", "error", "-f", "lavfi", "-i", "sine=d=1", "-ac", "2", "-c:a", codec};
        for (const QString& tag : tags)
            args << "-metadata" << tag;
        ASSERT_TRUE(run("ffmpeg", args << path(name))) << name.toStdString();
    }
    void writeFolder() {
        encode("tone.wav", "pcm_s16le", {});
        ASSERT_TRUE(run("lame", {"--quiet", "--id3v2-only", "--tt",
                                 "A title longer than ID3v1's thirty letters", "--ta", "Two",
                                 "--tl", "Album B", "--tn", "2/9", "--ty", "2019", path("tone.wav"),
                                 path("v2.mp3")}));
        encode("f.flac", "flac", {"title=Flac", "artist=F", "album=Album A", "date=2001"});
        encode("o.ogg", "libvorbis", {"title=Vorbis", "album=Album C", "track=1"});
        encode("p.opus", "libopus", {"title=Opus", "genre=Jazz"});
        encode("m.m4a", "aac", {"title=AAC", "album_artist=Various"});
        encode("x.aiff", "pcm_s16be", {});
        // An old tag written in Windows-1251.
        writeMp3("ru.mp3", 20, fixtures::id3v1Tag("\xc3\xf0\xf3\xef\xef\xe0", "\xca\xe8\xed\xee"));
    }
    QString track(const QString& name) const { return rowNamed(name)->cell(Col::Track); }
    QStringList column(int c) const {
        QStringList out;
        for (int i = 0; i < rowCount(); ++i)
            out << row(i)->cell(c);
        return out;
    }
    // A right click on the header, as the window system gives it, then a click on `caption`
    // in the menu it opens.
    void chooseColumn(const QString& caption) {
        QHeaderView* header = form->list()->header();
        const QPoint at = header->viewport()->mapTo(form.get(), QPoint(10, header->height() / 2));
        QTest::mouseClick(form->windowHandle(), Qt::RightButton, {}, at);
        QMenu* menu = nullptr;
        ASSERT_TRUE(waitUntil([&] {
            return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr;
        }));
        for (QAction* a : menu->actions())
            if (a->text() == caption)
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        QApplication::processEvents();
    }
};

TEST_F(FormatsTest, EveryFormatShowsItsTagsAndTheSettingGivesTheOldListBack) {
    writeFolder();
    start(music());
    EXPECT_EQ(names(), (QStringList{"f.flac", "m.m4a", "o.ogg", "p.opus", "ru.mp3", "tone.wav",
                                    "v2.mp3", "x.aiff"}));
    // ID3v2 wins over the missing ID3v1, whole; WAV and AIFF without tags show blanks.
    EXPECT_EQ(column(Col::Track), (QStringList{"Flac", "AAC", "Vorbis", "Opus", "Ãðóïïà", "",
                                               "A title longer than ID3v1's thirty letters", ""}));
    for (const char* name : {"f.flac", "m.m4a", "o.ogg", "p.opus", "x.aiff"}) {
        EXPECT_EQ(rowNamed(name)->cell(Col::Length), "00:00:01") << name;
        EXPECT_EQ(rowNamed(name)->iconKey(), audioKindName(rowNamed(name)->entry()->kind));
    }
    EXPECT_EQ(rowNamed("x.aiff")->cell(Col::Bitrate), "") << "plain samples, as WAV";
    EXPECT_EQ(rowNamed("f.flac")->cell(Col::Format), "FLAC");
    EXPECT_EQ(rowNamed("v2.mp3")->cell(Col::TrackNumber), "2/9");

    // Off, the list is MP3 and WAV files with their ID3v1 tags alone.
    form->command("mnuReadAllTags")->trigger();
    waitForDetails();
    EXPECT_EQ(setting("ReadAllTags"), "False");
    EXPECT_EQ(names(), (QStringList{"ru.mp3", "tone.wav", "v2.mp3"}));
    EXPECT_EQ(track("v2.mp3"), "(unknown)");
    EXPECT_EQ(rowNamed("v2.mp3")->cell(Col::Format), "");
    form->command("mnuReadAllTags")->trigger();
    waitForDetails();
    EXPECT_EQ(track("v2.mp3"), "A title longer than ID3v1's thirty letters");
}

TEST_F(FormatsTest, OldTagsReadInTheChosenCodePage) {
    writeFolder();
    start(music());
    const auto choose = [&](const QString& page) {
        for (QAction* a : form->menu("mnuEncoding")->actions())
            if (a->text() == page) a->trigger();
        waitForDetails();
        return QStringList{track("ru.mp3"), rowNamed("ru.mp3")->cell(Col::Artist)};
    };
    EXPECT_EQ(choose("Windows-1251"), (QStringList{"Группа", "Кино"}));
    EXPECT_EQ(setting("ID3v1Encoding"), "Windows-1251");
    EXPECT_EQ(choose("Automatic"), (QStringList{"Группа", "Кино"}));
    EXPECT_EQ(choose("Latin-1"), (QStringList{"Ãðóïïà", "Êèíî"}));
}

TEST_F(FormatsTest, ChosenColumnsComeFromTheHeaderAndSortByValueBlanksLast) {
    writeFolder();
    start(music());
    EXPECT_TRUE(form->list()->isColumnHidden(Col::Year)) << "hidden until chosen";
    chooseColumn("Year");
    EXPECT_FALSE(form->list()->isColumnHidden(Col::Year));
    EXPECT_EQ(setting("Columns"), "Year");
    clickHeader(Col::Year);
    const QStringList blanks(6, QString());
    EXPECT_EQ(column(Col::Year), QStringList({"2001", "2019"}) + blanks);
    clickHeader(Col::Year);
    EXPECT_EQ(column(Col::Year), QStringList({"2019", "2001"}) + blanks);

    chooseColumn("Album");
    clickHeader(Col::Album); // another column keeps the direction
    EXPECT_EQ(column(Col::Album), QStringList({"Album C", "Album B", "Album A"}) + blanks.mid(1));
    EXPECT_EQ(setting("Columns"), "Album,Year");

    // Chosen columns stay chosen at the next start; one taken off goes.
    form.reset();
    start(music());
    EXPECT_FALSE(form->list()->isColumnHidden(Col::Album));
    chooseColumn("Year");
    EXPECT_TRUE(form->list()->isColumnHidden(Col::Year));
    EXPECT_EQ(setting("Columns"), "Album");
}

} // namespace
} // namespace tunewalk
