#include "platform/fs/Volumes.h"

#include <blkid/blkid.h>
#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QFile>
#include <climits>
#include <cstdlib>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

namespace {

bool IsOctal(char c) {
    return c >= '0' && c <= '7';
}

bool OptionIn(const QByteArray& list, const QByteArray& name) {
    for (const QByteArray& option : list.split(',')) {
        if (option == name)
            return true;
        if (option.startsWith(name) && option.size() > name.size() && option[name.size()] == '=') {
            return true;
        }
    }
    return false;
}

// The lists of GIO's system-internal tests.
bool IsSystemFsType(const QByteArray& type) {
    static const char* const kTypes[] = {"auto",        "autofs",     "bdev",
                                         "binfmt_misc", "bpf",        "cgroup",
                                         "cgroup2",     "configfs",   "cpuset",
                                         "debugfs",     "devfs",      "devpts",
                                         "devtmpfs",    "ecryptfs",   "efivarfs",
                                         "fdesc",       "ftrace",     "fuse.gvfsd-fuse",
                                         "fuse.portal", "fusectl",    "gvfs-fuse-daemon",
                                         "hugetlbfs",   "kernfs",     "linprocfs",
                                         "linsysfs",    "lustre",     "lustre_lite",
                                         "mfs",         "mqueue",     "ncpfs",
                                         "nfsd",        "nullfs",     "ocfs2",
                                         "overlay",     "proc",       "procfs",
                                         "pstore",      "ptyfs",      "rootfs",
                                         "rpc_pipefs",  "securityfs", "selinuxfs",
                                         "sysfs",       "tmpfs",      "tracefs",
                                         "usbfs",       "zfs"};
    for (const char* t : kTypes) {
        if (type == t)
            return true;
    }
    return false;
}

bool IsSystemMountPath(const QByteArray& path) {
    static const char* const kPaths[] = {"/",
                                         "/bin",
                                         "/boot",
                                         "/compat/linux/proc",
                                         "/compat/linux/sys",
                                         "/dev",
                                         "/etc",
                                         "/home",
                                         "/lib",
                                         "/lib32",
                                         "/lib64",
                                         "/libexec",
                                         "/live/cow",
                                         "/live/image",
                                         "/media",
                                         "/mnt",
                                         "/net",
                                         "/opt",
                                         "/proc",
                                         "/rescue",
                                         "/root",
                                         "/run",
                                         "/sbin",
                                         "/srv",
                                         "/sys",
                                         "/tmp",
                                         "/usr",
                                         "/usr/X11R6",
                                         "/usr/local",
                                         "/usr/obj",
                                         "/usr/ports",
                                         "/usr/src",
                                         "/usr/xobj",
                                         "/var",
                                         "/var/crash",
                                         "/var/local",
                                         "/var/log",
                                         "/var/log/audit",
                                         "/var/mail",
                                         "/var/run",
                                         "/var/tmp"};
    for (const char* p : kPaths) {
        if (path == p)
            return true;
    }
    if (path.startsWith("/dev/") || path.startsWith("/proc/") || path.startsWith("/sys/")) {
        return true;
    }
    if (path.startsWith("/run/") && !path.startsWith("/run/media/"))
        return true;
    return path.endsWith("/.gvfs");
}

bool IsSystemDevice(const QByteArray& device) {
    static const char* const kDevices[] = {"none", "sunrpc",    "devpts",
                                           "nfsd", "/dev/loop", "/dev/vn"};
    for (const char* d : kDevices) {
        if (device == d)
            return true;
    }
    return false;
}

// udev writes unsafe bytes of a label as "\xHH".
QByteArray UnescapeUdev(const QByteArray& name) {
    QByteArray out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
            bool ok = false;
            const int v = name.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(v));
                i += 3;
                continue;
            }
        }
        out.append(name[i]);
    }
    return out;
}

QByteArray RealPath(const QByteArray& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.constData(), buffer) ? QByteArray(buffer) : QByteArray();
}

bool ReadFlagFile(const QByteArray& path, bool& value) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    value = file.read(16).trimmed() == "1";
    return true;
}

}  // namespace

bool MountEntry::HasOption(const QByteArray& name) const {
    return OptionIn(options, name) || OptionIn(superOptions, name);
}

