#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <map>

#include "platform/desktop/LinuxShell.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/IconRegistry.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "support/TestDir.h"

namespace {

constexpr std::uint32_t kAll = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN;

std::vector<IdList> Items(ShellFolder& folder, std::uint32_t flags = kAll) {
    std::vector<IdList> out;
    auto e = folder.EnumObjects(flags);
    if (!e)
        return out;
    IdList id;
    while (e->Next(id) == EnumIdList::Result::Item) out.push_back(id);
    return out;
}

QString Parsing(ShellFolder& folder, const IdList& id) {
    return folder.GetDisplayNameOf(id, SHGDN_FORPARSING).value_or(QStringLiteral("<none>"));
}

bool WriteFile(const QString& path, const QByteArray& text) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// The test's home (main.cpp points HOME into a temporary folder).
QString Home() {
    return HomeDirectory();
}

}  // namespace

TEST(LinuxShell, AbsolutePathsRoundTripThroughTheDesktop) {
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("sub/deep file.txt", "x"));
    ASSERT_TRUE(dir.MakeFile("odd\xE9", "y"));
    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();

    const QString path = dir.Path() + "/sub/deep file.txt";
    const IdList id = desktop->ParseDisplayName(path);
    ASSERT_FALSE(id.IsNull());
    // [Computer][volume][...]: the volume that holds a temporary folder.
    EXPECT_TRUE(DecodeVirtualItem(id.ItemPayload(0)));
    const auto volume = DecodeVolumeItem(id.ItemPayload(1));
    ASSERT_TRUE(volume);
    EXPECT_TRUE(NameToBytes(path).startsWith(volume->mountPoint));
    EXPECT_EQ(Parsing(*desktop, id), path);
    EXPECT_EQ(desktop->GetDisplayNameOf(id, SHGDN_NORMAL), QStringLiteral("deep file.txt"));

    // A name that is not UTF-8, a lexically cleaned-up path, and the folder
    // bound from the list.
    const QString odd = NameFromBytes(dir.Join("odd\xE9"));
    EXPECT_EQ(NameToBytes(Parsing(*desktop, desktop->ParseDisplayName(odd))), dir.Join("odd\xE9"));
    EXPECT_EQ(desktop->ParseDisplayName(dir.Path() + "/./sub/../sub//deep file.txt"), id);
    auto sub = desktop->BindToObject(id.Trim(1));
    ASSERT_TRUE(sub);
    EXPECT_EQ(Parsing(*sub, IdList::Empty()), dir.Path() + "/sub");
    EXPECT_EQ(Items(*sub).size(), 1u);

    // Attributes and find data of the absolute list through its parent.
    std::uint32_t bits = ~0u;
    auto parent = desktop->BindToObject(id.Trim(1));
    const IdList last = id.Last();
    ASSERT_TRUE(parent->GetAttributesOf(std::span(&last, 1), bits));
    EXPECT_TRUE(bits & SFGAO_FILESYSTEM);
    EXPECT_FALSE(bits & SFGAO_FOLDER);
    EXPECT_EQ(parent->GetFindData(last)->size, 1u);

    // What the Desktop does not parse.
    EXPECT_TRUE(desktop->ParseDisplayName("relative/path").IsNull());
    EXPECT_TRUE(desktop->ParseDisplayName(dir.Path() + "/missing").IsNull());
    EXPECT_TRUE(desktop->ParseDisplayName("").IsNull());
    EXPECT_TRUE(desktop->ParseDisplayName("::Desktop").IsEmpty());
}

