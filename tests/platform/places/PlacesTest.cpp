// The Desktop's virtual places through the real namespace: their order,
// the special folder locations, Network over a fixture mount table and a
// GVfs folder, Printers over a fixed printer list.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "platform/desktop/LinuxShell.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/ClipFormats.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/places/GioFolder.h"
#include "platform/places/NetworkFolder.h"
#include "platform/places/PrintersFolder.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

std::vector<IdList> Items(ShellFolder& folder, std::uint32_t flags = kAll) {
    std::vector<IdList> out;
    auto e = folder.EnumObjects(flags);
    IdList id;
    while (e && e->Next(id) == EnumIdList::Result::Item) out.push_back(id);
    return out;
}

QStringList verbsOfMenu(std::unique_ptr<ShellContextMenu> menu) {
    QStringList verbs;
    std::vector<ContextMenuEntry> entries;
    if (menu && menu->QueryContextMenu(entries, 1, 100, CMF_NORMAL | CMF_CANRENAME)) {
        for (const ContextMenuEntry& e : entries) verbs << (e.id ? e.verb : QStringLiteral("-"));
    }
    return verbs;
}

QString Parsing(ShellFolder& folder, const IdList& id) {
    return folder.GetDisplayNameOf(id, SHGDN_FORPARSING).value_or(QStringLiteral("<none>"));
}

}  // namespace

TEST(Places, DesktopOrderAndSpecialFolderLocations) {
    const QString desktopDir = HomeDirectory() + QStringLiteral("/Desktop");
    ASSERT_TRUE(QDir().mkpath(desktopDir + "/a folder"));
    QFile note(desktopDir + "/b.txt");
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.close();

    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();
    QStringList names;
    for (const IdList& id : Items(*desktop))
        names << desktop->GetDisplayNameOf(id, SHGDN_INFOLDER).value_or("<none>");
    // The places in their order, then the desktop directory's entries in
    // the order the directory gives them.
    ASSERT_EQ(names.size(), 8);
    EXPECT_EQ(names.mid(0, 6),
              (QStringList{"Computer", "Home", "Network", "Trash", "Settings", "Printers"}));
    QStringList files = names.mid(6);
    files.sort();
    EXPECT_EQ(files, (QStringList{"a folder", "b.txt"}));
    // Sorted, the places stay first and in their order.
    auto items = Items(*desktop);
    std::sort(items.begin(), items.end(),
              [&](const IdList& a, const IdList& b) { return desktop->CompareIDs(0, a, b) < 0; });
    QStringList sorted;
    for (const IdList& id : items) sorted << *desktop->GetDisplayNameOf(id, SHGDN_INFOLDER);
    EXPECT_EQ(sorted, (QStringList{"Computer", "Home", "Network", "Trash", "Settings", "Printers",
                                   "a folder", "b.txt"}));

    struct Expected {
        int csidl;
        QString parsing;
        bool virtualPlace;
    };
    const QString config = NameFromBytes(XdgConfigHome());
    QDir(config + "/autostart").removeRecursively();
    const Expected expected[] = {
        {CSIDL_NETHOOD, "::Network", true},    {CSIDL_NETWORK, "::Network", true},
        {CSIDL_BITBUCKET, "::Trash", true},    {CSIDL_CONTROLS, "::Settings", true},
        {CSIDL_PRINTERS, "::Printers", true},  {CSIDL_STARTMENU, "::StartMenu", true},
        {CSIDL_PROGRAMS, "::StartMenu", true}, {CSIDL_STARTUP, config + "/autostart", false},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.parsing.toStdString());
        const IdList id = shell.SpecialFolderLocation(e.csidl);
        ASSERT_FALSE(id.IsNull());
        EXPECT_EQ(Parsing(*desktop, id), e.parsing);
        // Every location binds to a folder and parses back to itself.
        auto folder = desktop->BindToObject(id);
        ASSERT_TRUE(folder);
        EXPECT_TRUE(desktop->ParseDisplayName(e.parsing) == id);
        std::uint32_t bits = ~0u;
        ASSERT_TRUE(desktop->GetAttributesOf(std::span(&id, 1), bits));
        EXPECT_TRUE(bits & SFGAO_FOLDER);
        EXPECT_EQ(!(bits & SFGAO_FILESYSTEM), e.virtualPlace);
        EXPECT_GE(SHGetFileInfoIconIndex(id, false), 0);
    }
    EXPECT_TRUE(QFileInfo(config + "/autostart").isDir()) << "made on first use";
    EXPECT_TRUE(shell.SpecialFolderLocation(0x7777).IsNull());

    // The trash on the Desktop takes drops like the trash folder.
    const IdList trash = shell.SpecialFolderLocation(CSIDL_BITBUCKET);
    EXPECT_TRUE(desktop->GetDropTarget(std::span(&trash, 1)));
    const IdList printers = shell.SpecialFolderLocation(CSIDL_PRINTERS);
    EXPECT_FALSE(desktop->GetDropTarget(std::span(&printers, 1)));
    const int trashIcon = SHGetFileInfoIconIndex(trash, false);
    EXPECT_TRUE(trashIcon == IconRegistry::TrashEmptyIcon ||
                trashIcon == IconRegistry::TrashFullIcon);

    QDir(desktopDir).removeRecursively();
}

