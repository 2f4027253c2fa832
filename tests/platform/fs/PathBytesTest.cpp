// The byte-path helpers every layer shares: the parent of a path and the
// shown form of a name that is not valid UTF-8.
#include <gtest/gtest.h>

#include "platform/fs/FileSystem.h"
#include "platform/namespace/NameCodec.h"

namespace {

// The parent of an entry of the root is the root; a path without any "/"
// has no folder of its own and gets the root too, never an empty path that
// would name the working folder.
TEST(PathBytesTest, ParentOfPaths) {
    EXPECT_EQ(ParentPathBytes("/home/user/file.txt"), QByteArray("/home/user"));
    EXPECT_EQ(ParentPathBytes("/home"), QByteArray("/"));
    EXPECT_EQ(ParentPathBytes("/"), QByteArray("/"));
    EXPECT_EQ(ParentPathBytes("name"), QByteArray("/"));
    EXPECT_EQ(ParentPathBytes(""), QByteArray("/"));
    EXPECT_EQ(ParentPathBytes("/a/b\xff/c"), QByteArray("/a/b\xff"));
}

// A name read from the disk is shown as the user reads it, and bytes that
// are no UTF-8 still show as something rather than vanish.
TEST(PathBytesTest, ShownNames) {
    EXPECT_EQ(DisplayFromBytes("report.txt"), QStringLiteral("report.txt"));
    EXPECT_EQ(DisplayFromBytes("caf\xc3\xa9"), QString::fromUtf8("caf\xc3\xa9"));
    const QString odd = DisplayFromBytes("bad\xff");
    EXPECT_TRUE(odd.startsWith(QStringLiteral("bad")));
    EXPECT_GT(odd.size(), 3);
}

}  // namespace