TEST(LinuxShell, DesktopHoldsComputerHomeAndTheDesktopFiles) {
    ASSERT_TRUE(QDir().mkpath(Home() + "/Desktop/Project"));
    ASSERT_TRUE(WriteFile(Home() + "/Desktop/note.txt", "n"));
    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();
    EXPECT_EQ(desktop->GetDisplayNameOf(IdList::Empty(), SHGDN_FORPARSING), Home() + "/Desktop");
    EXPECT_EQ(desktop->GetDisplayNameOf(IdList::Empty(), SHGDN_NORMAL), QStringLiteral("Desktop"));

    const auto items = Items(*desktop);
    ASSERT_EQ(items.size(), 8u);  // six places, then the two files
    EXPECT_EQ(Parsing(*desktop, items[0]), QStringLiteral("::Computer"));
    EXPECT_EQ(desktop->GetDisplayNameOf(items[0], SHGDN_INFOLDER), QStringLiteral("Computer"));
    EXPECT_EQ(Parsing(*desktop, items[1]), Home());
    EXPECT_EQ(desktop->GetDisplayNameOf(items[1], SHGDN_NORMAL), QStringLiteral("Home"));
    QStringList files = {Parsing(*desktop, items[6]), Parsing(*desktop, items[7])};
    files.sort();
    EXPECT_EQ(files, (QStringList{Home() + "/Desktop/Project", Home() + "/Desktop/note.txt"}));
    EXPECT_EQ(Items(*desktop, SHCONTF_NONFOLDERS).size(), 1u);

    std::uint32_t computer = ~0u;
    ASSERT_TRUE(desktop->GetAttributesOf(std::span(&items[0], 1), computer));
    EXPECT_TRUE(computer & SFGAO_FOLDER);
    EXPECT_FALSE(computer & SFGAO_FILESYSTEM);
    std::uint32_t home = ~0u;
    ASSERT_TRUE(desktop->GetAttributesOf(std::span(&items[1], 1), home));
    EXPECT_TRUE((home & SFGAO_FILESYSTEM) && (home & SFGAO_FOLDER));
    EXPECT_TRUE(shell.DesktopAttributes() & SFGAO_FILESYSTEM);

    // Binding the places: Home is the home folder, Computer starts with "/".
    auto homeFolder = desktop->BindToObject(items[1]);
    ASSERT_TRUE(homeFolder);
    EXPECT_EQ(Parsing(*homeFolder, IdList::Empty()), Home());
    auto computerFolder = desktop->BindToObject(desktop->ParseDisplayName("::Computer"));
    ASSERT_TRUE(computerFolder);
    const auto volumes = Items(*computerFolder);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(Parsing(*computerFolder, volumes[0]), QStringLiteral("/"));
    EXPECT_FALSE(computerFolder->GetDisplayNameOf(volumes[0], SHGDN_NORMAL)->isEmpty());
    std::uint32_t volume = ~0u;
    ASSERT_TRUE(computerFolder->GetAttributesOf(std::span(&volumes[0], 1), volume));
    EXPECT_TRUE(volume & SFGAO_FILESYSANCESTOR);
    EXPECT_TRUE(Items(*computerFolder, SHCONTF_NONFOLDERS).empty());

    // Files of the desktop can be renamed there, never onto another.
    const IdList note = items[6 + (files[1] == Parsing(*desktop, items[6]) ? 0 : 1)];
    EXPECT_TRUE(desktop->SetNameOf(note, "Project", 0).IsNull());
    EXPECT_FALSE(desktop->SetNameOf(note, "renamed.txt", 0).IsNull());
    EXPECT_TRUE(QFile::exists(Home() + "/Desktop/renamed.txt"));
    EXPECT_TRUE(desktop->SetNameOf(items[0], "NotComputer", 0).IsNull());

    ASSERT_TRUE(QDir(Home() + "/Desktop").removeRecursively());
    // Without a desktop directory the home folder stands in.
    EXPECT_EQ(DesktopDirectory(), Home());
}

