#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLocale>
#include <ctime>
#include <list>

#include "ShellFixture.h"
#include "platform/desktop/LinuxShell.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/NameCodec.h"
#include "shell/FolderItem.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"
#include "shell/PathHelpers.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

// Changes general settings for one test.
class SettingsGuard {
public:
    SettingsGuard() : m_saved(General()) {}
    ~SettingsGuard() { MutableGeneral() = m_saved; }

private:
    GeneralSettings m_saved;
};

// Points $TMPDIR at a folder of the test's own.
class TempDirGuard {
public:
    explicit TempDirGuard(const QByteArray& path) : m_saved(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", path);
    }
    ~TempDirGuard() {
        if (m_saved.isNull()) {
            qunsetenv("TMPDIR");
        } else {
            qputenv("TMPDIR", m_saved);
        }
    }

private:
    QByteArray m_saved;
};

// Enumerates a folder into items (std::list: items don't move).
std::list<FolderItem> ReadItems(FolderItemOwner& owner, int* failed = nullptr) {
    std::list<FolderItem> items;
    auto e = owner.OwnerShellFolder().EnumObjects(kAll);
    if (!e)
        return items;
    IdList id;
    while (e->Next(id) == EnumIdList::Result::Item) {
        items.emplace_back();
        if (!items.back().Init(owner, id)) {
            items.pop_back();
            if (failed)
                ++*failed;
        }
    }
    return items;
}

// Id lists of file-system entries carry their stat data, which changes (a
// folder's access time moves when it is read), so real entries are compared
// by the path they name.
QString PathOf(const IdList& absolute) {
    return absolute.IsNull() ? QStringLiteral("<null>")
                             : AbsoluteDisplayName(absolute, SHGDN_FORPARSING).value_or("<none>");
}

QStringList TempCopies(const TestDir& dir) {
    QStringList names;
    QDir d(dir.Path());
    for (const QString& n : d.entryList(QDir::Files | QDir::System | QDir::Hidden)) {
        if (n.startsWith("CvTMP_"))
            names << n;
    }
    return names;
}

// ---------------------------------------------------------------------------
// Items of real folders, through the real namespace.

class RealFolderItemTest : public RealShellTest {
protected:
    std::unique_ptr<BoundFolder> Bind(const QByteArray& relative = {}) {
        return BoundFolder::Bind(ParsePath(NameFromBytes(dir.Join(relative))));
    }

    // The canonical path of an entry (what a link resolves to).
    QString RealPath(const QByteArray& relative) const {
        return NameFromBytes(RealPathBytes(dir.PathBytes()) + "/" + relative);
    }
    // The path as given (links not followed).
    QString GivenPath(const QByteArray& relative) const {
        return NameFromBytes(dir.Join(relative));
    }

    TestDir dir;
};