TEST(Places, NetworkListsRemoteMountsAndGvfsShares) {
    const QByteArray mountInfo =
        "20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
        "21 20 0:40 / /mnt/nfs rw - nfs4 fileserver:/export/home rw\n"
        "22 20 0:41 / /mnt/win rw - cifs //nas/Public\\040Docs rw\n"
        "23 20 0:42 / /home/u/remote rw - fuse.sshfs alice@box:/srv/data rw\n"
        "24 20 0:43 / /run/user/1000/gvfs rw - fuse.gvfsd-fuse gvfsd-fuse rw\n"
        "25 20 8:2 / /media/u/stick rw - vfat /dev/sdb1 rw\n";
    TestDir gvfs;
    ASSERT_TRUE(gvfs.MakeFolder("smb-share:server=nas2,share=music"));
    ASSERT_TRUE(gvfs.MakeFile("smb-share:server=nas2,share=music/song.ogg", "s"));
    ASSERT_TRUE(gvfs.MakeFolder("sftp:host=example.org,user=bob"));
    const VolumeTable table(ParseMountInfo(mountInfo), VisibilityContext::Current());
    NetworkFolder network(IdList::Empty(), table, gvfs.PathBytes());

    // The first item is the action that connects to a server; the places
    // follow.
    const auto all = Items(network);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(*network.GetDisplayNameOf(all[0], SHGDN_INFOLDER),
              QStringLiteral("Connect to Server"));
    EXPECT_EQ(Parsing(network, all[0]), ConnectToServerParsingName());
    std::uint32_t actionBits = ~0u;
    ASSERT_TRUE(network.GetAttributesOf(std::span(&all[0], 1), actionBits));
    EXPECT_FALSE(actionBits & SFGAO_FOLDER) << "the action is not a place to open";
    EXPECT_FALSE(network.BindToObject(all[0]));
    EXPECT_EQ(verbsOfMenu(network.GetContextMenu({&all[0], 1})), QStringList{"open"});
    const auto items = std::vector<IdList>(all.begin() + 1, all.end());
    QStringList names, paths;
    for (const IdList& id : items) {
        names << *network.GetDisplayNameOf(id, SHGDN_INFOLDER);
        paths << Parsing(network, id);
    }
    EXPECT_EQ(names, (QStringList{"/export/home on fileserver", "Public Docs on nas",
                                  "/srv/data on box", "example.org", "music on nas2"}));
    EXPECT_EQ(paths[0], QStringLiteral("/mnt/nfs"));
    EXPECT_EQ(paths[4], gvfs.Path() + "/smb-share:server=nas2,share=music");
    EXPECT_EQ(Items(network, SHCONTF_NONFOLDERS).size(), 1u);
    EXPECT_EQ(Items(network, SHCONTF_FOLDERS).size(), items.size());

    // A share is a file-system folder: parse into it, bind, list.
    std::uint32_t bits = ~0u;
    ASSERT_TRUE(network.GetAttributesOf(std::span(&items[4], 1), bits));
    EXPECT_TRUE((bits & SFGAO_FILESYSTEM) && (bits & SFGAO_FOLDER));
    const IdList song = network.ParseDisplayName(paths[4] + "/song.ogg");
    ASSERT_EQ(song.Count(), 2);
    EXPECT_EQ(Parsing(network, song), paths[4] + "/song.ogg");
    auto share = network.BindToObject(items[4]);
    ASSERT_TRUE(share);
    EXPECT_EQ(Items(*share).size(), 1u);
    EXPECT_TRUE(network.ParseDisplayName("/media/u/stick").IsNull()) << "a local volume";
    EXPECT_FALSE(network.GetDisplayNameOf(VolumeItemId("/media/u/stick"), 0));

    // Menus: a place opens and shows its properties, never deletes; below
    // a place, the menu of its folder.
    auto verbsOf = [](std::unique_ptr<ShellContextMenu> menu) {
        QStringList verbs;
        std::vector<ContextMenuEntry> entries;
        if (menu && menu->QueryContextMenu(entries, 1, 100, CMF_NORMAL | CMF_CANRENAME)) {
            for (const ContextMenuEntry& e : entries)
                verbs << (e.id ? e.verb : QStringLiteral("-"));
        }
        return verbs;
    };
    // A GVfs place can be unmounted; a mount of the system's cannot.
    EXPECT_EQ(verbsOf(network.GetContextMenu({&items[4], 1})),
              (QStringList{"open", "-", "properties", "-", "unmount"}));
    EXPECT_EQ(verbsOf(network.GetContextMenu({&items[0], 1})),
              (QStringList{"open", "-", "properties"}));
    EXPECT_EQ(verbsOf(network.GetContextMenu(std::span(items.data(), 2))), QStringList{"open"});
    EXPECT_TRUE(verbsOf(network.GetContextMenu({&song, 1})).contains("delete"));
    const IdList stick = VolumeItemId("/media/u/stick");
    EXPECT_FALSE(network.GetContextMenu({&stick, 1}));
    // The data object carries the places' paths.
    auto data = network.GetDataObject(std::span(items.data() + 3, 2));
    ASSERT_TRUE(data);
    EXPECT_TRUE(data->HasFormat(ClipFormats::kShellIdList));
    EXPECT_TRUE(data->GetData(ClipFormats::kUriList).contains("smb-share"));

    // Without a GVfs folder only the mounts are left.
    NetworkFolder mountsOnly(IdList::Empty(), table, gvfs.PathBytes() + "/missing");
    EXPECT_EQ(Items(mountsOnly, SHCONTF_FOLDERS).size(), 3u);
    EXPECT_EQ(RemoteSourceName("garbage", "nfs"), QString());
}

