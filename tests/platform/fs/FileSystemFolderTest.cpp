#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <map>

#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellIdArray.h"
#include "support/NoDacOverride.h"
#include "support/TestDir.h"

namespace {

struct Listed {
    IdList id;
    std::uint32_t attributes = 0;
    FindData data;
};

// Enumerates with `flags` and returns the entries by their name bytes.
std::map<QByteArray, Listed> List(ShellFolder& folder, std::uint32_t flags) {
    std::map<QByteArray, Listed> out;
    auto e = folder.EnumObjects(flags);
    EXPECT_TRUE(e);
    if (!e)
        return out;
    IdList id;
    while (e->Next(id) == EnumIdList::Result::Item) {
        Listed l;
        l.id = id;
        l.attributes = ~0u;
        EXPECT_TRUE(folder.GetAttributesOf(std::span(&id, 1), l.attributes));
        l.data = folder.GetFindData(id).value_or(FindData());
        out[NameToBytes(l.data.name)] = l;
    }
    return out;
}

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

class FileSystemFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.MakeFile("readme", "lower", 1000000000));
        ASSERT_TRUE(dir.MakeFile("README", "UPPER!"));
        ASSERT_TRUE(dir.MakeFile(".hidden", "h"));
        ASSERT_TRUE(dir.MakeFolder("sub"));
        ASSERT_TRUE(dir.MakeFolder(".hiddendir"));
        ASSERT_TRUE(dir.MakeFile("sub/inner.txt", "inner"));
        ASSERT_TRUE(dir.MakeSymlink("to-sub", "sub"));
        ASSERT_TRUE(dir.MakeSymlink("dangling", "nowhere"));
        ASSERT_TRUE(dir.MakeFile("odd\xFF\xFEname", "bytes"));
        ASSERT_TRUE(dir.MakeFile("run.bin", "#!"));
        ASSERT_TRUE(dir.SetMode("run.bin", 0755));
    }

    FileSystemFolder Folder() { return FileSystemFolder(dir.Path(), IdList::Empty()); }

    TestDir dir;
};

}  // namespace

TEST_F(FileSystemFolderTest, EnumerationHonoursTheFlagsAndCarriesStatData) {
    FileSystemFolder folder = Folder();
    auto all = List(folder, kAll);
    EXPECT_EQ(all.size(), 9u);

    auto visible = List(folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    EXPECT_EQ(visible.size(), 7u);
    EXPECT_FALSE(visible.count(".hidden"));
    EXPECT_FALSE(visible.count(".hiddendir"));

    auto folders = List(folder, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN);
    ASSERT_EQ(folders.size(), 2u);  // links to folders are not folders
    EXPECT_TRUE(folders.count("sub") && folders.count(".hiddendir"));

    auto files = List(folder, SHCONTF_NONFOLDERS);
    EXPECT_EQ(files.size(), 6u);
    EXPECT_FALSE(files.count("sub"));
    EXPECT_TRUE(files.count("to-sub"));

    // Case-only twins are two entries with their own data.
    ASSERT_TRUE(all.count("readme") && all.count("README"));
    EXPECT_EQ(all["readme"].data.size, 5u);
    EXPECT_EQ(all["README"].data.size, 6u);
    EXPECT_NE(folder.CompareIDs(0, all["readme"].id, all["README"].id), 0);
    EXPECT_EQ(folder.CompareIDs(0, all["readme"].id, all["readme"].id), 0);
    EXPECT_EQ(all["readme"].data.times[kTimeModified], FileTimeFromTimespec(1000000000, 0));

    // Attributes.
    const std::uint32_t caps = FileSystemFolder::kCapabilities;
    EXPECT_EQ(all["sub"].attributes, SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                                         SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET | caps);
    EXPECT_EQ(all["readme"].attributes, SFGAO_FILESYSTEM | SFGAO_STREAM | caps);
    EXPECT_TRUE(all[".hidden"].attributes & SFGAO_HIDDEN);
    EXPECT_TRUE(all[".hiddendir"].attributes & SFGAO_HIDDEN);
    EXPECT_TRUE(all["to-sub"].attributes & SFGAO_LINK);
    EXPECT_FALSE(all["to-sub"].attributes & SFGAO_FOLDER);
    EXPECT_TRUE(S_ISLNK(all["to-sub"].data.mode));
    EXPECT_TRUE(all["dangling"].attributes & SFGAO_LINK);
    EXPECT_EQ(all["sub"].data.size, 0u);  // folders have no size

    // The directory entries themselves never show up.
    EXPECT_FALSE(all.count(".") || all.count(".."));
}

TEST_F(FileSystemFolderTest, ANameThatIsNotUtf8IsKeptAsItsBytes) {
    FileSystemFolder folder = Folder();
    auto all = List(folder, kAll);
    const QByteArray odd = "odd\xFF\xFEname";
    ASSERT_TRUE(all.count(odd));
    const IdList id = all[odd].id;

    // For display the bad bytes are replacement characters; for parsing the
    // name and the path are lossless.
    const QString shown = *folder.GetDisplayNameOf(id, SHGDN_INFOLDER);
    EXPECT_TRUE(shown.contains(QChar(0xFFFD)));
    EXPECT_EQ(NameToBytes(*folder.GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_FORPARSING)), odd);
    const QString path = *folder.GetDisplayNameOf(id, SHGDN_FORPARSING);
    EXPECT_EQ(NameToBytes(path), dir.Join(odd));
    EXPECT_TRUE(StatEntry(path));

    // Parsed back by its exact name, and renamed by it.
    const IdList parsed = folder.ParseDisplayName(NameFromBytes(odd));
    ASSERT_FALSE(parsed.IsNull());
    EXPECT_EQ(folder.CompareIDs(0, parsed, id), 0);
    const IdList renamed = folder.SetNameOf(id, NameFromBytes("still\xFF"), 0);
    ASSERT_FALSE(renamed.IsNull());
    EXPECT_TRUE(dir.Exists("still\xFF"));
    EXPECT_FALSE(dir.Exists(odd));
    EXPECT_EQ(dir.Read("still\xFF"), "bytes");
}

