#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <tuple>

#include "PaneTestSupport.h"
#include "platform/trash/Trash.h"
#include "shell/CommandIds.h"
#include "shell/GeneralSettings.h"
#include "shell/Pidl.h"
#include "shell/ShellFixture.h"
#include "support/TestDir.h"

namespace {

constexpr FileTime kTime1 = 133000000000000000ULL;
constexpr FileTime kTime2 = 133000000010000000ULL;

std::vector<QString> Names(std::initializer_list<const char*> names) {
    std::vector<QString> out;
    for (const char* n : names) out.push_back(QString::fromUtf8(n));
    return out;
}

class FolderModelTest : public FakeShellTest {
protected:
    // A fake file-system folder "Docs" below a file-system root "Disk".
    FakeNode& Docs() {
        FakeNode& disk = Root().AddFolder("Disk", kFsFolder);
        disk.SetParsingName("/disk");
        return disk.AddFolder("Docs", kFsFolder);
    }
};

// The unsorted order: the entries the directory lists, in the directory's
// order (the order a streamed read shows them in), then those it does not
// list; the kind mask of a folders-only model skips files of the same name.
TEST_F(FolderModelTest, DirectoryScanOrder) {
    TestDir dir;
    for (const char* name : {"one", "two", "three", "disk-only"})
        ASSERT_TRUE(dir.MakeFile(name, "x"));
    ASSERT_TRUE(dir.MakeFolder("sub"));
    const QByteArray real = RealPathBytes(dir.PathBytes());
    FakeNode& top = MirrorFolder(real);
    top.AddFile("three", 1, 0, kFsFile);
    top.AddFile("ghost", 1, 0, kFsFile);
    top.AddFile("one", 1, 0, kFsFile);
    top.AddFolder("sub", kFsFolder);
    top.AddFile("two", 1, 0, kFsFile);

    FolderModel model;
    ASSERT_EQ(model.Open(shell->AbsoluteId(top), true), FolderModel::kReadOk);
    EXPECT_TRUE(model.IsPlainDirectory());
    EXPECT_EQ(model.path, NameFromBytes(real));
    EXPECT_EQ(model.title, model.path);
    EXPECT_EQ(model.ItemCount(), 5);

    std::vector<QString> expected;
    for (const QString& name : ReaddirOrder(real)) {
        if (name != "disk-only")
            expected.push_back(name);
    }
    expected.push_back("ghost");
    EXPECT_EQ(ItemNames(model), expected);

    // Folders only: the disk's file "one" does not meet the fake folder
    // "one", which stays behind the folder the scan met.
    FakeNode& other = MirrorFolder(real + "/sub");
    other.AddFolder("one", kFsFolder);
    other.AddFolder("inner", kFsFolder);
    ASSERT_TRUE(dir.MakeFile("sub/one", "x"));
    ASSERT_TRUE(dir.MakeFolder("sub/inner"));
    FolderModel folders(SHCONTF_FOLDERS);
    ASSERT_EQ(folders.Open(shell->AbsoluteId(other), true), FolderModel::kReadOk);
    EXPECT_EQ(ItemNames(folders), Names({"inner", "one"}));
}

// Names, titles and kinds of the folders Open() meets.
TEST_F(FolderModelTest, OpenNamesAndKinds) {
    FakeNode& docs = Docs();
    docs.AddFile("a", 1, 0, kFsFile);

    // The Desktop is named by the desktop directory.
    FakeNode& desk = Root().AddFolder("DesktopDir", kFsFolder);
    desk.SetParsingName("/home/u/Desktop");
    shell->SetSpecialFolder(CSIDL_DESKTOPDIRECTORY, "DesktopDir");
    shell->SetSpecialFolder(CSIDL_DRIVES, "Disk");
    Root().SetNormalName("The Desktop");
    ResetShellContext();
    FolderModel desktop;
    ASSERT_EQ(desktop.Open(IdList::Empty(), true), FolderModel::kReadOk);
    EXPECT_EQ(desktop.path, "/home/u/Desktop");
    EXPECT_EQ(desktop.title, "The Desktop");

    // A volume root keeps SFGAO_FILESYSANCESTOR and its normal name.
    FolderModel root;
    ASSERT_EQ(root.Open(shell->AbsoluteId("Disk"), true), FolderModel::kReadOk);
    EXPECT_TRUE(root.IsFileSystem());
    EXPECT_FALSE(root.IsPlainDirectory());
    EXPECT_EQ(root.title, "Disk");
    EXPECT_EQ(root.path, "/disk");
    ASSERT_NE(root.parentFolder, nullptr);

    // A nameless folder is "<no Name>"; one without a parsing name is
    // virtual and takes its title as path.
    FakeNode& nameless = Root().AddFolder("Nameless");
    nameless.SetDisplayName("").SetParsingName("");
    FolderModel none;
    ASSERT_EQ(none.Open(shell->AbsoluteId(nameless), true), FolderModel::kReadOk);
    EXPECT_EQ(none.title, "<no Name>");
    EXPECT_EQ(none.path, "<no Name>");

    FakeNode& unparsed = Root().AddFolder("Unparsed", kFsFolder);
    unparsed.SetParsingName("");
    FolderModel virt;
    ASSERT_EQ(virt.Open(shell->AbsoluteId(unparsed), false), FolderModel::kReadOk);
    EXPECT_FALSE(virt.IsFileSystem());
    EXPECT_EQ(virt.path, "Unparsed");
    EXPECT_TRUE(virt.items.empty());

    // Failures: no folder, no enumeration, a null list.
    docs.FailBind();
    FolderModel unbound;
    EXPECT_EQ(unbound.Open(shell->AbsoluteId(docs), true), FolderModel::kReadFailed);
    docs.FailBind(false).FailEnumeration();
    FolderModel unlisted;
    EXPECT_EQ(unlisted.Open(shell->AbsoluteId(docs), true), FolderModel::kReadFailed);
    EXPECT_EQ(unlisted.title, "/disk/Docs");
    FolderModel nothing;
    EXPECT_EQ(nothing.Open(IdList(), true), FolderModel::kReadFailed);
}

// Entries that can't be made into items, and an enumeration that breaks
// off, give kReadPartial with what could be read.
TEST_F(FolderModelTest, PartialReads) {
    FakeNode& bad = Root().AddFolder("Bad");
    bad.AddFile("x").SetDisplayName("");
    bad.AddFile("y").SetDisplayName("");
    FolderModel empty;
    EXPECT_EQ(empty.Open(shell->AbsoluteId(bad), true), FolderModel::kReadPartial);
    EXPECT_TRUE(empty.items.empty());

    FakeNode& broken = Docs();
    for (const char* name : {"a", "b", "c"}) broken.AddFile(name, 1, 0, kFsFile);
    broken.FailEnumerationAfter(2);
    FolderModel partial;
    EXPECT_EQ(partial.Open(shell->AbsoluteId(broken), true), FolderModel::kReadPartial);
    EXPECT_EQ(partial.ItemCount(), 2);
}

// Archive-like folders and virtual folders whose entries describe
// themselves become descriptor folders, titled by their path.
TEST_F(FolderModelTest, DescriptorFolders) {
    FakeNode& zip =
        Root().AddFolder("Zip", SFGAO_FOLDER | SFGAO_BROWSABLE | SFGAO_FILESYSTEM | SFGAO_CANCOPY);
    zip.SetParsingName("/disk/a.zip").SetNormalName("a.zip");
    zip.AddFile("inner.txt", 0).SetContents("hello").SetTimes(kTime1, kTime1, kTime2);
    FolderModel archive;
    ASSERT_EQ(archive.Open(shell->AbsoluteId(zip), true), FolderModel::kReadOk);
    EXPECT_TRUE(archive.IsDescriptor());
    EXPECT_EQ(archive.title, "/disk/a.zip");
    ASSERT_EQ(archive.ItemCount(), 1);
    EXPECT_EQ(archive.items.front().size, 5u);
    EXPECT_EQ(archive.items.front().times[kTimeAccessed], kTime2);

    // The probe: only the first non-folder is asked.
    FakeNode& ext = Root().AddFolder("Ext");
    ext.SetParsingName("::Ext");
    ext.AddFolder("dir");
    ext.AddFile("first", 0).SetContents("12").SetTimes(kTime1);
    ext.AddFile("second", 0).SetContents("1234").SetTimes(kTime2);
    FolderModel probed;
    ASSERT_EQ(probed.Open(shell->AbsoluteId(ext), true), FolderModel::kReadOk);
    EXPECT_TRUE(probed.IsDescriptor());
    EXPECT_EQ(probed.title, "::Ext");
    EXPECT_EQ(probed.FindByName("second")->size, 4u);

    FakeNode& plain = Root().AddFolder("Plain");
    plain.AddFile("first", 0).SetContents("12");  // no modified time
    plain.AddFile("second", 0).SetContents("1234").SetTimes(kTime2);
    FolderModel virt;
    ASSERT_EQ(virt.Open(shell->AbsoluteId(plain), true), FolderModel::kReadOk);
    EXPECT_TRUE(virt.IsVirtual());
    EXPECT_EQ(virt.FindByName("second")->size, 0u);
}

// Refresh marks by exact name: a changed listed item moves the totals and
// loses its temporary copy, a new entry is new, a listed item that vanished
// is gone, a hidden one is destroyed at once. Items take the new order, the
// gone ones last.
TEST_F(FolderModelTest, RefreshMarking) {
    FakeNode& docs = Docs();
    docs.AddFile("a", 10, kTime1, kFsFile);
    docs.AddFile("hidden", 7, kTime1, kFsFile);
    docs.AddFile("gone", 3, kTime1, kFsFile);
    docs.AddFile("same", 5, kTime1, kFsFile);
    FolderModel model;
    ASSERT_EQ(model.Open(shell->AbsoluteId(docs), true), FolderModel::kReadOk);
    model.FindByName("hidden")->listState = kListHidden;

    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("copy", "old"));
    model.FindByName("a")->tempCopy = NameFromBytes(dir.Join("copy"));

