#include <gtest/gtest.h>

#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ShellIdArray.h"
#include "support/FakeShell.h"

namespace {

std::vector<QString> Names(ShellFolder& folder, std::uint32_t flags) {
    std::vector<QString> out;
    auto e = folder.EnumObjects(flags);
    if (!e)
        return out;
    IdList id;
    while (e->Next(id) == EnumIdList::Result::Item) {
        out.push_back(*folder.GetDisplayNameOf(id, SHGDN_INFOLDER | SHGDN_FORPARSING));
    }
    return out;
}

}  // namespace

TEST(FakeShell, ServesATreeThroughTheInstalledNamespace) {
    ScopedFakeShell shell;
    FakeNode& docs = shell->Root().AddFolder("Docs");
    docs.AddFile("a.txt", 10, 500).SetInfoTip("tip");
    docs.AddFile(".secret").AddAttributes(SFGAO_HIDDEN);
    docs.AddFolder("Inner").AddFile("deep");
    shell->Root().AddFolder("Computer").SetDisplayName("My Machine");
    shell->SetSpecialFolder(CSIDL_PERSONAL, "Docs");

    auto desktop = SHGetDesktopFolder();
    ASSERT_TRUE(desktop);
    EXPECT_EQ(Names(*desktop, 0x60), (std::vector<QString>{"Docs", "Computer"}));
    const IdList docsId = SHGetSpecialFolderLocation(CSIDL_PERSONAL);
    EXPECT_EQ(docsId, shell->AbsoluteId(docs));
    EXPECT_TRUE(SHGetSpecialFolderLocation(CSIDL_DRIVES).IsNull());

    auto folder = desktop->BindToObject(docsId);
    ASSERT_TRUE(folder);
    EXPECT_EQ(Names(*folder, 0x60), (std::vector<QString>{"a.txt", "Inner"}));
    EXPECT_EQ(Names(*folder, 0xE0).size(), 3u);
    EXPECT_EQ(Names(*folder, SHCONTF_FOLDERS), std::vector<QString>{"Inner"});

    // Names: in-folder, normal, parsing (derived and parsed back).
    const IdList a = FakeShellNamespace::ItemId("a.txt");
    EXPECT_EQ(folder->GetDisplayNameOf(a, SHGDN_FORPARSING), QStringLiteral("::Docs/a.txt"));
    EXPECT_EQ(desktop->ParseDisplayName("::Docs/a.txt"), docsId.Concat(a));
    EXPECT_EQ(desktop->ParseDisplayName("/Docs/Inner/deep").Count(), 3);
    EXPECT_TRUE(desktop->ParseDisplayName("::Docs/none").IsNull());
    EXPECT_EQ(folder->ParseDisplayName("Inner/deep").Count(), 2);
    const IdList computer = desktop->ParseDisplayName("::Computer");
    EXPECT_EQ(desktop->GetDisplayNameOf(computer, SHGDN_NORMAL), QStringLiteral("My Machine"));

    // The platform calls over it.
    const IdList aAbsolute = docsId.Concat(a);
    EXPECT_EQ(SHGetFileInfoAttributes(aAbsolute), FakeNode::kFileAttributes);
    EXPECT_EQ(SHGetFileInfoAttributes(IdList::Empty()), FakeNode::kFolderAttributes);
    EXPECT_FALSE(SHGetFileInfoAttributes(docsId.Concat(FakeShellNamespace::ItemId("x"))));
    EXPECT_FALSE(SHGetFileInfoAttributes(IdList()));
    EXPECT_TRUE(BindParentFolder(IdList::Empty()) == nullptr);
    EXPECT_EQ(BindParentFolder(aAbsolute)->GetInfoTip(a), QStringLiteral("tip"));

    // CompareIDs by name (case-blind, then exact), size, type and date.
    docs.AddFile("A.TXT", 3, 900);
    const IdList upper = FakeShellNamespace::ItemId("A.TXT");
    EXPECT_NE(folder->CompareIDs(0, a, upper), 0);
    EXPECT_EQ(folder->CompareIDs(0, a, a), 0);
    EXPECT_GT(folder->CompareIDs(1, a, upper), 0);
    EXPECT_LT(folder->CompareIDs(3, a, upper), 0);

    // A removed node makes its id unknown; a rename gives the new id.
    EXPECT_TRUE(folder->SetNameOf(a, "A.TXT", 0).IsNull());
    const IdList b = folder->SetNameOf(a, "b.txt", 0);
    EXPECT_EQ(b, FakeShellNamespace::ItemId("b.txt"));
    std::uint32_t bits = ~0u;
    EXPECT_FALSE(folder->GetAttributesOf(std::span(&a, 1), bits));
    EXPECT_TRUE(docs.Remove("Inner"));
    auto gone = desktop->BindToObject(shell->AbsoluteId("Docs"));
    EXPECT_EQ(Names(*gone, 0x60), (std::vector<QString>{"b.txt", "A.TXT"}));
}