QByteArray UnescapeMountField(const QByteArray& field) {
    if (!field.contains('\\'))
        return field;
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && IsOctal(field[i + 1]) &&
            IsOctal(field[i + 2]) && IsOctal(field[i + 3])) {
            out.append(char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) |
                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(const QByteArray& text) {
    std::vector<MountEntry> out;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        // id parent major:minor root mountpoint options [optional...] - type source super
        if (f.size() < 9)
            continue;
        qsizetype dash = -1;
        for (qsizetype i = 6; i < f.size(); ++i) {
            if (f[i] == "-") {
                dash = i;
                break;
            }
        }
        if (dash < 0 || dash + 2 >= f.size())
            continue;
        MountEntry m;
        bool ok1 = false;
        bool ok2 = false;
        m.mountId = f[0].toInt(&ok1);
        m.parentId = f[1].toInt(&ok2);
        const QList<QByteArray> dev = f[2].split(':');
        if (!ok1 || !ok2 || dev.size() != 2)
            continue;
        m.major = dev[0].toUInt();
        m.minor = dev[1].toUInt();
        m.root = UnescapeMountField(f[3]);
        m.mountPoint = UnescapeMountField(f[4]);
        m.options = f[5];
        m.fsType = UnescapeMountField(f[dash + 1]);
        m.source = UnescapeMountField(f[dash + 2]);
        if (dash + 3 < f.size())
            m.superOptions = f[dash + 3];
        if (!m.mountPoint.startsWith('/'))
            continue;
        out.push_back(std::move(m));
    }
    return out;
}

std::vector<MountEntry> ReadMountInfo(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Files in /proc report a size of 0: read to the end.
    return ParseMountInfo(file.readAll());
}

void MergeFstabOptions(std::vector<MountEntry>& mounts, const QByteArray& fstabText) {
    for (const QByteArray& raw : fstabText.split('\n')) {
        const QByteArray line = raw.simplified();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 4)
            continue;
        QByteArray point = UnescapeMountField(f[1]);
        while (point.size() > 1 && point.endsWith('/')) point.chop(1);
        for (MountEntry& m : mounts) {
            if (m.mountPoint == point)
                m.options += ',' + f[3];
        }
    }
}

VisibilityContext VisibilityContext::Current() {
    VisibilityContext c;
    c.home = qgetenv("HOME");
    const struct passwd* pw = ::getpwuid(::getuid());
    if (c.home.isEmpty() && pw && pw->pw_dir)
        c.home = pw->pw_dir;
    while (c.home.size() > 1 && c.home.endsWith('/')) c.home.chop(1);
    c.userName = pw && pw->pw_name ? QByteArray(pw->pw_name) : qgetenv("USER");
    c.isRoot = ::getuid() == 0;
    c.canEnter = [](const QByteArray& folder) {
        return ::access(folder.constData(), R_OK | X_OK) == 0;
    };
    return c;
}

bool IsSystemInternalMount(const MountEntry& mount) {
    return IsSystemFsType(mount.fsType) || IsSystemMountPath(mount.mountPoint) ||
           IsSystemDevice(mount.source);
}

bool IsUserVisibleMount(const MountEntry& mount, const VisibilityContext& context) {
    const QByteArray& path = mount.mountPoint;
    if (path == "/")
        return true;
    if (mount.HasOption("x-gvfs-hide"))
        return false;
    // A mount inside a dot folder was hidden on purpose.
    if (path.contains("/."))
        return false;
    if (mount.HasOption("x-gvfs-show"))
        return true;
    // A memory file system mounted where removable media go is one the user
    // mounted to use as a volume.
    const bool userMemoryVolume = (mount.fsType == "tmpfs" || mount.fsType == "ramfs") &&
                                  (path.startsWith("/media/") || path.startsWith("/run/media/")) &&
                                  !IsSystemMountPath(path) && !IsSystemDevice(mount.source);
    if (!userMemoryVolume && IsSystemInternalMount(mount))
        return false;

    bool inRuntimeDir = false;
    if (path.startsWith("/run/media/")) {
        if (context.isRoot) {
            inRuntimeDir = true;
        } else {
            const QByteArray prefix = "/run/media/" + context.userName + '/';
            inRuntimeDir = !context.userName.isEmpty() && path.startsWith(prefix);
        }
    }
    if (inRuntimeDir || path.startsWith("/media/")) {
        // Another user's /media/<user>/ folder is not ours to show.
        const QByteArray parent = ParentPathBytes(path);
        if (parent.startsWith("/media/") && context.canEnter && !context.canEnter(parent)) {
            return false;
        }
        return true;
    }
    return !context.home.isEmpty() && context.home != "/" && path.startsWith(context.home + '/');
}

