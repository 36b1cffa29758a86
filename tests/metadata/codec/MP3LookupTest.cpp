#include "metadata/codec/MP3TagEditor.h"

#include <gtest/gtest.h>

using namespace tunewalk;

TEST(MP3Lookup, GenreNamesKeepTheirSpellingsAndBounds) {
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(0), "Blues");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(22), "DeathMetal");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(67), "Psychadelic");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(85), "Bebob");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(118), "Rhytmic Soul");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(123), "Acapella");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(144), "Trash Metal");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(147), "Synth Pop");
    EXPECT_EQ(MP3TagEditor::GenraLookupByID(255), "None");
    for (int id : {-1, 148, 254, 256, 32767})
        EXPECT_EQ(MP3TagEditor::GenraLookupByID(id), "") << id;
}

TEST(MP3Lookup, HeaderTablesByVersion) {
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(1, 1), 32);
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(13, 2), 144);
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(15, 1), 0);
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(200, 1), 0);
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(9, 3), 0);
    EXPECT_EQ(MP3TagEditor::SampleRateLookupByID(2, 2), 16000);
    EXPECT_EQ(MP3TagEditor::SampleRateLookupByID(3, 1), 0);
    EXPECT_EQ(MP3TagEditor::SampleRateLookupByID(0, 0), 0);
    EXPECT_EQ(MP3TagEditor::DefaultBitrate(), 128);
}

TEST(MP3Lookup, TextFieldsAreCutToTheirWidthsAndTrimmed) {
    MP3TagEditor e;
    e.setTitle(std::string(35, 'a'));
    EXPECT_EQ(e.Title(), std::string(30, 'a'));
    e.setYear("19999");
    EXPECT_EQ(e.Year(), "1999");
    e.setAlbum("   ");
    EXPECT_EQ(e.Album(), "");
}