TEST_F(FileSystemFolderTest, RenameNeverOverwritesAndRefusesBadNames) {
    FileSystemFolder folder = Folder();
    const IdList readme = folder.ParseDisplayName("readme");
    ASSERT_FALSE(readme.IsNull());
    EXPECT_TRUE(folder.SetNameOf(readme, "README", 0).IsNull());  // exists: the twin
    EXPECT_TRUE(folder.SetNameOf(readme, "sub", 0).IsNull());
    EXPECT_TRUE(folder.SetNameOf(readme, "dangling", 0).IsNull());  // even a dangling link
    EXPECT_TRUE(folder.SetNameOf(readme, "", 0).IsNull());
    EXPECT_TRUE(folder.SetNameOf(readme, "a/b", 0).IsNull());
    EXPECT_TRUE(folder.SetNameOf(readme, "..", 0).IsNull());
    EXPECT_EQ(dir.Read("readme"), "lower");
    EXPECT_EQ(dir.Read("README"), "UPPER!");

    const IdList moved = folder.SetNameOf(readme, "Readme.md", 0);
    ASSERT_FALSE(moved.IsNull());
    EXPECT_EQ(folder.GetDisplayNameOf(moved, SHGDN_INFOLDER), QStringLiteral("Readme.md"));
    EXPECT_EQ(folder.GetFindData(moved)->size, 5u);
    EXPECT_EQ(dir.Read("Readme.md"), "lower");
    EXPECT_FALSE(dir.Exists("readme"));
}

TEST_F(FileSystemFolderTest, ParseBindAndNamesOfNestedItems) {
    FileSystemFolder folder = Folder();
    const IdList inner = folder.ParseDisplayName("sub/inner.txt");
    ASSERT_EQ(inner.Count(), 2);
    EXPECT_EQ(folder.GetDisplayNameOf(inner, SHGDN_FORPARSING), dir.Path() + "/sub/inner.txt");
    EXPECT_EQ(folder.GetFindData(inner)->size, 5u);
    EXPECT_TRUE(folder.ParseDisplayName("sub/../readme").IsNull());
    EXPECT_TRUE(folder.ParseDisplayName("./readme").IsNull());
    EXPECT_TRUE(folder.ParseDisplayName("missing").IsNull());
    EXPECT_TRUE(folder.ParseDisplayName(dir.Path()).IsNull());  // absolute: not ours

    auto sub = folder.BindToObject(inner.Trim(1));
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->GetDisplayNameOf(IdList::Empty(), SHGDN_FORPARSING), dir.Path() + "/sub");
    EXPECT_EQ(List(*sub, kAll).size(), 1u);
    EXPECT_FALSE(folder.BindToObject(inner));                             // a file is no folder
    EXPECT_TRUE(folder.BindToObject(folder.ParseDisplayName("to-sub")));  // links are followed
    EXPECT_FALSE(folder.BindToObject(folder.ParseDisplayName("dangling")));
    EXPECT_FALSE(folder.BindToObject(IdList::Empty()));
}

