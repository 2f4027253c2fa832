#include "platform/trash/Trash.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/fs/FileSystem.h"
#include "platform/fs/RemoveTree.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/Volumes.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/NameCodec.h"
#include "platform/ui/Prompter.h"

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("Trash", text);
}

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

void SetError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

QByteArray StripTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

QByteArray RealPathOf(const QByteArray& path) {
    char buffer[PATH_MAX];
    if (!::realpath(path.constData(), buffer))
        return {};
    return QByteArray(buffer);
}

bool MakeDirectory(const QByteArray& path) {
    if (::mkdir(path.constData(), 0700) == 0)
        return true;
    struct stat st;
    return errno == EEXIST && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash directory with its two subfolders, made when missing.
bool PrepareTrashDirectory(const QByteArray& dir) {
    return MakeDirectory(dir) && MakeDirectory(dir + "/files") && MakeDirectory(dir + "/info");
}

// A directory we may use as a trash: a real directory (never a link another
// user could point elsewhere), owned by us.
bool IsOwnDirectory(const QByteArray& path) {
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

QByteArray TopdirTrashFor(const QByteArray& topdir, dev_t device) {
    const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
    const QByteArray base = topdir == "/" ? QByteArray() : topdir;
    const QByteArray shared = base + "/.Trash";
    struct stat st;
    if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        st.st_dev == device) {
        const QByteArray own = shared + "/" + uid;
        if ((MakeDirectory(own) && IsOwnDirectory(own)) && PrepareTrashDirectory(own))
            return own;
    }
    const QByteArray own = base + "/.Trash-" + uid;
    if (MakeDirectory(own) && IsOwnDirectory(own) && ::lstat(own.constData(), &st) == 0 &&
        st.st_dev == device && PrepareTrashDirectory(own)) {
        return own;
    }
    return {};
}

QByteArray DeletionDateNow() {
    const std::time_t now = std::time(nullptr);
    struct tm local;
    ::localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &local);
    return QByteArray(buffer);
}

// The info file's name adds ".trashinfo" to the entry's: a name longer than
// this has no info file and goes into the trash under a shorter one (the
// original stays whole in the info's Path=).
constexpr qsizetype kInfoSuffixBytes = 10;
constexpr qsizetype kMaxTrashNameBytes = NAME_MAX - kInfoSuffixBytes;

// `bytes` cut to at most `limit` bytes without splitting a UTF-8 sequence,
// so a shortened name still reads as the original's beginning.
QByteArray CutAtCharacter(const QByteArray& bytes, qsizetype limit) {
    if (bytes.size() <= limit)
        return bytes;
    qsizetype end = std::max<qsizetype>(limit, 0);
    while (end > 0 && (std::uint8_t(bytes[end]) & 0xC0) == 0x80) --end;
    return bytes.left(end);
}

// The n-th name tried for an entry: "name", "name.2.ext", ..., each cut to
// what an info file's name leaves room for (the extension kept).
QByteArray TrashNameCandidate(const QByteArray& stem, const QByteArray& extension, int n) {
    const QByteArray counter = n == 1 ? QByteArray() : "." + QByteArray::number(n);
    const qsizetype room = kMaxTrashNameBytes - counter.size() - extension.size();
    return CutAtCharacter(stem, room) + counter + extension;
}

// Claims a name in the trash by creating its .trashinfo exclusively: two
// processes trashing "a" at once get "a" and "a.2", never the same entry.
// A name whose files/ entry exists without info (an orphan) is passed over.
QByteArray ClaimTrashName(const QByteArray& trashDir, const QByteArray& name,
                          const QByteArray& info, int* savedErrno) {
    const qsizetype dot = name.lastIndexOf('.');
    const bool keepExtension = dot > 0 && dot > name.size() - 8;
    const QByteArray stem = keepExtension ? name.left(dot) : name;
    const QByteArray extension = keepExtension ? name.mid(dot) : QByteArray();
    for (int n = 1; n < 100000; ++n) {
        const QByteArray candidate = TrashNameCandidate(stem, extension, n);
        struct stat st;
        if (::lstat((trashDir + "/files/" + candidate).constData(), &st) == 0)
            continue;
        const QByteArray infoPath = trashDir + "/info/" + candidate + ".trashinfo";
        UniqueFd fd(::open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd) {
            if (errno == EEXIST)
                continue;
            *savedErrno = errno;
            return {};
        }
        const bool written = WriteAll(fd.get(), info);
        const bool closed = fd.Close() == 0;
        if (!written || !closed) {
            *savedErrno = errno;
            ::unlink(infoPath.constData());
            return {};
        }
        return candidate;
    }
    *savedErrno = EEXIST;
    return {};
}

}  // namespace