TEST(Places, NetworkNamesGvfsMountsAsTheDesktopDoesAndKeepsTheActionFirst) {
    TestDir gvfs;
    ASSERT_TRUE(gvfs.MakeFolder("sftp:host=a.example,user=amy"));
    ASSERT_TRUE(gvfs.MakeFolder("ftp:host=b.example"));
    const QByteArray sftpPath = gvfs.PathBytes() + "/sftp:host=a.example,user=amy";
    // Named "Aardvark ..." so that a plain sort by name would put it first.
    RemoteMap map({{QStringLiteral("sftp://amy@a.example/"), sftpPath,
                    QStringLiteral("Aardvark on a.example")}},
                  gvfs.PathBytes());
    const VolumeTable table(ParseMountInfo("20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"),
                            VisibilityContext::Current());
    NetworkFolder network(IdList::Empty(), table, gvfs.PathBytes(), map);
    auto items = Items(network);
    std::sort(items.begin(), items.end(),
              [&](const IdList& a, const IdList& b) { return network.CompareIDs(0, a, b) < 0; });
    QStringList names;
    for (const IdList& id : items) names << *network.GetDisplayNameOf(id, SHGDN_INFOLDER);
    EXPECT_EQ(names, (QStringList{"Connect to Server", "Aardvark on a.example", "b.example"}));
    // The mount's location is its URI, also for a bridge folder the map
    // does not know yet.
    EXPECT_TRUE(network.GetInfoTip(items[1])->contains(QStringLiteral("sftp://amy@a.example/")));
    EXPECT_TRUE(network.GetInfoTip(items[2])->contains(QStringLiteral("ftp://b.example/")));
}