bool IsRemoteFileSystemType(const QByteArray& t) {
    static const char* const kRemote[] = {"nfs",
                                          "nfs4",
                                          "cifs",
                                          "smb3",
                                          "smbfs",
                                          "sshfs",
                                          "fuse.sshfs",
                                          "davfs",
                                          "fuse.davfs",
                                          "9p",
                                          "ceph",
                                          "glusterfs",
                                          "afs",
                                          "ncpfs",
                                          "coda",
                                          "fuse.rclone",
                                          "fuse.s3fs",
                                          "fuse.curlftpfs",
                                          "fuse.gvfsd-fuse",
                                          "gvfs-fuse-daemon",
                                          "fuse.gvfs-fuse-daemon"};
    for (const char* r : kRemote) {
        if (t == r)
            return true;
    }
    return false;
}

bool PathIsUnder(const QByteArray& path, const QByteArray& mountPoint) {
    if (mountPoint == "/")
        return path.startsWith('/');
    if (!path.startsWith(mountPoint))
        return false;
    return path.size() == mountPoint.size() || path[mountPoint.size()] == '/';
}

VolumeTable::VolumeTable(std::vector<MountEntry> mounts, VisibilityContext context,
                         DeviceEnvironment devices)
    : m_context(std::move(context)), m_devices(std::move(devices)) {
    // Keep only the top mount of each mount point, in the order of the tops.
    for (std::size_t i = 0; i < mounts.size(); ++i) {
        bool covered = false;
        for (std::size_t j = i + 1; j < mounts.size(); ++j) {
            if (mounts[j].mountPoint == mounts[i].mountPoint) {
                covered = true;
                break;
            }
        }
        if (!covered)
            m_mounts.push_back(std::move(mounts[i]));
    }
}

VolumeTable VolumeTable::Read(const QString& mountInfoPath, const QString& fstabPath) {
    std::vector<MountEntry> mounts = ReadMountInfo(mountInfoPath);
    if (!fstabPath.isEmpty()) {
        QFile fstab(fstabPath);
        if (fstab.open(QIODevice::ReadOnly))
            MergeFstabOptions(mounts, fstab.readAll());
    }
    return VolumeTable(std::move(mounts), VisibilityContext::Current());
}

std::vector<MountEntry> VolumeTable::UserVisible() const {
    std::vector<MountEntry> out;
    const MountEntry* root = nullptr;
    for (const MountEntry& m : m_mounts) {
        if (m.mountPoint == "/")
            root = &m;
    }
    if (root) {
        out.push_back(*root);
    } else {
        MountEntry made;
        made.mountPoint = "/";
        out.push_back(made);
    }
    for (const MountEntry& m : m_mounts) {
        if (m.mountPoint != "/" && IsUserVisibleMount(m, m_context))
            out.push_back(m);
    }
    return out;
}

std::optional<MountEntry> VolumeTable::VisibleVolumeAt(const QByteArray& mountPoint) const {
    for (MountEntry& m : UserVisible()) {
        if (m.mountPoint == mountPoint)
            return std::move(m);
    }
    return std::nullopt;
}

std::optional<MountEntry> VolumeTable::MountHolding(const QByteArray& path) const {
    const MountEntry* best = nullptr;
    for (const MountEntry& m : m_mounts) {
        if (PathIsUnder(path, m.mountPoint) &&
            (!best || m.mountPoint.size() >= best->mountPoint.size())) {
            best = &m;
        }
    }
    if (!best)
        return std::nullopt;
    return *best;
}

QByteArray VolumeTable::VolumeRootOf(const QByteArray& path) const {
    QByteArray best = "/";
    for (const MountEntry& m : UserVisible()) {
        if (PathIsUnder(path, m.mountPoint) && m.mountPoint.size() > best.size()) {
            best = m.mountPoint;
        }
    }
    return best;
}

