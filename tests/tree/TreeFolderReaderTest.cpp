// The tree's reading of a folder: folders only, in the folder's order, keys
// that match the ids the panes use, and no stat per entry.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

#include "pane/PaneTestSupport.h"
#include "platform/archive/ArchiveFolder.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/ShellNamespace.h"
#include "support/TestDir.h"
#include "tree/TreeFolderReader.h"

// Every stat of a path made by this process, while counting is on. The
// definitions below stand in front of the C library's, for the program's
// code and Qt's alike, and pass each call on to the kernel.
namespace {
std::atomic<bool> g_counting{false};
std::atomic<int> g_stats{0};

void CountStat() {
    if (g_counting.load(std::memory_order_relaxed))
        g_stats.fetch_add(1, std::memory_order_relaxed);
}

class StatCount {
public:
    StatCount() {
        g_stats = 0;
        g_counting = true;
    }
    ~StatCount() { g_counting = false; }
    int Count() const { return g_stats.load(); }
};
}  // namespace

extern "C" {
int statx(int dirfd, const char* path, int flags, unsigned int mask, struct statx* buf) {
    CountStat();
    return int(::syscall(SYS_statx, dirfd, path, flags, mask, buf));
}
int fstatat(int dirfd, const char* path, struct stat* buf, int flags) {
    CountStat();
    return int(::syscall(SYS_newfstatat, dirfd, path, buf, flags));
}
int fstatat64(int dirfd, const char* path, struct stat64* buf, int flags) {
    CountStat();
    return int(::syscall(SYS_newfstatat, dirfd, path, buf, flags));
}
int stat(const char* path, struct stat* buf) {
    CountStat();
    return int(::syscall(SYS_newfstatat, AT_FDCWD, path, buf, 0));
}
int lstat(const char* path, struct stat* buf) {
    CountStat();
    return int(::syscall(SYS_newfstatat, AT_FDCWD, path, buf, AT_SYMLINK_NOFOLLOW));
}
int stat64(const char* path, struct stat64* buf) {
    CountStat();
    return int(::syscall(SYS_newfstatat, AT_FDCWD, path, buf, 0));
}
int lstat64(const char* path, struct stat64* buf) {
    CountStat();
    return int(::syscall(SYS_newfstatat, AT_FDCWD, path, buf, AT_SYMLINK_NOFOLLOW));
}
}