QByteArray TrashInfoPathValue(const QByteArray& path) {
    return path.toPercentEncoding("/");
}

TrashResult MoveToTrash(const QByteArray& rawPath, QString* error) {
    const QByteArray path = StripTrailingSlashes(rawPath);
    const QString shown = DisplayFromName(NameFromBytes(LastComponent(path)));
    if (!path.startsWith('/') || path == "/") {
        SetError(error, Tr("\"%1\" cannot be moved to the trash.").arg(NameFromBytes(rawPath)));
        return TrashResult::Failed;
    }
    struct stat item;
    if (::lstat(path.constData(), &item) != 0) {
        const int e = errno;
        SetError(error, Tr("Cannot move \"%1\" to the trash: %2").arg(shown, ErrnoText(e)));
        return TrashResult::Failed;
    }
    // The kernel's view of where the item lies: links in the folder part are
    // resolved, the item itself (perhaps a link) is not.
    const QByteArray name = LastComponent(path);
    if (name == "." || name == "..") {
        SetError(error, Tr("\"%1\" cannot be moved to the trash.").arg(NameFromBytes(rawPath)));
        return TrashResult::Failed;
    }
    const QByteArray parent = RealPathOf(ParentPathBytes(path));
    if (parent.isEmpty()) {
        const int e = errno;
        SetError(error, Tr("Cannot move \"%1\" to the trash: %2").arg(shown, ErrnoText(e)));
        return TrashResult::Failed;
    }
    const QByteArray realPath = parent == "/" ? "/" + name : parent + "/" + name;

    // The home trash takes what lies on its file system; its device is that
    // of the data folder (or its nearest existing ancestor).
    QByteArray trashDir;
    QByteArray infoPath;
    const QByteArray homeTrash = HomeTrashPath();
    QByteArray probe = XdgDataHome();
    struct stat homeSt;
    while (::stat(probe.constData(), &homeSt) != 0 && probe != "/") probe = ParentPathBytes(probe);
    const bool onHomeDevice = homeSt.st_dev == item.st_dev;
    if (onHomeDevice) {
        if (PathIsUnder(realPath,
                        RealPathOf(homeTrash).isEmpty() ? homeTrash : RealPathOf(homeTrash))) {
            SetError(error, Tr("\"%1\" is already in the trash.").arg(shown));
            return TrashResult::Failed;
        }
        if (MakePathBytes(XdgDataHome(), 0700) && PrepareTrashDirectory(homeTrash)) {
            trashDir = homeTrash;
            infoPath = realPath;
        }
    }
    if (trashDir.isEmpty()) {
        const VolumeTable table = VolumeTable::Read(QStringLiteral("/proc/self/mountinfo"), {});
        const auto mount = table.MountHolding(realPath);
        const QByteArray topdir = mount ? mount->mountPoint : QByteArray("/");
        if (realPath == topdir) {
            SetError(error,
                     Tr("\"%1\" is a mount point and cannot be moved to the trash.").arg(shown));
            return TrashResult::Failed;
        }
        const QByteArray uid = QByteArray::number(static_cast<qulonglong>(::getuid()));
        const QByteArray base = topdir == "/" ? QByteArray() : topdir;
        if (PathIsUnder(realPath, base + "/.Trash-" + uid) ||
            PathIsUnder(realPath, base + "/.Trash/" + uid)) {
            SetError(error, Tr("\"%1\" is already in the trash.").arg(shown));
            return TrashResult::Failed;
        }
        trashDir = TopdirTrashFor(topdir, item.st_dev);
        if (trashDir.isEmpty()) {
            SetError(
                error,
                Tr("\"%1\" cannot be moved to the trash: its volume has no trash.").arg(shown));
            return TrashResult::NoTrash;
        }
        infoPath = realPath.mid(base.size() + 1);  // relative to the top directory
    }

    const QByteArray info = "[Trash Info]\nPath=" + TrashInfoPathValue(infoPath) +
                            "\nDeletionDate=" + DeletionDateNow() + "\n";
    int claimErrno = 0;
    const QByteArray trashName = ClaimTrashName(trashDir, name, info, &claimErrno);
    if (trashName.isEmpty()) {
        SetError(error,
                 Tr("Cannot move \"%1\" to the trash: %2").arg(shown, ErrnoText(claimErrno)));
        return TrashResult::Failed;
    }
    const QByteArray infoFile = trashDir + "/info/" + trashName + ".trashinfo";
    const QByteArray target = trashDir + "/files/" + trashName;
    // renameat2(RENAME_NOREPLACE) keeps an entry that appeared meanwhile.
    if (::renameat2(AT_FDCWD, path.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) !=
        0) {
        int e = errno;
        if (e == EINVAL || e == ENOSYS) {
            // File systems without RENAME_NOREPLACE: the name was claimed and
            // checked a moment ago, so a plain rename is the next best.
            struct stat st;
            if (::lstat(target.constData(), &st) != 0 &&
                ::rename(path.constData(), target.constData()) == 0) {
                return TrashResult::Trashed;
            }
            e = errno;
        }
        ::unlink(infoFile.constData());
        if (e == EXDEV) {
            SetError(
                error,
                Tr("\"%1\" cannot be moved to the trash: its volume has no trash.").arg(shown));
            return TrashResult::NoTrash;
        }
        SetError(error, Tr("Cannot move \"%1\" to the trash: %2").arg(shown, ErrnoText(e)));
        return TrashResult::Failed;
    }
    return TrashResult::Trashed;
}