TEST_F(FileSystemFolderTest, VanishedFoldersAndNonFoldersFailCleanly) {
    FileSystemFolder gone(dir.Path() + "/no-such-folder", IdList::Empty());
    EXPECT_FALSE(gone.EnumObjects(kAll));
    std::uint32_t bits = ~0u;
    EXPECT_FALSE(gone.GetAttributesOf({}, bits));
    EXPECT_TRUE(gone.ParseDisplayName("x").IsNull());
    FileSystemFolder file(dir.Path() + "/readme", IdList::Empty());
    EXPECT_FALSE(file.EnumObjects(kAll));

    // A folder removed after its enumeration began ends it without a crash.
    ASSERT_TRUE(dir.MakeFolder("brief"));
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(dir.MakeFile("brief/f" + QByteArray::number(i)));
    FileSystemFolder brief(dir.Path() + "/brief", IdList::Empty());
    auto e = brief.EnumObjects(kAll);
    ASSERT_TRUE(e);
    ASSERT_EQ(std::system(("rm -rf '" + dir.Join("brief") + "'").constData()), 0);
    IdList id;
    int n = 0;
    while (e->Next(id) == EnumIdList::Result::Item) ++n;
    EXPECT_LE(n, 50);
}

TEST_F(FileSystemFolderTest, UnreadableFolderFailsToEnumerate) {
    ScopedNoDacOverride asUser;
    ASSERT_TRUE(dir.MakeFolder("locked"));
    ASSERT_TRUE(dir.MakeFile("locked/secret", "x"));
    ASSERT_TRUE(dir.SetMode("locked", 0));
    FileSystemFolder folder = Folder();
    auto locked = folder.BindToObject(folder.ParseDisplayName("locked"));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(locked->EnumObjects(kAll));
}

TEST_F(FileSystemFolderTest, ReadOnlyIsReportedWhenAsked) {
    ScopedNoDacOverride asUser;
    ASSERT_TRUE(dir.SetMode("README", 0444));
    FileSystemFolder folder = Folder();
    const IdList id = folder.ParseDisplayName("README");
    std::uint32_t bits = SFGAO_READONLY | SFGAO_STREAM;
    ASSERT_TRUE(folder.GetAttributesOf(std::span(&id, 1), bits));
    EXPECT_EQ(bits, SFGAO_READONLY | SFGAO_STREAM);
    const IdList writable = folder.ParseDisplayName("readme");
    bits = SFGAO_READONLY;
    ASSERT_TRUE(folder.GetAttributesOf(std::span(&writable, 1), bits));
    EXPECT_EQ(bits, 0u);
}

TEST_F(FileSystemFolderTest, CompareByColumnsPutsFoldersFirst) {
    ASSERT_TRUE(dir.MakeFile("a.zzz", "1234567890", 2000000000));
    ASSERT_TRUE(dir.MakeFile("b.aaa", "1", 1500000000));
    FileSystemFolder folder = Folder();
    const IdList a = folder.ParseDisplayName("a.zzz");
    const IdList b = folder.ParseDisplayName("b.aaa");
    const IdList sub = folder.ParseDisplayName("sub");
    EXPECT_LT(folder.CompareIDs(0, a, b), 0);
    EXPECT_GT(folder.CompareIDs(1, a, b), 0);  // bigger
    EXPECT_GT(folder.CompareIDs(2, a, b), 0);  // "zzz" after "aaa"
    EXPECT_GT(folder.CompareIDs(3, a, b), 0);  // newer
    for (int column = 0; column < 4; ++column) {
        EXPECT_LT(folder.CompareIDs(column, sub, b), 0) << column;
    }
    // Case-blind first: "readme" sorts with "README", before "run.bin".
    const IdList lower = folder.ParseDisplayName("readme");
    const IdList run = folder.ParseDisplayName("run.bin");
    const IdList upper = folder.ParseDisplayName("README");
    EXPECT_LT(folder.CompareIDs(0, upper, run), 0);
    EXPECT_LT(folder.CompareIDs(0, lower, run), 0);
}