TEST_F(RealFolderItemTest, InitReadsNamesSizesAndTimesOfRealEntries) {
    const std::int64_t t = 1600000000;  // 2020-09-13
    ASSERT_TRUE(dir.MakeFile("a.txt", "abc", t));
    ASSERT_TRUE(dir.MakeFile("A.txt", "ABCDE", t + 60));  // a case-only twin
    ASSERT_TRUE(dir.MakeFile("caf\xe9.bin", "1234567", t));
    ASSERT_TRUE(dir.MakeFile("empty", ""));
    ASSERT_TRUE(dir.MakeFolder("sub"));

    auto owner = Bind();
    ASSERT_TRUE(owner);
    EXPECT_TRUE(IsFileSystemFolder(owner->OwnerAttributes()));
    EXPECT_TRUE(IsPlainDirectory(owner->OwnerAttributes()));
    int failed = 0;
    std::list<FolderItem> items = ReadItems(*owner, &failed);
    EXPECT_EQ(failed, 0);
    ASSERT_EQ(items.size(), 5u);

    FolderItem* lower = ByName(items, "a.txt");
    FolderItem* upper = ByName(items, "A.txt");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ(lower->size, 3u);
    EXPECT_EQ(upper->size, 5u);
    EXPECT_EQ(lower->times[kTimeModified], FileTimeFromTimespec(t, 0));
    EXPECT_EQ(upper->times[kTimeModified], FileTimeFromTimespec(t + 60, 0));
    EXPECT_NE(lower->times[kTimeAccessed], 0u);
    EXPECT_EQ(lower->displayName, "a.txt");
    EXPECT_TRUE(lower->displayName.isSharedWith(lower->name));
    // The memory budget of an item beyond its name: the record and its id.
    EXPECT_LE(sizeof(FolderItem) + lower->id.ByteSize() - NameToBytes(lower->name).size(), 300u);
    EXPECT_EQ(NameToBytes(upper->ItemPath()), dir.Join("A.txt"));
    EXPECT_TRUE(lower->attributes & SFGAO_FILESYSTEM);
    EXPECT_FALSE(lower->attributes & SFGAO_FOLDER);
    EXPECT_EQ(lower->listState, kListListed);
    EXPECT_EQ(lower->icon, -1);

    // A name that is not UTF-8: shown with a replacement character, kept
    // as its bytes for the path.
    FolderItem* odd = ByName(items, NameFromBytes("caf\xe9.bin"));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->size, 7u);
    EXPECT_TRUE(odd->displayName.contains(QChar(0xFFFD)));
    EXPECT_EQ(NameToBytes(odd->ItemPath()), dir.Join("caf\xe9.bin"));

    // Size texts: a folder, an empty file of the file system.
    SettingsGuard settings;
    MutableGeneral().plainBytesFormat = true;
    FolderItem* sub = ByName(items, "sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->SizeText(), "<folder>");
    EXPECT_EQ(ByName(items, "empty")->SizeText(), "0");
    EXPECT_EQ(upper->SizeText(), "5");
    sub->size = 4096;  // a folder whose size was made known
    EXPECT_EQ(sub->SizeText(), "4,096");

    // AbsoluteId names the entry from the Desktop.
    EXPECT_EQ(NameToBytes(PathOf(odd->AbsoluteId(false))), dir.Join("caf\xe9.bin"));
}

TEST_F(RealFolderItemTest, DesktopEntriesAreFoundByTheirPath) {
    // The Desktop's id list is empty, so its entries' data come from a stat
    // of their parsing names.
    const QByteArray file = NameToBytes(PathJoin(DesktopDirectory(), "corvane-item-test.txt"));
    ASSERT_EQ(::mkdir(NameToBytes(DesktopDirectory()).constData(), 0755) == 0 || errno == EEXIST,
              true);
    {
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "12345678", 8), 8);
        ::close(fd);
    }
    auto desktop = BoundFolder::Bind(IdList::Empty());
    ASSERT_TRUE(desktop);
    std::list<FolderItem> items = ReadItems(*desktop);
    FolderItem* item = ByName(items, "corvane-item-test.txt");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->size, 8u);
    EXPECT_NE(item->times[kTimeModified], 0u);
    EXPECT_EQ(NameToBytes(item->ItemPath()), file);
    ::unlink(file.constData());
}

TEST_F(RealFolderItemTest, RefreshTimesReadsTheDiskAgain) {
    ASSERT_TRUE(dir.MakeFile("f", "x", 1500000000));
    auto owner = Bind();
    ASSERT_TRUE(owner);
    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 1u);
    FolderItem& f = items.front();
    ASSERT_EQ(f.times[kTimeModified], FileTimeFromTimespec(1500000000, 0));

    struct timespec times[2] = {{1400000000, 0}, {1700000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, dir.Join("f").constData(), times, 0), 0);
    ASSERT_TRUE(f.RefreshTimes());
    EXPECT_EQ(f.times[kTimeModified], FileTimeFromTimespec(1700000000, 0));
    EXPECT_EQ(f.times[kTimeAccessed], FileTimeFromTimespec(1400000000, 0));

    ASSERT_EQ(::unlink(dir.Join("f").constData()), 0);
    EXPECT_FALSE(f.RefreshTimes());
}