// Listing, restoring, deleting.

namespace {

QByteArray UidText() {
    return QByteArray::number(static_cast<qulonglong>(::getuid()));
}

// File-system types where no user trash can be, or where looking could
// trigger a mount or hang.
bool NeverHoldsTrash(const QByteArray& type) {
    static const char* const kTypes[] = {
        "autofs",   "proc",    "sysfs",       "cgroup",         "cgroup2",  "devpts",
        "mqueue",   "debugfs", "tracefs",     "securityfs",     "pstore",   "bpf",
        "configfs", "fusectl", "binfmt_misc", "hugetlbfs",      "efivarfs", "rpc_pipefs",
        "nfsd",     "nsfs",    "devtmpfs",    "fuse.gvfsd-fuse"};
    for (const char* t : kTypes) {
        if (type == t)
            return true;
    }
    return false;
}

// FUSE file systems that keep their data on this computer (encrypting
// overlays): their trashes are listed like those of disks.
bool IsLocalFuseType(const QByteArray& type) {
    static const char* const kLocal[] = {"fuse.gocryptfs", "fuse.encfs", "fuse.cryfs",
                                         "fuse.securefs"};
    for (const char* t : kLocal) {
        if (type == t)
            return true;
    }
    return false;
}

FileTime ParseDeletionDate(const QByteArray& value) {
    // Local time without a zone, as the trash's writers put it.
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(value.trimmed()),
                                                 QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
    if (!when.isValid())
        return 0;
    const qint64 ms = when.toMSecsSinceEpoch();
    return FileTimeFromTimespec(ms / 1000, (ms % 1000) * 1000000);
}

PromptAnswer Ask(const QString& text, PromptButtons buttons, int defaultButton, QWidget* parent) {
    PromptRequest request;
    request.text = text;
    request.title = Tr("Trash");
    request.buttons = buttons;
    request.icon = PromptIcon::Question;
    request.defaultButton = defaultButton;
    request.parent = parent;
    return Prompts().MessageBox(request);
}

void AddError(QString* error, const QString& text) {
    if (!error)
        return;
    if (!error->isEmpty())
        *error += QLatin1Char('\n');
    *error += text;
}

}  // namespace

bool SkipsTrashListing(const QByteArray& fsType) {
    if (NeverHoldsTrash(fsType) || IsRemoteFileSystemType(fsType))
        return true;
    // Other FUSE file systems are served by a process that may be waiting
    // for a network or a password: looking could hang. Block-device FUSE
    // ("fuseblk": NTFS, exFAT disks) is a disk like any other.
    const bool fuse = fsType == "fuse" || fsType.startsWith("fuse.");
    return fuse && !IsLocalFuseType(fsType);
}

QByteArray HomeTrashPath() {
    return XdgDataHome() + "/Trash";
}

QByteArray TrashEntry::OriginalName() const {
    return LastComponent(originalPath);
}

std::vector<TrashDirectory> ExistingTrashDirectories(const VolumeTable& table) {
    std::vector<TrashDirectory> out;
    QSet<QPair<quint64, quint64>> seen;
    auto add = [&](const QByteArray& path, const QByteArray& topdir) {
        struct stat st;
        if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            return;
        const QPair<quint64, quint64> key(st.st_dev, st.st_ino);
        if (seen.contains(key))
            return;
        seen.insert(key);
        out.push_back({path, topdir});
    };
    add(HomeTrashPath(), {});
    const QByteArray uid = UidText();
    for (const MountEntry& mount : table.Mounts()) {
        if (SkipsTrashListing(mount.fsType))
            continue;
        const QByteArray base = mount.mountPoint == "/" ? QByteArray() : mount.mountPoint;
        const QByteArray shared = base + "/.Trash";
        struct stat st;
        if (::lstat(shared.constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX))
            add(shared + "/" + uid, mount.mountPoint);
        add(base + "/.Trash-" + uid, mount.mountPoint);
    }
    return out;
}

