#include "common/PathRules.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>
#include <ostream>

using namespace tunewalk;

TEST(PathRules, JoinNeverDoublesASeparator) {
    EXPECT_EQ(joinPath("/", "x"), "/x");
    EXPECT_EQ(joinPath("/a", "x"), "/a/x");
    EXPECT_EQ(joinPath("/a/", "x"), "/a/x");
    EXPECT_EQ(joinPath("/a", "/x"), "/a/x");
    EXPECT_EQ(joinPath("/a", "x y.mp3"), "/a/x y.mp3");
    EXPECT_EQ(joinPath("", "x"), "x");
}

TEST(PathRules, ParentAndNameSplitAtTheLastSeparator) {
    EXPECT_EQ(parentPath("/a/b"), "/a");
    EXPECT_EQ(parentPath("/a/b/"), "/a");
    EXPECT_EQ(parentPath("/a"), "/");
    EXPECT_EQ(parentPath("/"), "");
    EXPECT_EQ(parentPath("/media/usb/Music/"), "/media/usb");
    EXPECT_EQ(parentPath("b.mp3"), "");

    EXPECT_EQ(fileNamePart("/a/b.mp3"), "b.mp3");
    EXPECT_EQ(fileNamePart("/a/folder/"), "folder");
    EXPECT_EQ(fileNamePart("/a"), "a");
    EXPECT_EQ(fileNamePart("b.mp3"), "b.mp3");
    EXPECT_EQ(fileNamePart("/"), "");

    // Splitting and joining again gives the path back.
    for (const char* path : {"/a/b", "/a", "/home/jörg/Müsik/x.mp3"})
        EXPECT_EQ(joinPath(parentPath(path), fileNamePart(path)), path);
}

TEST(PathRules, LinuxComparesPathsExactly) {
    EXPECT_TRUE(samePath("/Music/a.mp3", "/Music/a.mp3"));
    EXPECT_FALSE(samePath("/Music/a.mp3", "/music/a.mp3"));
    EXPECT_FALSE(samePath("/Music", "/Music/")) << "no canonicalising";

    EXPECT_TRUE(pathContains("/home/Music/Rock", "Music/R"));
    EXPECT_FALSE(pathContains("/home/Music/Rock", "music/r"));

    // Within compares whole components.
    EXPECT_TRUE(pathIsWithin("/music/a", "/music"));
    EXPECT_TRUE(pathIsWithin("/music/a/b.mp3", "/music/"));
    EXPECT_TRUE(pathIsWithin("/music", "/"));
    EXPECT_FALSE(pathIsWithin("/music2", "/music"));
    EXPECT_FALSE(pathIsWithin("/music", "/music"));
    EXPECT_FALSE(pathIsWithin("/music", "/music/a"));
    EXPECT_FALSE(pathIsWithin("/Music/a", "/music"));

    EXPECT_EQ(pathKey("/Home/Music"), "/Home/Music");
    EXPECT_EQ(pathKey("/media/USB/"), "/media/USB/");
    EXPECT_EQ(pathKey("/"), "/");
}
