#pragma once
// FileSystemFolder: a directory of the file system as a shell folder.
//
// Items are ItemKind::FileSystem ids that carry the entry's lstat data, so
// enumeration makes one statx per entry and GetFindData() none. A symbolic
// link keeps its own lstat data: it has SFGAO_LINK and never SFGAO_FOLDER,
// whatever it points at (the program resolves links itself).
//
// Attributes of an item:
//   folders   FOLDER | FILESYSTEM | FILESYSANCESTOR | HASSUBFOLDER | DROPTARGET
//   others    FILESYSTEM | STREAM; regular files that open as folders
//             (FileSystemExtensions::OpensAsFolder: archives) also FOLDER |
//             BROWSABLE (BindToObject on one, or through one, gives the
//             folder the extensions bind)
//   all       CANCOPY | CANMOVE | CANLINK | CANRENAME | CANDELETE | HASPROPSHEET,
//             LINK for symbolic links, HIDDEN for names starting with ".",
//             READONLY when the user may not write the entry (asked only when
//             the caller asks for SFGAO_READONLY: it costs a system call),
//             and the folder's extra bits (SFGAO_REMOVABLE on removable media).
// HASSUBFOLDER is optimistic: every folder has it, as Windows answers for
// file-system folders, because finding out would mean reading the folder.
//
// Display names: SHGDN_NORMAL and SHGDN_INFOLDER give the entry's name for
// display (undecodable bytes shown as U+FFFD); SHGDN_FORPARSING the absolute
// path and SHGDN_INFOLDER|SHGDN_FORPARSING the name, both lossless
// (NameCodec), so they can go back to the kernel.
//
// CompareIDs: folders before other entries; column 0 name (case-blind with
// Unicode case folding, then the exact bytes, so only the identical name
// compares equal), 1 size, 2 type (extension, case-blind), 3 modified time;
// ties of columns 1-3 are broken by the name.

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/namespace/ItemData.h"
#include "platform/namespace/ShellFolder.h"

/// What other areas of the namespace add to the file-system folders: files
/// that open as folders (archives) and the context menus. The file-system
/// folders lie below those areas, so they reach them only through this
/// interface, which the concrete namespace installs once at start-up. With
/// none installed, no file opens as a folder and the folders have no menus.
///
/// Installed before any folder is used and not changed afterwards, so its
/// calls may come from any thread that may use the folders.
class FileSystemExtensions {
public:
    virtual ~FileSystemExtensions() = default;
    /// True when a regular file of that name opens as a folder.
    virtual bool OpensAsFolder(const QByteArray& name) = 0;
    /// The folder that `relative` (below the folder `folderPath`, whose
    /// absolute list is `absolute`) names when it passes into a file that
    /// opens as a folder: the bound folder, or null when it cannot be bound.
    /// nullopt when the list does not reach into such a file.
    virtual std::optional<std::unique_ptr<ShellFolder>> BindThroughFile(
        const QByteArray& folderPath, const IdList& absolute, const IdList& relative) = 0;
    /// The list of the path `inner` inside the file `filePath` (which opens
    /// as a folder); null when there is no such entry.
    virtual IdList ParseInsideFile(const QByteArray& filePath, const QByteArray& inner) = 0;
    /// The order of two lists that begin with items inside such a file;
    /// nullopt when the first items are not of that kind.
    virtual std::optional<int> CompareInsideFile(int column, const IdList& a, const IdList& b) = 0;
    /// The menu over file-system items (absolute raw paths).
    virtual std::unique_ptr<ShellContextMenu> ItemMenu(const QList<QByteArray>& paths) = 0;
    /// The background menu of the folder at `folder`.
    virtual std::unique_ptr<ShellContextMenu> BackgroundMenu(const QByteArray& folder) = 0;
};

/// Installs the extensions (null removes them) and gives back the previous
/// ones, so a test can put them back.
std::shared_ptr<FileSystemExtensions> InstallFileSystemExtensions(
    std::shared_ptr<FileSystemExtensions> extensions);
/// The installed extensions, or null.
FileSystemExtensions* InstalledFileSystemExtensions();

class FileSystemFolder : public ShellFolder {
public:
    static constexpr std::uint32_t kCapabilities = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK |
                                                   SFGAO_CANRENAME | SFGAO_CANDELETE |
                                                   SFGAO_HASPROPSHEET;

    /// `path` is absolute (decoded with NameFromBytes); `absolute` is the
    /// folder's absolute id list (its data objects name it as the parent);
    /// `extraAttributes` are added to every item's attributes.
    FileSystemFolder(const QString& path, IdList absolute, std::uint32_t extraAttributes = 0);
    /// A folder object of its own for the same folder, with the same extra
    /// attributes: what a worker thread names and types entries with while
    /// this one stays with its owner on the main thread.
    /// Whether an enumeration with `flags` (SHCONTF_ bits) lists the entry:
    /// hidden names only with SHCONTF_INCLUDEHIDDEN; a folder with the
    /// folders, a stream with the non-folders, an archive with either.
    static bool ListedBy(std::uint32_t flags, const FileSystemItemData& entry);
    std::unique_ptr<FileSystemFolder> CloneFolder() const {
        return std::make_unique<FileSystemFolder>(m_path, m_absolute, m_extra);
    }

    const QString& Path() const { return m_path; }
    const QByteArray& PathBytes() const { return m_pathBytes; }
    const IdList& AbsoluteId() const { return m_absolute; }

    /// The attributes an entry's data give (no READONLY, no extra bits).
    static std::uint32_t AttributesOf(const FileSystemItemData& data);
    /// The names of a relative list of file-system items; empty when an item
    /// is not one.
    static QList<QByteArray> NamesOf(const IdList& relative);

    /// The relative id of an entry of this folder by its name bytes, stat'ed
    /// now; null when there is no such entry.
    IdList ItemIdOf(const QByteArray& name) const;

    /// Binds a folder below this one (one or several items). The final path
    /// must be a directory (a link to one is followed). One stat.
    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    /// nullptr when the directory cannot be opened; the enumerator answers
    /// Error when a read fails part way. SHCONTF_FOLDERS lists the items
    /// with SFGAO_FOLDER (directories and archives), SHCONTF_NONFOLDERS
    /// every other entry and archives too (they are files as well); with
    /// both, every entry once.
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    /// With no items: true when the directory still exists.
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// A relative path of one or more components, each stat'ed ("." and ".."
    /// are not accepted, nor absolute paths).
    IdList ParseDisplayName(const QString& name) override;
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    std::optional<FindData> GetFindData(const IdList& item) override;
    /// text/uri-list, text/plain and the shell id list of the items.
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    /// "Kind: ...", "Size: ..." (not for folders), "Modified: ...".
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;
    /// Renames with renameat2(RENAME_NOREPLACE): refuses an empty name, one
    /// holding "/", "." and "..", and never replaces an existing entry (a
    /// change of case only is allowed on file systems that ignore case). The
    /// new item's id, stat'ed after the rename; null on failure (errno).
    IdList SetNameOf(const IdList& item, const QString& newName, std::uint32_t flags) override;
    /// The extensions' menu over the items; nullptr when an item is not one
    /// of this folder's, or no extensions are installed.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override;
    /// The extensions' background menu of this folder (the "Shell new" menu
    /// of the user's templates).
    std::unique_ptr<ShellContextMenu> GetBackgroundMenu() override;

private:
    QByteArray PathOf(const QList<QByteArray>& names) const;

    QString m_path;
    QByteArray m_pathBytes;
    IdList m_absolute;
    std::uint32_t m_extra;
};
