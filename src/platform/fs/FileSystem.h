#pragma once
// Kernel-level helpers on byte paths: what the namespace's file-system
// folders and the program's file code ask of the disk. Paths are raw bytes
// (NameToBytes of a decoded path); nothing here goes through Qt's file
// classes, so names that are not valid UTF-8 work.

#include <dirent.h>

#include <QByteArray>
#include <QString>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/ItemData.h"
#include "platform/namespace/ShellTypes.h"

/// lstat-like data of a path (statx with AT_SYMLINK_NOFOLLOW and
/// STATX_BTIME): mode, size (0 for directories), modified, birth (0 where the
/// file system has none) and accessed times. `name` is the last component of
/// the path. nullopt when the entry does not exist or cannot be stat'ed
/// (errno tells why). One system call.
std::optional<FindData> StatEntry(const QByteArray& path);
std::optional<FindData> StatEntry(const QString& path);

/// As StatEntry, relative to an open directory, as the payload of an id.
/// `follow` follows a final symbolic link (used to learn a link's target
/// kind).
std::optional<FileSystemItemData> StatEntryAt(int dirFd, const QByteArray& name,
                                              bool follow = false);

class EntrySource;

/// Reads a directory's entries with their lstat data. Skips "." and "..".
/// An entry that vanishes between the read and its stat is skipped. Where
/// an EntrySource serves the path (a folder on GVfs's FUSE bridge), the
/// entries come from it in batches instead. Not copyable; the directory is
/// closed on destruction.
class DirectoryReader {
public:
    enum class Result { Entry, End, Error };

    /// Opens the directory; check IsOpen() (errno-style Error() on failure).
    explicit DirectoryReader(const QByteArray& path);
    ~DirectoryReader();
    DirectoryReader(const DirectoryReader&) = delete;
    DirectoryReader& operator=(const DirectoryReader&) = delete;

    bool IsOpen() const { return bool(m_dir) || bool(m_source); }
    int Error() const { return m_error; }

    /// The next entry in `entry`, or End, or Error (a read error; Error()
    /// holds its errno). Cost: one statx per entry, plus the directory reads
    /// (from a source: its batches).
    Result Next(FileSystemItemData& entry);

private:
    UniqueDir m_dir;
    std::unique_ptr<EntrySource> m_source;
    std::vector<FileSystemItemData> m_batch;
    std::size_t m_next = 0;
    int m_error = 0;
};

/// Reads an open directory a buffer at a time, in the order the file system
/// gives its entries (getdents64), and stats names relative to it (statx
/// with AT_SYMLINK_NOFOLLOW and AT_NO_AUTOMOUNT), so that a folder is read
/// once and every entry costs one system call whatever its path's length.
/// Owns the descriptor. Used by one thread at a time.
class DirectoryStream {
public:
    /// One name as the directory gives it, with its type (DT_UNKNOWN where
    /// the file system does not tell).
    struct Name {
        QByteArray name;
        unsigned char type = 0;
    };

    /// Opens `path` as a directory (following a final link); check IsOpen().
    explicit DirectoryStream(const QByteArray& path);
    /// Takes an open directory descriptor.
    explicit DirectoryStream(UniqueFd dir);

    bool IsOpen() const { return bool(m_fd); }
    int Fd() const { return m_fd.get(); }
    /// The errno of the failed open or of the last failed read; 0 when none.
    int Error() const { return m_error; }

    /// Appends the names of the next buffer of about `bufferBytes` bytes
    /// ("." and ".." left out). False at the end of the directory or on a
    /// read error (Error() then tells which), with nothing appended.
    bool ReadNames(std::vector<Name>& names, std::size_t bufferBytes);

    /// The lstat data of an entry of the directory; nullopt when it is gone.
    std::optional<FileSystemItemData> Stat(const QByteArray& name) const {
        return StatEntryAt(m_fd.get(), name);
    }

private:
    UniqueFd m_fd;
    int m_error = 0;
    std::vector<char> m_buffer;
};

/// The names in a directory, "." and ".." left out, sorted bytewise (an
/// order that stays put between runs); nullopt when it can't be opened.
/// Cost: the directory reads, no stat.
std::optional<std::vector<QByteArray>> DirectoryNames(const QByteArray& path);

/// The target of a symbolic link, as its bytes; nullopt when the path is not
/// a link or cannot be read.
std::optional<QByteArray> ReadLink(const QByteArray& path);

/// Bytes available to the user on the file system that holds the path
/// (statvfs: available blocks times fragment size); nullopt on failure.
std::optional<std::uint64_t> FreeSpace(const QByteArray& path);

/// The total size of the file system that holds the path; nullopt on failure.
std::optional<std::uint64_t> TotalSpace(const QByteArray& path);

/// Joins a folder path and a name with one "/" (none added after a trailing
/// one).
QByteArray JoinPathBytes(const QByteArray& folder, const QByteArray& name);

/// The folder that holds a path: all before its last "/"; "/" for an entry
/// of the root and for a path without a "/".
QByteArray ParentPathBytes(const QByteArray& path);

/// A name or path of the disk as the user reads it: DisplayFromName of the
/// name its bytes decode to (NameFromBytes).
QString DisplayFromBytes(const QByteArray& bytes);

/// The last component of a path: what follows its last "/", trailing
/// slashes ignored ("/" for the root; the whole path when it has no "/").
QByteArray LastComponent(const QByteArray& path);

/// The content type (MIME name) of a path by its name and first bytes,
/// following links; "inode/directory" for folders. Reads without Qt's file
/// classes, so names that are not UTF-8 work. Cost: one stat, one read.
QString ContentTypeOfPath(const QByteArray& path);

/// "name (n).ext" for n >= 2 ("name" for n == 1): the numbering Corvane uses
/// for names it makes that must not replace an existing entry. A leading dot
/// is not an extension.
QByteArray NumberedName(const QByteArray& name, int n);
