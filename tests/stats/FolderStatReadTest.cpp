// The statistics reading against `du` on the same tree, the rounding, the
// sort orders, folders that cannot be read and a reading stopped half-way.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <map>

#include "stats/FolderStatNode.h"
#include "support/NoDacOverride.h"
#include "support/TestDir.h"

namespace {

// The node at `path` below `root`, which was read from `rootPath`.
const FolderStatNode* FindNode(const FolderStatNode& root, const QByteArray& rootPath,
                               const QByteArray& path) {
    if (StatNodePath(root, rootPath) == path)
        return &root;
    for (const auto& child : root.children) {
        if (const FolderStatNode* found = FindNode(*child, rootPath, path))
            return found;
    }
    return nullptr;
}

// `du` with `options` over `path`: one figure per folder, by path.
std::map<QByteArray, std::uint64_t> Du(const QStringList& options, const QByteArray& path) {
    QProcess du;
    du.start(QStringLiteral("du"), options + QStringList{QString::fromUtf8(path)});
    EXPECT_TRUE(du.waitForFinished(30000));
    std::map<QByteArray, std::uint64_t> figures;
    // Names may hold newlines: du ends each record with a NUL under -0.
    for (const QByteArray& record : du.readAllStandardOutput().split('\0')) {
        const qsizetype tab = record.indexOf('\t');
        if (tab > 0)
            figures[record.mid(tab + 1)] = record.left(tab).toULongLong();
    }
    return figures;
}

struct FolderFacts {
    std::uint64_t ownSizes = 0;  // st_size of the folders themselves, this one included
    std::int64_t folders = 0;    // folders, this one included
};

// What `du` counts and the statistics leave out: the folders themselves.
FolderFacts FoldersBelow(const std::filesystem::path& path) {
    FolderFacts facts;
    struct stat st {};
    ::lstat(path.c_str(), &st);
    facts.ownSizes = std::uint64_t(st.st_size);
    facts.folders = 1;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        if (entry.is_directory() && !entry.is_symlink()) {
            const FolderFacts below = FoldersBelow(entry.path());
            facts.ownSizes += below.ownSizes;
            facts.folders += below.folders;
        }
    }
    return facts;
}

void ExpectConsistent(const FolderStatNode& node) {
    EXPECT_EQ(node.localSize, RoundToKilobytes(node.localBytes)) << node.name.toStdString();
    EXPECT_EQ(node.subFolders, std::int64_t(node.children.size()));
    std::uint64_t size = 0, bytes = 0;
    std::int64_t files = 0, folders = 0;
    for (const auto& child : node.children) {
        EXPECT_EQ(child->parent, &node);
        size += child->TotalSize();
        bytes += child->TotalBytes();
        files += child->ShownFiles();
        folders += child->ShownFolders();
        ExpectConsistent(*child);
    }
    EXPECT_EQ(node.descendantsSize, size) << node.name.toStdString();
    EXPECT_EQ(node.descendantsBytes, bytes);
    EXPECT_EQ(node.descendantFiles, files);
    EXPECT_EQ(node.descendantFolders, folders);
}

QByteArray Bytes(std::size_t count) {
    return QByteArray(qsizetype(count), 'x');
}

}  // namespace

