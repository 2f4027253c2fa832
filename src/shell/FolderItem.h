#pragma once
// FolderItem: one entry of a folder as a pane holds it: the entry's id, what
// the namespace says of it (attributes, names), the file data the pane shows
// (size and three times) and caches for the costly questions asked later
// (icons, link target, info tip, drop target, a temporary copy of an entry
// of an archive).
//
// Every item belongs to one folder (a FolderItemOwner, normally the pane's
// FolderModel), which owns it and outlives it. Items are not copyable or
// movable: the owner keeps them in a node-based list (std::list) or by
// pointer. Main thread only.
//
// Size: 208 bytes on 64-bit Linux, plus the id's own allocation (about 41
// bytes and the name's bytes) and the name. `displayName` shares `name`'s
// data when the two are equal, and empty strings allocate nothing.

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellTypes.h"
#include "shell/FolderItemOwner.h"

// kTooLargeToViewText, the notice for an item that has no path to open and
// gets no temporary copy (too large for "nMaxExtractSize"), comes with the
// copies' own rules.
#include "platform/fs/TempCopyFile.h"

/// The attribute bits asked of the namespace for every new item:
/// SFGAO_FILESYSTEM, SFGAO_FOLDER, SFGAO_BROWSABLE, SFGAO_SHARE, SFGAO_LINK
/// and the capability bits SFGAO_CANCOPY, SFGAO_CANMOVE, SFGAO_CANLINK,
/// SFGAO_CANRENAME, SFGAO_CANDELETE, SFGAO_HASPROPSHEET, SFGAO_DROPTARGET.
inline constexpr std::uint32_t kItemAttributeMask = 0x68030177;

// Folder kinds, from a folder's (adjusted) attribute word.

/// A file-system folder: it has SFGAO_FILESYSTEM.
bool IsFileSystemFolder(std::uint32_t folderAttributes);
/// A descriptor folder (archive-like, its entries describe themselves): of
/// SFGAO_FILESYSTEM, SFGAO_FILESYSANCESTOR and SFGAO_BROWSABLE it has only
/// SFGAO_BROWSABLE.
bool IsDescriptorFolder(std::uint32_t folderAttributes);
/// Any other folder.
bool IsVirtualFolder(std::uint32_t folderAttributes);
/// A plain directory: a file-system folder inside a file-system folder,
/// which the folder model marks by clearing SFGAO_FILESYSANCESTOR.
bool IsPlainDirectory(std::uint32_t folderAttributes);

/// Values of FolderItem::listState.
enum ListState : std::int32_t {
    kListHidden = 0,   // hidden by the pane's visual filter
    kListListed = 1,   // shown
    kListNew = 2,      // found by a refresh (until the pane settles it)
    kListGone = 3,     // missed by a refresh
    kListChanged = 4,  // size or modified time changed on a refresh
};

/// Something that takes drops on an item; the transfer code derives from it.
class ItemDropTarget {
public:
    virtual ~ItemDropTarget() = default;
};

/// The cached drop target of an item: not asked yet, asked and none, or the
/// target (owned).
struct DropTargetCache {
    bool asked = false;
    std::unique_ptr<ItemDropTarget> target;
};

class FolderItem {
public:
    /// No id, no folder; `icon` and `openIcon` -1, caches not asked yet,
    /// `listState` 1, `selectedMark` 0, strings empty.
    FolderItem() = default;
    /// Deletes the temporary copy, if one was made.
    ~FolderItem();
    FolderItem(const FolderItem&) = delete;
    FolderItem& operator=(const FolderItem&) = delete;

    /// Makes the item for entry `id` of `owner` (takes the id):
    /// 1. attributes: kItemAttributeMask as the folder answers it (failure
    ///    fails);
    /// 2. displayName: the in-folder display name;
    /// 3. a file-system item of a file-system folder: size, the three times
    ///    and `name` from the entry's find data (carried in the id; for the
    ///    Desktop's entries, from a stat of the parsing name; not found
    ///    fails);
    /// 4. any other item: name = displayName, and size (not for folders)
    ///    and times from the folder's find data when it gives any (trash
    ///    entries: size and deletion date as the modified time; archive
    ///    entries: size and their times), else 0;
    /// 5. an empty displayName takes `name`.
    /// True when the item has a name. The id list carries all three times,
    /// so they are all filled here (the directory scan has nothing to add).
    bool Init(FolderItemOwner& owner, IdList itemId);

    /// Size and times from the file group descriptor of the item's data
    /// object (descriptor folders and the folder model's probe). Leaves them
    /// as they are when the folder offers none. True when a descriptor was
    /// read: since Init may already have given an item of a
    /// virtual folder its times, a probe for self-describing items asks
    /// this, not whether the times are known.
    bool ReadDescriptor();

