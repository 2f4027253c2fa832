#pragma once
// TrashFolder: the trash as a folder of the namespace ("Trash" on the
// Desktop, parsing name "::Trash").
//
// It lists the entries of the home trash and of the top-directory trashes of
// the mounted volumes (Trash.h). Items (ItemKind::TrashItem ids) are shown by
// their original names; their find data give the deletion time as the
// modified time. The folder is virtual: items never carry SFGAO_FILESYSTEM,
// so the program does not copy or move them by path as plain files, and
// their data objects carry the file-name map (ClipFormats::kFileNameMap)
// with the original names. A trashed folder can be opened: it binds to the
// file-system folder inside the trash.
//
// Attributes of an item: CANCOPY | CANMOVE | CANDELETE, FOLDER |
// HASSUBFOLDER for folders, STREAM for others, HIDDEN for original names
// starting with ".". Display names: normal and in-folder give the original
// name; for parsing, the absolute path of the item inside the trash.
// CompareIDs: folders first; column 0 name, 1 size, 2 type, 3 deletion time
// (ties broken by the name, then by the place in the trash).
//
// Dropping file items on the folder (GetDropTarget with no items) moves them
// to the trash; an item whose volume has no trash is deleted for good only
// when the user says so.

#include <QByteArray>
#include <optional>
#include <vector>

#include "platform/namespace/ItemData.h"
#include "platform/namespace/ShellFolder.h"
#include "platform/trash/Trash.h"

class TrashFolder : public ShellFolder {
public:
    /// `absolute` is the folder's own absolute id list (the parent its data
    /// objects name).
    explicit TrashFolder(IdList absolute);

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    /// Reads every trash's info folder now; nullptr never (an empty or
    /// missing trash lists nothing).
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    /// With no items: true (the trash always exists). False for an item that
    /// is not a trash entry.
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// The absolute path of an entry in a trash's files/ folder (or a path
    /// below a trashed folder); null for anything else.
    IdList ParseDisplayName(const QString& name) override;
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    /// Name (the original name, as shown), mode, size and the deletion time
    /// as times[kTimeModified].
    std::optional<FindData> GetFindData(const IdList& item) override;
    /// The shell id list, text/uri-list and text/plain of the paths inside
    /// the trash, and the file-name map of the original names.
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    /// "Original location", "Deleted" and "Size" lines.
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;
    std::unique_ptr<ShellDropTarget> GetDropTarget(std::span<const IdList> items) override;
    /// Over entries: the trash menu (MakeTrashContextMenu: "open",
    /// "restore", "copy", "delete", "properties"); below a trashed folder,
    /// that folder's own menu.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override;
    /// "Empty trash".
    std::unique_ptr<ShellContextMenu> GetBackgroundMenu() override;

private:
    IdList m_absolute;
};

/// The trash entry an item of the trash folder names (relative, one item),
/// re-read from the disk: nullopt when it is not a trash item or is no
/// longer in the trash.
std::optional<TrashEntry> TrashEntryFromId(const IdList& relative);
/// The entries of several items; items that are gone are left out.
std::vector<TrashEntry> TrashEntriesFromIds(std::span<const IdList> items);
/// The relative id of a trash entry.
IdList TrashEntryId(const TrashEntry& entry);

/// The file-name map of a data object: the names as raw bytes, each ended
/// by a NUL byte, and one more NUL after the last.
QByteArray EncodeFileNameMap(const QList<QByteArray>& names);
/// Reads a file-name map; empty when the bytes are not one.
QList<QByteArray> DecodeFileNameMap(const QByteArray& bytes);

/// The absolute paths (raw bytes) of the file: URIs of a text/uri-list;
/// other schemes and comment lines are left out.
QList<QByteArray> PathsFromUriList(const QByteArray& uriList);

/// Moves the items at `paths` to the trash (MoveToTrash). Items whose
/// volume has no trash are deleted for good only when the user agrees
/// (asked once per item, Yes/No, through the prompter); failures are told
/// in one message. True when at least one item left its place.
bool TrashPaths(const QList<QByteArray>& paths, QWidget* parent = nullptr);
