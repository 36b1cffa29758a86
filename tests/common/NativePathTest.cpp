#include "common/NativePath.h"

#include <gtest/gtest.h>

namespace tunewalk {
namespace {

// Names as they come from old disks: Latin-1, cut UTF-8, overlong forms and encoded
// surrogates are all kept byte for byte; valid text is plain text.
TEST(NativePath, EveryByteSequenceComesBackExactlyAndShowsWithReplacements) {
    const QByteArray names[] = {
        "/music/Caf\xe9.mp3",     "/m/\xc3\xa9t\xc3\xa9.mp3",  "/m/cut\xc3",
        "/m/\xc0\xaf overlong",   "/m/\xed\xa0\x80 surrogate", "/m/\xf4\x90\x80\x80 too big",
        "/m/\xff\xfe\x80",        "/m/\xf0\x9f\x8e\xb5 note",  "/m/\xf0\x9f\x92\xbf disc",
        "/m/\xf0\x9f\x92\xbf\xe9"};
    for (const QByteArray& bytes : names) {
        const QString path = fromNativePath(bytes);
        EXPECT_EQ(toNativePath(path), bytes) << bytes.toHex().constData();
        EXPECT_EQ(QByteArray::fromStdString(toFsPath(path).native()), bytes);
        EXPECT_EQ(fromFsPath(toFsPath(path)), path);
        EXPECT_EQ(hasRawBytes(path), QString::fromUtf8(bytes).toUtf8() != bytes);
        // Through a URL, also as the text a drag or the clipboard carries it in.
        EXPECT_EQ(localPath(fileUrl(path)), path);
        EXPECT_EQ(localPath(QUrl(fileUrl(path).toString())), path);
    }
    EXPECT_EQ(fileUrl(fromNativePath("/m/Caf\xe9 #1%.mp3")).toEncoded(),
              "file:///m/Caf%E9%20%231%25.mp3");
    EXPECT_EQ(fromNativePath("/m/\xc3\xa9t\xc3\xa9.mp3"), QString::fromUtf8("/m/été.mp3"));
    EXPECT_EQ(displayPath(fromNativePath("Caf\xe9.mp3")), QString::fromUtf8("Caf\uFFFD.mp3"));
    EXPECT_EQ(displayPath("plain"), "plain");
}

// A folder handed over on the command line by a file manager keeps its bytes.
TEST(NativePath, ArgumentsKeepTheirBytes) {
    char program[] = "tunewalk", latin1[] = "/music/Caf\xe9", plain[] = "two words";
    char* argv[] = {program, latin1, plain, nullptr};
    const QStringList arguments = nativeArguments(3, argv);
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(toNativePath(arguments[0]), QByteArray("/music/Caf\xe9"));
    EXPECT_EQ(arguments[1], "two words");
}

} // namespace
} // namespace tunewalk