TEST(LinuxShell, SpecialFoldersExistOnlyWhenTheirFoldersDo) {
    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();
    EXPECT_TRUE(shell.SpecialFolderLocation(CSIDL_DESKTOP).IsEmpty());
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_DRIVES)),
              QStringLiteral("::Computer"));
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_PROFILE)), Home());
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_DESKTOPDIRECTORY)),
              DesktopDirectory());
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_BITBUCKET)),
              QStringLiteral("::Trash"));
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_NETHOOD)),
              QStringLiteral("::Network"));

    // Documents and Templates as user-dirs.dirs names them.
    const QString config = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    ASSERT_TRUE(QDir().mkpath(config));
    ASSERT_TRUE(WriteFile(config + "/user-dirs.dirs",
                          "# written by a test\n"
                          "XDG_DOCUMENTS_DIR=\"$HOME/My Papers\"\n"
                          "XDG_TEMPLATES_DIR=\"$HOME/\"\n"));
    EXPECT_TRUE(shell.SpecialFolderLocation(CSIDL_PERSONAL).IsNull());  // not made yet
    ASSERT_TRUE(QDir().mkpath(Home() + "/My Papers"));
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_PERSONAL)),
              Home() + "/My Papers");
    EXPECT_TRUE(shell.SpecialFolderLocation(CSIDL_TEMPLATES).IsNull());  // set to $HOME: off

    // The autostart folder is made on first use.
    QDir(config + "/autostart").removeRecursively();
    EXPECT_EQ(Parsing(*desktop, shell.SpecialFolderLocation(CSIDL_STARTUP)), config + "/autostart");
    EXPECT_TRUE(QFileInfo(config + "/autostart").isDir());

    QFile::remove(config + "/user-dirs.dirs");
    QDir(Home() + "/My Papers").removeRecursively();
    QDir(config + "/autostart").removeRecursively();
}

TEST(LinuxShell, VolumesOfAFixtureTableNameTheirFolders) {
    // A volume mounted below the home folder, as sshfs would be.
    const QByteArray home = NameToBytes(Home());
    TestDir fixture;
    ASSERT_TRUE(QDir().mkpath(Home() + "/remote/inside"));
    ASSERT_TRUE(fixture.MakeFile("mountinfo",
                                 "22 1 8:2 / / rw - ext4 /dev/sda2 rw\n"
                                 "40 22 0:60 / " +
                                     home + "/remote rw - fuse.sshfs me@host: rw\n"));
    LinuxShellNamespace::Options options;
    options.mountInfoPath = fixture.Path() + "/mountinfo";
    options.fstabPath.clear();
    LinuxShellNamespace shell(options);
    auto desktop = shell.DesktopFolder();

    const IdList inside = desktop->ParseDisplayName(Home() + "/remote/inside");
    ASSERT_EQ(inside.Count(), 3);
    EXPECT_EQ(DecodeVolumeItem(inside.ItemPayload(1))->mountPoint, home + "/remote");
    EXPECT_EQ(Parsing(*desktop, inside), Home() + "/remote/inside");
    const IdList volume = inside.Trim(1);
    EXPECT_EQ(Parsing(*desktop, volume), Home() + "/remote");
    EXPECT_EQ(desktop->GetDisplayNameOf(volume, SHGDN_NORMAL), QStringLiteral("remote"));

    auto computer = desktop->BindToObject(volume.Trim(1));
    ASSERT_TRUE(computer);
    const auto volumes = Items(*computer);
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_LT(computer->CompareIDs(0, volumes[0], volumes[1]), 0);  // "/" first
    EXPECT_EQ(computer->CompareIDs(0, volumes[1], volume.Last()), 0);

    // The home folder itself lies on "/", next to the volume.
    const IdList homeId = desktop->ParseDisplayName(Home());
    EXPECT_EQ(DecodeVolumeItem(homeId.ItemPayload(1))->mountPoint, "/");
    QDir(Home() + "/remote").removeRecursively();
}

namespace {

QStringList MenuVerbs(ShellContextMenu* menu) {
    QStringList verbs;
    if (!menu)
        return {QStringLiteral("<no menu>")};
    std::vector<ContextMenuEntry> entries;
    menu->QueryContextMenu(entries, 1, 1000, CMF_NORMAL | CMF_CANRENAME);
    for (const ContextMenuEntry& e : entries)
        verbs << (e.id || !e.children.empty() ? e.verb : QStringLiteral("-"));
    return verbs;
}

}  // namespace