    docs.Child("a")->SetSize(25);
    docs.Remove("hidden");
    docs.Remove("gone");
    docs.AddFile("A", 1, kTime2, kFsFile);
    std::uint64_t totals = 100;
    ASSERT_TRUE(model.Refresh(totals));
    EXPECT_EQ(totals, 115u);

    FolderItem* a = model.FindByName("a");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->listState, kListChanged);
    EXPECT_EQ(a->size, 25u);
    EXPECT_TRUE(a->tempCopy.isEmpty());
    EXPECT_FALSE(dir.Exists("copy"));
    EXPECT_EQ(model.FindByName("same")->listState, kListListed);
    EXPECT_EQ(model.FindByName("A")->listState, kListNew);
    EXPECT_EQ(model.FindByName("gone")->listState, kListGone);
    EXPECT_EQ(model.FindByName("hidden"), nullptr);
    EXPECT_EQ(ItemNames(model), Names({"a", "same", "A", "gone"}));

    // A shrink moves the totals down; a hidden item that changed does not
    // move them at all.
    docs.Child("a")->SetSize(5);
    a->listState = kListListed;
    docs.Child("same")->SetSize(50);
    model.FindByName("same")->listState = kListHidden;
    ASSERT_TRUE(model.Refresh(totals));
    EXPECT_EQ(totals, 95u);
    EXPECT_EQ(model.FindByName("same")->size, 50u);
    EXPECT_EQ(model.FindByName("same")->listState, kListHidden);

    docs.FailEnumeration();
    EXPECT_FALSE(model.Refresh(totals));
}