TEST_F(RealFolderItemTest, LinksResolveToTheirTargets) {
    ASSERT_TRUE(dir.MakeFolder("target dir"));
    ASSERT_TRUE(dir.MakeFile("target.txt", "t"));
    ASSERT_TRUE(dir.MakeFolder("links"));
    ASSERT_TRUE(dir.MakeSymlink("links/to-dir", "../target dir"));
    ASSERT_TRUE(dir.MakeSymlink("links/to-file", "../target.txt"));
    ASSERT_TRUE(dir.MakeSymlink("links/dangling", "../nowhere"));
    ASSERT_TRUE(dir.MakeFile("links/plain", "p"));
    auto owner = Bind("links");
    ASSERT_TRUE(owner);
    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 4u);
    FolderItem* toDir = ByName(items, "to-dir");
    FolderItem* toFile = ByName(items, "to-file");
    FolderItem* dangling = ByName(items, "dangling");
    FolderItem* plain = ByName(items, "plain");
    ASSERT_TRUE(toDir && toFile && dangling && plain);

    const QString dirPath = RealPath("target dir");
    const QString filePath = RealPath("target.txt");

    EXPECT_EQ(toDir->Overlay(), 2);
    EXPECT_EQ(plain->Overlay(), 0);
    EXPECT_FALSE(toDir->IsFolderLike(false));
    EXPECT_FALSE(toDir->linkTarget.has_value());  // nothing resolved without following
    EXPECT_TRUE(toDir->IsFolderLike(true));
    ASSERT_TRUE(toDir->linkTarget.has_value());
    EXPECT_EQ(PathOf(*toDir->linkTarget), dirPath);
    EXPECT_EQ(PathOf(toDir->AbsoluteId(true)), dirPath);
    EXPECT_EQ(PathOf(toDir->AbsoluteId(false)), GivenPath("links/to-dir"));

    // A link to a file is not folder-like, but has a target when any will do.
    EXPECT_FALSE(toFile->IsFolderLike(true));
    EXPECT_EQ(PathOf(toFile->AbsoluteId(true)), GivenPath("links/to-file"));
    EXPECT_TRUE(toFile->ResolveLink(true).IsNull());
    EXPECT_EQ(PathOf(toFile->ResolveLink(false)), filePath);

    EXPECT_FALSE(dangling->IsFolderLike(true));
    EXPECT_TRUE(dangling->ResolveLink(false).IsNull());
    EXPECT_TRUE(plain->ResolveLink(false).IsNull());
}

// ---------------------------------------------------------------------------
// Items of virtual and descriptor folders, through the fake namespace.

class FakeFolderItemTest : public FakeShellTest {
protected:
    std::unique_ptr<BoundFolder> Bind(const QString& path) {
        return BoundFolder::Bind(shell->AbsoluteId(path));
    }
    SettingsGuard settings;
};

TEST_F(FakeFolderItemTest, VirtualItemsTakeTheirDisplayNames) {
    FakeNode& settingsFolder = Root().AddFolder("Settings", FakeNode::kFolderAttributes);
    settingsFolder.AddFile("mouse", 0, 0, FakeNode::kFileAttributes)
        .SetDisplayName("Mouse")
        .SetInfoTip("Pointer speed");
    settingsFolder.AddFile("keys").SetInfoTip("");
    settingsFolder.AddFolder("More");
    auto owner = Bind("Settings");
    ASSERT_TRUE(owner);
    EXPECT_TRUE(IsVirtualFolder(owner->OwnerAttributes()));

    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 3u);
    FolderItem* mouse = ByName(items, "Mouse");
    ASSERT_TRUE(mouse);
    EXPECT_EQ(mouse->displayName, "Mouse");
    EXPECT_EQ(mouse->size, 0u);
    EXPECT_EQ(mouse->times[kTimeModified], 0u);
    EXPECT_EQ(mouse->SizeText(), "<n/a>");
    EXPECT_EQ(mouse->DateText(kTimeModified), "<n/a>");
    EXPECT_EQ(ByName(items, "More")->SizeText(), "<folder>");
    EXPECT_EQ(mouse->ItemPath(), "::Settings/mouse");

    // Info tips are asked once; an empty one counts as none.
    EXPECT_EQ(mouse->InfoTip(), "Pointer speed");
    settingsFolder.Child("mouse")->SetInfoTip("changed");
    EXPECT_EQ(mouse->InfoTip(), "Pointer speed");
    FolderItem* keys = ByName(items, "keys");
    EXPECT_EQ(keys->InfoTip(), "");
    EXPECT_EQ(keys->infoTip, " ");
    EXPECT_EQ(ByName(items, "More")->InfoTip(), "");

    // An id the folder does not know makes no item.
    FolderItem stray;
    EXPECT_FALSE(stray.Init(*owner, FakeShellNamespace::ItemId("nobody")));
    FolderItem none;
    EXPECT_FALSE(none.Init(*owner, IdList()));
}

