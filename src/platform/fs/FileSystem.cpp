#include "platform/fs/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QMimeDatabase>
#include <algorithm>

#include "platform/fs/EntrySource.h"
#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"

QByteArray LastComponent(const QByteArray& path) {
    QByteArray p = path;
    while (p.size() > 1 && p.endsWith('/')) p.chop(1);
    const qsizetype slash = p.lastIndexOf('/');
    return slash < 0 || p == "/" ? p : p.mid(slash + 1);
}

namespace {

// Entries asked of a source at a time: enough that a remote folder costs few
// round trips, few enough that the first ones come soon.
constexpr int kSourceBatch = 1000;

FileTime TimeOf(const struct statx_timestamp& t) {
    return FileTimeFromTimespec(t.tv_sec, t.tv_nsec);
}

std::optional<FileSystemItemData> StatAt(int dirFd, const char* path, const QByteArray& name,
                                         bool follow) {
    struct statx st;
    const int flags = (follow ? 0 : AT_SYMLINK_NOFOLLOW) | AT_NO_AUTOMOUNT;
    if (::statx(dirFd, path, flags, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
        return std::nullopt;
    }
    FileSystemItemData data;
    data.mode = st.stx_mode;
    data.size = S_ISDIR(st.stx_mode) ? 0 : st.stx_size;
    data.times[kTimeModified] = TimeOf(st.stx_mtime);
    data.times[kTimeCreated] = (st.stx_mask & STATX_BTIME) ? TimeOf(st.stx_btime) : 0;
    data.times[kTimeAccessed] = TimeOf(st.stx_atime);
    data.name = name;
    return data;
}

}  // namespace

std::optional<FindData> StatEntry(const QByteArray& path) {
    if (path.isEmpty()) {
        errno = ENOENT;
        return std::nullopt;
    }
    auto data = StatAt(AT_FDCWD, path.constData(), LastComponent(path), false);
    if (!data)
        return std::nullopt;
    return FindDataOf(*data);
}

std::optional<FindData> StatEntry(const QString& path) {
    return StatEntry(NameToBytes(path));
}

std::optional<FileSystemItemData> StatEntryAt(int dirFd, const QByteArray& name, bool follow) {
    if (name.isEmpty())
        return std::nullopt;
    return StatAt(dirFd, name.constData(), name, follow);
}

DirectoryReader::DirectoryReader(const QByteArray& path) : m_source(OpenEntrySource(path)) {
    if (m_source)
        return;
    m_dir = UniqueDir::OpenFolder(path, /*noFollow=*/false);
    if (!m_dir)
        m_error = errno;
}

DirectoryReader::~DirectoryReader() = default;

DirectoryReader::Result DirectoryReader::Next(FileSystemItemData& entry) {
    if (m_source) {
        if (m_next == m_batch.size()) {
            m_batch.clear();
            m_next = 0;
            if (!m_source->Next(m_batch, kSourceBatch)) {
                m_error = m_source->Error();
                return m_error == 0 ? Result::End : Result::Error;
            }
        }
        entry = std::move(m_batch[m_next++]);
        return Result::Entry;
    }
    if (!m_dir)
        return Result::Error;
    for (;;) {
        errno = 0;
        const struct dirent* d = ::readdir(m_dir.get());
        if (!d) {
            if (errno == 0)
                return Result::End;
            m_error = errno;
            return Result::Error;
        }
        const char* n = d->d_name;
        if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
            continue;
        const QByteArray name(n);
        auto data = StatEntryAt(m_dir.fd(), name);
        if (!data)
            continue;  // Vanished since it was read: not an entry any more.
        entry = std::move(*data);
        return Result::Entry;
    }
}

DirectoryStream::DirectoryStream(const QByteArray& path)
    : m_fd(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (!m_fd)
        m_error = errno;
}

DirectoryStream::DirectoryStream(UniqueFd dir) : m_fd(std::move(dir)) {
    if (!m_fd)
        m_error = EBADF;
}

bool DirectoryStream::ReadNames(std::vector<Name>& names, std::size_t bufferBytes) {
    if (!m_fd)
        return false;
    // The kernel needs room for at least one entry of the longest name.
    bufferBytes = std::max<std::size_t>(bufferBytes, 4096);
    if (m_buffer.size() < bufferBytes)
        m_buffer.resize(bufferBytes);
    for (;;) {
        const long got = ::syscall(SYS_getdents64, m_fd.get(), m_buffer.data(), bufferBytes);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            m_error = errno;
            return false;
        }
        if (got == 0)
            return false;
        const std::size_t before = names.size();
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(m_buffer.data() + at);
            at += entry->d_reclen;
            const char* n = entry->d_name;
            if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0)))
                continue;
            names.push_back(Name{QByteArray(n), entry->d_type});
        }
        // A buffer of only "." and "..": read on.
        if (names.size() > before)
            return true;
    }
}