// What a refresh is compared by: an item's name, data and state, and the
// item itself (rows point at it, so a met item must stay the same object).
struct ItemRecord {
    QString name;
    std::uint64_t size = 0;
    FileTime modified = 0;
    std::int32_t state = kListListed;
    const FolderItem* item = nullptr;
    bool operator==(const ItemRecord&) const = default;
};

std::vector<ItemRecord> Records(const FolderModel& model) {
    std::vector<ItemRecord> out;
    for (const FolderItem& item : model.items)
        out.push_back({item.name, item.size, item.times[kTimeModified], item.listState, &item});
    return out;
}

// The refresh walk done the plain way, on full items of a new enumeration:
// each entry is looked for among the items not met yet, in their order.
std::vector<ItemRecord> PlainRefresh(std::vector<ItemRecord> old,
                                     const FolderModel::ItemList& fresh, std::uint64_t& totals) {
    std::vector<ItemRecord> out;
    for (const FolderItem& entry : fresh) {
        const auto it = std::find_if(old.begin(), old.end(),
                                     [&](const ItemRecord& r) { return r.name == entry.name; });
        if (it == old.end()) {
            out.push_back({entry.name, entry.size, entry.times[kTimeModified], kListNew, nullptr});
            continue;
        }
        ItemRecord met = *it;
        old.erase(it);
        if (met.size != entry.size || met.modified != entry.times[kTimeModified]) {
            if (met.state == kListListed) {
                met.state = kListChanged;
                totals += entry.size - met.size;
            }
            met.size = entry.size;
            met.modified = entry.times[kTimeModified];
        }
        out.push_back(met);
    }
    for (ItemRecord& left : old) {
        if (left.state == kListHidden)
            continue;
        left.state = kListGone;
        out.push_back(left);
    }
    return out;
}

