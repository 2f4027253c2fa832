#include "platform/fileop/FileOperation.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>

#include "platform/fileop/FileOpExecutor.h"
#include "platform/fs/Volumes.h"

// ---------------------------------------------------------------------------
// The real system calls.

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
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return -1;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    names->clear();
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        names->emplace_back(name);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    errno = error;
    return error ? -1 : 0;
}
TrashResult FileOpIo::Trash(const QByteArray& path, QString* error) {
    return MoveToTrash(path, error);
}
bool FileOpIo::IsRemovable(const QByteArray& folder) {
    const VolumeTable table = VolumeTable::Read();
    const std::optional<MountEntry> mount = table.MountHolding(folder);
    return mount && table.IsRemovable(*mount);
}

// ---------------------------------------------------------------------------

// What an operation holds until it runs; the executor lives only while it
// runs, so that the progress dialog can be asked for meanwhile.
class FileOperation::Engine {
public:
    Engine(FileOpRequest request, QWidget* parent) : request(std::move(request)), parent(parent) {}

    FileOpRequest request;
    QWidget* parent;
    FileOpIo defaultIo;
    FileOpIo* io = &defaultIo;
    int delayMs = 500;
    std::unique_ptr<FileOpExecutor> executor;
};

FileOperation::FileOperation(FileOpRequest request, QWidget* parent)
    : m_engine(std::make_unique<Engine>(std::move(request), parent)) {}

FileOperation::~FileOperation() = default;

void FileOperation::SetIo(FileOpIo* io) {
    m_engine->io = io ? io : &m_engine->defaultIo;
}

void FileOperation::SetProgressDelay(int milliseconds) {
    m_engine->delayMs = std::max(0, milliseconds);
}

FileOpResult FileOperation::Run() {
    m_engine->executor = std::make_unique<FileOpExecutor>(
        m_engine->request, m_engine->parent, *m_engine->io, m_cancelled, m_engine->delayMs);
    const FileOpResult result = m_engine->executor->Run();
    m_engine->executor.reset();
    return result;
}

void FileOperation::Cancel() {
    m_cancelled.store(true);
}

FileOpProgressDialog* FileOperation::ProgressDialog() const {
    return m_engine->executor ? m_engine->executor->Dialog() : nullptr;
}

FileOpResult SHFileOperation(const FileOpRequest& request, QWidget* parent) {
    FileOperation operation(request, parent);
    return operation.Run();
}

QByteArray FreeCopyName(const QByteArray& name, bool isFolder,
                        const std::function<bool(const QByteArray&)>& exists) {
    QByteArray stem = name, extension;
    if (!isFolder) {
        const qsizetype dot = name.lastIndexOf('.');
        if (dot > 0) {
            stem = name.left(dot);
            extension = name.mid(dot);
        }
    }
    constexpr qsizetype kNameMax = NAME_MAX;
    for (int number = 1; number < 100000; ++number) {
        const QByteArray suffix =
            number == 1 ? QByteArray(" (copy)") : " (copy " + QByteArray::number(number) + ')';
        QByteArray base = stem, ext = extension;
        if (base.size() + suffix.size() + ext.size() > kNameMax) {
            if (suffix.size() + ext.size() >= kNameMax)
                ext.clear();  // an absurdly long extension gives way first
            qsizetype keep = kNameMax - suffix.size() - ext.size();
            keep = std::min(keep, base.size());
            // Not in the middle of a UTF-8 sequence.
            while (keep > 0 && keep < base.size() && (uchar(base.at(keep)) & 0xC0) == 0x80) --keep;
            base.truncate(keep);
        }
        const QByteArray candidate = base + suffix + ext;
        if (!exists(candidate))
            return candidate;
    }
    return {};
}
