#pragma once
// ArchiveFolder: an archive file, or a folder inside one, browsed as a shell
// folder. Read-only.
//
// An archive file of a file-system folder (a regular file whose name
// IsArchiveName()) has the attributes of an archive-like folder: SFGAO_FOLDER
// and SFGAO_BROWSABLE without SFGAO_FILESYSANCESTOR, so the pane opens it as
// a folder and makes it a descriptor folder; BindToObject on it gives an
// ArchiveFolder. Folders inside are ArchiveFolders too, sharing the one
// ArchiveIndex of the archive (read once, see AcquireArchiveIndex()).
//
// Items are ItemKind::ArchiveEntry ids: a kind byte 0x04, the entry's kind
// (ArchiveIndex::Kind), u64 size, three u64 FileTimes (modified, created,
// accessed), then the entry's name bytes. All integers little-endian.
//
// Attributes of an item:
//   folders   FOLDER | BROWSABLE | READONLY, HASSUBFOLDER when it holds one
//   files     STREAM | CANCOPY | READONLY
//   links     LINK | READONLY (listed, never followed; no contents)
//   special   READONLY (devices, FIFOs, sockets: no contents)
//   all       HIDDEN for names starting with "."
// Display names: SHGDN_INFOLDER the entry's name (lossless, NameCodec);
// SHGDN_NORMAL the same for display (undecodable bytes as U+FFFD);
// SHGDN_FORPARSING the archive's path followed by the path inside it
// ("/home/me/a.zip/docs/read.me"), which the file-system folders parse back.
//
// Data objects carry the shell id list and the file group: one descriptor
// per item (size, the known times, name, folder flag) and the contents of
// file items as ArchiveStreams. Nothing is extracted to the disk here.
//
// EnumObjects lists one level in archive order; it ends with an error (after
// the entries it could list) when the archive's index is incomplete, so the
// pane says that some items were not accessible.

#include <memory>
#include <optional>

#include "platform/archive/ArchiveIndex.h"
#include "platform/namespace/ShellFolder.h"

/// What an archive entry's id carries.
struct ArchiveItemData {
    ArchiveIndex::Kind kind = ArchiveIndex::Kind::File;
    std::uint64_t size = 0;
    std::array<FileTime, 3> times{};
    QByteArray name;  // raw bytes, never empty when decoded
};

QByteArray EncodeArchiveItem(const ArchiveItemData& data);
/// A one-item id list (null when the name is too long for an item).
IdList ArchiveItemId(const ArchiveItemData& data);
/// nullopt unless the payload is a well-formed archive entry.
std::optional<ArchiveItemData> DecodeArchiveItem(std::span<const std::uint8_t> payload);

/// Orders two relative lists of archive entries as ArchiveFolder does:
/// folders first; column 0 name (case-blind, then exact bytes), 1 size,
/// 2 type (extension, case-blind), 3 modified time, ties broken by name; a
/// shorter list first. Needs no index.
int CompareArchiveIds(int column, const IdList& a, const IdList& b);

class ArchiveFolder : public ShellFolder {
public:
    static constexpr std::uint32_t kFolderAttributes =
        SFGAO_FOLDER | SFGAO_BROWSABLE | SFGAO_READONLY;
    static constexpr std::uint32_t kFileAttributes = SFGAO_STREAM | SFGAO_CANCOPY | SFGAO_READONLY;

    /// The root folder of the archive at `path` (raw bytes); `absolute` is
    /// the archive item's absolute id list. nullptr when the archive can't be
    /// read (LastArchiveError() says why).
    static std::unique_ptr<ArchiveFolder> Open(const QByteArray& path, IdList absolute);

    ArchiveFolder(std::shared_ptr<const ArchiveIndex> index, int node, IdList absolute);

    const ArchiveIndex& Index() const { return *m_index; }
    /// The shared index (for streams that outlive the folder).
    std::shared_ptr<const ArchiveIndex> SharedIndex() const { return m_index; }
    int Node() const { return m_node; }
    /// The node a relative list of entries names below this folder, or -1.
    int Resolve(const IdList& relative) const;
    /// The id of a node of the index (one item).
    IdList IdOf(int node) const;

    std::unique_ptr<ShellFolder> BindToObject(const IdList& relative) override;
    std::unique_ptr<EnumIdList> EnumObjects(std::uint32_t flags) override;
    /// With no items: true while the archive is still readable; an archive
    /// changed on disk is read again (once) and this folder follows it.
    bool GetAttributesOf(std::span<const IdList> items, std::uint32_t& inOut) override;
    std::optional<QString> GetDisplayNameOf(const IdList& item, std::uint32_t flags) override;
    /// A path relative to this folder ("docs/read.me"); "." and ".." are
    /// refused, as are absolute paths.
    IdList ParseDisplayName(const QString& name) override;
    int CompareIDs(int column, const IdList& a, const IdList& b) override;
    std::unique_ptr<ShellDataObject> GetDataObject(std::span<const IdList> items) override;
    /// "Kind: ...", "Size: ..." (files), "Modified: ...", "Link to: ...".
    std::optional<QString> GetInfoTip(const IdList& item) override;
    int GetIconIndex(const IdList& item, bool open) override;
    /// From the id alone (no look-up): the entry's name, a mode of its kind
    /// (S_IFDIR, S_IFREG, S_IFLNK; 0 for special entries), its size (files
    /// only) and the times the archive gave.
    std::optional<FindData> GetFindData(const IdList& item) override;
    /// MakeDescribedItemsContextMenu over the entries: "open" (default; with
    /// a folder among them it is the program's, which enters it; else each
    /// file opens through a temporary copy, see OpenArchiveEntry), "copy"
    /// (the program's) and "properties" (their descriptors). nullptr when
    /// an item is not an entry below this folder.
    std::unique_ptr<ShellContextMenu> GetContextMenu(std::span<const IdList> items) override;

private:
    QString ParsingPath() const;
    FileDescriptor DescriptorOf(int node) const;

    std::shared_ptr<const ArchiveIndex> m_index;
    int m_node;
    IdList m_absolute;
};

/// The file-system folders' way into archives. When `relative` (items of
/// the file-system folder at `folderPath` whose absolute list is
/// `folderAbsolute`) passes through an archive file, the folder it names:
/// the archive's root or a folder inside it (nullptr when that can't be
/// bound). nullopt when the list names no archive at all.
std::optional<std::unique_ptr<ShellFolder>> BindThroughArchive(const QByteArray& folderPath,
                                                               const IdList& folderAbsolute,
                                                               const IdList& relative);

/// Opens a file entry of an archive with its type's default application,
/// through a temporary copy (TempCopyFile.h; kept until the process ends,
/// since the application reads it later). Nothing an archive holds is ever
/// run: programs and desktop entries open as documents too. False, with a
/// text for the user in `whyNot`, for entries that are not files, above
/// MaxExtractSize() (OverExtractLimitText: the size and the limit), damaged
/// (what is wrong), or when no application could be started.
bool OpenArchiveEntry(const std::shared_ptr<const ArchiveIndex>& index, int node,
                      QString* whyNot = nullptr);

/// The relative ids of `inner` ("a/b.txt") inside the archive at
/// `archivePath`; null when it names nothing there.
IdList ParseInsideArchive(const QByteArray& archivePath, const QByteArray& inner);
