#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QSet>
#include <atomic>
#include <functional>

#include "platform/walk/TreeWalker.h"
#include "support/NoDacOverride.h"
#include "support/TestDir.h"

namespace {

// Records what the walk reports, and checks as it goes that folders are
// entered and left in a properly nested way.
struct Recorder : WalkVisitor {
    QList<QByteArray> entries;  // paths relative to the start
    QList<int> depths;
    QList<QByteArray> folderStack;
    QList<QByteArray> entered;
    QList<QPair<QByteArray, int>> errors;
    QByteArray start;
    bool nestingBroken = false;
    std::function<bool(WalkEntry&)> onEntry;

    QByteArray Relative(const QByteArray& path) const {
        return path == start ? QByteArray(".") : path.mid(start.size() + 1);
    }
    bool Entry(WalkEntry& entry) override {
        const QByteArray path = entry.Path();
        if (folderStack.isEmpty() || entry.FolderPath() != folderStack.last())
            nestingBroken = true;
        entries.append(Relative(path));
        depths.append(entry.Depth());
        return onEntry ? onEntry(entry) : true;
    }
    void EnterFolder(const QByteArray& path, int depth) override {
        if (depth != folderStack.size())
            nestingBroken = true;
        folderStack.append(path);
        entered.append(Relative(path));
    }
    void LeaveFolder(const QByteArray& path, int depth) override {
        if (folderStack.isEmpty() || folderStack.last() != path || depth != folderStack.size() - 1)
            nestingBroken = true;
        else
            folderStack.removeLast();
    }
    void FolderError(const QByteArray& path, int, int error) override {
        errors.append({Relative(path), error});
    }
};

QSet<QByteArray> AsSet(const QList<QByteArray>& list) {
    return QSet<QByteArray>(list.begin(), list.end());
}

}  // namespace

TEST(TreeWalkerTest, ReportsEveryEntryOnceWithItsDepthAndNestsFolders) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a.txt", "x"));
    ASSERT_TRUE(dir.MakeFile("sub/b.txt", "yy"));
    ASSERT_TRUE(dir.MakeFile("sub/deeper/c.txt"));
    ASSERT_TRUE(dir.MakeFolder("empty"));
    Recorder rec;
    rec.start = dir.PathBytes();
    TreeWalker walker;
    EXPECT_EQ(walker.Walk(rec.start, rec), WalkResult::Done);
    EXPECT_EQ(AsSet(rec.entries), (QSet<QByteArray>{"a.txt", "sub", "sub/b.txt", "sub/deeper",
                                                    "sub/deeper/c.txt", "empty"}));
    EXPECT_EQ(rec.entries.size(), 6);
    EXPECT_EQ(rec.depths.at(rec.entries.indexOf("sub/deeper/c.txt")), 3);
    EXPECT_EQ(rec.depths.at(rec.entries.indexOf("a.txt")), 1);
    // The start folder's own entries all come before anything below them.
    EXPECT_LT(rec.entries.indexOf("empty"), rec.entries.indexOf("sub/b.txt"));
    EXPECT_LT(rec.entries.indexOf("a.txt"), rec.entries.indexOf("sub/b.txt"));
    EXPECT_EQ(AsSet(rec.entered), (QSet<QByteArray>{".", "sub", "sub/deeper", "empty"}));
    EXPECT_FALSE(rec.nestingBroken);
    EXPECT_TRUE(rec.folderStack.isEmpty());
    EXPECT_TRUE(rec.errors.isEmpty());
    EXPECT_EQ(walker.EntriesSeen(), 6u);
    EXPECT_EQ(walker.FoldersEntered(), 4u);
}

TEST(TreeWalkerTest, KeepsOddNamesAsBytesAndStatsOnRequest) {
    TestDir dir;
    const QByteArray newline("line\nbreak");
    const QByteArray latin1("caf\xe9");  // not valid UTF-8
    ASSERT_TRUE(dir.MakeFile("d/" + newline, "12345"));
    ASSERT_TRUE(dir.MakeFile("d/" + latin1));
    Recorder rec;
    rec.start = dir.PathBytes();
    qint64 newlineSize = -1;
    rec.onEntry = [&](WalkEntry& e) {
        if (e.NameBytes() == newline && e.Stat())
            newlineSize = e.Stat()->st_size;
        return true;
    };
    ASSERT_EQ(TreeWalker().Walk(rec.start, rec), WalkResult::Done);
    EXPECT_TRUE(rec.entries.contains("d/" + newline));
    EXPECT_TRUE(rec.entries.contains("d/" + latin1));
    EXPECT_EQ(newlineSize, 5);
}

TEST(TreeWalkerTest, NeverFollowsLinksIntoFolders) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("real/file"));
    ASSERT_TRUE(dir.MakeSymlink("real/up", ".."));            // a loop through a link
    ASSERT_TRUE(dir.MakeSymlink("elsewhere", "/usr/share"));  // a big tree elsewhere
    Recorder rec;
    rec.start = dir.PathBytes();
    bool linkSeenAsFolder = false;
    rec.onEntry = [&](WalkEntry& e) {
        if (e.IsSymlink() && e.IsFolder())
            linkSeenAsFolder = true;
        return true;
    };
    ASSERT_EQ(TreeWalker().Walk(rec.start, rec), WalkResult::Done);
    EXPECT_EQ(AsSet(rec.entries), (QSet<QByteArray>{"real", "real/file", "real/up", "elsewhere"}));
    EXPECT_FALSE(linkSeenAsFolder);
}

