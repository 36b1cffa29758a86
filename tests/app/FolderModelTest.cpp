// The list's rows, their order and filter, and what a drag of them carries, without a window.
#include "app/listing/FolderModel.h"
#include "app/listing/FolderSortModel.h"
#include "common/NativePath.h"

#include "QtPrinters.h"
#include "TempDir.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace tunewalk {
namespace {

using Tester = QAbstractItemModelTester;

// A time of one day, as a stat gives it.
qint64 at(int hour, int minute) {
    return QDateTime(QDate(2024, 3, 9), QTime(hour, minute)).toMSecsSinceEpoch() * 1000000;
}

// A row with nothing known of it yet.
ListEntry row(RowKind kind, const QString& name, const QString& folder = "/music") {
    ListEntry e;
    e.kind = kind;
    e.name = name;
    e.key = kind == RowKind::Special || kind == RowKind::Drive ? name : folder + '/' + name;
    return e;
}

// A file with its stat and details in.
ListEntry file(const QString& name, qint64 size, qint64 modifiedNs, AudioDetails details,
               int sequence = 0) {
    ListEntry e = row(audioKindOf(name).value(), name);
    e.statIn = e.detailsIn = true;
    e.size = size;
    e.modifiedNs = modifiedNs;
    e.details = std::move(details);
    e.sequence = sequence;
    return e;
}

ListEntry folder(const QString& name, qint64 modifiedNs, qint64 counted = -1) {
    ListEntry e = row(RowKind::Folder, name);
    e.statIn = true;
    e.modifiedNs = modifiedNs;
    e.detailsIn = counted >= 0;
    e.size = std::max<qint64>(counted, 0);
    return e;
}

// A model and its order, each under a tester that stops the test at the first broken promise
// of the model interface.
struct Lists {
    explicit Lists(std::vector<ListEntry> entries = {}) { rows.append(std::move(entries)); }
    QStringList shown() const {
        QStringList names;
        for (int i = 0; i < order.rowCount(); ++i)
            names << order.entryAt(i).name;
        return names;
    }
    int rowOf(const QString& name) const { return rows.rowOf("/music/" + name); }