TEST_F(FakeFolderItemTest, FakeFileSystemItemsTakeTheirFindData) {
    FakeNode& disk = Root().AddFolder("Disk", kFsFolder);
    disk.SetParsingName("/disk");
    disk.AddFile("Report.DOC", 1234, 132000000000000000ULL, kFsFile)
        .SetDisplayName("Report")
        .SetTimes(132000000000000000ULL, 131000000000000000ULL, 133000000000000000ULL);
    auto owner = Bind("Disk");
    ASSERT_TRUE(owner);
    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 1u);
    FolderItem& item = items.front();
    EXPECT_EQ(item.name, "Report.DOC");
    EXPECT_EQ(item.displayName, "Report");
    EXPECT_EQ(item.size, 1234u);
    EXPECT_EQ(item.times[kTimeCreated], 131000000000000000ULL);
    EXPECT_EQ(item.times[kTimeAccessed], 133000000000000000ULL);
    EXPECT_EQ(item.ItemPath(), "/disk/Report.DOC");
    MutableGeneral().plainBytesFormat = false;
    EXPECT_EQ(item.SizeText(), "1.205 kB");
}

TEST_F(FakeFolderItemTest, IconsFallBackToTheStandardOnes) {
    // Not ready without special folders, but the fallback indexes are set.
    EXPECT_FALSE(EnsureShellContext());
    const ShellContext& c = TheShellContext();
    FakeNode& place = Root().AddFolder("Place", FakeNode::kFolderAttributes);
    place.AddFile("noext");
    place.AddFile("SETUP.EXE");
    place.AddFile("run.Bat");
    place.AddFile("tool.com");
    place.AddFile("exe.txt");
    place.AddFile("shown.txt").SetIconIndex(42);
    place.AddFolder("Sub");
    auto owner = Bind("Place");
    ASSERT_TRUE(owner);
    std::list<FolderItem> items = ReadItems(*owner);
    ASSERT_EQ(items.size(), 7u);

    MutableGeneral().usePlainIcons = false;
    EXPECT_EQ(ByName(items, "noext")->Icon(false), c.GenericFileIcon);
    EXPECT_EQ(ByName(items, "SETUP.EXE")->Icon(false), c.ExeIcon);
    EXPECT_EQ(ByName(items, "run.Bat")->Icon(false), c.ExeIcon);
    EXPECT_EQ(ByName(items, "tool.com")->Icon(false), c.ExeIcon);
    EXPECT_EQ(ByName(items, "exe.txt")->Icon(false), c.GenericFileIcon);
    EXPECT_EQ(ByName(items, "Sub")->Icon(false), c.FolderIcon);
    FolderItem* shown = ByName(items, "shown.txt");
    EXPECT_EQ(shown->Icon(false), 42);
    EXPECT_EQ(shown->Icon(true), 42);

    // Asked once: the cached index stays.
    place.Child("shown.txt")->SetIconIndex(7);
    EXPECT_EQ(shown->Icon(false), 42);

    // Plain icons never ask the namespace.
    MutableGeneral().usePlainIcons = true;
    std::list<FolderItem> again = ReadItems(*owner);
    EXPECT_EQ(ByName(again, "shown.txt")->Icon(false), c.GenericFileIcon);
    EXPECT_EQ(ByName(again, "SETUP.EXE")->Icon(false), c.ExeIcon);
    EXPECT_EQ(ByName(again, "Sub")->Icon(false), c.FolderIcon);
    EXPECT_NE(c.ExeIcon, c.GenericFileIcon);
    EXPECT_NE(c.FolderIcon, c.GenericFileIcon);

    // Overlays: link before share.
    FolderItem& any = again.front();
    any.attributes = SFGAO_SHARE;
    EXPECT_EQ(any.Overlay(), 1);
    any.attributes = SFGAO_SHARE | SFGAO_LINK;
    EXPECT_EQ(any.Overlay(), 2);
}

