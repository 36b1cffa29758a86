#include "common/Duration.h"

#include <gtest/gtest.h>

using tunewalk::Duration;

TEST(Duration, FormatsAsTimeOfDayAndWrapsAtADay) {
    EXPECT_EQ(Duration().toString(), "00:00:00");
    EXPECT_EQ(Duration::fromSeconds(59).toString(), "00:00:59");
    EXPECT_EQ(Duration::fromSeconds(3599).toString(), "00:59:59");
    EXPECT_EQ(Duration::fromSeconds(36000 + 62).toString(), "10:01:02");
    EXPECT_EQ(Duration::fromSeconds(86399).toString(), "23:59:59");
    EXPECT_EQ(Duration::fromSeconds(86400).toString(), "00:00:00");
    EXPECT_EQ(Duration::fromSeconds(90000).toString(), "01:00:00");
}

TEST(Duration, DayFractionsRoundTrip) {
    for (std::int64_t s : {0, 1, 250, 3601, 86399, 1'000'000})
        EXPECT_EQ(Duration::fromDays(Duration::fromSeconds(s).days()).seconds(), s) << s;
    EXPECT_DOUBLE_EQ(Duration::fromSeconds(43200).days(), 0.5);
    EXPECT_TRUE(Duration::fromDays(0.0 / 0.0).isZero());
    EXPECT_LT(Duration::fromSeconds(1), Duration::fromSeconds(2));
}