std::optional<QByteArray> ReadLink(const QByteArray& path) {
    QByteArray buffer(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.constData(), buffer.data(), size_t(buffer.size()));
        if (n < 0)
            return std::nullopt;
        if (n < buffer.size())
            return buffer.left(n);
        if (buffer.size() >= (1 << 20))
            return std::nullopt;
        buffer.resize(buffer.size() * 4);
    }
}

std::optional<std::uint64_t> FreeSpace(const QByteArray& path) {
    struct statvfs st;
    if (::statvfs(path.constData(), &st) != 0)
        return std::nullopt;
    return std::uint64_t(st.f_bavail) * std::uint64_t(st.f_frsize);
}

std::optional<std::uint64_t> TotalSpace(const QByteArray& path) {
    struct statvfs st;
    if (::statvfs(path.constData(), &st) != 0)
        return std::nullopt;
    return std::uint64_t(st.f_blocks) * std::uint64_t(st.f_frsize);
}

QString DisplayFromBytes(const QByteArray& bytes) {
    return DisplayFromName(NameFromBytes(bytes));
}

QByteArray ParentPathBytes(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray JoinPathBytes(const QByteArray& folder, const QByteArray& name) {
    if (folder.isEmpty())
        return name;
    if (folder.endsWith('/'))
        return folder + name;
    return folder + '/' + name;
}

std::optional<std::vector<QByteArray>> DirectoryNames(const QByteArray& path) {
    UniqueDir dir(::opendir(path.constData()));
    if (!dir)
        return std::nullopt;
    std::vector<QByteArray> names;
    while (const struct dirent* d = ::readdir(dir.get())) {
        const QByteArray name(d->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

QString ContentTypeOfPath(const QByteArray& path) {
    static const QMimeDatabase mimes;
    struct stat st;
    if (::stat(path.constData(), &st) != 0)
        return QStringLiteral("application/octet-stream");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("inode/directory");
    QByteArray head;
    if (S_ISREG(st.st_mode)) {
        const UniqueFd fd(::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (fd) {
            head.resize(4096);
            const ssize_t got = ::read(fd.get(), head.data(), head.size());
            head.resize(got > 0 ? got : 0);
        }
    }
    return mimes.mimeTypeForFileNameAndData(NameFromBytes(LastComponent(path)), head).name();
}

QByteArray NumberedName(const QByteArray& name, int n) {
    if (n <= 1)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const bool hasExtension = dot > 0;
    const QByteArray base = hasExtension ? name.left(dot) : name;
    const QByteArray extension = hasExtension ? name.mid(dot) : QByteArray();
    return base + " (" + QByteArray::number(n) + ")" + extension;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) {
            errno = EIO;  // a device that takes nothing would loop for ever
            return false;
        }
        data += written;
        size -= std::size_t(written);
    }
    return true;
}

UniqueDir UniqueDir::OpenFolder(const QByteArray& path, bool noFollow) {
    UniqueFd fd(
        ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (noFollow ? O_NOFOLLOW : 0)));
    if (!fd)
        return UniqueDir();
    UniqueDir dir(::fdopendir(fd.get()));
    if (dir)
        fd.release();  // the stream owns it now
    return dir;
}
