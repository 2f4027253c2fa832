#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "platform/fs/Volumes.h"
#include "support/TestDir.h"

namespace {

// A mount table as a desktop machine has one. Mount 30 is covered by 36 at
// the same point, and 37 shadows nothing.
const QByteArray kMountInfo =
    "22 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw,errors=remount-ro\n"
    "23 22 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw\n"
    "24 22 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8000k\n"
    "25 22 0:25 / /run rw,nosuid,nodev shared:5 - tmpfs tmpfs rw,size=1600k\n"
    "26 22 8:1 / /boot/efi rw,relatime shared:7 - vfat /dev/sda1 rw\n"
    "27 22 8:17 / /media/usb\\040stick rw,nosuid,nodev shared:8 - vfat /dev/sdb1 rw\n"
    "28 22 0:40 / /home/ann/remote rw,nosuid shared:9 - fuse.sshfs ann@host: rw\n"
    "29 22 0:41 / /home/ann/.cache/hidden rw shared:10 - fuse.sshfs x@y: rw\n"
    "30 22 8:33 / /mnt/data rw,relatime shared:11 - ext4 /dev/sdc1 rw\n"
    "31 22 8:49 / /mnt/backup rw,relatime shared:12 - ext4 /dev/sdd1 rw\n"
    "32 22 11:0 / /run/media/ann/DISC ro,nosuid shared:13 - iso9660 /dev/sr0 ro\n"
    "33 22 11:1 / /run/media/bob/OTHER ro,nosuid shared:14 - udf /dev/sr1 ro\n"
    "34 22 0:50 / /media/share rw shared:15 - nfs4 server:/export rw\n"
    "35 22 0:51 / /media/ram rw shared:16 - tmpfs tmpfs rw\n"
    "36 22 8:34 / /mnt/data rw,relatime shared:17 - ext4 /dev/sdc2 rw\n"
    "37 22 8:65 / /home/ann/tmp\\134dir rw - ext4 /dev/sde1 rw\n"
    "garbage line without enough fields\n"
    "38 22 8:66 / relative rw - ext4 /dev/sdf1 rw\n";

const QByteArray kFstab =
    "# comment\n"
    "/dev/sdd1  /mnt/backup  ext4  defaults,x-gvfs-show  0 2\n"
    "/dev/sdb1  /media/usb\\040stick  vfat  noauto,x-gvfs-hide  0 0\n";

VisibilityContext Ann() {
    VisibilityContext c;
    c.home = "/home/ann";
    c.userName = "ann";
    c.canEnter = [](const QByteArray&) { return true; };
    return c;
}

QList<QByteArray> Points(const std::vector<MountEntry>& mounts) {
    QList<QByteArray> out;
    for (const MountEntry& m : mounts) out << m.mountPoint;
    return out;
}

}  // namespace

TEST(Volumes, ParsesMountInfoWithEscapesAndSkipsBadLines) {
    const auto mounts = ParseMountInfo(kMountInfo);
    ASSERT_EQ(mounts.size(), 16u);
    EXPECT_EQ(mounts[5].mountPoint, "/media/usb stick");
    EXPECT_EQ(mounts[5].fsType, "vfat");
    EXPECT_EQ(mounts[5].source, "/dev/sdb1");
    EXPECT_EQ(mounts[5].major, 8u);
    EXPECT_EQ(mounts[5].minor, 17u);
    EXPECT_EQ(mounts[15].mountPoint, "/home/ann/tmp\\dir");
    EXPECT_TRUE(mounts[10].IsReadOnly());
    EXPECT_TRUE(mounts[0].HasOption("errors"));  // "errors=remount-ro"
    EXPECT_FALSE(mounts[0].HasOption("error"));
    EXPECT_EQ(UnescapeMountField("a\\040b\\011c\\12x\\"), QByteArray("a b\tc\\12x\\"));
}

