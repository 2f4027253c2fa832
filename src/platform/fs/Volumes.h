#pragma once
// Volumes: the mount table as the namespace's Computer folder shows it.
//
// The table comes from /proc/self/mountinfo (a path parameter lets tests
// pass a fixture). A mount is user-visible by the rules GIO's
// g_unix_mount_guess_should_display applies, so Corvane shows the same
// volumes as the desktop's own file manager:
//   - "/" is always shown (first);
//   - a mount with the option x-gvfs-hide is hidden, and so is one whose
//     mount point has a component starting with ".";
//   - a mount with x-gvfs-show is shown;
//   - system-internal mounts (by file-system type, mount point or device, the
//     lists GIO uses) are hidden;
//   - mounts under /media/ (whose parent folder the user can enter), under
//     /run/media/$USER/ (any /run/media/ mount for root) and under the home
//     folder are shown; nothing else is.
// When a mount point appears more than once, the last mount (the one on top)
// is the one that counts.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/namespace/ShellTypes.h"

/// One line of mountinfo, escapes (\040 and the like) decoded.
struct MountEntry {
    int mountId = 0;
    int parentId = 0;
    unsigned major = 0;
    unsigned minor = 0;
    QByteArray root;          // the mounted folder inside its file system
    QByteArray mountPoint;    // absolute, raw bytes
    QByteArray options;       // per-mount options ("rw,nosuid,...")
    QByteArray fsType;        // "ext4", "fuse.sshfs", ...
    QByteArray source;        // "/dev/sda1", "server:/export", ...
    QByteArray superOptions;  // per-superblock options

    /// True when `name` (or "name=..." ) is among the mount or super options.
    bool HasOption(const QByteArray& name) const;
    /// True for a read-only mount.
    bool IsReadOnly() const { return HasOption("ro"); }
};

/// Decodes mountinfo's octal escapes ("\040" is a blank). A backslash not
/// followed by three octal digits stays as it is.
QByteArray UnescapeMountField(const QByteArray& field);

/// Parses mountinfo text; malformed lines are skipped. Order is kept.
std::vector<MountEntry> ParseMountInfo(const QByteArray& text);
/// Reads and parses a mountinfo file; empty when it cannot be read.
std::vector<MountEntry> ReadMountInfo(const QString& path = QStringLiteral("/proc/self/mountinfo"));

/// The kernel does not keep user-space options such as x-gvfs-show: they
/// live in fstab. Appends the fstab options of each mount point to the
/// options of the mounts there.
void MergeFstabOptions(std::vector<MountEntry>& mounts, const QByteArray& fstabText);

/// Who is looking: the visibility rule depends on the user.
struct VisibilityContext {
    QByteArray home;      // the home folder, no trailing "/"
    QByteArray userName;  // for /run/media/$USER
    bool isRoot = false;
    /// Whether the user may enter a folder (R_OK|X_OK); tests replace it.
    std::function<bool(const QByteArray&)> canEnter;

    /// The context of this process.
    static VisibilityContext Current();
};

/// The system-internal test of GIO (file-system type, mount point, device).
bool IsSystemInternalMount(const MountEntry& mount);
/// The user-visible test described at the top of this file.
bool IsUserVisibleMount(const MountEntry& mount, const VisibilityContext& context);

/// True for the remote file-system types: nfs, nfs4, cifs, smb3, smbfs,
/// sshfs, fuse.sshfs, davfs, 9p, ceph, glusterfs, afs, ncpfs, coda, the
/// FUSE clients of cloud and FTP storage (rclone, s3fs, curlftpfs) and GVfs
/// mounts.
bool IsRemoteFileSystemType(const QByteArray& fsType);

/// Where the removable flags and labels come from (tests point them at
/// fixtures).
struct DeviceEnvironment {
    QByteArray sysRoot = "/sys";
    QByteArray byLabelDir = "/dev/disk/by-label";
    /// Read a label from the device itself when udev gave none.
    bool probeLabels = true;
};

/// A snapshot of the mount table with the questions the namespace asks.
class VolumeTable {
public:
    VolumeTable() = default;
    VolumeTable(std::vector<MountEntry> mounts, VisibilityContext context,
                DeviceEnvironment devices = {});
    /// Reads the table of this process (or a fixture), with the options of
    /// `fstabPath` merged in (an empty path or a missing file adds none).
    static VolumeTable Read(const QString& mountInfoPath = QStringLiteral("/proc/self/mountinfo"),
                            const QString& fstabPath = QStringLiteral("/etc/fstab"));

    /// The mounts that are not covered by a later mount at the same point, in
    /// mount order.
    const std::vector<MountEntry>& Mounts() const { return m_mounts; }

    /// The user-visible volumes: "/" first (made up when the table lacks
    /// it), then the others in mount order.
    std::vector<MountEntry> UserVisible() const;
    /// The user-visible volume mounted exactly at `mountPoint`, if any.
    std::optional<MountEntry> VisibleVolumeAt(const QByteArray& mountPoint) const;

    /// The mount that actually holds an absolute path (longest mount point
    /// that is a prefix by whole components); nullopt for relative paths or
    /// an empty table.
    std::optional<MountEntry> MountHolding(const QByteArray& path) const;
    /// The mount point of the longest user-visible volume holding the path;
    /// "/" at worst (also for relative paths).
    QByteArray VolumeRootOf(const QByteArray& path) const;

    /// The drive type of a mount: DRIVE_REMOTE for remote types, DRIVE_CDROM
    /// for iso9660 and udf, DRIVE_REMOVABLE when its block device (or the
    /// disk of its partition) says removable in sysfs, DRIVE_RAMDISK for
    /// tmpfs and ramfs, else DRIVE_FIXED.
    DriveType DriveTypeOfMount(const MountEntry& mount) const;
    /// The drive type of the mount that holds the path; DRIVE_NO_ROOT_DIR
    /// when none does.
    DriveType DriveTypeOf(const QByteArray& path) const;
    /// Removable media (DRIVE_REMOVABLE or DRIVE_CDROM): the volume's folders
    /// carry SFGAO_REMOVABLE.
    bool IsRemovable(const MountEntry& mount) const;

    /// The file system's label (udev's /dev/disk/by-label link that points
    /// at the mount's device), or an empty string when it has none.
    QString LabelOf(const MountEntry& mount) const;
    /// The name a user sees for a volume: its label (udev's link, else read
    /// from a readable block device), else "/" for the root, else the last
    /// component of its mount point ("Untitled" when even that is empty).
    QString DisplayNameOf(const MountEntry& mount) const;

private:
    std::vector<MountEntry> m_mounts;
    VisibilityContext m_context;
    DeviceEnvironment m_devices;
};

/// The label in the file system on block device `device` ("/dev/..."),
/// read with libblkid; empty when it has none, is no block device or may
/// not be read. Reads the device's superblocks (a few KiB).
QString ProbedLabelOf(const QByteArray& device);
/// The label of the file system in `path` (a device or an image file);
/// empty when there is none or it can't be read.
QString FileSystemLabelIn(const QByteArray& path);

/// True when `path` is `mountPoint` or lies below it (whole components).
bool PathIsUnder(const QByteArray& path, const QByteArray& mountPoint);

// Conveniences over this process's table (each reads it once).
/// The mount point of the volume that holds the path ("/" at worst).
QString VolumeRootOf(const QString& path);
/// `GetDriveType` of a path.
DriveType GetDriveType(const QString& path);
