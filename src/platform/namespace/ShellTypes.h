#pragma once
// Constants and small records of the shell namespace. The attribute, content
// and display-name flags keep their Windows values because stored settings,
// tests and the program's logic compare against those numbers.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// Attribute bits (`GetAttributesOf`).
enum : std::uint32_t {
    SFGAO_CANCOPY = 0x00000001,
    SFGAO_CANMOVE = 0x00000002,
    SFGAO_CANLINK = 0x00000004,
    SFGAO_STORAGE = 0x00000008,
    SFGAO_CANRENAME = 0x00000010,
    SFGAO_CANDELETE = 0x00000020,
    SFGAO_HASPROPSHEET = 0x00000040,
    SFGAO_DROPTARGET = 0x00000100,
    SFGAO_CAPABILITYMASK = 0x00000177,
    SFGAO_ISSLOW = 0x00004000,
    SFGAO_GHOSTED = 0x00008000,
    SFGAO_LINK = 0x00010000,
    SFGAO_SHARE = 0x00020000,
    SFGAO_READONLY = 0x00040000,
    SFGAO_HIDDEN = 0x00080000,
    SFGAO_NONENUMERATED = 0x00100000,
    SFGAO_STREAM = 0x00400000,
    SFGAO_VALIDATE = 0x01000000,
    SFGAO_REMOVABLE = 0x02000000,
    SFGAO_BROWSABLE = 0x08000000,
    SFGAO_FILESYSANCESTOR = 0x10000000,
    SFGAO_FOLDER = 0x20000000,
    SFGAO_FILESYSTEM = 0x40000000,
    SFGAO_HASSUBFOLDER = 0x80000000,
};

// Enumeration flags (`EnumObjects`).
enum : std::uint32_t {
    SHCONTF_FOLDERS = 0x20,
    SHCONTF_NONFOLDERS = 0x40,
    SHCONTF_INCLUDEHIDDEN = 0x80,
};

// Display-name flags (`GetDisplayNameOf`).
enum : std::uint32_t {
    SHGDN_NORMAL = 0x0000,
    SHGDN_INFOLDER = 0x0001,
    SHGDN_FORPARSING = 0x8000,
};

// Special folder identifiers (`SHGetSpecialFolderLocation`).
enum : int {
    CSIDL_DESKTOP = 0x0000,
    CSIDL_PROGRAMS = 0x0002,
    CSIDL_CONTROLS = 0x0003,
    CSIDL_PRINTERS = 0x0004,
    CSIDL_PERSONAL = 0x0005,
    CSIDL_STARTUP = 0x0007,
    CSIDL_BITBUCKET = 0x000a,
    CSIDL_STARTMENU = 0x000b,
    CSIDL_DESKTOPDIRECTORY = 0x0010,
    CSIDL_DRIVES = 0x0011,
    CSIDL_NETWORK = 0x0012,
    CSIDL_NETHOOD = 0x0013,
    CSIDL_TEMPLATES = 0x0015,
    CSIDL_PROFILE = 0x0028,  // the home folder
};

/// 100-nanosecond intervals since 1601-01-01 UTC; 0 means unknown.
using FileTime = std::uint64_t;

/// Seconds between 1601-01-01 and 1970-01-01.
inline constexpr std::int64_t kFileTimeEpochOffsetSeconds = 11644473600LL;

/// Converts a POSIX time to a FileTime. Times before 1601 give 0 (unknown).
FileTime FileTimeFromTimespec(std::int64_t seconds, std::int64_t nanoseconds);
/// Milliseconds since the POSIX epoch, for QDateTime.
std::int64_t FileTimeToUnixMilliseconds(FileTime t);

/// Indexes into FindData::times and FolderItem::times.
enum FileTimeIndex { kTimeModified = 0, kTimeCreated = 1, kTimeAccessed = 2 };

/// What a directory entry says of itself (Win32 find data): the entry's own
/// name bytes (decoded with NameFromBytes), its `st_mode` as lstat gives it,
/// size and the three times (created = birth time, 0 where unknown).
struct FindData {
    QString name;
    std::uint32_t mode = 0;
    std::uint64_t size = 0;
    std::array<FileTime, 3> times{};
};

/// Drive types as `GetDriveType` numbers them.
enum DriveType : int {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};