TEST(Volumes, UserVisibleVolumesFollowTheDesktopRules) {
    auto mounts = ParseMountInfo(kMountInfo);
    const VolumeTable plain(mounts, Ann());
    // A tmpfs under /media is a volume the user mounted; /run's is not.
    EXPECT_EQ(Points(plain.UserVisible()),
              (QList<QByteArray>{"/", "/media/usb stick", "/home/ann/remote", "/run/media/ann/DISC",
                                 "/media/share", "/media/ram", "/home/ann/tmp\\dir"}));

    // fstab options: x-gvfs-show brings a /mnt mount in, x-gvfs-hide takes
    // a /media one out.
    MergeFstabOptions(mounts, kFstab);
    const VolumeTable merged(mounts, Ann());
    EXPECT_EQ(Points(merged.UserVisible()),
              (QList<QByteArray>{"/", "/home/ann/remote", "/mnt/backup", "/run/media/ann/DISC",
                                 "/media/share", "/media/ram", "/home/ann/tmp\\dir"}));

    // Root sees every /run/media mount; a /media/<user> folder the user
    // cannot enter hides what is mounted in it.
    VisibilityContext root = Ann();
    root.isRoot = true;
    EXPECT_TRUE(
        VolumeTable(ParseMountInfo(kMountInfo), root).VisibleVolumeAt("/run/media/bob/OTHER"));
    MountEntry other;
    other.mountPoint = "/media/bob/KEY";
    other.fsType = "vfat";
    VisibilityContext locked = Ann();
    locked.canEnter = [](const QByteArray& folder) { return folder != "/media/bob"; };
    EXPECT_FALSE(IsUserVisibleMount(other, locked));
    EXPECT_TRUE(IsUserVisibleMount(other, Ann()));

    // A table without "/" still starts with it.
    EXPECT_EQ(Points(VolumeTable({}, Ann()).UserVisible()), QList<QByteArray>{"/"});
}

TEST(Volumes, MountHoldingVolumeRootAndDriveTypes) {
    const VolumeTable table(ParseMountInfo(kMountInfo), Ann(),
                            {"/nonexistent-sys", "/nonexistent"});
    // The top mount of a point is the one that holds its files.
    EXPECT_EQ(table.MountHolding("/mnt/data/x")->source, "/dev/sdc2");
    EXPECT_EQ(table.MountHolding("/mnt/database")->mountPoint, "/");  // whole components only
    EXPECT_FALSE(table.MountHolding("relative/path"));

    EXPECT_EQ(table.VolumeRootOf("/media/usb stick/photos/a.jpg"), "/media/usb stick");
    EXPECT_EQ(table.VolumeRootOf("/media/usb stickers"), "/");
    EXPECT_EQ(table.VolumeRootOf("/run/user/1000/x"), "/");  // system mounts are no volumes
    EXPECT_EQ(table.VolumeRootOf("/home/ann/remote"), "/home/ann/remote");

    EXPECT_EQ(table.DriveTypeOf("/home/ann/remote/file"), DRIVE_REMOTE);
    EXPECT_EQ(table.DriveTypeOf("/media/share"), DRIVE_REMOTE);
    EXPECT_EQ(table.DriveTypeOf("/run/media/ann/DISC/track"), DRIVE_CDROM);
    EXPECT_EQ(table.DriveTypeOf("/run/x"), DRIVE_RAMDISK);  // a system mount still has a type
    EXPECT_EQ(table.DriveTypeOf("/etc/passwd"), DRIVE_FIXED);
    EXPECT_EQ(table.DriveTypeOf("relative"), DRIVE_NO_ROOT_DIR);
    EXPECT_TRUE(table.IsRemovable(*table.MountHolding("/run/media/ann/DISC")));
    EXPECT_FALSE(table.IsRemovable(*table.MountHolding("/")));
}