    FolderModel rows;
    FolderSortModel order{rows};
    Tester rowsTester{&rows, Tester::FailureReportingMode::Fatal};
    Tester orderTester{&order, Tester::FailureReportingMode::Fatal};
};

// The same rows in every sort: the source order is the name order the listing delivers.
std::vector<ListEntry> mixedRows() {
    ListEntry waiting = row(RowKind::MP3, "waiting.mp3"); // neither stat nor details yet
    waiting.sequence = 5;
    return {row(RowKind::Special, "My Documents"), folder("Tapes 9", at(10, 0), 5000),
            folder("tapes 10", at(9, 0)),
            file("alpha.mp3", 20000, at(13, 0), {"", "Abba", 200000, 128}, 3),
            file("track 9.mp3", 3000, at(12, 30), {"Song 10", "", 90000, 96}, 1),
            file("Track 10.mp3", 8000, at(8, 0), {"song 9", "zed", 120000, 320}, 4),
            // A WAV file without a tag shows blanks, not "(unknown)", and never a bitrate.
            file("voice.wav", 100000, at(23, 0), {"", "", 5000, 1411}, 2), waiting};
}

std::vector<ListEntry> driveRows() {
    return {row(RowKind::Drive, "/media/zip"), row(RowKind::Drive, "/"),
            row(RowKind::Drive, "/media/a")};
}

TEST(FolderSortModel, SortsEachColumnBothWaysKindsApartPendingFirst) {
    constexpr auto Up = Qt::AscendingOrder, Down = Qt::DescendingOrder;
    struct Case {
        int column;
        Qt::SortOrder order;
        const char* shown; // top to bottom
        bool playOrder = false;
        bool drives = false;
    };
    const Case cases[] = {
        {Col::Name, Up,
         "My Documents|Tapes 9|tapes 10|alpha.mp3|track 9.mp3|Track 10.mp3|"
         "voice.wav|waiting.mp3"},
        {Col::Name, Down,
         "tapes 10|Tapes 9|waiting.mp3|voice.wav|Track 10.mp3|track 9.mp3|"
         "alpha.mp3|My Documents"},
        // "(unknown)" is a shown text; the WAV file's and the pending one's are empty.
        {Col::Track, Up,
         "My Documents|Tapes 9|tapes 10|voice.wav|waiting.mp3|alpha.mp3|"
         "Track 10.mp3|track 9.mp3"},
        {Col::Track, Down,
         "Tapes 9|tapes 10|track 9.mp3|Track 10.mp3|alpha.mp3|voice.wav|"
         "waiting.mp3|My Documents"},
        {Col::Length, Up,
         "My Documents|Tapes 9|tapes 10|waiting.mp3|voice.wav|track 9.mp3|"
         "Track 10.mp3|alpha.mp3"},
        {Col::Length, Down,
         "Tapes 9|tapes 10|alpha.mp3|Track 10.mp3|track 9.mp3|voice.wav|"
         "waiting.mp3|My Documents"},
        {Col::Artist, Up,
         "My Documents|Tapes 9|tapes 10|voice.wav|waiting.mp3|track 9.mp3|"
         "alpha.mp3|Track 10.mp3"},
        {Col::Artist, Down,
         "Tapes 9|tapes 10|Track 10.mp3|alpha.mp3|track 9.mp3|voice.wav|"
         "waiting.mp3|My Documents"},
        // 96 kbit/s before 128 kbit/s.
        {Col::Bitrate, Up,
         "My Documents|Tapes 9|tapes 10|voice.wav|waiting.mp3|track 9.mp3|"
         "alpha.mp3|Track 10.mp3"},
        {Col::Bitrate, Down,
         "Tapes 9|tapes 10|Track 10.mp3|alpha.mp3|track 9.mp3|voice.wav|"
         "waiting.mp3|My Documents"},
        // A folder not yet counted is 0.
        {Col::Size, Up,
         "My Documents|tapes 10|Tapes 9|waiting.mp3|track 9.mp3|Track 10.mp3|"
         "alpha.mp3|voice.wav"},
        {Col::Size, Down,
         "Tapes 9|tapes 10|voice.wav|alpha.mp3|Track 10.mp3|track 9.mp3|"
         "waiting.mp3|My Documents"},
        // 12:30 PM before 1:00 PM.
        {Col::Modified, Up,
         "My Documents|tapes 10|Tapes 9|waiting.mp3|Track 10.mp3|"
         "track 9.mp3|alpha.mp3|voice.wav"},
        {Col::Modified, Down,
         "Tapes 9|tapes 10|voice.wav|alpha.mp3|track 9.mp3|Track 10.mp3|"
         "waiting.mp3|My Documents"},
        // Folders by name, then files by their numbers, whatever sort came before.
        {Col::Name, Up,
         "My Documents|Tapes 9|tapes 10|track 9.mp3|voice.wav|alpha.mp3|"
         "Track 10.mp3|waiting.mp3",
         true},
        {Col::Size, Down,
         "My Documents|Tapes 9|tapes 10|track 9.mp3|voice.wav|alpha.mp3|"
         "Track 10.mp3|waiting.mp3",
         true},
        {Col::Name, Up, "/media/zip|/|/media/a", false, true},
        {Col::Name, Down, "/media/zip|/|/media/a", false, true},
        {Col::Size, Down, "/media/zip|/|/media/a", false, true},
    };
    for (const Case& c : cases) {
        Lists lists(c.drives ? driveRows() : mixedRows());
        lists.order.sortBy(c.column, c.order);
        if (c.playOrder) lists.order.setPlayOrder(true);
        const std::string what = "column " + std::to_string(c.column) +
                                 (c.order == Up ? " up" : " down") +
                                 (c.playOrder ? ", play order" : "");
        EXPECT_EQ(lists.shown(), QString(c.shown).split('|')) << what;
        // What the play order and the hidden rows' places go by agrees with what shows.
        for (int i = 1; i < lists.order.rowCount(); ++i)
            EXPECT_FALSE(
                lists.order.shownBefore(lists.order.entryAt(i), lists.order.entryAt(i - 1)))
                << what << ", row " << i;
    }
}

TEST(FolderModel, RowsGoInChangeAndGoOutWithBothModelsConsistent) {
    Lists lists(mixedRows());
    for (int row = 0; row < lists.rows.size(); ++row)
        lists.rows.mutableAt(row).nameRank = row; // as a listing puts them in
    // A key listed already is skipped, also twice in one batch.
    EXPECT_EQ(lists.rows.append({row(RowKind::MP3, "new.mp3"), row(RowKind::MP3, "new.mp3"),
                                 row(RowKind::MP3, "alpha.mp3")}),
              1);
    lists.order.settle();

    // Two runs of rows and a key that is not there.
    lists.rows.remove({"/music/Tapes 9", "/music/Track 10.mp3", "/music/track 9.mp3", "/none"});
    for (int row = 0; row < lists.rows.size(); ++row)
        EXPECT_EQ(lists.rows.rowOf(lists.rows.at(row).key), row);
    EXPECT_EQ(lists.shown(), QString("My Documents|tapes 10|alpha.mp3|new.mp3|voice.wav|"
                                     "waiting.mp3")
                                 .split('|'));

    // A rename takes a free key only, and goes to its place by its new name.
    EXPECT_FALSE(lists.rows.rekey("/music/alpha.mp3", "/music/voice.wav"));
    EXPECT_TRUE(lists.rows.rekey("/music/alpha.mp3", "/music/Mango.mp3"));
    EXPECT_EQ(lists.rowOf("alpha.mp3"), -1);
    EXPECT_EQ(lists.shown(), QString("My Documents|tapes 10|Mango.mp3|new.mp3|voice.wav|"
                                     "waiting.mp3")
                                 .split('|'));

    // Settled, a changed value moves its row at once; the filter takes rows out and back.
    lists.order.sortBy(Col::Size, Qt::AscendingOrder);
    lists.rows.change("/music/waiting.mp3", [](ListEntry& e) {
        e.statIn = true;
        e.size = 1 << 30;
    });
    EXPECT_EQ(lists.shown().last(), "waiting.mp3");
    lists.order.filter().setText(u"MAN");
    lists.order.refilter();
    EXPECT_EQ(lists.shown(), QStringList{"Mango.mp3"});

    lists.rows.setPlayingKey("/music/Mango.mp3");
    EXPECT_EQ(lists.order.index(0, Col::Name).data(FolderModel::IconKeyRole), "Playing");
    lists.rows.setPlayingKey({});
    EXPECT_EQ(lists.order.index(0, Col::Name).data(FolderModel::IconKeyRole), "MP3");

    lists.rows.clear();
    EXPECT_EQ(lists.order.rowCount(), 0);
    EXPECT_EQ(lists.rowOf("voice.wav"), -1);
}

TEST(FolderSortModel, HeldRowsStayPutWhileValuesArriveAndSettleSortsOnce) {
    Lists lists(
        {row(RowKind::MP3, "a.mp3"), row(RowKind::MP3, "b.mp3"), row(RowKind::MP3, "c.mp3")});
    lists.order.sortBy(Col::Size, Qt::AscendingOrder);
    lists.order.hold();
    lists.rows.change({0, 1, 2}, Col::Size, Col::Modified, [](ListEntry& e) {
        e.statIn = true;
        e.size = 100 - e.name[0].unicode(); // c smallest
    });
    EXPECT_EQ(lists.shown(), (QStringList{"a.mp3", "b.mp3", "c.mp3"}));

    QSignalSpy sorts(&lists.order, &QAbstractItemModel::layoutChanged);
    lists.order.settle();
    lists.order.settle();
    EXPECT_EQ(sorts.count(), 1);
    EXPECT_EQ(lists.shown(), (QStringList{"c.mp3", "b.mp3", "a.mp3"}));
    lists.rows.change("/music/b.mp3", [](ListEntry& e) { e.size = 0; });
    EXPECT_EQ(lists.shown(), (QStringList{"b.mp3", "c.mp3", "a.mp3"}));
}

TEST(FolderSortModel, FilterFindsNamesTracksAndArtistsAndFollowsArrivingDetails) {
    Lists lists({folder("Cafe Live", 0), folder("Other", 0), file("Café.mp3", 1, 0, {}),
                 file("later.mp3", 1, 0, {}), file("plain.mp3", 1, 0, {"Nothing"}),
                 file("talk.wav", 1, 0, {"cafe"}), file("x.mp3", 1, 0, {"", "Café Society"}),
                 file("Zed.mp3", 1, 0, {"CAFE noir"})});
    lists.rows.mutableAt(3).detailsIn = false; // later.mp3 is still being read
    const auto filter = [&](QStringView text) {
        lists.order.filter().setText(text);
        lists.order.refilter();
        return lists.shown();
    };
    // A WAV file's own tag counts too.
    EXPECT_EQ(filter(u"CAFÉ"),
              (QStringList{"Cafe Live", "Café.mp3", "talk.wav", "x.mp3", "Zed.mp3"}));
    EXPECT_EQ(filter(u"zed"), (QStringList{"Zed.mp3"}));
    EXPECT_EQ(filter(u"").size(), 8);

    // Settled, details arriving bring a row in and take one out, as the listing announces them.
    filter(u"cafe");
    lists.order.settle();
    const auto details = [&](const QString& name, const QString& title) {
        lists.rows.change({lists.rowOf(name)}, Col::Track, Col::Size, [&](ListEntry& e) {
            e.details.title = title;
            e.detailsIn = true;
        });
    };
    details("later.mp3", "Café du Monde");
    details("Zed.mp3", "Tea");
    EXPECT_EQ(lists.shown(),
              (QStringList{"Cafe Live", "Café.mp3", "later.mp3", "talk.wav", "x.mp3"}));
}

// Drags and drops: real folders, since a drop checks that its target is one.
class FolderModelDrag : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir / "in");
        std::filesystem::create_directory(dir / "target");
        lists.rows.setFolder(base);
        lists.rows.append({row(RowKind::Folder, "in", base), row(RowKind::Folder, "target", base),
                           row(RowKind::MP3, raw, base), row(RowKind::MP3, "a #1 %20?.mp3", base),
                           row(RowKind::Special, "My Documents"),
                           row(RowKind::Drive, "/media/usb")});
    }
    std::unique_ptr<QMimeData> drag(const QStringList& names) const {
        QModelIndexList indexes;
        for (const QString& name : names) {
            const QString key =
                name.startsWith('/') || name == "My Documents" ? name : base + '/' + name;
            indexes << lists.rows.indexOf(key) << lists.rows.indexOf(key, Col::Size);
        }
        return std::unique_ptr<QMimeData>(lists.rows.mimeData(indexes));
    }
    QModelIndex at(const QString& name) const { return lists.rows.indexOf(base + '/' + name); }

    TempDir dir;
    const QString base = fromFsPath(dir.path());
    const QString raw = fromNativePath(QByteArray("Caf\xe9.mp3"));
    Lists lists;
};