TEST_F(FileSystemFolderTest, DataObjectAndInfoTip) {
    FileSystemFolder folder(dir.Path(), IdList::Empty());
    const std::vector<IdList> items = {folder.ParseDisplayName("readme"),
                                       folder.ParseDisplayName(NameFromBytes("odd\xFF\xFEname"))};
    auto data = folder.GetDataObject(items);
    ASSERT_TRUE(data);
    const QByteArray uris = data->GetData(ClipFormats::kUriList);
    EXPECT_TRUE(uris.startsWith("file://"));
    EXPECT_TRUE(uris.contains("/readme\r\n"));
    EXPECT_TRUE(uris.contains("odd%FF%FEname\r\n")) << uris.constData();
    EXPECT_EQ(data->GetData(ClipFormats::kText).split('\n').value(1), dir.Join("odd\xFF\xFEname"));
    const auto cida = DecodeShellIdArray(data->GetData(ClipFormats::kShellIdList));
    ASSERT_TRUE(cida);
    ASSERT_EQ(cida->items.size(), 2u);
    EXPECT_EQ(cida->items[1], items[1]);

    const auto tip = folder.GetInfoTip(items[0]);
    ASSERT_TRUE(tip);
    EXPECT_TRUE(tip->contains("Kind: "));
    EXPECT_TRUE(tip->contains("Size: "));
    EXPECT_TRUE(tip->contains("Modified: "));
    const auto folderTip = folder.GetInfoTip(folder.ParseDisplayName("sub"));
    EXPECT_FALSE(folderTip->contains("Size: "));
}

TEST(FileSystem, StatEntryGivesBirthTimeOrZeroAndLinkData) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("f", "abc"));
    ASSERT_TRUE(dir.MakeSymlink("l", "f"));
    const auto f = StatEntry(dir.Join("f"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->name, QStringLiteral("f"));
    EXPECT_EQ(f->size, 3u);
    EXPECT_NE(f->times[kTimeModified], 0u);
    // Where the file system records a birth time it is never after the
    // modification; where it has none it is 0.
    if (f->times[kTimeCreated]) {
        EXPECT_LE(f->times[kTimeCreated], f->times[kTimeModified]);
    }
    const auto l = StatEntry(dir.Join("l"));
    ASSERT_TRUE(l);
    EXPECT_TRUE(S_ISLNK(l->mode));
    EXPECT_EQ(ReadLink(dir.Join("l")), QByteArray("f"));
    EXPECT_FALSE(ReadLink(dir.Join("f")));
    EXPECT_FALSE(StatEntry(dir.Join("missing")));
    EXPECT_TRUE(FreeSpace(dir.PathBytes()));
    EXPECT_FALSE(FreeSpace(dir.Join("missing")));
}

// A tree lists what has SFGAO_FOLDER, a file list what is a stream:
// archives are both, so each listing shows them as the attributes say.
TEST_F(FileSystemFolderTest, ArchivesAreListedWithFoldersAndWithFiles) {
    ASSERT_TRUE(dir.MakeFile("pack.zip", "not read here"));
    ASSERT_TRUE(dir.MakeFile("bundle.tar.gz", "x"));
    ASSERT_TRUE(dir.MakeFolder("named.zip"));  // a folder, whatever its name
    FileSystemFolder folder = Folder();
    const auto folders = List(folder, SHCONTF_FOLDERS);
    const auto files = List(folder, SHCONTF_NONFOLDERS);
    const auto both = List(folder, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS);
    for (const QByteArray& archive : {QByteArray("pack.zip"), QByteArray("bundle.tar.gz")}) {
        ASSERT_TRUE(folders.count(archive)) << archive.constData();
        EXPECT_TRUE(files.count(archive)) << archive.constData();
        EXPECT_EQ(folders.at(archive).attributes & (SFGAO_FOLDER | SFGAO_STREAM),
                  std::uint32_t(SFGAO_FOLDER | SFGAO_STREAM));
    }
    EXPECT_TRUE(folders.count("named.zip") && !files.count("named.zip"));
    EXPECT_FALSE(folders.count("readme"));  // plain files stay out of a tree
    for (const auto& [name, item] : folders) {
        EXPECT_TRUE(item.attributes & SFGAO_FOLDER) << name.constData();
    }
    for (const auto& [name, item] : files) {
        EXPECT_TRUE(item.attributes & SFGAO_STREAM || item.attributes & SFGAO_LINK)
            << name.constData();
    }
    // With both flags every entry comes once.
    EXPECT_EQ(both.size(),
              List(folder, SHCONTF_FOLDERS).size() + List(folder, SHCONTF_NONFOLDERS).size() - 2);
}
