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

TEST(MP3Lookup, ListsHoldTheirEntriesInOrderUnderTheirKeys) {
    MP3TagEditor e;
    const auto& genres = e.GenraList();
    ASSERT_EQ(genres.size(), 149u);
    EXPECT_EQ(genres.keyAt(0), "ID0");
    EXPECT_EQ(genres.keyAt(147), "ID147");
    EXPECT_EQ(genres.keyAt(148), "ID255");
    EXPECT_EQ(genres.at(148).Name(), "None");
    EXPECT_EQ(genres.at(148).ID(), 255);
    EXPECT_EQ(genres.find("ID17")->Name(), "Rock");
    EXPECT_EQ(genres.at(17).Tag(), "");

    const auto& b1 = e.BitrateList1();
    ASSERT_EQ(b1.size(), 15u);
    EXPECT_EQ(b1.keyAt(0), "ID_32");
    EXPECT_EQ(b1.at(8).Name(), "128");
    EXPECT_EQ(b1.find("ID_128")->ID(), 9);
    EXPECT_EQ(b1.find("ID_320")->ID(), 14);
    EXPECT_EQ(b1.keyAt(14), "ID_0");
    EXPECT_EQ(b1.at(14).Name(), "(unknown)");
    EXPECT_EQ(b1.at(14).ID(), 0);

    const auto& b2 = e.BitrateList2();
    EXPECT_EQ(b2.keyAt(0), "ID_8");
    EXPECT_EQ(b2.find("ID_160")->ID(), 14);
    EXPECT_EQ(b2.find("ID_320"), nullptr);

    const auto& r1 = e.SampleRateList1();
    ASSERT_EQ(r1.size(), 4u);
    EXPECT_EQ(r1.keyAt(0), "ID_44100");
    EXPECT_EQ(r1.find("ID_32000")->ID(), 2);
    EXPECT_EQ(r1.find("ID_0")->ID(), 3);
    EXPECT_EQ(e.SampleRateList2().find("ID_24000")->ID(), 1);

    const auto& modes = e.ChannelsList();
    ASSERT_EQ(modes.size(), 4u);
    EXPECT_EQ(modes.keyAt(1), "Joint Stereo");
    EXPECT_EQ(modes.find("Mono")->ID(), 3);
    EXPECT_EQ(MP3TagEditor::ChannelsLookupByID(4), "");
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
