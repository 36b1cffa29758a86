// Names made from tags and tags read from names: the patterns, and the checks a run's preview
// makes of every new name against its folder's file system and the names already there.
#include "metadata/naming/TagPatterns.h"
#include "AudioFixtures.h"
#include "QtPrinters.h"
#include "TempDir.h"
#include "metadata/naming/NamingInput.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

AudioTags tagsOf(std::string title, std::string artist = {}, int track = 0, int total = 0) {
    AudioTags tags;
    tags.title = std::move(title);
    tags.artist = std::move(artist);
    tags.track = track;
    tags.trackTotal = total;
    return tags;
}

TEST(TagPatterns, NamesFromTags) {
    AudioTags full = tagsOf("Song", "AC/DC", 3, 12);
    full.album = "Live";
    full.albumArtist = "Various";
    full.disc = 2;
    full.year = 1999;
    full.genre = "Rock";
    full.composer = "Young";
    full.comment = "  padded  ";
    struct Case {
        const char* pattern;
        AudioTags tags;
        const char* name;                // expected name without extension...
        std::optional<TagField> missing; // ...or the field the tags lack
    };
    const Case cases[] = {
        {"%track% - %title%", full, "03 - Song", {}},
        {"%track%", tagsOf("t", "", 7, 120), "007", {}}, // as wide as the total
        {"%track%", tagsOf("t", "", 123, 0), "123", {}},
        {"%Artist% - %TITLE%", full, "AC-DC - Song", {}}, // a '/' in a value makes no folder
        {"%albumartist%-%album%-%disc%-%year%-%genre%-%composer%-%comment%-%totaltracks%",
         full,
         "Various-Live-2-1999-Rock-Young-padded-12",
         {}},
        {"100%% %title%%%", full, "100% Song%", {}},
        {"%album% - %title%", tagsOf("Song"), "", TagField::Album},
        {"%track% %title%", tagsOf("Song"), "", TagField::Track},
        {"%artist% %title%", tagsOf("Song", "   "), "", TagField::Artist}, // blank is none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        const TagPattern pattern = TagPattern::parse(QString::fromUtf8(c.pattern));
        ASSERT_TRUE(pattern.valid()) << pattern.error().toStdString();
        const NameFromTags made = nameFromTags(pattern, c.tags);
        EXPECT_EQ(made.name, QString::fromUtf8(c.name));
        EXPECT_EQ(made.missing, c.missing);
    }
    for (const char* bad : {"", "%titel% - %track%", "50% off %title"})
        EXPECT_FALSE(TagPattern::parse(QString::fromUtf8(bad)).valid()) << bad;
}

TEST(TagPatterns, TagsFromNames) {
    struct Case {
        const char* pattern;
        const char* name;
        // Each field the name gave, "" when it must not fit.
        const char* fields;
    };
    const Case cases[] = {
        {"%track% - %artist% - %title%", "01 - Artist - Title",
         "track 1|artist Artist|title Title"},
        {"%track% - %artist% - %title%", "07 - Artist - A - B",
         "track 7|artist Artist|title A - B"},
        {"%artist% - %title% (%year%)", "Abba - Waterloo (1974)",
         "artist Abba|title Waterloo|year 1974"},
        {"%track%%title%", "12Intro", "track 12|title Intro"},
        {"%disc%-%track% %title%", "2-05 Song", "disc 2|track 5|title Song"},
        {"%artist% - %title% - %artist%", "A - T - A", "artist A|title T"},
        {"%artist% - %title% - %artist%", "A - T - B", ""},
        {"%track% %title%", "Intro", ""}, // a number needs digits
        {"%track% - %title%", "x1 - Title", ""},
        {"%track% - %title%", "00 - Title", ""}, // no track 0
        {"%year% %title%", "19a4 Title", ""},
        {"Disc %disc%", "disc 1", ""},           // the text between matches as it is
        {"%artist% - %title%", "Artist - ", ""}, // an empty value does not fit
        {"%artist% - %title%", "No separator", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " on " + c.name);
        const auto fields = tagsFromName(TagPattern::parse(QString::fromUtf8(c.pattern)),
                                         QString::fromUtf8(c.name));
        std::string got;
        if (fields) {
            const auto text = [&](const char* name, const auto& value) {
                if (!value) return;
                if (!got.empty()) got += '|';
                got += name;
                got += ' ';
                if constexpr (std::is_same_v<std::decay_t<decltype(*value)>, int>)
                    got += std::to_string(*value);
                else
                    got += *value;
            };
            text("disc", fields->disc);
            text("track", fields->track);
            text("artist", fields->artist);
            text("title", fields->title);
            text("year", fields->year);
            // Nothing beyond the pattern's fields.
            EXPECT_FALSE(fields->album || fields->comment || fields->genre || fields->trackTotal);
        }
        EXPECT_EQ(got, c.fields);
    }
}

