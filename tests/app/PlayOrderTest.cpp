// The play order: Move Up, Move Down and Randomize Playlist.
#include "Form1Fixture.h"

#include <QSet>

namespace tunewalk {
namespace {

class PlayOrderTest : public Form1Test {
protected:
    void startWith(int files, bool withFolders = false) {
        if (withFolders) {
            mkdir("Live");
            mkdir("Demos");
        }
        for (int i = 1; i <= files; ++i)
            writeMp3(QStringLiteral("%1.mp3").arg(i), 2);
        start(music());
    }
    std::vector<int> sequences() const {
        std::vector<int> out;
        for (int i = 0; i < rowCount(); ++i)
            out.push_back(row(i)->entry()->sequence);
        return out;
    }
};

TEST_F(PlayOrderTest, MoveUpAndDownMoveABlockOnePlace) {
    startWith(5);
    select({"3.mp3", "4.mp3", "5.mp3"});
    form->command("mnuMoveUp1")->trigger();
    EXPECT_EQ(names(), (QStringList{"1.mp3", "3.mp3", "4.mp3", "5.mp3", "2.mp3"}));
    EXPECT_EQ(sequences(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(form->playOrderOn());
    EXPECT_EQ(form->getSelCount(), 3); // rows keep their selection

    // The block moves back down.
    form->command("mnuMoveDown1")->trigger();
    EXPECT_EQ(names(), (QStringList{"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"}));

    // The bottom-most file already at the end: nothing moves.
    select({"2.mp3", "5.mp3"});
    form->command("mnuMoveDown")->trigger();
    EXPECT_EQ(names(), (QStringList{"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"}));
}

TEST_F(PlayOrderTest, MoveUpAtTheTopStillSortsByPlayOrder) {
    startWith(3);
    form->handleColumnClick(Col::Name); // descending by name
    ASSERT_EQ(names(), (QStringList{"3.mp3", "2.mp3", "1.mp3"}));
    select({"3.mp3"});
    form->button("MoveUp")->trigger();
    // The displayed order becomes the play order.
    EXPECT_EQ(names(), (QStringList{"3.mp3", "2.mp3", "1.mp3"}));
    EXPECT_EQ(sequences(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(form->list()->header()->sortIndicatorSection(), -1) << "no arrow for a play order";
    EXPECT_TRUE(form->playOrderOn());

    // A column click, a refresh or another folder returns to an ordinary sort.
    form->handleColumnClick(Col::Track);
    EXPECT_FALSE(form->playOrderOn());
    select({"1.mp3"});
    form->moveUp();
    form->command("mnuRefresh")->trigger();
    waitForDetails();
    EXPECT_FALSE(form->playOrderOn());
    EXPECT_EQ(names(), (QStringList{"1.mp3", "2.mp3", "3.mp3"}));
    EXPECT_EQ(form->rowOrder().column(), Col::Name);
}

TEST_F(PlayOrderTest, FoldersAreDeselectedAndStayAbove) {
    startWith(3, true);
    ASSERT_EQ(names(), (QStringList{"Demos", "Live", "1.mp3", "2.mp3", "3.mp3"}));
    select({"Live", "1.mp3", "2.mp3"});
    form->moveDown();
    EXPECT_EQ(names(), (QStringList{"Demos", "Live", "3.mp3", "1.mp3", "2.mp3"}));
    EXPECT_FALSE(rowNamed("Live")->isSelected());
    EXPECT_EQ(rowNamed("Live")->entry()->sequence, 0);

    // Folders alone: they are deselected and nothing is re-sorted.
    form->handleColumnClick(Col::Name);
    form->handleColumnClick(Col::Name);
    select({"Demos"});
    form->moveUp();
    EXPECT_FALSE(rowNamed("Demos")->isSelected());
    EXPECT_FALSE(form->playOrderOn());
}

TEST_F(PlayOrderTest, RandomizeWithNoOrOneFile) {
    mkdir("only folders");
    start(path("only folders"));
    form->randomizePlaylist();
    EXPECT_FALSE(form->playOrderOn());

    mkdir("one");
    writeMp3("one/1.mp3", 2);
    list(path("one"));
    form->randomizePlaylist();
    EXPECT_EQ(sequences(), std::vector<int>{1});
    EXPECT_TRUE(form->playOrderOn());
}

TEST_F(PlayOrderTest, RandomizeSelectsThePlayingFileAndPlaysInTheNewOrder) {
    startWith(6);
    play("4.mp3");
    form->randomizePlaylist();
    EXPECT_EQ(form->currentRow(), rowNamed("4.mp3"));
    EXPECT_EQ(form->getSelCount(), 1);

    // Next follows the displayed order.
    const int at = form->viewIndex(path("4.mp3")).row();
    if (at + 1 < rowCount()) {
        form->command("mnuNext")->trigger();
        EXPECT_EQ(form->playingFile(), row(at + 1)->key);
    }
}

TEST_F(PlayOrderTest, EveryOrderOfThreeFilesComesUp) {
    startWith(3);
    QSet<QString> seen;
    for (int i = 0; i < 300 && seen.size() < 6; ++i) {
        form->randomizePlaylist();
        seen.insert(names().join(QLatin1Char(',')));
    }
    EXPECT_EQ(seen.size(), 6);
}

TEST_F(PlayOrderTest, TenThousandFilesMoveAndShuffle) {
    mkdir("big/A folder");
    for (int i = 1; i <= 10001; ++i)
        writeBytes(QStringLiteral("big/%1.mp3").arg(i, 5, 10, QLatin1Char('0')), "x");
    start(path("big"));
    ASSERT_EQ(rowCount(), 10002);
    EXPECT_EQ(form->renumberPlaylist(), 10001);

    // The last file moved up lands in place 10,000, ahead of its old neighbour.
    select({"10001.mp3"});
    form->moveUp();
    EXPECT_EQ(row(10000)->cell(Col::Name), "10001.mp3");
    EXPECT_EQ(row(10001)->cell(Col::Name), "10000.mp3");

    // Shuffled: every place from 1 to 10,001 once, shown in play order, the first row selected.
    form->command("mnuRandom")->trigger();
    EXPECT_EQ(row(0)->cell(Col::Name), "A folder");
    for (int i = 1; i < 10002; ++i)
        ASSERT_EQ(row(i)->entry()->sequence, i);
    EXPECT_EQ(form->currentRow(), row(0));
    EXPECT_EQ(form->getSelCount(), 1);
}

} // namespace
} // namespace tunewalk