    /// All three times from a stat of ItemPath(); false when nothing is
    /// there.
    bool RefreshTimes();

    /// The item's file-system path: the folder's path joined with `name` for
    /// a file-system folder other than the Desktop; the temporary copy for a
    /// descriptor folder (made on demand, see TempCopy); otherwise the
    /// parsing name (for virtual items a "::" string, not a path). Empty
    /// when there is none.
    QString ItemPath();

    /// The path of a temporary copy of the item's contents, made on first
    /// use from the folder's contents stream, or empty:
    /// - items larger than the general setting "nMaxExtractSize" get none;
    /// - the copy is made by WriteTempCopy (TempCopyFile.h): in the
    ///   temporary folder, named "CvTMP_%08x_%s" of a process-wide counter
    ///   and the last component of `name`, stripped of control characters,
    ///   mode 0600; it is created exclusively
    ///   (O_CREAT|O_EXCL|O_NOFOLLOW), so nothing planted there is ever
    ///   written through (a name that is taken moves on to the next counter
    ///   value, a few times at most);
    /// - at most `size` bytes are copied, in blocks of 32768; a read or write
    ///   error removes the partial file and gives an empty path.
    /// The copy is deleted with the item, or by DeleteTempCopy().
    QString TempCopy();
    /// As TempCopy(); when no copy can be had and `whyNot` is given, it says
    /// why in words for the user: kTooLargeToViewText for an item above
    /// "nMaxExtractSize", else what failed (the contents stream's error,
    /// such as a damaged archive, or the file system's). Unchanged when a
    /// copy is returned.
    QString TempCopy(QString* whyNot);
    /// Deletes the temporary copy (a refresh found the item changed).
    void DeleteTempCopy();

    /// The item's absolute id list. With `followLinks`, a link in a
    /// file-system folder whose target is a folder gives the target's list.
    IdList AbsoluteId(bool followLinks);

    /// True for items with SFGAO_FOLDER; with `followLinks` also for a link
    /// in a file-system folder whose target is a folder. The link is
    /// resolved once and cached in `linkTarget`.
    bool IsFolderLike(bool followLinks);

    /// The absolute id list of a link's target (null for items that are not
    /// links, for dangling links and when the target can't be reached within
    /// a second). With `foldersOnly`, only a folder target is given. Not
    /// cached: IsFolderLike and AbsoluteId cache what they learn.
    IdList ResolveLink(bool foldersOnly);

    /// The icon registry index of the closed (or open) icon, asked once.
    /// With the general setting "bUsePlainIcons" off: descriptor folders'
    /// items by their name's type (folders FolderIcon), other items as
    /// their folder gives it. Unknown, or with plain icons: folders
    /// FolderIcon, names ending ".exe", ".com" or ".bat" (any case) ExeIcon,
    /// all others GenericFileIcon.
    int Icon(bool open);

    /// 2 (link overlay) for SFGAO_LINK, else 1 (share) for SFGAO_SHARE, else
    /// 0.
    int Overlay() const;

    /// The info tip, asked of the folder once; empty when it has none.
    QString InfoTip();

    /// The Size column: FormatSize(size) when the size is known (not 0);
    /// "<folder>" for folders; FormatSize(0) for file-system items and the
    /// items of descriptor folders; "<n/a>" for all others.
    QString SizeText() const;

    /// The Date column for time `index` (kTimeModified, kTimeCreated,
    /// kTimeAccessed): "<n/a>" for an unknown (zero) time, else the local
    /// time in the user's short date and time format.
    QString DateText(int index) const;

    // The record. Field order is part of the record's documented layout.
    IdList id;                             // relative to the folder, owned
    FolderItemOwner* folder = nullptr;     // the owning folder, not owned
    DropTargetCache dropTarget;            // the transfer code's cache
    std::uint32_t attributes = 0;          // SFGAO_ bits
    std::int32_t icon = -1;                // closed icon index, -1 until known
    std::int32_t openIcon = -1;            // open icon index, -1 until known
    QString tempCopy;                      // temporary copy's path, or empty
    std::optional<IdList> linkTarget;      // nullopt: not resolved yet; null list: none
    QString infoTip;                       // empty: not asked; " ": none
    QString name;                          // as the file system spells it
    QString displayName;                   // shown in the Name column
    std::int32_t listState = kListListed;  // ListState
    std::uint64_t size = 0;                // bytes; 0 for folders and unknown
    std::uint32_t selectedMark = 0;        // sticky selection: non-zero when selected
    std::array<FileTime, 3> times{};       // modified, created, accessed; 0 unknown

private:
    // The folder target of a link, resolved on first use into `linkTarget`.
    const IdList& CachedFolderTarget();
};

/// "<n/a>" for an unknown (zero) time, else the local time in the user's
/// short date and time format (QLocale).
QString FormatFileTime(FileTime time);