// The desktop's files have their folder's menus; the places have "open"
// (and Home and a volume their properties), never the verbs that would
// delete, cut or rename them.
TEST(LinuxShell, DesktopAndComputerMenusPassTheFilesOnAndKeepThePlacesSafe) {
    ASSERT_TRUE(QDir().mkpath(Home() + "/Desktop"));
    ASSERT_TRUE(WriteFile(Home() + "/Desktop/note.txt", "n"));
    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();
    const IdList note = desktop->ParseDisplayName(Home() + "/Desktop/note.txt");
    ASSERT_FALSE(note.IsNull());
    // The desktop's own entry, as the Desktop enumerates it.
    IdList own;
    for (const IdList& id : Items(*desktop)) {
        if (Parsing(*desktop, id) == Home() + "/Desktop/note.txt")
            own = id;
    }
    ASSERT_FALSE(own.IsNull());
    const QStringList fileVerbs = MenuVerbs(desktop->GetContextMenu({&own, 1}).get());
    EXPECT_TRUE(fileVerbs.contains("delete") && fileVerbs.contains("rename") &&
                fileVerbs.contains("properties"))
        << fileVerbs.join(' ').toStdString();
    EXPECT_EQ(fileVerbs.first(), "open");

    // Below a place: the menu of the folder that holds the item.
    ASSERT_GT(note.Count(), 2);  // Computer, a volume, ..., note.txt
    EXPECT_EQ(MenuVerbs(desktop->GetContextMenu({&note, 1}).get()), fileVerbs);

    const IdList trash = desktop->ParseDisplayName("::Trash");
    const IdList home = desktop->ParseDisplayName("::Home");
    EXPECT_EQ(MenuVerbs(desktop->GetContextMenu({&trash, 1}).get()), QStringList{"open"});
    EXPECT_EQ(MenuVerbs(desktop->GetContextMenu({&home, 1}).get()),
              (QStringList{"open", "-", "properties"}));
    const std::vector<IdList> mixed = {home, own};
    EXPECT_EQ(MenuVerbs(desktop->GetContextMenu(mixed).get()), QStringList{"open"});

    // The background is the desktop directory's: "Shell new" is offered.
    EXPECT_EQ(MenuVerbs(desktop->GetBackgroundMenu().get()), QStringList{"shellnew"});

    // A volume of Computer: open and properties, nothing that deletes.
    auto computer = desktop->BindToObject(desktop->ParseDisplayName("::Computer"));
    ASSERT_TRUE(computer);
    const auto volumes = Items(*computer);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(MenuVerbs(computer->GetContextMenu({&volumes[0], 1}).get()),
              (QStringList{"open", "-", "properties"}));
    EXPECT_EQ(MenuVerbs(computer->GetContextMenu(volumes).get()).first(), "open");

    ASSERT_TRUE(QDir(Home() + "/Desktop").removeRecursively());
}

// A launcher on the desktop shows the icon its entry names.
TEST(LinuxShell, DesktopLaunchersShowTheirApplicationsIcon) {
    ASSERT_TRUE(QDir().mkpath(Home() + "/Desktop"));
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    const QString png = Home() + "/launcher-icon.png";
    ASSERT_TRUE(image.save(png));
    ASSERT_TRUE(WriteFile(
        Home() + "/Desktop/app.desktop",
        "[Desktop Entry]\nType=Application\nName=App\nExec=true\nIcon=" + png.toUtf8() + "\n"));
    ASSERT_TRUE(WriteFile(Home() + "/Desktop/plain.desktop",
                          "[Desktop Entry]\nType=Application\nName=Plain\nExec=true\n"));
    ASSERT_TRUE(WriteFile(Home() + "/Desktop/broken.desktop", "\xff\xfe not a key file"));
    LinuxShellNamespace shell;
    auto desktop = shell.DesktopFolder();
    std::map<QString, int> icons;
    for (const IdList& id : Items(*desktop, SHCONTF_NONFOLDERS))
        icons[desktop->GetDisplayNameOf(id, SHGDN_INFOLDER).value_or(QString())] =
            desktop->GetIconIndex(id, false);
    ASSERT_EQ(icons.size(), 3u);
    EXPECT_GE(icons["plain.desktop"], 0);
    EXPECT_EQ(icons["broken.desktop"], icons["plain.desktop"]);
    EXPECT_NE(icons["app.desktop"], icons["plain.desktop"]);
    EXPECT_FALSE(IconRegistry::Instance().Icon(icons["app.desktop"]).isNull());
    ASSERT_TRUE(QDir(Home() + "/Desktop").removeRecursively());
    QFile::remove(png);
}