TEST(FolderStatReadTest, TotalsOfEveryFolderMatchDuApparentSizes) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("top.txt", Bytes(3000)));
    ASSERT_TRUE(dir.MakeFile("a/one", Bytes(100)));
    ASSERT_TRUE(dir.MakeFile("a/two", Bytes(2000)));
    // A second name of the same file counts once, as du counts it.
    ASSERT_EQ(::link(dir.Join("a/two").constData(), dir.Join("a/two-again").constData()), 0);
    // A link counts as itself (its target's length), never as its target.
    ASSERT_TRUE(dir.MakeSymlink("a/to-two", "two"));
    ASSERT_TRUE(dir.MakeFile("a/deep/er/g", Bytes(511)));
    ASSERT_TRUE(dir.MakeSymlink("a/deep/loop", ".."));
    ASSERT_TRUE(dir.MakeFile("b/h", Bytes(512)));
    // A sparse file counts by its apparent size.
    ASSERT_TRUE(dir.MakeFile("b/sparse"));
    ASSERT_EQ(::truncate(dir.Join("b/sparse").constData(), 10 * 1024 * 1024 + 7), 0);
    ASSERT_TRUE(dir.MakeFolder("c-empty"));
    // The same file in two sibling sub-trees: counted in the first met.
    ASSERT_TRUE(dir.MakeFolder("d"));
    ASSERT_EQ(::link(dir.Join("b/h").constData(), dir.Join("d/h-link").constData()), 0);
    ASSERT_TRUE(dir.MakeFile("we\nird\xff/f", Bytes(1500)));

    const StatReading reading = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"));
    ASSERT_EQ(reading.result, StatReadResult::Success);
    ASSERT_TRUE(reading.root);
    ExpectConsistent(*reading.root);

    const QStringList common{QStringLiteral("-0"), QStringLiteral("--apparent-size")};
    const auto bytes = Du(common + QStringList{QStringLiteral("-B1")}, dir.PathBytes());
    const auto inodes = Du({QStringLiteral("-0"), QStringLiteral("--inodes")}, dir.PathBytes());
    ASSERT_EQ(bytes.size(), 8u);  // the root and its seven folders
    for (const auto& [path, duBytes] : bytes) {
        SCOPED_TRACE(path.toStdString());
        const FolderStatNode* node = FindNode(*reading.root, dir.PathBytes(), path);
        ASSERT_NE(node, nullptr);
        const FolderFacts folders = FoldersBelow(path.toStdString());
        EXPECT_EQ(node->TotalBytes(), duBytes - folders.ownSizes);
        EXPECT_EQ(node->ShownFiles(), std::int64_t(inodes.at(path)) - folders.folders);
        EXPECT_EQ(node->ShownFolders(), folders.folders - 1);
    }
    // The figures themselves, so a du that counted differently shows.
    const FolderStatNode* a = FindNode(*reading.root, dir.PathBytes(), dir.Join("a"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->localFiles, 3);
    EXPECT_EQ(a->localBytes, 100u + 2000u + 3u);
    EXPECT_EQ(a->ShownFolders(), 2);
}

TEST(FolderStatReadTest, SizesAreRoundedPerFolderAndSummedRounded) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("small/f", Bytes(511)));
    ASSERT_TRUE(dir.MakeFile("half/f", Bytes(512)));
    ASSERT_TRUE(dir.MakeFile("half2/f", Bytes(512)));
    ASSERT_TRUE(dir.MakeFile("big/f", Bytes(1535)));
    ASSERT_TRUE(dir.MakeFile("big/g", Bytes(1)));
    const StatReading reading = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"));
    ASSERT_EQ(reading.result, StatReadResult::Success);
    const FolderStatNode& root = *reading.root;
    auto size = [&](const char* name) {
        const FolderStatNode* node = FindNode(root, dir.PathBytes(), dir.Join(name));
        return node ? node->TotalSize() : ~0ull;
    };
    EXPECT_EQ(size("small"), 0u);
    EXPECT_EQ(size("half"), 1u);
    EXPECT_EQ(size("big"), 2u);  // 1536 bytes: 1.5 kB rounds up
    // 511 + 512 + 512 + 1536 = 3071 bytes, about 3 kB, but the parts say 4.
    EXPECT_EQ(root.TotalSize(), 4u);
    EXPECT_EQ(root.TotalBytes(), 3071u);
    EXPECT_EQ(root.localSize, 0u);

    EXPECT_EQ(RoundToKilobytes(0), 0u);
    EXPECT_EQ(RoundToKilobytes(511), 0u);
    EXPECT_EQ(RoundToKilobytes(512), 1u);
    EXPECT_EQ(RoundToKilobytes(~0ull), (~0ull) / 1024 + 1);
}

