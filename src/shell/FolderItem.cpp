#include "shell/FolderItem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QIODevice>
#include <QLocale>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/fs/FileSystem.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/thread/ThreadGroup.h"
#include "shell/FormatSize.h"
#include "shell/GeneralSettings.h"
#include "shell/NotifyShell.h"
#include "shell/PathHelpers.h"
#include "shell/Pidl.h"
#include "shell/ShellContext.h"

namespace {

const QString kNoInfoTip = QStringLiteral(" ");
const QString kNotAvailable = QStringLiteral("<n/a>");
const QString kFolderSize = QStringLiteral("<folder>");
const QString kNoContentsText = QStringLiteral("This item has no contents that can be copied");

// How long a link's resolution may take before it counts as unresolved.
constexpr auto kLinkTimeout = std::chrono::milliseconds(1000);

// Copies made outside an item (a menu's "open" of an archive entry) obey
// the same limit as the items' own.
[[maybe_unused]] const bool g_extractLimitInstalled = [] {
    SetMaxExtractSizeSource([] { return std::uint64_t(std::max(0, General().maxExtractSize)); });
    return true;
}();

// The outcome of resolving a link on the disk.
struct LinkResolution {
    bool done = false;
    bool found = false;
    bool directory = false;
    QByteArray target;
};

// The threads that resolve links. A resolution stuck in a hung mount is not
// worth holding up the program's exit for: after one link timeout it is left
// to end with the process, which is safe because it touches nothing but its
// own copy of the path and its shared result.
ThreadGroup& LinkResolvers() {
    static ThreadGroup group(kLinkTimeout);
    return group;
}

// Resolves a link's target on a worker thread and waits a bounded time for
// it, so that a link into a hung network mount can't freeze the program.
// A resolution that takes longer counts as none; its thread finishes on its
// own and only touches the shared state.
LinkResolution ResolveOnDisk(const QByteArray& path) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable ready;
        LinkResolution result;
    };
    auto shared = std::make_shared<Shared>();
    const bool started = LinkResolvers().Run([shared, path] {
        LinkResolution r;
        if (char* resolved = ::realpath(path.constData(), nullptr)) {
            r.target = QByteArray(resolved);
            std::free(resolved);
            struct stat st;
            if (::stat(r.target.constData(), &st) == 0) {
                r.found = true;
                r.directory = S_ISDIR(st.st_mode);
            }
        }
        r.done = true;
        std::lock_guard lock(shared->mutex);
        shared->result = std::move(r);
        shared->ready.notify_all();
    });
    if (!started)
        return {};
    std::unique_lock lock(shared->mutex);
    shared->ready.wait_for(lock, kLinkTimeout, [&] { return shared->result.done; });
    return shared->result;
}

