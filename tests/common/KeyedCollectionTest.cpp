#include "common/KeyedCollection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using tunewalk::KeyedCollection;

TEST(KeyedCollection, KeepsInsertionOrderAndRefusesDuplicates) {
    KeyedCollection<int> c;
    EXPECT_TRUE(c.add("b", 2));
    EXPECT_TRUE(c.add("a", 1));
    EXPECT_TRUE(c.add("c", 3));
    EXPECT_FALSE(c.add("a", 99)); // reported, and the first value stays
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(*c.find("a"), 1);
    EXPECT_EQ(c.find("A"), nullptr); // keys compare exactly
    std::vector<std::string> keys;
    for (const auto& [key, value] : c)
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"b", "a", "c"}));
}

TEST(KeyedCollection, RemovalKeepsTheRestFindable) {
    KeyedCollection<std::string> c;
    for (const char* k : {"one", "two", "three", "four"})
        c.add(k, std::string(k) + "!");
    EXPECT_TRUE(c.remove("two"));
    EXPECT_FALSE(c.remove("two"));
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c.keyAt(1), "three");
    EXPECT_EQ(*c.find("four"), "four!");
    EXPECT_EQ(*c.find("one"), "one!");
    EXPECT_TRUE(c.add("two", "again")); // the key is free again
    EXPECT_EQ(c.keyAt(3), "two");
    c.clear();
    EXPECT_TRUE(c.empty());
    EXPECT_FALSE(c.contains("one"));
}
