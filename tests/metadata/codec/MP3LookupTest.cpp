#include "metadata/codec/MP3TagEditor.h"

#include <gtest/gtest.h>

using namespace tunewalk;

TEST(MP3Lookup, GenreNamesKeepTheirSpellingsAndBounds) {
    const std::pair<int, const char*> names[] = {{0, "Blues"},
                                                 {22, "DeathMetal"},
                                                 {67, "Psychadelic"},
                                                 {85, "Bebob"},
                                                 {118, "Rhytmic Soul"},
                                                 {123, "Acapella"},
                                                 {144, "Trash Metal"},
                                                 {147, "Synth Pop"},
                                                 {255, "None"},
                                                 {-1, ""},
                                                 {148, ""},
                                                 {254, ""},
                                                 {256, ""},
                                                 {32767, ""}};
    for (const auto& [id, name] : names)
        EXPECT_EQ(MP3TagEditor::GenraLookupByID(id), name) << id;
}

TEST(MP3Lookup, HeaderIndexesOrVersionsOutOfRangeGiveZero) {
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(200, 1), 0);
    EXPECT_EQ(MP3TagEditor::BitrateLookupByID(9, 3), 0);
    EXPECT_EQ(MP3TagEditor::SampleRateLookupByID(4, 1), 0);
    EXPECT_EQ(MP3TagEditor::SampleRateLookupByID(0, 0), 0);
}
