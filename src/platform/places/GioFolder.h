#pragma once
// GioFolder: a folder of a location GIO serves but the system has no path
// for (a remote location mounted while GVfs's FUSE bridge is not running),
// browsed as a shell folder by its URI. With a FUSE path the location is a
// file-system folder instead, and nothing here is used.
//
// Items are ItemKind::FileSystem ids, as GIO lists the entries (name bytes,
// mode, size, times: ItemDataOfInfo), so rows show names, sizes, dates,
// types and icons as a directory's do, and sort the same way. Nothing here
// asks the server while the pane sorts, names or types the items: the id
// carries it all. Listing is the only read, and the pane takes it on its
// reading thread (EntrySourceFolder: OpenGioEntrySource of the URI).
//
// Attributes of an item:
//   folders   FOLDER | HASSUBFOLDER | DROPTARGET
//   files     STREAM
//   all       CANCOPY | CANMOVE | CANRENAME | CANDELETE | HASPROPSHEET,
//             LINK for symbolic links (never followed), HIDDEN for dot names
// never FILESYSTEM: nothing here has a path the engine could take.
//
// Display names: SHGDN_FORPARSING the item's URI (the folder's URI, "/",
// the percent-encoded name bytes); SHGDN_INFOLDER|SHGDN_FORPARSING the name,
// lossless (NameCodec); SHGDN_NORMAL the name for display.
//
// Operations go through GioOperation (a worker, with progress, Cancel and
// the engine's questions): delete (the "delete" verb: asked as a permanent
// delete, since such a location has no trash), rename (SetNameOf), new
// folder (MakeGioFolder), copy and move into the folder (its drop target,
// from the file paths of the data) and out of it (the data object carries
// the items' URIs; the file-system drop target copies them by GIO).
//
// Threads: as any ShellFolder; SetNameOf and the menus' verbs wait on the
// main thread for their worker without blocking the window.

#include <QString>
#include <memory>

#include "platform/fs/EntrySource.h"
#include "platform/namespace/ShellFolder.h"

class GioFolder : public ShellFolder, public EntrySourceFolder {
public:
    static constexpr std::uint32_t kCapabilities =
        SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANRENAME | SFGAO_CANDELETE | SFGAO_HASPROPSHEET;
    /// What the folder itself is, as its parent gives it: a folder that
    /// takes drops and is browsed as a virtual folder.
    static constexpr std::uint32_t kFolderAttributes =
        SFGAO_FOLDER | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET | kCapabilities;

    /// `uri` names the folder (any URI GIO serves; a trailing "/" is kept
    /// only for a root); `absolute` is its absolute id list.
    GioFolder(QString uri, IdList absolute);
    ~GioFolder() override;

    const QString& Uri() const { return m_uri; }
    /// The URI of the entry `name` (raw bytes) of this folder.
    QString ChildUri(const QByteArray& name) const;
    /// The attributes of an entry.
    static std::uint32_t AttributesOf(const FileSystemItemData& data);
    /// The id of a folder entry named by `name`, as listing it would give
    /// it before its size and times are known (no server is asked).
    static IdList FolderId(const QByteArray& name);

    std::unique_ptr<EntrySource> OpenEntries(int* error) const override;
    std::unique_ptr<ShellFolder> CloneSourceFolder() const override;

    /// Binds a folder below this one; every item must be a folder. Asks no
    /// server.
    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    /// Lists the folder through GIO on the calling thread (a worker's): one
    /// round trip per batch of entries; nullptr when it can't be listed.
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// A relative path ("a/b c") or a URI below this folder: each component
    /// taken as a folder (the listing tells the rest). "." and ".." are
    /// refused.
    IdList ParseDisplayName(const QString& name) override;
    /// As a directory's items compare (folders first; name, size, type,
    /// modified).
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    std::optional<FindData> GetFindData(const IdList& item) override;
    /// The shell id list, and the items' URIs as text/uri-list and text.
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;
    /// Renames through GIO (on a worker; a refusal is told to the user);
    /// never replaces an existing entry. The new item's id, or null.
    IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) override;
    /// "open" (the program's: it enters folders and views files),
    /// "delete" and "properties"; nullptr for items not of this folder.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override;
    /// The folder's own drop target (no items), or a folder item's.
    std::unique_ptr<ShellDropTarget> GetDropTarget(std::span<const IdList> items) override;

private:
    std::optional<FileSystemItemData> DataOf(const IdList& item) const;

    QString m_uri;
    IdList m_absolute;
    // Compares, types and describes the items from their ids alone, as the
    // file-system folders do; it never touches its (empty) path.
    std::unique_ptr<ShellFolder> m_items;
};

/// Makes the folder `name` (raw bytes) in the folder at `folderUri`
/// through GIO, on a worker; a refusal is told to the user. True when made.
bool MakeGioFolder(const QString& folderUri, const QByteArray& name, QWidget* parent);

/// The URIs a data object's text/uri-list holds that are not "file://"
/// ones: the items of a GioFolder. Empty for everything else.
QStringList GioUrisOf(const ShellDataObject& data);