TEST(Volumes, RemovableFlagAndLabelComeFromTheDeviceFolders) {
    // A sysfs and a by-label folder in miniature: the partition 8:17 has no
    // flag of its own, its disk has; the label link points at a device node
    // path that realpath can resolve.
    TestDir dir;
    ASSERT_TRUE(dir.MakeFile("sys/devices/sdb/removable", "1\n"));
    ASSERT_TRUE(dir.MakeFolder("sys/devices/sdb/sdb1"));
    ASSERT_TRUE(dir.MakeSymlink("sys/dev/block/8:17", dir.Join("sys/devices/sdb/sdb1")));
    ASSERT_TRUE(dir.MakeFile("sys/devices/sda/removable", "0\n"));
    ASSERT_TRUE(dir.MakeFolder("sys/devices/sda/sda2"));
    ASSERT_TRUE(dir.MakeSymlink("sys/dev/block/8:2", dir.Join("sys/devices/sda/sda2")));
    ASSERT_TRUE(dir.MakeFile("dev/sdb1"));
    ASSERT_TRUE(dir.MakeSymlink("dev/disk/by-label/MY\\x20STICK", "../../sdb1"));

    auto mounts = ParseMountInfo(kMountInfo);
    mounts[5].source = dir.Join("dev/sdb1");
    const VolumeTable table(mounts, Ann(), {dir.Join("sys"), dir.Join("dev/disk/by-label")});
    const auto stick = table.VisibleVolumeAt("/media/usb stick");
    ASSERT_TRUE(stick);
    EXPECT_EQ(table.DriveTypeOfMount(*stick), DRIVE_REMOVABLE);
    EXPECT_TRUE(table.IsRemovable(*stick));
    EXPECT_EQ(table.DriveTypeOf("/"), DRIVE_FIXED);
    EXPECT_EQ(table.DisplayNameOf(*stick), QStringLiteral("MY STICK"));
    EXPECT_EQ(table.DisplayNameOf(*table.VisibleVolumeAt("/")), QStringLiteral("/"));
    // Without a label: the last component of the mount point.
    EXPECT_EQ(table.DisplayNameOf(*table.VisibleVolumeAt("/home/ann/remote")),
              QStringLiteral("remote"));
    EXPECT_EQ(table.DisplayNameOf(*table.VisibleVolumeAt("/media/ram")), QStringLiteral("ram"));
}

TEST(Volumes, TheLabelIsReadFromTheFileSystemItself) {
    // An ext2 image as mkfs makes it (e2fsprogs is part of every Debian).
    TestDir dir;
    const QByteArray image = dir.Join("stick.img");
    ASSERT_TRUE(dir.MakeFile("stick.img", QByteArray(1024 * 1024, '\0')));
    const QByteArray command = "mkfs.ext2 -q -F -L EXTSTICK '" + image + "' >/dev/null 2>&1";
    const QByteArray path = qgetenv("PATH") + ":/usr/sbin:/sbin";
    ASSERT_EQ(std::system(("PATH='" + path + "' " + command).constData()), 0);
    EXPECT_EQ(FileSystemLabelIn(image), QStringLiteral("EXTSTICK"));
    // No file system, no label; and only block devices are probed.
    ASSERT_TRUE(dir.MakeFile("blank.img", QByteArray(65536, '\0')));
    EXPECT_TRUE(FileSystemLabelIn(dir.Join("blank.img")).isEmpty());
    EXPECT_TRUE(ProbedLabelOf(image).isEmpty());
    EXPECT_TRUE(ProbedLabelOf("/dev/null").isEmpty());
}

TEST(Volumes, ThisMachinesTableHasARoot) {
    const VolumeTable table = VolumeTable::Read();
    ASSERT_FALSE(table.UserVisible().empty());
    EXPECT_EQ(table.UserVisible().front().mountPoint, "/");
    EXPECT_EQ(VolumeRootOf(QStringLiteral("/proc/self")), QStringLiteral("/"));
    EXPECT_NE(GetDriveType(QStringLiteral("/")), DRIVE_NO_ROOT_DIR);
}