// Files of one folder "/m", their titles as the tags give them; a file with no title is
// skipped, and "x.mp3" lies in the folder outside the run.
struct Folder {
    std::vector<NamingFile> files;
    std::vector<PlannedRename> plan(const NameRules& rules, const char* pattern = "%title%") {
        FolderNames folder{rules, {"x.mp3"}};
        for (const NamingFile& f : files)
            folder.names << f.path.mid(3);
        return planRenames(TagPattern::parse(QString::fromUtf8(pattern)), files,
                           {{QStringLiteral("/m"), folder}});
    }
    // No title at all: the tags could not be read.
    void add(const char* name, std::optional<const char*> title) {
        NamingFile f{QStringLiteral("/m/") + QString::fromUtf8(name), std::nullopt, "damaged"};
        if (title) {
            f.tags = AudioTags{};
            f.tags->title = *title;
        }
        files.push_back(std::move(f));
    }
};

TEST(TagPatterns, RenamePreviewsByTheFolderRules) {
    const NameRules plain, fat = NameRules::windowsLike();
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, std::optional<const char*>>> files;
        const char* states; // one letter a file: Changes, Unchanged, Skipped, Illegal, Clash
        const char* onFat;
    };
    const std::string tooLong(260, 'a');
    const Case cases[] = {
        {"plain renames, one unchanged, one unreadable, one without a title",
         {{"a.mp3", "One"}, {"b.mp3", "b"}, {"c.mp3", std::nullopt}, {"d.mp3", ""}},
         "CUSS",
         "CUSS"},
        {"characters FAT cannot hold",
         {{"a.mp3", "Why?"}, {"b.mp3", "A: B"}, {"c.mp3", "<x>"}},
         "CCC",
         "III"},
        {"a control character and a name too long",
         {{"a.mp3", "Line\nbreak"}, {"b.mp3", tooLong.c_str()}},
         "II",
         "II"},
        {"two files given one name, or names that differ only in case",
         {{"a.mp3", "Same"}, {"b.mp3", "Same"}, {"c.mp3", "Other"}, {"d.mp3", "other"}},
         "XXCC",
         "XXXX"},
        {"a name taken by a file outside the run, in the other case",
         {{"a.mp3", "X"}, {"b.mp3", "x"}},
         "CX",
         "XX"},
        {"a name another file of the run keeps, or gives up in a chain",
         {{"a.mp3", "b"}, {"b.mp3", "c"}, {"d.mp3", "e"}, {"e.mp3", ""}},
         "XCXS",
         "XCXS"},
        {"a change of case alone", {{"a.mp3", "A"}}, "C", "C"},
    };
    const auto letters = [](const std::vector<PlannedRename>& rows) {
        std::string out;
        for (const PlannedRename& r : rows)
            out += "CUSIX"[int(r.state)];
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder run;
        for (const auto& [name, title] : c.files)
            run.add(name, title);
        EXPECT_EQ(letters(run.plan(plain)), c.states);
        const auto rows = run.plan(fat);
        EXPECT_EQ(letters(rows), c.onFat);
        for (const PlannedRename& r : rows)
            EXPECT_EQ(r.problem.isEmpty(),
                      r.state == RowState::Changes || r.state == RowState::Unchanged)
                << r.path.toStdString();
    }
    // The extension stays as it was, in its own case.
    Folder run;
    run.add("Loud.MP3", "Quiet");
    EXPECT_EQ(run.plan(plain).front().newPath, "/m/Quiet.MP3");
}

