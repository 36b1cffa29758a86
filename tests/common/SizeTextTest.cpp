// The one size text of the program.
#include "common/SizeText.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

TEST(SizeText, CutsToTwoDecimals) {
    const QString dot = QLocale::system().decimalPoint();
    EXPECT_EQ(formatSize(0), "0 B");
    EXPECT_EQ(formatSize(1023), "1023 B");
    EXPECT_EQ(formatSize(1024), "1 KB");
    EXPECT_EQ(formatSize(1075), "1" + dot + "04 KB");
    EXPECT_EQ(formatSize(1536), "1" + dot + "5 KB");
    EXPECT_EQ(formatSize(1048575), "1023" + dot + "99 KB");
    EXPECT_EQ(formatSize(1048576), "1 MB");
    EXPECT_EQ(formatSize(1073741824), "1 GB");
    EXPECT_EQ(formatSize(5LL * 1073741824 + 536870912), "5" + dot + "5 GB");
}

} // namespace
} // namespace tunewalk