bool EndsWithExecutableSuffix(const QString& name) {
    static const QString suffixes[] = {QStringLiteral(".exe"), QStringLiteral(".com"),
                                       QStringLiteral(".bat")};
    for (const QString& suffix : suffixes) {
        if (name.endsWith(suffix, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

}  // namespace

bool IsFileSystemFolder(std::uint32_t a) {
    return (a & SFGAO_FILESYSTEM) != 0;
}

bool IsDescriptorFolder(std::uint32_t a) {
    return (a & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR | SFGAO_BROWSABLE)) == SFGAO_BROWSABLE;
}

bool IsVirtualFolder(std::uint32_t a) {
    return !IsFileSystemFolder(a) && !IsDescriptorFolder(a);
}

bool IsPlainDirectory(std::uint32_t a) {
    return (a & SFGAO_FILESYSTEM) && !(a & SFGAO_FILESYSANCESTOR);
}

FolderItem::~FolderItem() {
    DeleteTempCopy();
}

bool FolderItem::Init(FolderItemOwner& owner, IdList itemId) {
    folder = &owner;
    id = std::move(itemId);
    if (id.IsNull())
        return false;
    ShellFolder& shellFolder = owner.OwnerShellFolder();

    // The item's attributes.
    attributes = kItemAttributeMask;
    if (!shellFolder.GetAttributesOf({&id, 1}, attributes))
        return false;

    // Its name as shown in the folder.
    displayName = ShellDisplayName(shellFolder, id, SHGDN_INFOLDER).value_or(QString());

    if (IsFileSystemFolder(owner.OwnerAttributes()) && (attributes & SFGAO_FILESYSTEM)) {
        // The id carries the entry's find data; the Desktop's
        // entries are found by their path instead.
        std::optional<FindData> found;
        if (!owner.OwnerIdList().IsEmpty())
            found = shellFolder.GetFindData(id);
        if (!found) {
            const std::optional<QString> path = ShellDisplayName(shellFolder, id, SHGDN_FORPARSING);
            if (!path || path->isEmpty())
                return false;
            found = StatEntry(*path);
            if (!found)
                return false;
        }
        size = found->size;
        times = found->times;
        name = found->name;
    } else {
        // Virtual and descriptor folders may still know an item's
        // size and times (a trash entry's deletion date, an archive entry's
        // own), carried in its id like a file's.
        name = displayName;
        size = 0;
        times = {};
        if (const std::optional<FindData> found = shellFolder.GetFindData(id)) {
            if (!S_ISDIR(found->mode) && !(attributes & SFGAO_FOLDER))
                size = found->size;
            times = found->times;
            if (name.isEmpty())
                name = found->name;
        }
    }

    // Equal names share one string.
    if (displayName.isEmpty() || displayName == name)
        displayName = name;
    return !name.isEmpty();
}

bool FolderItem::ReadDescriptor() {
    if (!folder)
        return false;
    std::unique_ptr<ShellDataObject> data = folder->OwnerShellFolder().GetDataObject({&id, 1});
    if (!data)
        return false;
    const std::optional<std::vector<FileDescriptor>> group = data->GetFileGroupDescriptor();
    if (!group || group->empty())
        return false;
    const FileDescriptor& d = group->front();
    if (d.flags & FD_FILESIZE)
        size = d.size;
    if (d.flags & FD_ACCESSTIME)
        times[kTimeAccessed] = d.times[kTimeAccessed];
    if (d.flags & FD_CREATETIME)
        times[kTimeCreated] = d.times[kTimeCreated];
    if (d.flags & FD_WRITESTIME)
        times[kTimeModified] = d.times[kTimeModified];
    return true;
}

bool FolderItem::RefreshTimes() {
    const QString path = ItemPath();
    if (path.isEmpty())
        return false;
    const std::optional<FindData> found = StatEntry(path);
    if (!found)
        return false;
    times = found->times;
    return true;
}

QString FolderItem::ItemPath() {
    if (!folder)
        return QString();
    const std::uint32_t kind = folder->OwnerAttributes();
    if (IsFileSystemFolder(kind) && !folder->OwnerIdList().IsEmpty()) {
        return PathJoin(folder->OwnerPath(), name);
    }
    if (IsDescriptorFolder(kind))
        return TempCopy();
    return ShellDisplayName(folder->OwnerShellFolder(), id, SHGDN_FORPARSING).value_or(QString());
}

QString FolderItem::TempCopy() {
    return TempCopy(nullptr);
}

QString FolderItem::TempCopy(QString* whyNot) {
    const auto fail = [&](const QString& why) {
        if (whyNot)
            *whyNot = why.isEmpty() ? kNoContentsText : why;
        return tempCopy;
    };
    // Made once; never for an item above the limit.
    if (!tempCopy.isEmpty())
        return tempCopy;
    if (!folder)
        return fail(QString());
    if (size > std::uint64_t(std::max(0, General().maxExtractSize)))
        return fail(kTooLargeToViewText);

    // The contents come first, so that no file is made for an item that
    // has none.
    std::unique_ptr<ShellDataObject> data = folder->OwnerShellFolder().GetDataObject({&id, 1});
    if (!data)
        return fail(QString());
    std::unique_ptr<QIODevice> stream = data->GetFileContents(0);
    if (!stream)
        return fail(QString());
    QString error;
    const QString path = WriteTempCopy(*stream, name, size, &error);
    if (path.isEmpty())
        return fail(error);

    // No archive handler shows a window of its own here, so there is no
    // frame to bring back to the front afterwards.
    NotifyShell(SHCNE_CREATE, path);
    tempCopy = path;
    return tempCopy;
}

void FolderItem::DeleteTempCopy() {
    if (tempCopy.isEmpty())
        return;
    if (::unlink(NameToBytes(tempCopy).constData()) == 0)
        NotifyShell(SHCNE_DELETE, tempCopy);
    tempCopy.clear();
}

IdList FolderItem::AbsoluteId(bool followLinks) {
    if (!folder)
        return {};
    if (followLinks && (attributes & SFGAO_LINK) && IsFileSystemFolder(folder->OwnerAttributes())) {
        const IdList& target = CachedFolderTarget();
        if (!target.IsNull())
            return target;
    }
    return PidlConcat(folder->OwnerIdList(), id);
}

bool FolderItem::IsFolderLike(bool followLinks) {
    if (attributes & SFGAO_FOLDER)
        return true;
    if (!followLinks || !folder || !(attributes & SFGAO_LINK))
        return false;
    if (!IsFileSystemFolder(folder->OwnerAttributes()))
        return false;
    return !CachedFolderTarget().IsNull();
}

const IdList& FolderItem::CachedFolderTarget() {
    if (!linkTarget)
        linkTarget = ResolveLink(true);
    return *linkTarget;
}

IdList FolderItem::ResolveLink(bool foldersOnly) {
    if (!folder || !(attributes & SFGAO_LINK))
        return {};
    const QString path = ItemPath();
    if (path.isEmpty())
        return {};
    const LinkResolution resolved = ResolveOnDisk(NameToBytes(path));
    if (!resolved.found)
        return {};
    if (foldersOnly && !resolved.directory)
        return {};
    return ParsePath(NameFromBytes(resolved.target));
}

int FolderItem::Icon(bool open) {
    std::int32_t& cached = open ? openIcon : icon;
    if (cached >= 0)
        return cached;
    const ShellContext& context = TheShellContext();

    // What the namespace knows. The owning folder answers for the
    // item directly, which is what asking by the absolute list would end in.
    int index = -1;
    if (!General().usePlainIcons && folder) {
        if (IsDescriptorFolder(folder->OwnerAttributes())) {
            index = (attributes & SFGAO_FOLDER) ? context.FolderIcon
                                                : SHGetFileInfoIconIndexForName(name, false);
        } else {
            index = folder->OwnerShellFolder().GetIconIndex(id, open);
        }
    }

    // The standard icons.
    if (index < 0) {
        if (attributes & SFGAO_FOLDER) {
            index = context.FolderIcon;
        } else if (EndsWithExecutableSuffix(name)) {
            index = context.ExeIcon;
        } else {
            index = context.GenericFileIcon;
        }
    }
    cached = index;
    return index;
}

int FolderItem::Overlay() const {
    if (attributes & SFGAO_LINK)
        return 2;
    if (attributes & SFGAO_SHARE)
        return 1;
    return 0;
}

QString FolderItem::InfoTip() {
    if (infoTip.isEmpty() && folder) {
        const std::optional<QString> tip = folder->OwnerShellFolder().GetInfoTip(id);
        infoTip = (tip && !tip->isEmpty()) ? *tip : kNoInfoTip;
    }
    return infoTip == kNoInfoTip ? QString() : infoTip;
}

QString FolderItem::SizeText() const {
    if (size != 0)
        return FormatSize(size);
    if (attributes & SFGAO_FOLDER)
        return kFolderSize;
    if ((attributes & SFGAO_FILESYSTEM) ||
        (folder && IsDescriptorFolder(folder->OwnerAttributes())))
        return FormatSize(0);
    return kNotAvailable;
}

QString FolderItem::DateText(int index) const {
    if (index < 0 || index > 2)
        index = kTimeModified;
    return FormatFileTime(times[std::size_t(index)]);
}

QString FormatFileTime(FileTime time) {
    if (time == 0)
        return kNotAvailable;
    const QDateTime local =
        QDateTime::fromMSecsSinceEpoch(FileTimeToUnixMilliseconds(time), Qt::LocalTime);
    return QLocale().toString(local, QLocale::ShortFormat);
}
