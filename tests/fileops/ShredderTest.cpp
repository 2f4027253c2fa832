#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include "FileUtilsTestSupport.h"
#include "fileops/Shredder.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint64_t kGiB = 1024ULL * 1024 * 1024;

// The overwrite reaches every byte of data, past 4 GiB too, keeps the
// length, and leaves the holes of a sparse file unfilled.
TEST(ShredderTest, OverwriteZeroesAllDataAbove4GiBAndKeepsHoles) {
    TestDir dir;
    const QByteArray path = dir.Join("sparse");
    const std::uint64_t offset = 4 * kGiB + 123;
    ASSERT_TRUE(MakeSparse(path, 5 * kGiB, offset, PatternBytes(200000, 7)));
    UniqueFd head(::open(path.constData(), O_WRONLY));
    ASSERT_TRUE(WriteAll(head.get(), QByteArray("secret head")));
    head.reset();

    UniqueFd fd(::open(path.constData(), O_WRONLY));
    ASSERT_TRUE(fd);
    Shredder shredder;
    ASSERT_EQ(shredder.OverwriteWithZeros(fd.get(), 5 * kGiB), ShredResult::kDone);
    fd.reset();
    EXPECT_EQ(SizeOf(path), 5 * kGiB);
    EXPECT_EQ(ReadAt(path, 0, 11), QByteArray(11, '\0'));
    EXPECT_EQ(ReadAt(path, offset, 200000), QByteArray(200000, '\0'));
    EXPECT_LT(LStat(path)->st_blocks, 8192) << "the holes were written out";
}

// Files and trees go; a read-only file selected directly is a write error
// and stays, while inside a shredded folder it is shredded with the rest.
TEST(ShredderTest, ReadOnlyFileDirectlyVersusInsideAFolder) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("plain", PatternBytes(200000)));
    ASSERT_TRUE(dir.MakeFile("locked", "read only"));
    ASSERT_TRUE(dir.SetMode("locked", 0444));
    ASSERT_TRUE(dir.MakeFile("tree/sub/deep.txt", "deep"));
    ASSERT_TRUE(dir.MakeFile("tree/locked", "read only inside"));
    ASSERT_TRUE(dir.SetMode("tree/locked", 0444));
    ASSERT_TRUE(dir.MakeFolder("tree/empty"));

    Shredder shredder;
    EXPECT_EQ(shredder.ShredItem(dir.Join("plain")).result, ShredResult::kDone);
    EXPECT_FALSE(dir.Exists("plain"));

    const ShredOutcome locked = shredder.ShredItem(dir.Join("locked"));
    EXPECT_EQ(locked.result, ShredResult::kWriteError);
    EXPECT_EQ(locked.path, dir.Join("locked"));
    EXPECT_EQ(dir.Read("locked"), QByteArray("read only"));

    EXPECT_EQ(shredder.ShredItem(dir.Join("tree")).result, ShredResult::kDone);
    EXPECT_FALSE(dir.Exists("tree"));
}

// A read-only file inside a shredded folder is made writable through the
// descriptor of the file that was looked at: when another program puts a
// link in its place in between, what the link names keeps its mode and
// data.
TEST(ShredderTest, AReadOnlyFileSwappedForALinkLeavesTheLinkedFileAlone) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/locked", "read only inside"));
    ASSERT_TRUE(dir.SetMode("tree/locked", 0444));
    ASSERT_TRUE(dir.MakeFile("victim", "not selected"));
    ASSERT_TRUE(dir.SetMode("victim", 0444));
    const QByteArray locked = dir.Join("tree/locked");
    int swaps = 0;
    Shredder shredder;
    shredder.SetLookedAtHook([&](const QByteArray& path) {
        if (path != locked || swaps++ > 0)
            return;
        ASSERT_EQ(::unlink(locked.constData()), 0);
        ASSERT_EQ(::symlink(dir.Join("victim").constData(), locked.constData()), 0);
    });
    const ShredOutcome outcome = shredder.ShredItem(dir.Join("tree"));
    EXPECT_EQ(swaps, 1);
    EXPECT_EQ(outcome.result, ShredResult::kWriteError);
    ASSERT_TRUE(LStat(dir.Join("victim")));
    EXPECT_EQ(LStat(dir.Join("victim"))->st_mode & 07777, 0444u) << "chmod went through the link";
    EXPECT_EQ(dir.Read("victim"), QByteArray("not selected"));
}

