#include "fileops/Shredder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "fileops/FileChunks.h"
#include "platform/fs/UniqueFd.h"

namespace {

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool PutZeros(int fd, std::uint64_t offset, std::size_t size) {
    static const char zeros[kCopyBlock] = {};
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, zeros + done, size - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

// Gives the owner write permission on the file that was looked at, through
// a descriptor of it: by name, a link put in its place meanwhile would be
// followed and the file it names made writable. A file its owner may not
// even read (mode 0) is reached through an O_PATH descriptor, whose
// /proc/self/fd entry names that very file, never a link.
bool MakeWritable(int folderFd, const char* name, const struct stat& looked) {
    const mode_t mode = (looked.st_mode & 07777) | S_IWUSR;
    UniqueFd fd(
        ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    const bool readable = bool(fd);
    if (!fd && errno == EACCES)
        fd.reset(::openat(folderFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (!fd || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) ||
        !SameFile(opened, looked))
        return false;
    if (readable)
        return ::fchmod(fd.get(), mode) == 0;
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd.get());
    return ::chmod(self.constData(), mode) == 0;
}

QByteArray Join(const QByteArray& folder, const char* name) {
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    return path + name;
}

}  // namespace

Shredder::Shredder(std::function<bool()> stop) : m_stop(std::move(stop)) {}

ShredResult Shredder::OverwriteWithZeros(int fd, std::uint64_t length) {
    std::uint64_t position = 0;
    while (position < length) {
        // The next stretch of data; without SEEK_DATA the whole file is one.
        std::uint64_t start = position;
        std::uint64_t end = length;
        const off_t data = ::lseek(fd, off_t(position), SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break;  // only a hole is left
            if (errno != EINVAL)
                return ShredResult::kWriteError;
        } else {
            start = std::uint64_t(data);
            const off_t hole = ::lseek(fd, data, SEEK_HOLE);
            if (hole >= 0)
                end = std::min(length, std::uint64_t(hole));
        }
        for (std::uint64_t offset = start; offset < end;) {
            if (Stop())
                return ShredResult::kAborted;
            // Writing past a shrunken end would grow the file again, and
            // what a grown file gained would not be overwritten.
            struct stat info {};
            if (::fstat(fd, &info) != 0)
                return ShredResult::kWriteError;
            if (std::uint64_t(info.st_size) != length)
                return ShredResult::kChanged;
            const std::size_t size = std::size_t(std::min<std::uint64_t>(end - offset, kCopyBlock));
            if (!PutZeros(fd, offset, size))
                return ShredResult::kWriteError;
            offset += size;
        }
        position = std::max(end, start + 1);
    }
    return ShredResult::kDone;
}

ShredOutcome Shredder::ShredItem(const QByteArray& path) {
    ShredOutcome outcome;
    QByteArray folder = path;
    QByteArray name = path;
    const qsizetype slash = path.lastIndexOf('/');
    if (slash >= 0) {
        folder = slash == 0 ? QByteArray("/") : path.left(slash);
        name = path.mid(slash + 1);
    } else {
        folder = ".";
    }
    UniqueFd folderFd(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat info {};
    if (name.isEmpty() || !folderFd ||
        ::fstatat(folderFd.get(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        outcome.result = ShredResult::kWriteError;
        outcome.path = path;
        return outcome;
    }
    if (S_ISDIR(info.st_mode))
        outcome.result = ShredTreeAt(folderFd.get(), path, name.constData(), nullptr, outcome.path);
    else
        outcome.result = ShredFileAt(folderFd.get(), folder, name.constData(), false, outcome.path);
    if (outcome.result == ShredResult::kDone)
        outcome.path.clear();
    return outcome;
}

ShredResult Shredder::ShredFileAt(int folderFd, const QByteArray& folderPath, const char* name,
                                  bool insideFolder, QByteArray& where) {
    where = Join(folderPath, name);
    struct stat info {};
    if (::fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return ShredResult::kWriteError;
    // Links and special files hold no data of their own to overwrite: only
    // their entry goes.
    if (!S_ISREG(info.st_mode))
        return ::unlinkat(folderFd, name, 0) == 0 ? ShredResult::kDone : ShredResult::kWriteError;
    if (info.st_nlink > 1)
        return ShredResult::kOtherLinks;
    if (m_lookedAt)
        m_lookedAt(where);
    // The permission bits, not access(2), decide what is read-only: the
    // superuser may write anything, but a read-only file stays read-only.
    if (!(info.st_mode & S_IWUSR)) {
        if (!insideFolder)
            return ShredResult::kWriteError;
        if (!MakeWritable(folderFd, name, info))
            return ShredResult::kWriteError;
    }
    UniqueFd fd(
        ::openat(folderFd, name, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat opened {};
    if (!fd || ::fstat(fd.get(), &opened) != 0)
        return ShredResult::kWriteError;
    // Another file may have taken the name between the look and the open.
    if (!SameFile(opened, info) || !S_ISREG(opened.st_mode))
        return ShredResult::kWriteError;
    if (opened.st_nlink > 1)
        return ShredResult::kOtherLinks;

    const std::uint64_t length = std::uint64_t(opened.st_size);
    const ShredResult written = OverwriteWithZeros(fd.get(), length);
    if (written != ShredResult::kDone)
        return written;
    if (::fsync(fd.get()) != 0)
        return ShredResult::kWriteError;
    struct stat after {};
    if (::fstat(fd.get(), &after) != 0)
        return ShredResult::kWriteError;
    if (std::uint64_t(after.st_size) != length)
        return ShredResult::kChanged;
    if (::ftruncate(fd.get(), 0) != 0 || fd.Close() != 0)
        return ShredResult::kWriteError;
    if (::unlinkat(folderFd, name, 0) != 0)
        return ShredResult::kWriteError;
    where.clear();
    return ShredResult::kDone;
}

ShredResult Shredder::ShredTreeAt(int parentFd, const QByteArray& path, const char* name,
                                  const dev_t* device, QByteArray& where) {
    where = path;
    UniqueFd fd(::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!fd || ::fstat(fd.get(), &info) != 0)
        return ShredResult::kWriteError;
    if (device && info.st_dev != *device)
        return ShredResult::kOtherVolume;
    // A no-follow, descriptor-relative walk on purpose: shredding must never
    // reach through a link swapped in for a folder, nor leave the volume.
    const int listFd = ::dup(fd.get());
    UniqueDir dir(listFd >= 0 ? ::fdopendir(listFd) : nullptr);
    if (!dir) {
        if (listFd >= 0)
            ::close(listFd);
        return ShredResult::kWriteError;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                return ShredResult::kWriteError;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (Stop()) {
            where = Join(path, entry->d_name);
            return ShredResult::kAborted;
        }
        struct stat child {};
        if (::fstatat(fd.get(), entry->d_name, &child, AT_SYMLINK_NOFOLLOW) != 0) {
            where = Join(path, entry->d_name);
            return ShredResult::kWriteError;
        }
        const ShredResult result = S_ISDIR(child.st_mode)
                                       ? ShredTreeAt(fd.get(), Join(path, entry->d_name),
                                                     entry->d_name, &info.st_dev, where)
                                       : ShredFileAt(fd.get(), path, entry->d_name, true, where);
        if (result != ShredResult::kDone)
            return result;
    }
    dir.reset();
    fd.reset();
    where = path;
    if (::unlinkat(parentFd, name, AT_REMOVEDIR) != 0)
        return ShredResult::kWriteError;
    where.clear();
    return ShredResult::kDone;
}