TEST(TagPatterns, TagsFromNamesPreview) {
    std::vector<NamingFile> files{
        {"/m/01 - Abba - Waterloo.mp3", tagsOf("Old", "Abba"), {}},
        {"/m/02 - Abba - SOS.flac", tagsOf("SOS", "Abba", 2), {}},
        {"/m/Intro.mp3", tagsOf(""), {}},
        {"/m/03 - X - Y.mp3", std::nullopt, "damaged"},
    };
    const auto rows = planTagsFromNames(TagPattern::parse("%track% - %artist% - %title%"), files);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].state, RowState::Changes);
    EXPECT_EQ(rows[0].before, "Track: \u2014; Artist: Abba; Title: Old");
    EXPECT_EQ(rows[0].after, "Track: 1; Artist: Abba; Title: Waterloo");
    EXPECT_EQ(rows[1].state, RowState::Unchanged);
    EXPECT_EQ(rows[2].state, RowState::Skipped);
    EXPECT_EQ(rows[3].state, RowState::Skipped);
    EXPECT_FALSE(rows[3].problem.isEmpty());
    for (const PlannedTags& row : rows)
        EXPECT_FALSE(blocksRun(row.state));
}

TEST(TagPatterns, FileSystemsThatHoldWindowsRules) {
    for (const char* type : {"vfat", "exfat", "ntfs3", "fuseblk", "cifs"})
        EXPECT_EQ(nameRulesForType(type), NameRules::windowsLike()) << type;
    for (const char* type : {"ext4", "tmpfs", "fuse.sshfs", "nfs4"})
        EXPECT_EQ(nameRulesForType(type), NameRules()) << type;
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The tags a run reads are those the list shows: an MP3's ID3v2 fields over its ID3v1 ones.
TEST(TagPatterns, TagsAreReadAsTheListShowsThem) {
    TempDir dir;
    const QString folder = QString::fromStdString(dir.path().string());
    const QString wav = folder + "/tone.wav", flac = folder + "/tone.flac";
    const QString both = folder + "/both.mp3", old = folder + "/old.mp3";
    if (!run("sox", {"-n", "-r", "44100", "-c", "1", wav, "synth", "0.2", "sine", "440"}) ||
        !run("lame", {"--quiet", "--id3v2-only", "--tt", "Two", "--ty", "2001", wav, both}) ||
        !run("flac", {"--silent", "-T", "TITLE=Flac", "-T", "TRACKNUMBER=4", wav, "-o", flac}))
        GTEST_SKIP() << "no encoders";
    // An ID3v1 tag after the audio: its artist shows where the ID3v2 tag has none.
    fixtures::writeFile(both.toStdString(),
                        fixtures::readFile(both.toStdString()) + fixtures::id3v1Tag("One", "Duo"));
    fixtures::writeFile(old.toStdString(), fixtures::mpegFrames({}, 4) +
                                               fixtures::id3v1Tag("Old", "Band", "Album", "1980"));
    const NamingInput input =
        readNamingInput({both, flac, old, folder + "/gone.mp3"}, CodePage::Latin1, true);
    ASSERT_EQ(input.files.size(), 4u);
    EXPECT_EQ(input.files[0].tags->title, "Two");
    EXPECT_EQ(input.files[0].tags->year, 2001);
    EXPECT_EQ(input.files[0].tags->artist, "Duo");
    EXPECT_EQ(input.files[1].tags->title, "Flac");
    EXPECT_EQ(input.files[1].tags->track, 4);
    EXPECT_EQ(input.files[2].tags->artist, "Band");
    EXPECT_EQ(input.files[2].tags->year, 1980);
    EXPECT_FALSE(input.files[3].tags);
    EXPECT_FALSE(input.files[3].readError.isEmpty());
    ASSERT_TRUE(input.folders.contains(folder));
    EXPECT_TRUE(input.folders[folder].names.contains("tone.flac"));
}

} // namespace
} // namespace tunewalk