// Only what was selected goes: a selected link goes without its target, a
// link inside a tree is not followed into the folder it points at, a file
// with other hard links is refused with both names and the data intact, a
// FIFO's entry goes without the FIFO being opened.
TEST(ShredderTest, LinksAndSpecialFilesTakeNothingElseWithThem) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("outside/keep.txt", "precious"));
    ASSERT_TRUE(dir.MakeSymlink("to-file", dir.Join("outside/keep.txt")));
    ASSERT_TRUE(dir.MakeFile("tree/own.txt", "mine"));
    ASSERT_TRUE(dir.MakeSymlink("tree/to-outside", dir.Join("outside")));
    ASSERT_EQ(::mkfifo(dir.Join("tree/pipe").constData(), 0644), 0);

    Shredder shredder;
    EXPECT_EQ(shredder.ShredItem(dir.Join("to-file")).result, ShredResult::kDone);
    EXPECT_FALSE(LStat(dir.Join("to-file")));
    EXPECT_EQ(shredder.ShredItem(dir.Join("tree")).result, ShredResult::kDone);
    EXPECT_FALSE(dir.Exists("tree"));
    EXPECT_EQ(dir.Read("outside/keep.txt"), QByteArray("precious"));

    ASSERT_TRUE(dir.MakeFile("linked/file", "shared data"));
    ASSERT_EQ(::link(dir.Join("linked/file").constData(), dir.Join("other-name").constData()), 0);
    ShredOutcome outcome = shredder.ShredItem(dir.Join("linked"));
    EXPECT_EQ(outcome.result, ShredResult::kOtherLinks);
    EXPECT_EQ(outcome.path, dir.Join("linked/file"));
    outcome = shredder.ShredItem(dir.Join("other-name"));
    EXPECT_EQ(outcome.result, ShredResult::kOtherLinks);
    EXPECT_EQ(dir.Read("linked/file"), QByteArray("shared data"));
    EXPECT_EQ(dir.Read("other-name"), QByteArray("shared data"));
}

// A volume mounted inside a shredded folder is not emptied: the shred stops
// at its mount point. Needs the right to mount (the superuser); skipped
// without it.
TEST(ShredderTest, AnotherVolumeInsideTheTreeIsRefused) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/own.txt", "mine"));
    ASSERT_TRUE(dir.MakeFolder("tree/mounted"));
    const QByteArray mountPoint = dir.Join("tree/mounted");
    if (::mount("corvane-test", mountPoint.constData(), "tmpfs", 0, nullptr) != 0)
        GTEST_SKIP() << "no right to mount a file system here";
    struct Unmount {
        QByteArray path;
        ~Unmount() { ::umount2(path.constData(), MNT_DETACH); }
    } unmount{mountPoint};
    ASSERT_TRUE(WriteFile(mountPoint + "/other.txt", "on another volume"));

    const ShredOutcome outcome = Shredder().ShredItem(dir.Join("tree"));
    EXPECT_EQ(outcome.result, ShredResult::kOtherVolume);
    EXPECT_EQ(outcome.path, mountPoint);
    EXPECT_EQ(ReadFile(mountPoint + "/other.txt"), QByteArray("on another volume"));
}

// Escape abandons the file at hand (it stays) and ends the work; the
// items before it are gone.
TEST(ShredderTest, EscapeAbandonsTheFileAtHand) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("tree/a", "a"));
    ASSERT_TRUE(dir.MakeFile("big", PatternBytes(5 * 65536)));
    int polls = 0;
    Shredder shredder([&] { return ++polls == 3; });
    EXPECT_EQ(shredder.ShredItem(dir.Join("big")).result, ShredResult::kAborted);
    EXPECT_TRUE(dir.Exists("big"));
    EXPECT_EQ(SizeOf(dir.Join("big")), 5u * 65536) << "an abandoned file keeps its length";

    Shredder stopAtOnce([] { return true; });
    EXPECT_EQ(stopAtOnce.ShredItem(dir.Join("tree")).result, ShredResult::kAborted);
    EXPECT_EQ(dir.Read("tree/a"), QByteArray("a"));

    EXPECT_EQ(Shredder().ShredItem(dir.Join("missing")).result, ShredResult::kWriteError);
}

// A file that shrinks or grows while it is overwritten ends the loop at
// once and stays where it is, not grown back by zeros.
TEST(ShredderTest, FileChangingSizeIsLeftInPlace) {
    TestDir dir;
    const QByteArray path = dir.Join("moving");
    ASSERT_TRUE(dir.MakeFile("moving", PatternBytes(8 * 65536)));
    int polls = 0;
    Shredder shrink([&] {
        if (++polls == 2) {
            EXPECT_EQ(::truncate(path.constData(), 65536 + 5), 0);
        }
        return false;
    });
    const ShredOutcome outcome = shrink.ShredItem(path);
    EXPECT_EQ(outcome.result, ShredResult::kChanged);
    EXPECT_EQ(outcome.path, path);
    EXPECT_EQ(SizeOf(path), 65536u + 5) << "no zeros written past the new end";

    ASSERT_TRUE(dir.MakeFile("moving", PatternBytes(8 * 65536)));
    polls = 0;
    Shredder grow([&] {
        if (++polls == 3) {
            UniqueFd fd(::open(path.constData(), O_WRONLY | O_APPEND));
            EXPECT_TRUE(WriteAll(fd.get(), QByteArray("appended")));
        }
        return false;
    });
    EXPECT_EQ(grow.ShredItem(path).result, ShredResult::kChanged);
    EXPECT_TRUE(ReadFile(path).endsWith("appended"));
}

}  // namespace