std::vector<TrashDirectory> ExistingTrashDirectories() {
    return ExistingTrashDirectories(
        VolumeTable::Read(QStringLiteral("/proc/self/mountinfo"), QString()));
}

std::optional<TrashInfo> ParseTrashInfo(const QByteArray& text, const TrashDirectory& trash) {
    bool inGroup = false;
    bool sawGroup = false;
    std::optional<QByteArray> pathValue;
    QByteArray dateValue;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        if (trimmed.startsWith('[')) {
            inGroup = trimmed == "[Trash Info]";
            sawGroup = sawGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        const QByteArray value = line.mid(eq + 1);
        if (key == "Path" && !pathValue)
            pathValue = value.trimmed();
        else if (key == "DeletionDate" && dateValue.isEmpty())
            dateValue = value;
    }
    if (!sawGroup || !pathValue)
        return std::nullopt;
    const std::optional<QByteArray> decodedPath = PercentDecode(*pathValue);
    if (!decodedPath || decodedPath->isEmpty())
        return std::nullopt;
    QByteArray decoded = *decodedPath;
    if (!decoded.startsWith('/')) {
        // Relative paths belong to top-directory trashes only.
        if (trash.IsHome())
            return std::nullopt;
        decoded = (trash.topdir == "/" ? QByteArray() : trash.topdir) + "/" + decoded;
    }
    QList<QByteArray> parts;
    for (const QByteArray& part : decoded.split('/')) {
        if (part.isEmpty())
            continue;
        if (part == "." || part == "..")
            return std::nullopt;  // a path that climbs could restore anywhere
        parts << part;
    }
    if (parts.isEmpty())
        return std::nullopt;
    TrashInfo info;
    info.originalPath = "/" + parts.join('/');
    info.deletionTime = ParseDeletionDate(dateValue);
    return info;
}

std::optional<TrashEntry> ReadTrashEntry(const TrashDirectory& trash, const QByteArray& name) {
    if (name.isEmpty() || name.contains('/') || name == "." || name == "..")
        return std::nullopt;
    TrashEntry entry;
    entry.trash = trash;
    entry.name = name;
    // The info file is read through a descriptor of our own so that names
    // that are not UTF-8 work; it is small, so one read serves.
    const UniqueFd fd(::open(entry.InfoPath().constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd)
        return std::nullopt;
    QByteArray text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, n);
        if (text.size() > 65536)
            break;  // no real info file is this long
    }
    const auto info = ParseTrashInfo(text, trash);
    if (!info)
        return std::nullopt;
    struct stat st;
    if (::lstat(entry.FilePath().constData(), &st) != 0)
        return std::nullopt;
    entry.originalPath = info->originalPath;
    entry.deletionTime = info->deletionTime;
    entry.mode = st.st_mode;
    entry.size = S_ISDIR(st.st_mode) ? 0 : std::uint64_t(st.st_size);
    return entry;
}

// The info folder is read a buffer of names at a time.
constexpr std::size_t kInfoReadBuffer = 64 * 1024;

std::vector<TrashEntry> ListTrashDirectory(const TrashDirectory& trash) {
    std::vector<TrashEntry> out;
    const QByteArray infoDir = trash.path + "/info";
    DirectoryStream dir(infoDir);
    if (!dir.IsOpen())
        return out;
    std::vector<DirectoryStream::Name> names;
    while (dir.ReadNames(names, kInfoReadBuffer)) {
        for (const DirectoryStream::Name& name : names) {
            const QByteArray& file = name.name;
            if (!file.endsWith(".trashinfo") || file.size() <= qsizetype(sizeof(".trashinfo") - 1))
                continue;
            if (auto entry = ReadTrashEntry(trash, file.chopped(int(sizeof(".trashinfo") - 1))))
                out.push_back(std::move(*entry));
        }
        names.clear();
    }
    return out;
}

std::vector<TrashEntry> ListTrash() {
    std::vector<TrashEntry> out;
    for (const TrashDirectory& trash : ExistingTrashDirectories()) {
        std::vector<TrashEntry> part = ListTrashDirectory(trash);
        out.insert(out.end(), std::make_move_iterator(part.begin()),
                   std::make_move_iterator(part.end()));
    }
    return out;
}