TEST(TreeWalkerTest, EntersAFolderOnlyOnceSoABindMountLoopEnds) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("top/f"));
    ASSERT_TRUE(dir.MakeFolder("top/inner/loop"));
    const QByteArray target = dir.Join("top/inner/loop");
    if (::mount(dir.Join("top").constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "bind mounts are not allowed here: " << strerror(errno);
    Recorder rec;
    rec.start = dir.PathBytes();
    const WalkResult result = TreeWalker().Walk(rec.start, rec);
    ::umount2(target.constData(), MNT_DETACH);
    ASSERT_EQ(result, WalkResult::Done);
    // The loop's contents are reported once, through whichever path came
    // first, and the walk ends.
    EXPECT_EQ(rec.entries.count("top/f"), 1);
    EXPECT_LE(rec.entries.size(), 6);
    EXPECT_FALSE(rec.nestingBroken);
}

TEST(TreeWalkerTest, RefusedFoldersAndDepthLimitAreNotEntered) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("skip/hidden"));
    ASSERT_TRUE(dir.MakeFile("keep/one/two"));
    Recorder rec;
    rec.start = dir.PathBytes();
    rec.onEntry = [](WalkEntry& e) { return e.Name() != "skip"; };
    WalkOptions options;
    options.maxDepth = 2;
    ASSERT_EQ(TreeWalker().Walk(rec.start, rec, options), WalkResult::Done);
    EXPECT_EQ(AsSet(rec.entries), (QSet<QByteArray>{"skip", "keep", "keep/one"}));
}

TEST(TreeWalkerTest, FolderRemovedOrUnreadableDuringTheWalkIsReportedAndTheRestGoesOn) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a/file"));
    ASSERT_TRUE(dir.MakeFile("gone/file"));
    ASSERT_TRUE(dir.MakeFile("locked/secret"));
    ASSERT_TRUE(dir.MakeFile("z/file"));
    ASSERT_TRUE(dir.SetMode("locked", 0));
    Recorder rec;
    rec.start = dir.PathBytes();
    bool removed = false;
    rec.onEntry = [&](WalkEntry&) {
        if (!removed)
            removed = QDir(QString::fromUtf8(dir.Join("gone"))).removeRecursively();
        return true;
    };
    WalkResult result;
    {
        ScopedNoDacOverride noOverride;
        result = TreeWalker().Walk(rec.start, rec);
    }
    dir.SetMode("locked", 0700);
    ASSERT_TRUE(removed);
    EXPECT_EQ(result, WalkResult::Done);
    EXPECT_TRUE(rec.entries.contains("a/file"));
    EXPECT_TRUE(rec.entries.contains("z/file"));
    EXPECT_FALSE(rec.entries.contains("locked/secret"));
    QSet<QByteArray> failed;
    for (const auto& [path, error] : rec.errors) failed.insert(path);
    // "gone" may have been read before it went, depending on the order of the
    // directory; when it was not, it is an error, never a silent hole.
    if (!rec.entries.contains("gone/file")) {
        EXPECT_TRUE(failed.contains("gone"));
    }
    EXPECT_TRUE(failed.contains("locked"));
    EXPECT_FALSE(rec.nestingBroken);
    EXPECT_TRUE(rec.folderStack.isEmpty());
}

TEST(TreeWalkerTest, StopsSoonAndLeavesEveryFolderItEntered) {
    TestDir dir;
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(dir.MakeFile("d" + QByteArray::number(i) + "/f"));
    std::atomic<bool> stop{false};
    Recorder rec;
    rec.start = dir.PathBytes();
    rec.onEntry = [&](WalkEntry& e) {
        if (e.Depth() == 2)
            stop = true;
        return true;
    };
    TreeWalker walker(&stop);
    EXPECT_EQ(walker.Walk(rec.start, rec), WalkResult::Stopped);
    EXPECT_EQ(rec.entries.size(), 51);  // the 50 folders, then the first file below
    EXPECT_FALSE(rec.nestingBroken);
    EXPECT_TRUE(rec.folderStack.isEmpty());
}

TEST(TreeWalkerTest, WalksBelowTheDepthWhereDescriptorsAreLetGo) {
    TestDir dir;
    QByteArray deep;
    for (int i = 0; i < 300; ++i) deep += "d/";
    ASSERT_TRUE(dir.MakeFile(deep + "leaf"));
    Recorder rec;
    rec.start = dir.PathBytes();
    ASSERT_EQ(TreeWalker().Walk(rec.start, rec), WalkResult::Done);
    EXPECT_EQ(rec.entries.size(), 301);
    EXPECT_TRUE(rec.entries.contains(deep + "leaf"));
    EXPECT_TRUE(rec.errors.isEmpty());
}

TEST(TreeWalkerTest, AMissingStartIsNoStart) {
    TestDir dir;
    Recorder rec;
    rec.start = dir.Join("absent");
    EXPECT_EQ(TreeWalker().Walk(rec.start, rec), WalkResult::NoStart);
    EXPECT_TRUE(rec.entries.isEmpty());
    EXPECT_TRUE(rec.entered.isEmpty());
}
