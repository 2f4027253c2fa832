#include "platform/fileop/FileOpIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fs/UniqueFd.h"
#include "platform/fs/Volumes.h"

int FileOpIo::Lstat(const QByteArray& path, struct stat* st) {
    return ::lstat(path.constData(), st);
}
int FileOpIo::Stat(const QByteArray& path, struct stat* st) {
    return ::stat(path.constData(), st);
}
int FileOpIo::Open(const QByteArray& path, int flags, mode_t mode) {
    return ::open(path.constData(), flags | O_CLOEXEC, mode);
}
int FileOpIo::Close(int fd) {
    return ::close(fd);
}
ssize_t FileOpIo::Read(int fd, void* buffer, size_t size) {
    return ::read(fd, buffer, size);
}
ssize_t FileOpIo::Write(int fd, const void* buffer, size_t size) {
    return ::write(fd, buffer, size);
}
ssize_t FileOpIo::CopyFileRange(int fdIn, off_t* offIn, int fdOut, off_t* offOut, size_t size) {
    return ::copy_file_range(fdIn, offIn, fdOut, offOut, size, 0);
}
off_t FileOpIo::Lseek(int fd, off_t offset, int whence) {
    return ::lseek(fd, offset, whence);
}
int FileOpIo::Ftruncate(int fd, off_t length) {
    return ::ftruncate(fd, length);
}
int FileOpIo::Fsync(int fd) {
    return ::fsync(fd);
}
int FileOpIo::Syncfs(int fd) {
    return ::syncfs(fd);
}
int FileOpIo::Fchmod(int fd, mode_t mode) {
    return ::fchmod(fd, mode);
}
int FileOpIo::Fchown(int fd, uid_t uid, gid_t gid) {
    return ::fchown(fd, uid, gid);
}
int FileOpIo::Futimens(int fd, const struct timespec times[2]) {
    return ::futimens(fd, times);
}
int FileOpIo::Mkdir(const QByteArray& path, mode_t mode) {
    return ::mkdir(path.constData(), mode);
}
int FileOpIo::Rmdir(const QByteArray& path) {
    return ::rmdir(path.constData());
}
int FileOpIo::Unlink(const QByteArray& path) {
    return ::unlink(path.constData());
}
int FileOpIo::Rename(const QByteArray& from, const QByteArray& to, unsigned flags) {
    if (flags == 0)
        return ::rename(from.constData(), to.constData());
    return int(
        ::syscall(SYS_renameat2, AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags));
}
int FileOpIo::Link(const QByteArray& existing, const QByteArray& newPath) {
    return ::link(existing.constData(), newPath.constData());
}
int FileOpIo::Symlink(const QByteArray& target, const QByteArray& linkPath) {
    return ::symlink(target.constData(), linkPath.constData());
}
int FileOpIo::Readlink(const QByteArray& path, QByteArray* target) {
    QByteArray buffer(PATH_MAX, Qt::Uninitialized);
    const ssize_t length = ::readlink(path.constData(), buffer.data(), size_t(buffer.size()));
    if (length < 0)
        return -1;
    if (length >= buffer.size()) {
        errno = ENAMETOOLONG;
        return -1;
    }
    buffer.truncate(length);
    *target = buffer;
    return 0;
}
int FileOpIo::Mknod(const QByteArray& path, mode_t mode, dev_t device) {
    return ::mknod(path.constData(), mode, device);
}
int FileOpIo::Chmod(const QByteArray& path, mode_t mode) {
    return ::chmod(path.constData(), mode);
}
int FileOpIo::Lchown(const QByteArray& path, uid_t uid, gid_t gid) {
    return ::lchown(path.constData(), uid, gid);
}
int FileOpIo::Lutimens(const QByteArray& path, const struct timespec times[2]) {
    return ::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW);
}
int FileOpIo::ReadDir(const QByteArray& path, std::vector<QByteArray>* names) {
    // O_NOFOLLOW: a folder that was swapped for a link since it was examined
    // is not read through.
    const UniqueDir dir = UniqueDir::OpenFolder(path);
    if (!dir)
        return -1;
    names->clear();
    errno = 0;
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names->emplace_back(name);
        errno = 0;
    }
    return errno ? -1 : 0;
}
GioCopyResult FileOpIo::GioCopy(const QString& sourceUri, const QString& targetUri, bool overwrite,
                                const std::function<void(std::uint64_t, std::uint64_t)>& progress,
                                const std::function<bool()>& keepGoing) {
    return GioCopyFile(sourceUri, targetUri, overwrite, progress, keepGoing);
}

TrashResult FileOpIo::Trash(const QByteArray& path, QString* error) {
    return MoveToTrash(path, error);
}
bool FileOpIo::IsRemovable(const QByteArray& folder) {
    const VolumeTable table = VolumeTable::Read();
    const std::optional<MountEntry> mount = table.MountHolding(folder);
    return mount && table.IsRemovable(*mount);
}