// Refreshes of a folder changing at random (entries added, removed, grown,
// touched, reordered; names differing only in case; entries without find
// data) end exactly as the plain walk over full items: same order, marks,
// data and totals, and the met items stay the same objects.
TEST_F(FolderModelTest, RefreshMatchesThePlainWalk) {
    FakeNode& docs = Docs();
    struct Entry {
        std::uint64_t size;
        FileTime modified;
        bool withFindData;
    };
    std::map<QString, Entry> disk;
    std::mt19937 random(20240611u);
    const auto chance = [&](int percent) { return int(random() % 100) < percent; };
    const auto poolName = [&] {
        const int n = int(random() % 60);
        return (n % 7 == 0 ? QStringLiteral("F") : QStringLiteral("f")) + QString::number(n / 2);
    };
    const auto writeDisk = [&] {
        std::vector<QString> order;
        for (const auto& [name, entry] : disk) order.push_back(name);
        std::shuffle(order.begin(), order.end(), random);
        for (const auto& [name, entry] : disk) docs.Remove(name);
        for (const QString& name : order) {
            const Entry& e = disk[name];
            docs.AddFile(name, e.size, e.modified,
                         e.withFindData ? kFsFile : FakeNode::kFileAttributes);
        }
    };
    for (int i = 0; i < 30; ++i) disk[poolName()] = {random() % 50, kTime1, !chance(10)};
    writeDisk();

    FolderModel model;
    ASSERT_EQ(model.Open(shell->AbsoluteId(docs), true), FolderModel::kReadOk);
    ASSERT_TRUE(model.IsFileSystem());
    std::uint64_t totals = 0;
    for (const FolderItem& item : model.items) totals += item.size;

    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        // Settle the last refresh as the pane does, then hide a few items.
        for (auto it = model.items.begin(); it != model.items.end();) {
            if (it->listState == kListGone) {
                totals -= it->size;
                it = model.DestroyItem(it);
                continue;
            }
            if (it->listState != kListHidden) {
                if (it->listState == kListNew)
                    totals += it->size;
                it->listState = chance(15) ? kListHidden : kListListed;
                if (it->listState == kListHidden)
                    totals -= it->size;
            }
            ++it;
        }
        for (auto it = disk.begin(); it != disk.end();) {
            if (chance(12)) {
                it = disk.erase(it);
                continue;
            }
            if (chance(12))
                it->second.size += 1 + random() % 9;
            if (chance(8))
                it->second.modified += 10000000;
            ++it;
        }
        for (int i = 0; i < 4; ++i) {
            if (chance(60))
                disk.try_emplace(poolName(), Entry{random() % 50, kTime2, !chance(10)});
        }
        writeDisk();

        FolderModel::ItemList fresh;
        ASSERT_EQ(model.Enumerate(fresh), FolderModel::kReadOk);
        std::uint64_t expectedTotals = totals;
        const std::vector<ItemRecord> expected =
            PlainRefresh(Records(model), fresh, expectedTotals);

        ASSERT_TRUE(model.Refresh(totals));
        std::vector<ItemRecord> got = Records(model);
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            if (!expected[i].item)
                got[i].item = nullptr;  // a new item: any object
        }
        EXPECT_EQ(got, expected);
        EXPECT_EQ(totals, expectedTotals);
    }
}

