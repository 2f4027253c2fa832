#include "tree/TreeFolderReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/archive/ArchiveFolder.h"
#include "platform/fs/FileSystem.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"

namespace {

bool IsHiddenName(const char* name) {
    return name[0] == '.';
}

bool OpensAsFolder(const QByteArray& name) {
    FileSystemExtensions* extensions = InstalledFileSystemExtensions();
    return extensions && extensions->OpensAsFolder(name);
}

// Names and types come a buffer at a time; most folders are one read.
constexpr std::size_t kFolderReadBuffer = 64 * 1024;

// One entry of a file-system folder as a folder item, or a null id when the
// entry is no folder. The type comes from the directory entry; a stat is
// made only where that type says nothing (DT_UNKNOWN) and for files that open
// as folders, whose ids must carry their real size and time.
IdList FolderIdOf(int dirFd, const DirectoryStream::Name& entry) {
    const QByteArray& name = entry.name;
    const unsigned char type = entry.type;
    if (type == DT_UNKNOWN) {
        const std::optional<FileSystemItemData> data = StatEntryAt(dirFd, name);
        if (!data)
            return {};
        if (S_ISDIR(data->mode))
            return FileSystemItemId(*data);
        if (S_ISREG(data->mode) && OpensAsFolder(name))
            return FileSystemItemId(*data);
        return {};
    }
    if (type == DT_DIR) {
        FileSystemItemData data;
        data.mode = S_IFDIR | 0755;
        data.name = name;
        return FileSystemItemId(data);
    }
    if (type == DT_REG && OpensAsFolder(name)) {
        const std::optional<FileSystemItemData> data = StatEntryAt(dirFd, name);
        return data && S_ISREG(data->mode) ? FileSystemItemId(*data) : IdList();
    }
    return {};
}

// The folders of a directory by their entry types. False when it can't be
// opened or a read fails.
bool ReadDirectoryFolders(const QByteArray& path, bool showHidden, std::vector<IdList>& out) {
    DirectoryStream dir(path);
    if (!dir.IsOpen())
        return false;
    std::vector<DirectoryStream::Name> names;
    while (dir.ReadNames(names, kFolderReadBuffer)) {
        for (const DirectoryStream::Name& entry : names) {
            if (!showHidden && IsHiddenName(entry.name.constData()))
                continue;
            IdList id = FolderIdOf(dir.Fd(), entry);
            if (!id.IsNull())
                out.push_back(std::move(id));
        }
        names.clear();
    }
    return dir.Error() == 0;
}

// The folders of any other folder, by its enumeration.
bool EnumerateFolders(ShellFolder& folder, bool showHidden, std::vector<IdList>& out) {
    std::unique_ptr<EnumIdList> items =
        folder.EnumObjects(SHCONTF_FOLDERS | (showHidden ? SHCONTF_INCLUDEHIDDEN : 0u));
    if (!items)
        return false;
    IdList item;
    for (;;) {
        switch (items->Next(item)) {
            case EnumIdList::Result::Item:
                out.push_back(std::move(item));
                item = IdList();
                break;
            case EnumIdList::Result::End:
                return true;
            case EnumIdList::Result::Error:
                // What was listed before the error is kept: a partly
                // readable folder still shows what it could list.
                return !out.empty();
        }
    }
}

}  // namespace

TreeListing ReadTreeFolder(const IdList& absolute, bool showHidden) {
    TreeListing listing;
    if (absolute.IsNull())
        return listing;
    std::unique_ptr<ShellFolder> desktop = SHGetDesktopFolder();
    if (!desktop)
        return listing;
    std::unique_ptr<ShellFolder> bound;
    ShellFolder* folder = desktop.get();
    if (!absolute.IsEmpty()) {
        bound = desktop->BindToObject(absolute);
        if (!bound)
            return listing;
        folder = bound.get();
    }

    std::vector<IdList> ids;
    if (auto* fileSystem = dynamic_cast<FileSystemFolder*>(folder)) {
        listing.fileSystem = true;
        listing.path = fileSystem->Path();
        if (!ReadDirectoryFolders(fileSystem->PathBytes(), showHidden, ids))
            return listing;
        if (const std::optional<std::uint32_t> attributes = SHGetFileInfoAttributes(absolute))
            listing.removable = (*attributes & SFGAO_REMOVABLE) != 0;
    } else if (!EnumerateFolders(*folder, showHidden, ids)) {
        return listing;
    }

    listing.entries.reserve(ids.size());
    for (IdList& id : ids) {
        std::uint32_t attributes = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_BROWSABLE |
                                   SFGAO_HASSUBFOLDER | SFGAO_SHARE | SFGAO_REMOVABLE;
        if (!folder->GetAttributesOf(std::span(&id, 1), attributes))
            continue;
        // An enumeration of folders may still give other items (a place that
        // lists everything); the tree holds folders only.
        if (!(attributes & SFGAO_FOLDER))
            continue;
        TreeEntry entry;
        entry.displayName = folder->GetDisplayNameOf(id, SHGDN_INFOLDER).value_or(QString());
        entry.key = TreeItemKey(id.ItemPayload(0));
        entry.attributes = attributes;
        entry.id = std::move(id);
        listing.entries.push_back(std::move(entry));
    }
    std::stable_sort(listing.entries.begin(), listing.entries.end(),
                     [folder](const TreeEntry& a, const TreeEntry& b) {
                         return folder->CompareIDs(0, a.id, b.id) < 0;
                     });
    listing.ok = true;
    return listing;
}

QByteArray TreeItemKey(std::span<const std::uint8_t> payload) {
    const std::optional<ItemKind> kind = PayloadKind(payload);
    if (!kind)
        return {};
    switch (*kind) {
        case ItemKind::FileSystem:
            if (const auto data = DecodeFileSystemItem(payload))
                return QByteArrayLiteral("f/") + data->name;
            break;
        case ItemKind::ArchiveEntry:
            if (const auto data = DecodeArchiveItem(payload))
                return QByteArrayLiteral("a/") + data->name;
            break;
        case ItemKind::TrashItem:
            if (const auto data = DecodeTrashItem(payload))
                return QByteArrayLiteral("t/") + data->trashDir + '/' + data->name;
            break;
        case ItemKind::Volume:
            if (const auto data = DecodeVolumeItem(payload))
                return QByteArrayLiteral("v/") + data->mountPoint;
            break;
        default:
            break;
    }
    return QByteArrayLiteral("p/") +
           QByteArray(reinterpret_cast<const char*>(payload.data()), qsizetype(payload.size()));
}
