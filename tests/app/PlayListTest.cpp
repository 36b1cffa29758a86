// What plays when a file ends, decided ahead for the gapless switch and at the end alike.
#include "app/playback/PlayList.h"

#include <gtest/gtest.h>

using namespace tunewalk;

namespace {

// A folder, then three files: the order Play All walks.
KeptPlayList folder() {
    return KeptPlayList("/m", {{"/m/sub", false}, {"/m/a", true}, {"/m/b", true}, {"/m/c", true}});
}

struct Case {
    const char* current;
    bool playAll, repeat;
    AfterEnd::What what;
    const char* key;
};

TEST(PlayList, TheEndOfFileRule) {
    const KeptPlayList list = folder();
    const Case cases[] = {
        {"/m/a", true, false, AfterEnd::Play, "/m/b"},
        {"/m/b", true, true, AfterEnd::Play, "/m/c"},
        // After the last row: Repeat starts again from the first file, not the folder.
        {"/m/c", true, true, AfterEnd::Play, "/m/a"},
        {"/m/c", true, false, AfterEnd::StopAtLast, ""},
        // Without Play All, Repeat plays the same file; the list does not matter.
        {"/m/b", false, true, AfterEnd::Play, "/m/b"},
        {"/elsewhere/x", false, true, AfterEnd::Play, "/elsewhere/x"},
        {"/m/a", false, false, AfterEnd::Stop, ""},
        {"/elsewhere/x", true, true, AfterEnd::NotListed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + (c.playAll ? " all" : "") +
                     (c.repeat ? " repeat" : ""));
        const AfterEnd next = afterEnd(&list, c.current, c.playAll, c.repeat);
        EXPECT_EQ(next.what, c.what);
        EXPECT_EQ(next.key, QString(c.key));
    }
    EXPECT_EQ(afterEnd(nullptr, "/m/a", true, false).what, AfterEnd::NotListed);
    // A list of folders alone has no first file to start again from.
    const KeptPlayList folders("/m", {{"/m/x", false}, {"/m/y", false}});
    EXPECT_EQ(afterEnd(&folders, "/m/y", true, true).what, AfterEnd::StopAtLast);
}

TEST(PlayList, KeptRowsAndTheirNeighbours) {
    const KeptPlayList list = folder();
    EXPECT_EQ(list.neighbour("/m/a", -1), "/m/sub");
    EXPECT_TRUE(list.opensAsFolder("/m/sub"));
    EXPECT_FALSE(list.opensAsFolder("/m/a"));
    EXPECT_EQ(list.neighbour("/m/sub", -1), "");
    EXPECT_EQ(list.neighbour("/m/c", 1), "");
    EXPECT_EQ(list.neighbour("/m/none", 1), "");
    EXPECT_EQ(list.firstFile(), "/m/a");
}

} // namespace
