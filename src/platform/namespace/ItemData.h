#pragma once
// The payload of one item of an id list as Corvane's own folders write it:
// a kind byte, the fields of that kind, then the item's name bytes.
//
//   kind 0x01 file-system entry: u32 st_mode (as lstat gives it), u64 size
//             (0 for directories), three u64 FileTimes (modified, created =
//             birth time or 0, accessed), then the raw name bytes;
//   kind 0x02 virtual place of the Desktop: u8 place (VirtualPlace), then the
//             place's name as UTF-8 ("Computer", "Home", ...);
//   kind 0x03 volume of Computer: the mount point's raw bytes;
//   kind 0x04 entry of an archive (ArchiveFolder.h has its layout);
//   kind 0x05 trash entry: u32 st_mode, u64 size, u64 deletion FileTime,
//             then three u16-length-prefixed byte strings (the trash
//             directory, its top directory or empty for the home trash, the
//             original path), then the entry's name in files/;
//   kind 0x06 desktop entry of Settings or the applications menu: u8 place
//             (VirtualPlace), u8 flags (1: a category sub-folder), then the
//             desktop file id ("org.example.App.desktop") or the category
//             name as UTF-8;
//   kind 0x07 printer: the printer's name as UTF-8.
// Network's remote mounts are volume items (0x03) as well.
//
// All integers are little-endian. A file-system item thus carries what the
// directory scan learned, so reading its find data costs no system call.
// Decoding validates the kind and the lengths and never reads beyond the
// payload; a malformed payload decodes to nullopt.
//
// Kinds 0x40..0x7F are reserved for test doubles (FakeShell uses 0x7F).

#include <QByteArray>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellTypes.h"

enum class ItemKind : std::uint8_t {
    FileSystem = 0x01,
    Virtual = 0x02,
    Volume = 0x03,
    ArchiveEntry = 0x04,
    TrashItem = 0x05,
    DesktopEntry = 0x06,
    Printer = 0x07,
    RemoteLocation = 0x08,
    Fake = 0x7F,
};

/// The Desktop's virtual places. The numbers are stored in id lists (and so
/// in settings): never renumber them.
enum class VirtualPlace : std::uint8_t {
    Computer = 1,
    Home = 2,
    Network = 3,
    Trash = 4,
    Settings = 5,
    Printers = 6,
    StartMenu = 7,  // the applications menu (not shown on the Desktop)
};

/// The fixed part of a file-system item (37 bytes with the kind byte).
struct FileSystemItemData {
    std::uint32_t mode = 0;
    std::uint64_t size = 0;
    std::array<FileTime, 3> times{};  // modified, created, accessed
    QByteArray name;                  // raw bytes, never empty when decoded
};

struct VirtualItemData {
    VirtualPlace place = VirtualPlace::Computer;
    QByteArray name;  // UTF-8
};

struct VolumeItemData {
    QByteArray mountPoint;  // raw bytes, absolute
};

/// The kind byte of a payload, or nullopt for an empty one.
std::optional<ItemKind> PayloadKind(std::span<const std::uint8_t> payload);

QByteArray EncodeFileSystemItem(const FileSystemItemData& data);
/// A one-item id list of the encoded item (null when the name is too long).
IdList FileSystemItemId(const FileSystemItemData& data);
/// nullopt unless the payload is a well-formed file-system item with a
/// non-empty name.
std::optional<FileSystemItemData> DecodeFileSystemItem(std::span<const std::uint8_t> payload);

QByteArray EncodeVirtualItem(const VirtualItemData& data);
IdList VirtualItemId(VirtualPlace place, const QByteArray& name);
std::optional<VirtualItemData> DecodeVirtualItem(std::span<const std::uint8_t> payload);

QByteArray EncodeVolumeItem(const VolumeItemData& data);
IdList VolumeItemId(const QByteArray& mountPoint);
/// nullopt unless the payload holds a mount point starting with "/".
std::optional<VolumeItemData> DecodeVolumeItem(std::span<const std::uint8_t> payload);

/// A remote location GIO serves without a local path: the URI of its root
/// (UTF-8, as GIO names the mount's root, ending in "/").
IdList RemoteLocationItemId(const QString& rootUri);
/// The root URI of a remote location's item; nullopt for any other payload.
std::optional<QString> DecodeRemoteLocationItem(std::span<const std::uint8_t> payload);

struct TrashItemData {
    std::uint32_t mode = 0;
    std::uint64_t size = 0;
    FileTime deletionTime = 0;
    QByteArray trashDir;      // absolute
    QByteArray topdir;        // empty for the home trash
    QByteArray originalPath;  // absolute
    QByteArray name;          // in files/, never empty when decoded
};

QByteArray EncodeTrashItem(const TrashItemData& data);
/// Null when the fields do not fit one item.
IdList TrashItemId(const TrashItemData& data);
/// nullopt unless well formed, with absolute trash and original paths and a
/// non-empty name holding no "/".
std::optional<TrashItemData> DecodeTrashItem(std::span<const std::uint8_t> payload);

struct DesktopEntryItemData {
    VirtualPlace place = VirtualPlace::Settings;  // Settings or StartMenu
    bool category = false;                        // a category sub-folder
    QByteArray id;                                // UTF-8
};

QByteArray EncodeDesktopEntryItem(const DesktopEntryItemData& data);
IdList DesktopEntryItemId(const DesktopEntryItemData& data);
/// nullopt unless the place is Settings or StartMenu and the id not empty.
std::optional<DesktopEntryItemData> DecodeDesktopEntryItem(std::span<const std::uint8_t> payload);

/// The printer's name (UTF-8) of a kind 0x06 item.
IdList PrinterItemId(const QByteArray& name);
std::optional<QByteArray> DecodePrinterItem(std::span<const std::uint8_t> payload);

/// Converts a decoded file-system item to find data (name decoded with
/// NameFromBytes).
FindData FindDataOf(const FileSystemItemData& data);