TEST_F(FakeFolderItemTest, DateTextIsLocalTimeInTheShortFormat) {
    QLocale saved;
    QLocale::setDefault(QLocale::c());
    FolderItem item;
    EXPECT_EQ(item.DateText(kTimeModified), "<n/a>");
    const std::time_t when = 1600000000;
    item.times[kTimeCreated] = FileTimeFromTimespec(when, 0);
    std::tm local{};
    ::localtime_r(&when, &local);
    char expected[32];
    std::strftime(expected, sizeof expected, "%H:%M", &local);
    const QString text = item.DateText(kTimeCreated);
    EXPECT_TRUE(text.contains(QString::number(local.tm_year + 1900)) ||
                text.contains(QString::number(local.tm_year % 100)))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QLatin1String(expected))) << text.toStdString();
    EXPECT_EQ(item.DateText(kTimeModified), "<n/a>");
    QLocale::setDefault(saved);
}

// A descriptor folder (archive-like) with entries that have contents.
class DescriptorItemTest : public FakeFolderItemTest {
protected:
    void SetUp() override {
        archive = &Root().AddFolder("Archive", SFGAO_FOLDER | SFGAO_BROWSABLE);
        archive->AddFile("ten.bin").SetContents("0123456789").SetTimes(1000, 2000, 3000);
        archive->AddFile("eleven.bin").SetContents("0123456789A");
        archive->AddFile("big.bin").SetContents(QByteArray(100000, 'b'));
        archive->AddFile("broken.bin").SetContents(QByteArray(100000, 'x'), 40000);
        archive->AddFile("../../escape.txt").SetContents("e");
        archive->AddFile("..").SetContents("d");
        archive->AddFile(QString("ctl\n\t\x01name.txt")).SetContents("c");
        archive->AddFile(QString(300, u'n') + ".txt").SetContents("l");
        archive->AddFile("nothing.bin");
        archive->AddFolder("folder");
        owner = Bind("Archive");
        ASSERT_TRUE(owner);
        ASSERT_TRUE(IsDescriptorFolder(owner->OwnerAttributes()));
        items = ReadItems(*owner);
        for (FolderItem& item : items) item.ReadDescriptor();
        MutableGeneral().maxExtractSize = 10;
    }

    FolderItem& Item(const QString& name) {
        FolderItem* item = ByName(items, name);
        EXPECT_TRUE(item) << name.toStdString();
        return *item;
    }

    TestDir temp;
    TempDirGuard tempGuard{temp.PathBytes()};
    FakeNode* archive = nullptr;
    std::unique_ptr<BoundFolder> owner;
    std::list<FolderItem> items;
};

TEST_F(DescriptorItemTest, DescriptorsGiveSizeTimesAndTexts) {
    FolderItem& ten = Item("ten.bin");
    EXPECT_EQ(ten.size, 10u);
    EXPECT_EQ(ten.times[kTimeModified], 1000u);
    EXPECT_EQ(ten.times[kTimeCreated], 2000u);
    EXPECT_EQ(ten.times[kTimeAccessed], 3000u);
    EXPECT_EQ(ten.SizeText(), "10");
    // An entry without a size in a descriptor folder still shows a size.
    EXPECT_EQ(Item("nothing.bin").SizeText(), "0");
    EXPECT_EQ(Item("folder").SizeText(), "<folder>");

    // Icons by the name's type; folders the folder icon.
    MutableGeneral().usePlainIcons = false;
    EXPECT_EQ(Item("folder").Icon(false), TheShellContext().FolderIcon);
    EXPECT_EQ(ten.Icon(false), IconRegistry::Instance().IndexForName("ten.bin"));
}

