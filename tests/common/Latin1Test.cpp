#include "common/Latin1.h"

#include <gtest/gtest.h>

using namespace tunewalk;

TEST(Latin1, EveryByteRoundTripsThroughUtf8) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = latin1ToUtf8(all);
    EXPECT_EQ(utf8.size(), 128u + 2 * 128u);
    EXPECT_EQ(latin1ToUtf8("Caf\xE9"), "Caf\xC3\xA9");
    EXPECT_EQ(utf8ToLatin1(utf8), all);
}

TEST(Latin1, TextThatCannotBeStoredIsRefused) {
    EXPECT_EQ(utf8ToLatin1("\xE2\x82\xAC"), std::nullopt);     // the euro sign
    EXPECT_EQ(utf8ToLatin1("\xF0\x9F\x8E\xB5"), std::nullopt); // a musical note emoji
    EXPECT_EQ(utf8ToLatin1("\xC3"), std::nullopt);             // cut short
    EXPECT_EQ(utf8ToLatin1("\xE9"), std::nullopt);             // Latin-1, not UTF-8
    EXPECT_EQ(utf8ToLatin1("\xC0\x80"), std::nullopt);         // overlong NUL
    EXPECT_EQ(utf8ToLatin1(std::string("a\0b", 3)), std::string("a\0b", 3));
}