TEST(FolderStatReadTest, SizeTexts) {
    EXPECT_EQ(StatSizeText(0), QStringLiteral("0kB"));
    EXPECT_EQ(StatSizeText(1023), QStringLiteral("1023kB"));
    EXPECT_EQ(StatSizeText(1024), QStringLiteral("1024kB"));
    EXPECT_EQ(StatSizeText(1025), QStringLiteral("1MB"));
    EXPECT_EQ(StatSizeText(1536), QStringLiteral("1.5MB"));
    EXPECT_EQ(StatSizeText(2047), QStringLiteral("1.9MB"));  // cut, not rounded
    EXPECT_EQ(StatSizeText(1024ull * 1024 * 3 + 1024 * 512), QStringLiteral("3.5GB"));
    EXPECT_EQ(StatSizeText(1024ull * 1024 * 1024 * 5), QStringLiteral("5tB"));
    // Nothing beyond tB: the value just grows.
    EXPECT_EQ(StatSizeText(1024ull * 1024 * 1024 * 1024 * 2), QStringLiteral("2048tB"));
    EXPECT_EQ(StatSizeText(~0ull), QStringLiteral("17179869183.9tB"));
}

TEST(FolderStatReadTest, SortsByBytesOfTheNameOrByTotalSize) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("a/f", Bytes(5000)));
    ASSERT_TRUE(dir.MakeFile("B/f", Bytes(100)));
    ASSERT_TRUE(dir.MakeFile("Z/f", Bytes(9000)));
    ASSERT_TRUE(dir.MakeFile("Z/in/f", Bytes(9000)));
    ASSERT_TRUE(dir.MakeFile("Z/in2/f", Bytes(20000)));
    // Equal rounded sizes: the exact bytes decide.
    ASSERT_TRUE(dir.MakeFile("e1/f", Bytes(1100)));
    ASSERT_TRUE(dir.MakeFile("e2/f", Bytes(1200)));
    ASSERT_TRUE(dir.MakeFile("\xc3\xa9t\xc3\xa9/f", Bytes(1)));
    StatReading reading = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"));
    ASSERT_EQ(reading.result, StatReadResult::Success);
    auto names = [](const FolderStatNode& node) {
        QList<QByteArray> list;
        for (const auto& child : node.children) list.append(child->nameBytes);
        return list;
    };
    FolderStatNode& root = *reading.root;
    SortStatTree(root, StatSortOrder::ByName);
    EXPECT_EQ(names(root), (QList<QByteArray>{"B", "Z", "a", "e1", "e2", "\xc3\xa9t\xc3\xa9"}));
    SortStatTree(root, StatSortOrder::BySize);
    EXPECT_EQ(names(root), (QList<QByteArray>{"Z", "a", "e2", "e1", "B", "\xc3\xa9t\xc3\xa9"}));
    // Every level is sorted.
    EXPECT_EQ(names(*root.children[0]), (QList<QByteArray>{"in2", "in"}));
    SortStatTree(root, StatSortOrder::ByName);
    EXPECT_EQ(names(*root.children[1]), (QList<QByteArray>{"in", "in2"}));
}

TEST(FolderStatReadTest, AFolderThatRefusesEntryIsMarkedAndCountsNothing) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("open/f", Bytes(2048)));
    ASSERT_TRUE(dir.MakeFile("shut/secret", Bytes(4096)));
    ASSERT_TRUE(dir.MakeFile("shut/deeper/more", Bytes(4096)));
    ASSERT_TRUE(dir.SetMode("shut", 0));
    StatReading reading;
    {
        // Root is not kept out by a mode of 000 unless it gives up the power
        // on this thread, where the walk runs.
        ScopedNoDacOverride noOverride;
        reading = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"));
    }
    ASSERT_TRUE(dir.SetMode("shut", 0755));
    ASSERT_EQ(reading.result, StatReadResult::PartlyAccessible);
    const FolderStatNode* shut = FindNode(*reading.root, dir.PathBytes(), dir.Join("shut"));
    ASSERT_NE(shut, nullptr);
    EXPECT_TRUE(shut->notAccessible);
    EXPECT_EQ(shut->name, QStringLiteral("shut <NOT accessible>"));
    EXPECT_EQ(shut->TotalBytes(), 0u);
    EXPECT_EQ(shut->ShownFiles(), 0);
    EXPECT_TRUE(shut->children.empty());
    EXPECT_EQ(reading.root->TotalBytes(), 2048u);
    EXPECT_EQ(reading.root->ShownFolders(), 2);
    ExpectConsistent(*reading.root);
    // The text shows it as the window and the listing do.
    EXPECT_EQ(StatFolderText(*shut),
              QStringLiteral("0kB \"shut <NOT accessible>\": Sub-Folders=0, Files=0"));
}