TEST_F(FolderModelTest, LookupsAndRename) {
    FakeNode& docs = Docs();
    docs.AddFile("a", 1, kTime1, kFsFile);
    docs.AddFile("A", 2, kTime2, kFsFile);
    FolderModel model;
    ASSERT_EQ(model.Open(shell->AbsoluteId(docs), true), FolderModel::kReadOk);
    ASSERT_NE(model.FindByName("a"), nullptr);
    EXPECT_EQ(model.FindByName("a")->size, 1u);
    EXPECT_EQ(model.FindByName("A")->size, 2u);
    EXPECT_EQ(model.FindByName("b"), nullptr);
    EXPECT_EQ(model.FindById(FakeShellNamespace::ItemId("A")), model.FindByName("A"));
    EXPECT_EQ(model.FindById(FakeShellNamespace::ItemId("x")), nullptr);

    FolderItem* old = model.FindByName("a");
    old->times[kTimeAccessed] = kTime2;
    FolderItem* renamed = model.RenameItem(old, "b");
    ASSERT_NE(renamed, nullptr);
    EXPECT_EQ(renamed->name, "b");
    EXPECT_EQ(renamed->times[kTimeAccessed], kTime2);
    EXPECT_EQ(&model.items.back(), renamed);
    EXPECT_EQ(model.ItemCount(), 2);
    EXPECT_EQ(model.FindByName("a"), nullptr);

    docs.Child("b")->FailRename();
    EXPECT_EQ(model.RenameItem(renamed, "c"), nullptr);
    EXPECT_EQ(model.FindByName("b"), renamed);
}

// The name lookup follows every change of the items: refreshes that add,
// remove and hide entries (names differing only in case among them), items
// destroyed by position and by pointer, and renames, in a file-system
// folder (entries compared by their find data) and in a virtual one (by
// full items). After every step each name finds exactly the first item of
// that name, and names no item has find nothing.
TEST_F(FolderModelTest, FindByNameFollowsEveryChangeOfTheItems) {
    FakeNode& docs = Docs();
    FakeNode& places = Root().AddFolder("Places");
    std::mt19937 random(4242u);
    const auto chance = [&](int percent) { return int(random() % 100) < percent; };
    QStringList pool;
    for (int i = 0; i < 24; ++i)
        pool << QStringLiteral("n%1").arg(i) << QStringLiteral("N%1").arg(i);

    for (FakeNode* node : {&docs, &places}) {
        SCOPED_TRACE(node->Name().toStdString());
        const std::uint32_t fileAttributes = node == &docs ? kFsFile : FakeNode::kFileAttributes;
        std::set<QString> disk;
        for (int i = 0; i < 12; ++i) disk.insert(pool[int(random() % pool.size())]);
        for (const QString& name : disk) node->AddFile(name, 1, kTime1, fileAttributes);

        FolderModel model;
        ASSERT_NE(model.Open(shell->AbsoluteId(*node), true), FolderModel::kReadFailed);
        ASSERT_EQ(model.IsFileSystem(), node == &docs);
        const auto check = [&](const char* step) {
            QStringList names = pool;
            for (const FolderItem& item : model.items) names << item.name;
            for (const QString& name : names) {
                FolderItem* expected = nullptr;
                for (FolderItem& item : model.items) {
                    if (item.name == name) {
                        expected = &item;
                        break;
                    }
                }
                ASSERT_EQ(model.FindByName(name), expected) << step << " " << name.toStdString();
            }
        };
        check("opened");

        for (int round = 0; round < 30; ++round) {
            SCOPED_TRACE(round);
            // Settle as the pane does, by position or by pointer, and hide
            // a few items (a refresh destroys the hidden ones that vanished).
            for (auto it = model.items.begin(); it != model.items.end();) {
                if (it->listState == kListGone) {
                    if (chance(50)) {
                        it = model.DestroyItem(it);
                    } else {
                        FolderItem* gone = &*it++;
                        model.DestroyItem(gone);
                    }
                    continue;
                }
                it->listState = chance(20) ? kListHidden : kListListed;
                ++it;
            }
            check("settled");

            // A rename to a name the folder does not hold yet.
            if (!model.items.empty() && chance(60)) {
                auto it = model.items.begin();
                std::advance(it, random() % model.items.size());
                const QString old = it->name;
                QString target = pool[int(random() % pool.size())];
                if (target == old)
                    target += QStringLiteral("x");
                FolderItem* renamed = model.RenameItem(&*it, target);
                if (renamed) {
                    disk.erase(old);
                    disk.insert(target);
                }
                ASSERT_EQ(renamed != nullptr, !node->Child(old)) << old.toStdString();
                check("renamed");
            }

            for (auto it = disk.begin(); it != disk.end();) {
                if (chance(15)) {
                    node->Remove(*it);
                    it = disk.erase(it);
                } else {
                    ++it;
                }
            }
            for (int i = 0; i < 3; ++i) {
                const QString name = pool[int(random() % pool.size())];
                if (disk.insert(name).second)
                    node->AddFile(name, 2, kTime2, fileAttributes);
            }
            std::uint64_t totals = 0;
            ASSERT_TRUE(model.Refresh(totals));
            check("refreshed");
        }
    }

    // An item of another model is not ours to destroy.
    FolderModel first;
    FolderModel second;
    ASSERT_EQ(first.Open(shell->AbsoluteId(docs), true), FolderModel::kReadOk);
    ASSERT_EQ(second.Open(shell->AbsoluteId(docs), true), FolderModel::kReadOk);
    ASSERT_GT(first.ItemCount(), 0);
    const int count = second.ItemCount();
    second.DestroyItem(&first.items.front());
    EXPECT_EQ(second.ItemCount(), count);
    EXPECT_NE(second.FindByName(first.items.front().name), nullptr);
}

}  // namespace

