#include "common/NameIDPair.h"

#include <gtest/gtest.h>

using tunewalk::NameIDPair;

TEST(NameIDPair, InitSetsAllThreeAndNameAndTagStayWritable) {
    NameIDPair pair;
    EXPECT_EQ(pair.ID(), 0);
    pair.Init("Rock", 17, "t");
    EXPECT_EQ(pair.Name(), "Rock");
    EXPECT_EQ(pair.ID(), 17);
    EXPECT_EQ(pair.Tag(), "t");
    pair.setName("Folder");
    pair.setTag("/music/rock");
    EXPECT_EQ(pair.ID(), 17);
    EXPECT_EQ(pair.Tag(), "/music/rock");
    pair.Init("x", -32768);
    EXPECT_EQ(pair.ID(), -32768);
    EXPECT_EQ(pair.Tag(), "");
}