namespace {

class TreeFolderReaderTest : public RealShellTest {
protected:
    static QStringList Names(const TreeListing& listing) {
        QStringList names;
        for (const TreeEntry& entry : listing.entries) names << entry.displayName;
        return names;
    }
    TestDir dir;
};

TEST_F(TreeFolderReaderTest, ListsFoldersAndArchivesOnlyInTheFoldersOrder) {
    ASSERT_TRUE(dir.MakeFolder("beta"));
    ASSERT_TRUE(dir.MakeFolder("Alpha"));
    ASSERT_TRUE(dir.MakeFolder("gamma/inner"));
    ASSERT_TRUE(dir.MakeFolder(".hidden"));
    ASSERT_TRUE(dir.MakeFile("file.txt", "x"));
    ASSERT_TRUE(dir.MakeSymlink("link-to-beta", "beta"));
    ASSERT_TRUE(WriteTestArchive(dir.Join("pack.zip"), "zip", "none",
                                 {{"docs/", {}, TestEntry::Folder}, {"docs/a.txt", "a"}}));

    const TreeListing shown = ReadTreeFolder(ParsePath(dir.Path()), false);
    ASSERT_TRUE(shown.ok);
    EXPECT_TRUE(shown.fileSystem);
    EXPECT_EQ(shown.path, dir.Path());
    // Case-blind name order, as the panes sort; no file, no link; the
    // archive is a folder of the tree.
    EXPECT_EQ(Names(shown), QStringList({"Alpha", "beta", "gamma", "pack.zip"}));
    for (const TreeEntry& entry : shown.entries) {
        EXPECT_TRUE(entry.attributes & SFGAO_FOLDER) << entry.displayName.toStdString();
        // The key of an entry is the key of the id a pane has for it.
        const IdList parsed = ParsePath(dir.Path() + QLatin1Char('/') + entry.displayName);
        ASSERT_FALSE(parsed.IsNull());
        EXPECT_EQ(entry.key, TreeItemKey(parsed.LastPayload())) << entry.displayName.toStdString();
    }
    EXPECT_TRUE(shown.entries[2].attributes & SFGAO_HASSUBFOLDER);

    const TreeListing all = ReadTreeFolder(ParsePath(dir.Path()), true);
    EXPECT_EQ(Names(all), QStringList({".hidden", "Alpha", "beta", "gamma", "pack.zip"}));

    // Inside the archive: its folder entries.
    const TreeListing inside = ReadTreeFolder(ParsePath(dir.Path() + "/pack.zip"), false);
    ASSERT_TRUE(inside.ok);
    EXPECT_FALSE(inside.fileSystem);
    EXPECT_EQ(Names(inside), QStringList({"docs"}));
}

TEST_F(TreeFolderReaderTest, AFolderThatCannotBeReadFails) {
    const TreeListing missing = ReadTreeFolder(ParsePath(dir.Path() + "/nowhere"), true);
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(ReadTreeFolder(IdList(), true).ok);

    ASSERT_TRUE(dir.MakeFolder("locked/sub"));
    ASSERT_TRUE(dir.SetMode("locked", 0));
    const IdList locked = ParsePath(dir.Path() + "/locked");
    {
        const ScopedNoDacOverride noOverride;  // tests run as root here
        EXPECT_FALSE(ReadTreeFolder(locked, true).ok);
    }
    ASSERT_TRUE(dir.SetMode("locked", 0755));
}

TEST_F(TreeFolderReaderTest, DesktopAndComputerAreReadThroughTheirPlaces) {
    const TreeListing desktop = ReadTreeFolder(IdList::Empty(), false);
    ASSERT_TRUE(desktop.ok);
    EXPECT_FALSE(desktop.fileSystem);
    const QStringList names = Names(desktop);
    EXPECT_TRUE(names.contains("Computer"));
    EXPECT_TRUE(names.contains("Home"));
    EXPECT_TRUE(names.contains("Trash"));

    const IdList computer = SHGetSpecialFolderLocation(CSIDL_DRIVES);
    const TreeListing volumes = ReadTreeFolder(computer, false);
    ASSERT_TRUE(volumes.ok);
    ASSERT_FALSE(volumes.entries.empty());
    // The volume that holds the test folder is the first component below
    // Computer of the folder's id.
    const IdList here = ParsePath(dir.Path());
    const QByteArray volumeKey = TreeItemKey(here.ItemPayload(1));
    bool found = false;
    for (const TreeEntry& entry : volumes.entries) found = found || entry.key == volumeKey;
    EXPECT_TRUE(found);
}

TEST_F(TreeFolderReaderTest, TenThousandSubFoldersAreListedWithoutAStatPerEntry) {
    constexpr int kFolders = 10000;
    for (int i = 0; i < kFolders; ++i)
        ASSERT_EQ(::mkdir(dir.Join("d" + QByteArray::number(i)).constData(), 0755), 0);
    ASSERT_TRUE(dir.MakeFile("plain.txt", "p"));
    const IdList folder = ParsePath(dir.Path());

    // The counter sees the stats of an ordinary enumeration (one per entry),
    // so it would see the tree's too.
    {
        std::unique_ptr<ShellFolder> bound = SHGetDesktopFolder()->BindToObject(folder);
        ASSERT_TRUE(bound);
        const StatCount count;
        std::unique_ptr<EnumIdList> items = bound->EnumObjects(SHCONTF_FOLDERS);
        ASSERT_TRUE(items);
        IdList item;
        int listed = 0;
        while (items->Next(item) == EnumIdList::Result::Item) ++listed;
        EXPECT_EQ(listed, kFolders);
        EXPECT_GE(count.Count(), kFolders);
    }

    const StatCount count;
    const TreeListing listing = ReadTreeFolder(folder, true);
    const int stats = count.Count();
    ASSERT_TRUE(listing.ok);
    EXPECT_EQ(int(listing.entries.size()), kFolders);
    // Binding the folder and its attributes cost a few; nothing per entry.
    EXPECT_LT(stats, 50);
    // Sorted by name, case-blind and by number of characters as the
    // folder compares: "d0" first, and every name once.
    EXPECT_EQ(listing.entries.front().displayName, "d0");
    QSet<QString> names;
    for (const TreeEntry& entry : listing.entries) names.insert(entry.displayName);
    EXPECT_EQ(names.size(), kFolders);
}

}  // namespace
