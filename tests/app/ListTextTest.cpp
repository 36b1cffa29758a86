// The list's texts, sort keys and order, and the path helpers, without a window.
#include "app/listing/ListText.h"
#include "app/listing/AudioDetails.h"
#include "app/window/Form1.h"

#include "QtPrinters.h"
#include "TempDir.h"

#include <QCollator>
#include <QDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace tunewalk {
namespace {

TEST(NaturalLess, ComparesDigitRunsAsNumbersAndIgnoresCase) {
    // Each pair in order; the prefixes still group the kinds.
    const std::pair<QStringView, QStringView> ordered[] = {{u"D_96kbps", u"D_128kbps"},
                                                           {u"a", u"B"},
                                                           {u"C_zz", u"D_a"},
                                                           {u"x2", u"x10"},
                                                           {u"x", u"x1"},
                                                           {u"D_000000004096", u"D_000000010000"}};
    for (const auto& [a, b] : ordered) {
        EXPECT_TRUE(naturalLess(a, b)) << a.toString().toStdString();
        EXPECT_FALSE(naturalLess(b, a));
    }
    EXPECT_FALSE(naturalLess(u"same", u"same"));
    // Equal by the rule but different texts still have an order, in one direction only.
    EXPECT_NE(naturalLess(u"x01", u"x1"), naturalLess(u"x1", u"x01"));
}

// The list keeps its own comparison (pairwise it is four times as fast as QCollator's, which
// the column sort calls for every pair). It must order names as a numeric collator would.
// Where the two legitimately differ the table has no case: accents (the collator puts "Été"
// by "Ete", the list after "Z"), punctuation against digits and letters ("[" and "~" come
// first in the collator), and the tie of "track 02" and "track 2".
TEST(NaturalLess, OrdersTrickyNamesAsANumericCollator) {
    const QStringList names =
        QString("D_Track 10.mp3|D_track 2.mp3|D_Track 1.mp3|D_01 - Song (Live) [2003].mp3|"
                "D_1 - Song.mp3|D_02 - Intro.mp3|D_track2.mp3|D_Song 12345678901234567890.mp3|"
                "D_Song 9.mp3|D_ABBA - Waterloo.mp3|D_abba - Fernando.mp3|C_Zeta|C_alpha|"
                "C_Beta 10|C_beta 9|D_(x).mp3|D_a b.mp3|D_ab.mp3|D_Cafe.mp3|D_Caf\uFFFD 2.mp3|"
                "D_96kbps|D_128kbps|D_000000004096|D_000000010000|D_x.mp3|D_x1.mp3|D_x 1.mp3|"
                "D_10.mp3")
            .split('|');
    QStringList own = names, collated = names;
    std::sort(own.begin(), own.end(),
              [](const QString& a, const QString& b) { return naturalLess(a, b); });
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(collated.begin(), collated.end(), collator);
    EXPECT_EQ(own, collated);
}

// Sorting by the keys must give the comparison's order exactly, ties and digits of other
// scripts included: the listing sorts names by key and places later rows by comparison.
TEST(NaturalLess, ItsKeysSortAsItCompares) {
    QStringList names =
        QString("Track 10|track 2|x01|x1|x001a|x1a|x|x 1|ab|a b|a\u0663b|a3b|a\u0663|"
                "a.|a9|A10|caf\u00c9 2|CAF\u00e9 10|12345678901234567890|9|00|0|")
            .split('|');
    for (int i = 0; i < 3; ++i)
        names += names; // the same text more than once
    QStringList byKey = names;
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return naturalLess(a, b); });
    std::sort(byKey.begin(), byKey.end(),
              [](const QString& a, const QString& b) { return naturalKey(a) < naturalKey(b); });
    EXPECT_EQ(byKey, names);
}

TEST(AudioDetails, TagTextStopsAtTheFirstNul) {
    EXPECT_EQ(tagText(std::string("Title\0\0\0", 8)), "Title");
    EXPECT_EQ(tagText("Caf\xe9"), QString::fromUtf8("Café"));
}

TEST(GetLongFileName, CleansExistingPathsAndGivesNothingForMissingOnes) {
    TempDir root;
    const QString base = QString::fromStdString(root.path().string());
    ASSERT_TRUE(QDir(base).mkpath("a/b"));
    EXPECT_EQ(GetLongFileName(base + "/a/./b/"), base + "/a/b");
    EXPECT_EQ(GetLongFileName(base + "/a/missing"), "");
    EXPECT_EQ(GetLongFileName("/"), "/");
}

} // namespace
} // namespace tunewalk