TEST_F(FolderModelDrag, RowsCarryAFileListThatReadsBackExactlyOrTheirNamesAsText) {
    const auto files = drag({"in", raw, "a #1 %20?.mp3", "My Documents"});
    ASSERT_TRUE(files->hasUrls());
    EXPECT_EQ(FolderModel::fileList(files.get()),
              (QStringList{base + "/in", base + '/' + raw, base + "/a #1 %20?.mp3"}));
    EXPECT_TRUE(hasRawBytes(FolderModel::fileList(files.get())[1]));

    const auto names = drag({"My Documents", "/media/usb"});
    EXPECT_FALSE(names->hasUrls());
    EXPECT_TRUE(FolderModel::fileList(names.get()).isEmpty());
    EXPECT_EQ(names->text().split("\r\n", Qt::SkipEmptyParts),
              (QStringList{"My Documents", "/media/usb"}));

    QMimeData web;
    web.setUrls({QUrl::fromLocalFile(base + "/in"), QUrl("https://example.org/a.mp3")});
    EXPECT_TRUE(FolderModel::fileList(&web).isEmpty());
}

TEST_F(FolderModelDrag, DropsGoIntoOtherFoldersNeverIntoADraggedOneOrOntoAFile) {
    const auto files = drag({"in", raw});
    const auto can = [&](const QModelIndex& onto, Qt::DropAction action = Qt::MoveAction) {
        return lists.rows.canDropMimeData(files.get(), action, -1, -1, onto);
    };
    EXPECT_TRUE(can(at("target")));
    EXPECT_TRUE(can({}));
    EXPECT_FALSE(can(at("target"), Qt::CopyAction));
    EXPECT_FALSE(can(at("in")));
    EXPECT_FALSE(can(at("a #1 %20?.mp3")));
    lists.rows.setFolder(base + "/in/deeper"); // free space inside a dragged folder
    EXPECT_FALSE(can({}));
    lists.rows.setFolder(base);
    lists.rows.setOwnDrag(true);
    EXPECT_FALSE(can({}));
    EXPECT_TRUE(can(at("target")));
    lists.rows.setOwnDrag(false);

    QSignalSpy requests(&lists.rows, &FolderModel::dropRequested);
    const QStringList paths{base + "/in", base + '/' + raw};
    EXPECT_FALSE(lists.rows.dropMimeData(files.get(), Qt::MoveAction, -1, -1, at(raw)));
    EXPECT_TRUE(lists.rows.dropMimeData(files.get(), Qt::MoveAction, -1, -1, at("target")));
    EXPECT_TRUE(lists.rows.dropMimeData(files.get(), Qt::MoveAction, -1, -1, {}));
    ASSERT_EQ(requests.count(), 2);
    EXPECT_EQ(requests[0], (QVariantList{paths, base + "/target"}));
    EXPECT_EQ(requests[1], (QVariantList{paths, base}));
}

} // namespace
} // namespace tunewalk