// A location mounted without a local folder is a place of its own, by its
// URI, listed once beside the bridge's folders: a typed URI below it parses
// to the folders inside (names with spaces and bytes that are not UTF-8
// kept), binds to the GIO folder of that very URI, and names itself back
// by the same URI; it is not a file-system place, so the engine never gets
// it as a path.
TEST(Places, NetworkBrowsesALocationWithoutALocalFolderByItsUri) {
    TestDir gvfs;
    ASSERT_TRUE(gvfs.MakeFolder("sftp:host=a.example,user=amy"));
    const QByteArray bridged = gvfs.PathBytes() + "/sftp:host=a.example,user=amy";
    RemoteMap map({{QStringLiteral("sftp://amy@a.example/"), bridged, QStringLiteral("amy on a")},
                   {QStringLiteral("sftp://bo@b.example:2222/"), QByteArray(),
                    QStringLiteral("bo on b.example")}},
                  gvfs.PathBytes());
    const VolumeTable table(ParseMountInfo("20 1 8:1 / / rw - ext4 /dev/sda1 rw\n"),
                            VisibilityContext::Current());
    NetworkFolder network(IdList::Empty(), table, gvfs.PathBytes(), map);
    QStringList names;
    IdList place;
    for (const IdList& id : Items(network)) {
        names << *network.GetDisplayNameOf(id, SHGDN_INFOLDER);
        if (names.back() == QStringLiteral("bo on b.example"))
            place = id;
    }
    names.sort();
    EXPECT_EQ(names, (QStringList{"Connect to Server", "amy on a", "bo on b.example"}));
    ASSERT_FALSE(place.IsNull());
    EXPECT_EQ(network.GetDisplayNameOf(place, SHGDN_FORPARSING),
              QStringLiteral("sftp://bo@b.example:2222/"));
    std::uint32_t bits = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_DROPTARGET;
    ASSERT_TRUE(network.GetAttributesOf(std::span(&place, 1), bits));
    EXPECT_EQ(bits, std::uint32_t(SFGAO_FOLDER | SFGAO_DROPTARGET));

    const QString typed = QStringLiteral("sftp://bo@b.example:2222/home/two%20words/%FF");
    const IdList below = network.ParseDisplayName(typed);
    ASSERT_EQ(below.Count(), 4);
    EXPECT_EQ(below.Prefix(1).ToByteArray(), place.ToByteArray());
    EXPECT_EQ(DecodeFileSystemItem(below.ItemPayload(2))->name, QByteArray("two words"));
    EXPECT_EQ(DecodeFileSystemItem(below.ItemPayload(3))->name, QByteArray("\xff"));
    EXPECT_EQ(network.GetDisplayNameOf(below, SHGDN_FORPARSING), typed);
    std::unique_ptr<ShellFolder> bound = network.BindToObject(below);
    auto* folder = dynamic_cast<GioFolder*>(bound.get());
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->Uri(), typed);
    // Another server, or a location that is not mounted, is nothing here.
    EXPECT_TRUE(network.ParseDisplayName(QStringLiteral("sftp://bo@c.example:2222/x")).IsNull());
}

TEST(Places, PrintersAreVirtualItemsWithTheDefaultFirst) {
    std::vector<PrinterRecord> list(3);
    list[0].name = "office_laser";
    list[0].description = "Office Laser";
    list[0].location = "Room 2";
    list[1].name = "zebra";
    list[2].name = "attic";
    list[2].isDefault = true;
    list[2].state = "Idle";
    PrintersFolder printers(IdList::Empty(), list);

    auto items = Items(printers);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_TRUE(Items(printers, SHCONTF_FOLDERS).empty());
    std::sort(items.begin(), items.end(),
              [&](const IdList& a, const IdList& b) { return printers.CompareIDs(0, a, b) < 0; });
    QStringList names;
    for (const IdList& id : items) names << *printers.GetDisplayNameOf(id, SHGDN_INFOLDER);
    EXPECT_EQ(names, (QStringList{"attic", "Office Laser", "zebra"}));
    EXPECT_EQ(Parsing(printers, items[1]), QStringLiteral("::Printers/office_laser"));
    EXPECT_TRUE(printers.ParseDisplayName("::Printers/office_laser") == items[1]);
    EXPECT_TRUE(printers.ParseDisplayName("nowhere").IsNull());
    EXPECT_TRUE(printers.GetInfoTip(items[1])->contains(QStringLiteral("Room 2")));
    EXPECT_TRUE(printers.GetInfoTip(items[0])->contains(QStringLiteral("Default printer")));
    std::uint32_t bits = ~0u;
    ASSERT_TRUE(printers.GetAttributesOf(items, bits));
    EXPECT_FALSE(bits & (SFGAO_FILESYSTEM | SFGAO_FOLDER));
    EXPECT_EQ(printers.GetIconIndex(items[0], false), int(IconRegistry::PrinterIcon));
    // The real print system answers without failing (it may have none).
    PrintersFolder real(IdList::Empty());
    EXPECT_EQ(Items(real).size(), real.Printers().size());
}