bool TrashIsEmpty() {
    for (const TrashDirectory& trash : ExistingTrashDirectories()) {
        if (!ListTrashDirectory(trash).empty())
            return false;
    }
    return true;
}

TrashActionResult RestoreFromTrash(std::span<const TrashEntry> entries, QWidget* parent,
                                   QString* error) {
    bool failed = false;
    for (const TrashEntry& entry : entries) {
        const QString shown = DisplayFromBytes(entry.OriginalName());
        struct stat st;
        if (::lstat(entry.FilePath().constData(), &st) != 0) {
            AddError(error, Tr("\"%1\" is no longer in the trash.").arg(shown));
            failed = true;
            continue;
        }
        const QByteArray target = entry.originalPath;
        const QByteArray folder = ParentPathBytes(target);
        if (::lstat(target.constData(), &st) == 0) {
            const PromptAnswer answer =
                Ask(Tr("\"%1\" already exists in \"%2\".\nReplace it with the item from the "
                       "trash? The item there is moved to the trash.")
                        .arg(shown, DisplayFromBytes(folder)),
                    PromptButtons::YesNoCancel, 1, parent);
            if (answer == PromptAnswer::Cancel)
                return TrashActionResult::Cancelled;
            if (answer != PromptAnswer::Yes)
                continue;
            QString why;
            if (MoveToTrash(target, &why) != TrashResult::Trashed) {
                AddError(error, Tr("\"%1\" was not restored: the item in its place could not be "
                                   "moved to the trash. %2")
                                    .arg(shown, why));
                failed = true;
                continue;
            }
        }
        if (!MakePathBytes(folder, 0777)) {
            const int e = errno;
            AddError(error, Tr("\"%1\" was not restored: its folder \"%2\" cannot be made: %3")
                                .arg(shown, DisplayFromBytes(folder), ErrnoText(e)));
            failed = true;
            continue;
        }
        int result = ::renameat2(AT_FDCWD, entry.FilePath().constData(), AT_FDCWD,
                                 target.constData(), RENAME_NOREPLACE);
        if (result != 0 && (errno == EINVAL || errno == ENOSYS) &&
            ::lstat(target.constData(), &st) != 0) {
            result = ::rename(entry.FilePath().constData(), target.constData());
        }
        if (result != 0) {
            const int e = errno;
            if (e == EXDEV) {
                AddError(error, Tr("\"%1\" was not restored: its original folder lies on another "
                                   "file system now.")
                                    .arg(shown));
            } else {
                AddError(error, Tr("\"%1\" was not restored: %2").arg(shown, ErrnoText(e)));
            }
            failed = true;
            continue;
        }
        ::unlink(entry.InfoPath().constData());
    }
    return failed ? TrashActionResult::Failed : TrashActionResult::Done;
}

TrashActionResult DeleteFromTrash(std::span<const TrashEntry> entries, bool confirm,
                                  QWidget* parent, QString* error) {
    if (entries.empty())
        return TrashActionResult::Done;
    if (confirm) {
        const QString text =
            entries.size() == 1
                ? Tr("Delete \"%1\" for good? This cannot be undone.")
                      .arg(DisplayFromBytes(entries.front().OriginalName()))
                : Tr("Delete these %1 items for good? This cannot be undone.").arg(entries.size());
        if (Ask(text, PromptButtons::YesNo, 1, parent) != PromptAnswer::Yes)
            return TrashActionResult::Cancelled;
    }
    bool failed = false;
    for (const TrashEntry& entry : entries) {
        if (!RemoveTree(entry.FilePath())) {
            const int e = errno;
            AddError(error, Tr("\"%1\" could not be deleted: %2")
                                .arg(DisplayFromBytes(entry.OriginalName()), ErrnoText(e)));
            failed = true;
            continue;  // its info stays, so what is left still shows in the trash
        }
        ::unlink(entry.InfoPath().constData());
    }
    return failed ? TrashActionResult::Failed : TrashActionResult::Done;
}

TrashActionResult EmptyTrash(bool confirm, QWidget* parent, QString* error) {
    const std::vector<TrashEntry> entries = ListTrash();
    if (entries.empty())
        return TrashActionResult::Done;
    if (confirm &&
        Ask(Tr("Empty the trash? Its %1 items are deleted for good.").arg(entries.size()),
            PromptButtons::YesNo, 1, parent) != PromptAnswer::Yes) {
        return TrashActionResult::Cancelled;
    }
    return DeleteFromTrash(entries, false, parent, error);
}