// -- The real namespace: the watch and the clean-up -----------------------------

namespace {

class FolderModelDiskTest : public RealShellTest {};

TEST_F(FolderModelDiskTest, WatchOnlyForLocalFileSystemFolders) {
    TestDir dir;
    QObject receiver;
    FolderModel model;
    ASSERT_EQ(model.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
    EXPECT_FALSE(model.IsWatchEnabled());
    ASSERT_TRUE(model.StartWatch(&receiver));
    EXPECT_TRUE(model.IsWatching());
    EXPECT_TRUE(model.IsWatchEnabled());
    EXPECT_EQ(model.watch->WatchScope(), ChangeWatch::Scope::Everything);
    EXPECT_EQ(model.watch->FolderPath(), NameToBytes(model.path));
    model.SetWatchEnabled(false);
    EXPECT_FALSE(model.IsWatchEnabled());
    EXPECT_FALSE(model.StartWatch(&receiver));  // one watch per model

    FolderModel folders(SHCONTF_FOLDERS);
    ASSERT_EQ(folders.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
    ASSERT_TRUE(folders.StartWatch(&receiver));
    EXPECT_EQ(folders.watch->WatchScope(), ChangeWatch::Scope::FoldersOnly);

    // Computer is no file-system folder.
    FolderModel computer;
    ASSERT_EQ(computer.Open(SHGetSpecialFolderLocation(CSIDL_DRIVES), true), FolderModel::kReadOk);
    EXPECT_FALSE(computer.StartWatch(&receiver));
}

// A refresh by the names of the changed entries marks them and moves the
// totals as the full re-read does: files grown, shrunk, only touched, made,
// deleted, renamed, replaced by a link or a folder; an entry hidden by the
// filter that goes is destroyed; names of nothing change nothing; a dot
// file is added only while hidden files are shown.
TEST_F(FolderModelDiskTest, RefreshByNameMarksAsTheFullRefresh) {
    TestDir dir;
    for (const char* name :
         {"grow", "shrink", "touch", "same", "gone", "old", "link-me", "dir-me", "filtered.log"})
        ASSERT_TRUE(dir.MakeFile(name, "12345", 1600000000));
    const bool showHidden = General().showHiddenFiles;
    for (bool hidden : {true, false}) {
        MutableGeneral().showHiddenFiles = hidden;
        FolderModel full;
        FolderModel named;
        ASSERT_EQ(full.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
        ASSERT_EQ(named.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
        ASSERT_TRUE(named.CanRefreshByName());
        for (FolderModel* model : {&full, &named}) {
            for (FolderItem& item : model->items) item.listState = kListListed;
            if (FolderItem* item = model->FindByName("filtered.log"))
                item->listState = kListHidden;
        }

        const QByteArray round = hidden ? "1" : "2";
        ASSERT_TRUE(dir.MakeFile("grow", "1234567890", 1600000000));
        ASSERT_TRUE(dir.MakeFile("shrink", "1", 1600000000));
        ASSERT_TRUE(dir.MakeFile("touch", "12345", 1700000000));
        ASSERT_TRUE(dir.MakeFile("new" + round, "abc"));
        ASSERT_TRUE(dir.MakeFile(".dot" + round, "abc"));
        ASSERT_TRUE(dir.MakeFolder("folder" + round));
        ASSERT_EQ(::unlink(dir.Join("gone").constData()), 0);
        ASSERT_EQ(::unlink(dir.Join("filtered.log").constData()), 0);
        ASSERT_EQ(::rename(dir.Join("old").constData(), dir.Join("renamed" + round).constData()),
                  0);
        ASSERT_EQ(::unlink(dir.Join("link-me").constData()), 0);
        ASSERT_TRUE(dir.MakeSymlink("link-me", "same"));
        ASSERT_EQ(::unlink(dir.Join("dir-me").constData()), 0);
        ASSERT_TRUE(dir.MakeFolder("dir-me"));

        std::uint64_t fullTotal = 1000;
        std::uint64_t namedTotal = 1000;
        ASSERT_TRUE(full.Refresh(fullTotal));
        const std::vector<QString> names = {
            "grow",           "shrink",   "touch",        "same", "new" + round,     ".dot" + round,
            "folder" + round, "gone",     "filtered.log", "old",  "renamed" + round, "link-me",
            "dir-me",         "never-was"};
        ASSERT_TRUE(named.RefreshNames(names, namedTotal));
        EXPECT_EQ(namedTotal, fullTotal);

        // Every item the full refresh has, with its mark and data, except
        // the one whose name was not given.
        std::map<QString, std::tuple<int, std::uint64_t, FileTime>> expected;
        std::map<QString, std::tuple<int, std::uint64_t, FileTime>> got;
        for (const FolderItem& item : full.items)
            expected[item.name] = {item.listState, item.size, item.times[kTimeModified]};
        for (const FolderItem& item : named.items)
            got[item.name] = {item.listState, item.size, item.times[kTimeModified]};
        EXPECT_EQ(got, expected) << "hidden files shown: " << hidden;
        EXPECT_EQ(std::get<0>(got["grow"]), kListChanged);
        EXPECT_EQ(std::get<0>(got["touch"]), kListChanged);
        EXPECT_EQ(std::get<0>(got["new" + round]), kListNew);
        EXPECT_EQ(std::get<0>(got["gone"]), kListGone);
        EXPECT_EQ(got.count("filtered.log"), 0u) << "hidden by the filter: destroyed";
        EXPECT_EQ(got.count(".dot" + round), hidden ? 1u : 0u);
        EXPECT_EQ(named.FindByName("never-was"), nullptr);

        // Settle both as the pane would, and put back what this round did.
        for (FolderModel* model : {&full, &named}) {
            for (auto it = model->items.begin(); it != model->items.end();)
                it = it->listState == kListGone ? model->DestroyItem(it) : std::next(it);
        }
        for (const char* name : {"grow", "shrink", "touch"})
            ASSERT_TRUE(dir.MakeFile(name, "12345", 1600000000));
        ASSERT_EQ(::rename(dir.Join("renamed" + round).constData(), dir.Join("old").constData()),
                  0);
        ASSERT_TRUE(dir.MakeFile("gone", "12345", 1600000000));
        ASSERT_TRUE(dir.MakeFile("filtered.log", "12345", 1600000000));
        ASSERT_EQ(::unlink(dir.Join("link-me").constData()), 0);
        ASSERT_TRUE(dir.MakeFile("link-me", "12345", 1600000000));
        ASSERT_EQ(::rmdir(dir.Join("dir-me").constData()), 0);
        ASSERT_TRUE(dir.MakeFile("dir-me", "12345", 1600000000));
    }
    MutableGeneral().showHiddenFiles = showHidden;

    // The Desktop and folders-only models re-read in full.
    FolderModel desktop;
    ASSERT_EQ(desktop.Open(IdList::Empty(), true), FolderModel::kReadOk);
    EXPECT_FALSE(desktop.CanRefreshByName());
    std::uint64_t total = 0;
    EXPECT_FALSE(desktop.RefreshNames({"x"}, total));
    FolderModel folders(SHCONTF_FOLDERS);
    ASSERT_EQ(folders.Open(ParsePath(dir.Path()), true), FolderModel::kReadOk);
    EXPECT_FALSE(folders.CanRefreshByName());
}

// The Trash pane follows trashing done anywhere: its watch sits on the home
// trash's info folder, made when missing, and a trashing is announced.
TEST_F(FolderModelDiskTest, TrashWatchSeesTrashing) {
    class Receiver : public QObject {
    public:
        bool event(QEvent* e) override {
            if (e->type() == QEvent::Type(WM_FOLDER_CHANGED))
                ++notices;
            return QObject::event(e);
        }
        int notices = 0;
    } receiver;
    ASSERT_FALSE(QFileInfo::exists(QString::fromUtf8(HomeTrashPath())));
    FolderModel trash;
    ASSERT_EQ(trash.Open(SHGetSpecialFolderLocation(CSIDL_BITBUCKET), true), FolderModel::kReadOk);
    ASSERT_TRUE(trash.StartWatch(&receiver));
    EXPECT_EQ(trash.watch->FolderPath(), HomeTrashPath() + "/info");

    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("gone.txt", "bytes"));
    ASSERT_EQ(MoveToTrash(dir.Join("gone.txt")), TrashResult::Trashed);
    WaitFor([&] { return receiver.notices > 0; });
    EXPECT_GT(receiver.notices, 0);

    // A trash with an entry is still the virtual Trash (its entries know
    // their deletion dates without describing themselves) and is watched.
    FolderModel full;
    ASSERT_EQ(full.Open(SHGetSpecialFolderLocation(CSIDL_BITBUCKET), true), FolderModel::kReadOk);
    EXPECT_TRUE(full.IsVirtual());
    ASSERT_EQ(full.ItemCount(), 1);
    EXPECT_EQ(full.items.front().name, QStringLiteral("gone.txt"));
    EXPECT_EQ(full.items.front().size, 5u);
    EXPECT_NE(full.items.front().times[kTimeModified], 0u);
    EXPECT_TRUE(full.StartWatch(&receiver));

    // Other virtual folders have nothing to watch.
    FolderModel computer;
    ASSERT_EQ(computer.Open(SHGetSpecialFolderLocation(CSIDL_DRIVES), true), FolderModel::kReadOk);
    EXPECT_FALSE(computer.StartWatch(&receiver));
}

// A descriptor folder's model removes the archive handlers' leftovers from
// the temporary folder, only what this user owns and never through a link.
TEST(FolderModelCleanup, LeftoversOfDescriptorFolders) {
    TestDir temp;
    TestDir outside;
    ASSERT_TRUE(outside.MakeFile("keep.txt", "k"));
    ASSERT_TRUE(temp.MakeFile("TD_1.dir/a.txt", "a"));
    ASSERT_TRUE(temp.MakeFile("TD_1.dir/ro/b.txt", "b"));
    ASSERT_TRUE(temp.SetMode("TD_1.dir/ro/b.txt", 0444));
    ASSERT_TRUE(temp.SetMode("TD_1.dir/ro", 0555));
    ASSERT_TRUE(temp.MakeFile("Temporary7.zip", "z"));
    ASSERT_TRUE(temp.MakeFile("Temporary8.zip", "z"));
    ASSERT_EQ(::chown(temp.Join("Temporary8.zip").constData(), 65534, 65534), 0);
    ASSERT_TRUE(temp.MakeFile("td_lower.dir", "case differs"));
    ASSERT_TRUE(temp.MakeFile("other.txt", "o"));
    ASSERT_TRUE(temp.MakeSymlink("TD_link.dir", outside.PathBytes()));

    const QByteArray previous = qgetenv("TMPDIR");
    qputenv("TMPDIR", temp.PathBytes());
    {
        ScopedFakeShell shell;
        ResetShellContext();
        FakeNode& zip = shell->Root().AddFolder("Zip", SFGAO_FOLDER | SFGAO_BROWSABLE);
        zip.AddFile("x").SetContents("x").SetTimes(kTime1);
        auto model = std::make_unique<FolderModel>();
        ASSERT_EQ(model->Open(shell->AbsoluteId(zip), true), FolderModel::kReadOk);
        ASSERT_TRUE(model->IsDescriptor());
        model.reset();
        ResetShellContext();
    }
    if (previous.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", previous);

    EXPECT_FALSE(temp.Exists("TD_1.dir"));
    EXPECT_FALSE(temp.Exists("Temporary7.zip"));
    EXPECT_TRUE(temp.Exists("Temporary8.zip"));  // somebody else's
    EXPECT_TRUE(temp.Exists("td_lower.dir"));
    EXPECT_TRUE(temp.Exists("other.txt"));
    struct stat st;
    EXPECT_NE(::lstat(temp.Join("TD_link.dir").constData(), &st), 0);  // the link went
    EXPECT_TRUE(outside.Exists("keep.txt"));                           // its target did not
}

}  // namespace