bool VolumeTable::IsRemovable(const MountEntry& mount) const {
    const DriveType type = DriveTypeOfMount(mount);
    return type == DRIVE_REMOVABLE || type == DRIVE_CDROM;
}

DriveType VolumeTable::DriveTypeOfMount(const MountEntry& mount) const {
    if (IsRemoteFileSystemType(mount.fsType))
        return DRIVE_REMOTE;
    if (mount.fsType == "iso9660" || mount.fsType == "udf")
        return DRIVE_CDROM;
    if (mount.major != 0) {
        const QByteArray dev = m_devices.sysRoot + "/dev/block/" + QByteArray::number(mount.major) +
                               ':' + QByteArray::number(mount.minor);
        bool removable = false;
        // A partition has no flag of its own: its disk (the parent) has it.
        if (ReadFlagFile(dev + "/removable", removable) ||
            ReadFlagFile(dev + "/../removable", removable)) {
            if (removable)
                return DRIVE_REMOVABLE;
        }
    }
    if (mount.fsType == "tmpfs" || mount.fsType == "ramfs")
        return DRIVE_RAMDISK;
    return DRIVE_FIXED;
}

DriveType VolumeTable::DriveTypeOf(const QByteArray& path) const {
    const auto mount = MountHolding(path);
    return mount ? DriveTypeOfMount(*mount) : DRIVE_NO_ROOT_DIR;
}

QString VolumeTable::LabelOf(const MountEntry& mount) const {
    const std::optional<std::vector<QByteArray>> names = DirectoryNames(m_devices.byLabelDir);
    if (!names)
        return {};
    const QByteArray device = mount.source.startsWith('/') ? RealPath(mount.source) : QByteArray();
    for (const QByteArray& name : *names) {
        if (name.startsWith('.'))
            continue;
        const QByteArray link = m_devices.byLabelDir + '/' + name;
        struct stat st;
        const bool sameNumber = mount.major != 0 && ::stat(link.constData(), &st) == 0 &&
                                S_ISBLK(st.st_mode) &&
                                st.st_rdev == makedev(mount.major, mount.minor);
        if (sameNumber || (!device.isEmpty() && RealPath(link) == device))
            return NameFromBytes(UnescapeUdev(name));
    }
    return {};
}

QString VolumeTable::DisplayNameOf(const MountEntry& mount) const {
    QString label = LabelOf(mount);
    if (label.isEmpty() && m_devices.probeLabels)
        label = ProbedLabelOf(mount.source);
    if (!label.isEmpty())
        return DisplayFromName(label);
    // A volume without a label is known by where it is mounted, the only
    // other name a Linux user has for it.
    if (mount.mountPoint == "/")
        return QStringLiteral("/");
    const QByteArray last = mount.mountPoint.mid(mount.mountPoint.lastIndexOf('/') + 1);
    return last.isEmpty() ? QStringLiteral("Untitled") : DisplayFromName(NameFromBytes(last));
}

QString ProbedLabelOf(const QByteArray& device) {
    // Only device nodes: a probe of anything else could block on a FIFO or
    // read a large file for nothing. One that may not be read (a user
    // without the disk group) has no label found here.
    if (!device.startsWith("/dev/"))
        return {};
    struct stat st;
    if (::stat(device.constData(), &st) != 0 || !S_ISBLK(st.st_mode))
        return {};
    return FileSystemLabelIn(device);
}

QString FileSystemLabelIn(const QByteArray& path) {
    blkid_probe probe = blkid_new_probe_from_filename(path.constData());
    if (!probe)
        return {};
    QString label;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_LABEL);
    const char* value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 &&
        blkid_probe_lookup_value(probe, "LABEL", &value, nullptr) == 0 && value)
        label = NameFromBytes(QByteArray(value));
    blkid_free_probe(probe);
    return label;
}

QString VolumeRootOf(const QString& path) {
    return NameFromBytes(VolumeTable::Read().VolumeRootOf(NameToBytes(path)));
}

DriveType GetDriveType(const QString& path) {
    return VolumeTable::Read().DriveTypeOf(NameToBytes(path));
}
