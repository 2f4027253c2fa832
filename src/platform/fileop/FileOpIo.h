#pragma once
// The system calls of the file-operation engine, behind one class that tests
// derive from to inject faults.

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/remote/GioCopy.h"
#include "platform/trash/Trash.h"

/// The system calls the engine makes. Each mirrors its POSIX call: -1 (or
/// a negative count) with errno set on failure. Tests derive from it to
/// inject failures (ENOSPC, EIO) part way; the default is the real thing.
/// Paths are absolute raw bytes.
class FileOpIo {
public:
    virtual ~FileOpIo() = default;

    virtual int Lstat(const QByteArray& path, struct stat* st);
    virtual int Stat(const QByteArray& path, struct stat* st);
    virtual int Open(const QByteArray& path, int flags, mode_t mode = 0);
    virtual int Close(int fd);
    virtual ssize_t Read(int fd, void* buffer, size_t size);
    virtual ssize_t Write(int fd, const void* buffer, size_t size);
    virtual ssize_t CopyFileRange(int fdIn, off_t* offIn, int fdOut, off_t* offOut, size_t size);
    virtual off_t Lseek(int fd, off_t offset, int whence);
    virtual int Ftruncate(int fd, off_t length);
    virtual int Fsync(int fd);
    /// syncfs(2) of the file system that holds fd. The final flush of a
    /// removable target calls it from a worker thread (so that the dialog
    /// stays alive); every other call comes from the operation's thread.
    virtual int Syncfs(int fd);
    virtual int Fchmod(int fd, mode_t mode);
    virtual int Fchown(int fd, uid_t uid, gid_t gid);
    virtual int Futimens(int fd, const struct timespec times[2]);
    virtual int Mkdir(const QByteArray& path, mode_t mode);
    virtual int Rmdir(const QByteArray& path);
    virtual int Unlink(const QByteArray& path);
    /// renameat2(2) with `flags` (0 or RENAME_NOREPLACE).
    virtual int Rename(const QByteArray& from, const QByteArray& to, unsigned flags);
    virtual int Link(const QByteArray& existing, const QByteArray& newPath);
    virtual int Symlink(const QByteArray& target, const QByteArray& linkPath);
    /// readlink(2) into `target`.
    virtual int Readlink(const QByteArray& path, QByteArray* target);
    virtual int Mknod(const QByteArray& path, mode_t mode, dev_t device);
    /// chmod/chown/utimensat of the path itself (not following a link).
    virtual int Chmod(const QByteArray& path, mode_t mode);
    virtual int Lchown(const QByteArray& path, uid_t uid, gid_t gid);
    virtual int Lutimens(const QByteArray& path, const struct timespec times[2]);
    /// The names in a folder, without "." and "..", in directory order.
    virtual int ReadDir(const QByteArray& path, std::vector<QByteArray>* names);
    /// GioCopyFile (platform/remote/GioCopy.h): a file's bytes copied by
    /// GIO, for the copies FileCopyRoute.h sends that way.
    virtual GioCopyResult GioCopy(const QString& sourceUri, const QString& targetUri,
                                  bool overwrite,
                                  const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                                  const std::function<bool()>& keepGoing);
    /// MoveToTrash (platform/trash/Trash.h).
    virtual TrashResult Trash(const QByteArray& path, QString* error);
    /// Whether the folder lies on removable media (a USB stick, a card):
    /// then the operation ends with a flush of its file system, shown as
    /// "Finishing writes".
    virtual bool IsRemovable(const QByteArray& folder);
};