TEST(FolderStatReadTest, ErrorsMet_DeniedMarksVanishedDropsOtherFails) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("x/denied/f", Bytes(10)));
    ASSERT_TRUE(dir.MakeFile("x/gone/f", Bytes(10)));
    ASSERT_TRUE(dir.MakeFile("x/kept/f", Bytes(10)));
    const QByteArray denied = dir.Join("x/denied");
    const QByteArray gone = dir.Join("x/gone");
    StatReadHooks hooks;
    hooks.enterError = [&](const QByteArray& path) {
        return path == denied ? EACCES : path == gone ? ENOENT : 0;
    };
    StatReading reading = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"), nullptr, hooks);
    ASSERT_EQ(reading.result, StatReadResult::PartlyAccessible);
    const FolderStatNode* x = FindNode(*reading.root, dir.PathBytes(), dir.Join("x"));
    ASSERT_NE(x, nullptr);
    QStringList names;
    for (const auto& child : x->children) names.append(child->name);
    names.sort();
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("denied <NOT accessible>"), QStringLiteral("kept")}));
    EXPECT_EQ(x->ShownFiles(), 1);
    EXPECT_EQ(x->subFolders, 2);
    ExpectConsistent(*reading.root);

    // A folder gone with no access problem left: the reading is whole.
    hooks.enterError = [&](const QByteArray& path) { return path == gone ? ENOENT : 0; };
    EXPECT_EQ(ReadFolderStats(dir.PathBytes(), QStringLiteral("root"), nullptr, hooks).result,
              StatReadResult::Success);

    // Any other error spoils the whole reading.
    hooks.enterError = [&](const QByteArray& path) { return path == gone ? EIO : 0; };
    reading = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"), nullptr, hooks);
    EXPECT_EQ(reading.result, StatReadResult::Failure);
    EXPECT_FALSE(reading.root);

    // So does a start folder that is not there.
    EXPECT_EQ(ReadFolderStats(dir.Join("nowhere"), QStringLiteral("root")).result,
              StatReadResult::Failure);
}

TEST(FolderStatReadTest, AStoppedReadingAddsUpAsFarAsItGot) {
    TestDir dir;
    for (int i = 0; i < 6; ++i) {
        for (int j = 0; j < 5; ++j) {
            const QByteArray name = "d" + QByteArray::number(i) + "/e" + QByteArray::number(j);
            ASSERT_TRUE(dir.MakeFile(name + "/f1", Bytes(700)));
            ASSERT_TRUE(dir.MakeFile(name + "/f2", Bytes(700)));
        }
    }
    const StatReading whole = ReadFolderStats(dir.PathBytes(), QStringLiteral("root"));
    ASSERT_EQ(whole.result, StatReadResult::Success);
    ASSERT_EQ(whole.root->ShownFiles(), 60);

    for (int stopAfter : {1, 7, 20, 50}) {
        SCOPED_TRACE(stopAfter);
        std::atomic<bool> stop{false};
        int entries = 0;
        StatReadHooks hooks;
        hooks.afterEntry = [&] {
            if (++entries == stopAfter)
                stop = true;
        };
        const StatReading part =
            ReadFolderStats(dir.PathBytes(), QStringLiteral("root"), &stop, hooks);
        ASSERT_EQ(part.result, StatReadResult::Interrupted);
        ASSERT_TRUE(part.root);
        ExpectConsistent(*part.root);
        EXPECT_LT(part.root->ShownFiles(), 60);
        EXPECT_EQ(part.root->TotalBytes(), std::uint64_t(part.root->ShownFiles()) * 700);
    }
}