TEST(FakeShell, RestoresThePreviousNamespaceAfterwards) {
    ScopedFakeShell outer;
    outer->Root().AddFolder("Outer");
    {
        ScopedFakeShell shell;
        shell->Root().AddFolder("Only");
        EXPECT_EQ(Names(*SHGetDesktopFolder(), 0x20), std::vector<QString>{"Only"});
    }
    EXPECT_EQ(Names(*SHGetDesktopFolder(), 0x20), std::vector<QString>{"Outer"});
}

TEST(FakeShell, DescriptorItemsAndFailureSwitches) {
    ScopedFakeShell shell;
    FakeNode& archive = shell->Root().AddFolder("archive.zip");
    archive.SetAttributes(SFGAO_FOLDER | SFGAO_BROWSABLE);
    archive.AddFile("good.bin").SetContents("0123456789").SetTimes(111, 222, 333);
    archive.AddFile("bad.bin").SetContents("abcdefgh", 4);
    auto folder = SHGetDesktopFolder()->BindToObject(shell->AbsoluteId("archive.zip"));
    ASSERT_TRUE(folder);

    const std::vector<IdList> items = {FakeShellNamespace::ItemId("good.bin"),
                                       FakeShellNamespace::ItemId("bad.bin")};
    auto data = folder->GetDataObject(items);
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->HasFormat(ClipFormats::kFileGroupDescriptorW));
    EXPECT_TRUE(data->HasFormat(ClipFormats::kFileContents));
    const auto group = data->GetFileGroupDescriptor();
    ASSERT_TRUE(group);
    ASSERT_EQ(group->size(), 2u);
    EXPECT_EQ((*group)[0].size, 10u);
    EXPECT_EQ((*group)[0].times[kTimeCreated], 222u);
    EXPECT_TRUE((*group)[0].flags & FD_FILESIZE);
    EXPECT_EQ(data->GetFileContents(0)->readAll(), QByteArray("0123456789"));
    auto bad = data->GetFileContents(1);
    char buffer[3];
    EXPECT_EQ(bad->read(buffer, 3), 3);
    EXPECT_EQ(bad->read(buffer, 3), 1);  // up to byte 4
    EXPECT_EQ(bad->read(buffer, 3), -1);
    EXPECT_FALSE(data->GetFileContents(2));
    const auto cida = DecodeShellIdArray(data->GetData(ClipFormats::kShellIdList));
    ASSERT_TRUE(cida);
    EXPECT_EQ(cida->parent, shell->AbsoluteId("archive.zip"));

    archive.FailEnumerationAfter(1);
    auto e = folder->EnumObjects(0x60);
    IdList id;
    EXPECT_EQ(e->Next(id), EnumIdList::Result::Item);
    EXPECT_EQ(e->Next(id), EnumIdList::Result::Error);
    archive.FailEnumeration();
    EXPECT_FALSE(folder->EnumObjects(0x60));
    archive.FailBind();
    EXPECT_FALSE(SHGetDesktopFolder()->BindToObject(shell->AbsoluteId("archive.zip")));
    archive.Child("good.bin")->FailRename();
    EXPECT_TRUE(folder->SetNameOf(items[0], "new", 0).IsNull());
}

TEST(IconRegistry, ManyNamesOfFewTypesShareTheirIcons) {
    IconRegistry& icons = IconRegistry::Instance();
    const int before = icons.Count();
    static const char* const kTypes[] = {"txt", "cpp",    "h",   "png",  "jpg",  "pdf",
                                         "zip", "tar.gz", "mp3", "html", "json", "xml",
                                         "sh",  "py",     "odt", "c"};
    for (int i = 0; i < 100000; ++i) {
        const QString name = QStringLiteral("file%1.%2").arg(i).arg(QLatin1String(kTypes[i % 16]));
        const int index = icons.IndexForName(name);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, icons.Count());
    }
    EXPECT_LE(icons.Count() - before, 16);
    EXPECT_LE(icons.CachedNameKeys(), 16 + 16 + 1);

    EXPECT_EQ(icons.IndexForFile("folder", 0040755), IconRegistry::FolderIcon);
    EXPECT_EQ(icons.IndexForFile("folder", 0040755, true), IconRegistry::OpenFolderIcon);
    EXPECT_EQ(icons.IndexForFile("program", 0100755), IconRegistry::ExeIcon);
    EXPECT_EQ(icons.IndexForFile("data-without-type", 0100644), IconRegistry::GenericFileIcon);
    EXPECT_EQ(SHGetFileInfoIconIndexForName("x", true), IconRegistry::FolderIcon);
    EXPECT_FALSE(icons.OverlayIcon(IconRegistry::LinkOverlay).isNull());
    EXPECT_FALSE(icons.OverlayIcon(IconRegistry::ShareOverlay).pixmap(16).isNull());
    EXPECT_TRUE(icons.OverlayIcon(3).isNull());
    EXPECT_TRUE(icons.Icon(-1).isNull());
}
