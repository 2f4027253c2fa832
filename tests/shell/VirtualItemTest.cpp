// Items of the real virtual and descriptor folders: what the trash and
// archives tell of their entries reaches the folder items the pane shows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <list>

#include "ShellFixture.h"
#include "platform/archive/ArchiveFolder.h"
#include "platform/archive/ArchiveTestWriter.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/trash/Trash.h"
#include "shell/FolderItem.h"
#include "shell/FolderItemOwner.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

std::list<FolderItem> ReadItems(BoundFolder& owner) {
    std::list<FolderItem> items;
    auto e = owner.OwnerShellFolder().EnumObjects(kAll);
    IdList id;
    while (e && e->Next(id) == EnumIdList::Result::Item) {
        items.emplace_back();
        if (!items.back().Init(owner, id))
            items.pop_back();
    }
    return items;
}

class VirtualItemTest : public RealShellTest {
protected:
    VirtualItemTest() {
        QDir(NameFromBytes(HomeTrashPath())).removeRecursively();
        ForgetArchiveIndexes();
    }
    ~VirtualItemTest() override {
        QDir(NameFromBytes(HomeTrashPath())).removeRecursively();
        ForgetArchiveIndexes();
    }

    TestDir dir;
};

}  // namespace

TEST_F(VirtualItemTest, TrashEntriesShowTheirSizeAndDeletionDate) {
    ASSERT_TRUE(dir.MakeFile("report.txt", QByteArray(1234, 'r')));
    ASSERT_TRUE(dir.MakeFile("old/inner.txt", "inside"));
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);
    ASSERT_EQ(MoveToTrash(dir.Join("report.txt")), TrashResult::Trashed);
    ASSERT_EQ(MoveToTrash(dir.Join("old")), TrashResult::Trashed);
    const QDateTime after = QDateTime::currentDateTime().addSecs(2);

    auto owner = BoundFolder::Bind(SHGetSpecialFolderLocation(CSIDL_BITBUCKET));
    ASSERT_TRUE(owner);
    ASSERT_TRUE(IsVirtualFolder(owner->OwnerAttributes()));
    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 2u);

    FolderItem* report = ByName(items, "report.txt");
    ASSERT_TRUE(report);
    EXPECT_EQ(report->size, 1234u);
    EXPECT_EQ(report->SizeText(), "1,234");
    const QDateTime deleted =
        QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(report->times[kTimeModified]));
    EXPECT_TRUE(deleted >= before && deleted <= after) << deleted.toString().toStdString();
    EXPECT_NE(report->DateText(kTimeModified), "<n/a>");

    FolderItem* old = ByName(items, "old");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->size, 0u);
    EXPECT_EQ(old->SizeText(), "<folder>");
    EXPECT_NE(old->times[kTimeModified], 0u);

    // The trash does not describe its items with file descriptors, so a
    // probe for self-describing items finds none.
    EXPECT_FALSE(report->ReadDescriptor());
    EXPECT_EQ(report->size, 1234u);
}

TEST_F(VirtualItemTest, ABoundArchiveIsADescriptorFolderWithItsEntriesData) {
    ASSERT_TRUE(
        WriteTestArchive(dir.Join("pack.zip"), "zip", "none",
                         {{"docs/a.txt", "12345", TestEntry::File, {}, 1600000000},
                          {"top.bin", QByteArray(70000, 't'), TestEntry::File, {}, 1600000100}}));
    // Bound as it is, without adjusting anything by hand.
    auto owner = BoundFolder::Bind(ParsePath(NameFromBytes(dir.Join("pack.zip"))));
    ASSERT_TRUE(owner);
    EXPECT_TRUE(IsDescriptorFolder(owner->OwnerAttributes()));
    EXPECT_FALSE(IsFileSystemFolder(owner->OwnerAttributes()));

    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 2u);
    FolderItem* top = ByName(items, "top.bin");
    ASSERT_TRUE(top);
    // Known from Init alone, before any descriptor is read.
    EXPECT_EQ(top->size, 70000u);
    EXPECT_EQ(top->times[kTimeModified], FileTimeFromTimespec(1600000100, 0));
    FolderItem* docs = ByName(items, "docs");
    ASSERT_TRUE(docs);
    EXPECT_EQ(docs->SizeText(), "<folder>");
    EXPECT_TRUE(top->ReadDescriptor());
    EXPECT_EQ(top->size, 70000u);

    // A folder inside the archive binds as a descriptor folder too, and
    // the plain folder holding the archive stays a file-system folder.
    auto inner = BoundFolder::Bind(ParsePath(NameFromBytes(dir.Join("pack.zip/docs"))));
    ASSERT_TRUE(inner);
    EXPECT_TRUE(IsDescriptorFolder(inner->OwnerAttributes()));
    std::list<FolderItem> innerItems = ReadItems(*inner);
    ASSERT_EQ(innerItems.size(), 1u);
    EXPECT_EQ(innerItems.front().size, 5u);
    EXPECT_FALSE(innerItems.front().TempCopy().isEmpty());
    auto plain = BoundFolder::Bind(ParsePath(dir.Path()));
    ASSERT_TRUE(plain);
    EXPECT_TRUE(IsPlainDirectory(plain->OwnerAttributes()));
}
