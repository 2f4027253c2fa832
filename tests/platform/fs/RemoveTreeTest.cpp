#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs/RemoveTree.h"
#include "platform/fs/UniqueFd.h"
#include "support/NoDacOverride.h"
#include "support/TestDir.h"

TEST(RemoveTree, RemovesATreeButNeverWhatALinkPointsAt) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("keep/precious.txt", "data"));
    ASSERT_TRUE(dir.MakeFile("tree/a/b/c.txt", "c"));
    ASSERT_TRUE(dir.MakeFile("tree/top.txt", "t"));
    ASSERT_TRUE(dir.MakeSymlink("tree/a/to-keep", dir.Join("keep")));
    ASSERT_TRUE(dir.MakeSymlink("tree/a/to-file", dir.Join("keep/precious.txt")));
    // A folder that may not be written is made writable so it can be emptied.
    ASSERT_TRUE(dir.MakeFile("tree/locked/inside.txt", "x"));
    ASSERT_TRUE(dir.SetMode("tree/locked", 0500));

    int removed = 0;
    {
        ScopedNoDacOverride asUser;
        EXPECT_TRUE(RemoveTree(dir.Join("tree/"), {.removed = &removed}));
    }
    EXPECT_FALSE(dir.Exists("tree"));
    EXPECT_EQ(dir.Read("keep/precious.txt"), "data");
    // tree, a, b, c.txt, top.txt, two links, locked, inside.txt
    EXPECT_EQ(removed, 9);

    // A missing entry is already gone; "." and ".." are refused.
    EXPECT_TRUE(RemoveTree(dir.Join("tree")));
    EXPECT_FALSE(RemoveTree(dir.Join("keep/..")));
    EXPECT_EQ(errno, EINVAL);
    EXPECT_TRUE(dir.Exists("keep/precious.txt"));
}

TEST(RemoveTree, DepthAndOwnerLimitsLeaveTheRestAndSaySo) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("t/one/two/deep.txt", "d"));
    ASSERT_TRUE(dir.MakeFile("t/one/shallow.txt", "s"));
    const UniqueFd parent(::open(dir.PathBytes().constData(), O_RDONLY | O_DIRECTORY));
    ASSERT_TRUE(parent);

    // Folders below the limit are left, and the call says the tree is not gone.
    int removed = 0;
    EXPECT_FALSE(RemoveTreeAt(parent.get(), "t", {.maxDepth = 2, .removed = &removed}));
    EXPECT_EQ(errno, ENOTEMPTY);
    EXPECT_TRUE(dir.Exists("t/one/two/deep.txt"));
    EXPECT_FALSE(dir.Exists("t/one/shallow.txt"));
    EXPECT_EQ(removed, 1);

    // Limited to another owner's entries, nothing of ours goes, and that is
    // not a failure.
    EXPECT_TRUE(RemoveTreeAt(parent.get(), "t", {.ownerOnly = ::geteuid() + 1}));
    EXPECT_TRUE(dir.Exists("t/one/two/deep.txt"));

    // Limited to our own, everything goes.
    EXPECT_TRUE(RemoveTreeAt(parent.get(), "t", {.ownerOnly = ::geteuid()}));
    EXPECT_FALSE(dir.Exists("t"));

    // Names are single components.
    EXPECT_FALSE(RemoveTreeAt(parent.get(), "a/b"));
    EXPECT_EQ(errno, EINVAL);
}

TEST(UniqueFd, ClosesOnceAndReportsTheCloseOfAWrite) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("f.txt", ""));
    int raw = -1;
    {
        UniqueFd fd(::open(dir.Join("f.txt").constData(), O_WRONLY));
        ASSERT_TRUE(fd);
        raw = fd.get();
        EXPECT_TRUE(WriteAll(fd.get(), QByteArray(100000, 'x')));
        UniqueFd moved = std::move(fd);
        EXPECT_FALSE(fd);
        EXPECT_EQ(moved.get(), raw);
        EXPECT_EQ(moved.Close(), 0);
        EXPECT_FALSE(moved);
        EXPECT_EQ(moved.Close(), 0);  // nothing held: nothing closed twice
    }
    EXPECT_EQ(::fcntl(raw, F_GETFD), -1);  // closed, and only once
    EXPECT_EQ(dir.Read("f.txt").size(), 100000);
    EXPECT_FALSE(WriteAll(-1, QByteArray("x")));
    EXPECT_EQ(errno, EBADF);
}