TEST_F(DescriptorItemTest, TempCopyHonoursTheSizeLimit) {
    // Exactly the limit is copied; one byte more is not.
    FolderItem& ten = Item("ten.bin");
    const QString path = ten.TempCopy();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(PathFolderPart(path), temp.Path() + "/");
    EXPECT_TRUE(PathNamePart(path).startsWith("CvTMP_"));
    EXPECT_TRUE(PathNamePart(path).endsWith("_ten.bin"));
    EXPECT_EQ(PathNamePart(path).size(), QString("CvTMP_00000000_ten.bin").size());
    EXPECT_EQ(temp.Read(PathNamePart(path).toUtf8()), "0123456789");
    EXPECT_EQ(ten.TempCopy(), path);  // made once
    EXPECT_EQ(ten.ItemPath(), path);  // a descriptor item's path is its copy

    EXPECT_EQ(Item("eleven.bin").TempCopy(), "");
    EXPECT_EQ(TempCopies(temp).size(), 1);

    // A stream that gives more than the item's size stops at the size.
    MutableGeneral().maxExtractSize = 1 << 20;
    FolderItem& big = Item("big.bin");
    big.size = 5;
    EXPECT_EQ(temp.Read(PathNamePart(big.TempCopy()).toUtf8()), "bbbbb");

    // The copies go with their items, or when asked.
    ten.DeleteTempCopy();
    EXPECT_TRUE(ten.tempCopy.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(TempCopies(temp).size(), 1);
    items.clear();
    EXPECT_TRUE(TempCopies(temp).isEmpty());
}

TEST_F(DescriptorItemTest, TempCopyNeverWritesThroughPlantedFiles) {
    ASSERT_TRUE(temp.MakeFile("victim", "precious"));
    FolderItem& first = Item("ten.bin");
    const QString made = PathNamePart(first.TempCopy());
    ASSERT_TRUE(made.startsWith("CvTMP_"));
    bool ok = false;
    const std::uint32_t counter = made.mid(6, 8).toUInt(&ok, 16);
    ASSERT_TRUE(ok);
    first.DeleteTempCopy();

    // The next two names are taken: a file and a link to the victim.
    auto name = [](std::uint32_t n) {
        return QStringLiteral("CvTMP_%1_ten.bin").arg(n, 8, 16, QLatin1Char('0')).toUtf8();
    };
    ASSERT_TRUE(temp.MakeFile(name(counter + 1), "planted"));
    ASSERT_TRUE(temp.MakeSymlink(name(counter + 2), temp.Join("victim")));

    const QString path = first.TempCopy();
    ASSERT_FALSE(path.isEmpty());
    EXPECT_EQ(PathNamePart(path).toUtf8(), name(counter + 3));
    EXPECT_EQ(temp.Read(name(counter + 3)), "0123456789");
    EXPECT_EQ(temp.Read(name(counter + 1)), "planted");
    EXPECT_EQ(temp.Read("victim"), "precious");
}

TEST_F(DescriptorItemTest, TempCopyNamesAreTheSanitisedLastComponent) {
    auto copyName = [&](const QString& itemName) {
        const QString path = Item(itemName).TempCopy();
        EXPECT_EQ(PathFolderPart(path), temp.Path() + "/") << path.toStdString();
        return PathNamePart(path).mid(15);  // after "CvTMP_xxxxxxxx_"
    };
    EXPECT_EQ(copyName("../../escape.txt"), "escape.txt");
    EXPECT_EQ(copyName(".."), "_");
    EXPECT_EQ(copyName("ctl\n\t\x01name.txt"), "ctlname.txt");
    const QString longName = copyName(QString(300, u'n') + ".txt");
    EXPECT_FALSE(longName.isEmpty());
    EXPECT_LE(NameToBytes(longName).size() + 15, 255);
    EXPECT_FALSE(QFileInfo::exists(temp.Path() + "/../escape.txt"));
    EXPECT_EQ(TempCopies(temp).size(), 4);
}

TEST_F(DescriptorItemTest, FailedReadsLeaveNothingBehind) {
    MutableGeneral().maxExtractSize = 1 << 20;
    FolderItem& broken = Item("broken.bin");
    EXPECT_EQ(broken.size, 100000u);
    EXPECT_EQ(broken.TempCopy(), "");
    EXPECT_TRUE(broken.tempCopy.isEmpty());
    // No contents stream at all: no file either.
    EXPECT_EQ(Item("nothing.bin").TempCopy(), "");
    EXPECT_TRUE(TempCopies(temp).isEmpty());
}

}  // namespace
