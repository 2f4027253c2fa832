#include "platform/fileop/FileCopier.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>

#include "platform/fileop/FileCopyRoute.h"
#include "platform/fileop/FileOpIo.h"
#include "platform/fileop/FileOpPaths.h"
#include "platform/fileop/FileOpRequest.h"
#include "platform/fileop/FileOperationPlan.h"

namespace {

constexpr std::size_t kCopyChunk = 8u << 20;   // one copy_file_range call
constexpr std::size_t kBufferSize = 4u << 20;  // read/write when it can't be used

void TimesOf(const struct stat& st, struct timespec times[2]) {
    times[0] = st.st_atim;
    times[1] = st.st_mtim;
}

}  // namespace

FileCopier::FileCopier(FileOpIo& io, std::uint64_t& bytesDone, std::function<bool()> keepGoing)
    : m_io(io), m_bytesDone(bytesDone), m_keepGoing(std::move(keepGoing)) {}

int FileCopier::MakeTemp(const QByteArray& folder,
                         const std::function<int(const QByteArray&)>& make, QByteArray* temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".corvane-%016llx.part",
                      static_cast<unsigned long long>(QRandomGenerator::global()->generate64()));
        *temp = fileop::Join(folder, name);
        const int result = make(*temp);
        if (result >= 0 || errno != EEXIST)
            return result;
    }
    errno = EEXIST;
    return -1;
}

void FileCopier::RememberLink(const FileOpNode& node, const QByteArray& target) {
    if (S_ISREG(node.st.st_mode) && node.st.st_nlink > 1)
        m_links.emplace(std::make_pair(node.st.st_dev, node.st.st_ino), target);
}

// Returns 0 at the end of the range, -1 with errno set, -2 when cancelled.
int FileCopier::CopyRange(int in, int out, off_t offset, off_t length, bool untilEof) {
    off_t done = 0;
    while (untilEof || done < length) {
        if (m_keepGoing && !m_keepGoing())
            return -2;
        const std::size_t want =
            untilEof ? kCopyChunk : std::size_t(std::min<off_t>(length - done, off_t(kCopyChunk)));
        if (m_copyRangeWorks) {
            off_t inOffset = offset + done, outOffset = offset + done;
            const ssize_t copied = m_io.CopyFileRange(in, &inOffset, out, &outOffset, want);
            if (copied > 0) {
                done += copied;
                m_bytesDone += std::uint64_t(copied);
                continue;
            }
            if (copied == 0)
                return 0;  // end of the file (it may have shrunk meanwhile)
            if (errno == EINTR)
                continue;
            // Not supported between these file systems: plain reads and
            // writes from here on. Real write errors come back the same way
            // and will show again there.
            if (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP && errno != EINVAL &&
                errno != EBADF && errno != ETXTBSY && errno != EPERM)
                return -1;
            m_copyRangeWorks = false;
        }
        if (m_buffer.empty())
            m_buffer.resize(kBufferSize);
        if (m_io.Lseek(in, offset + done, SEEK_SET) < 0 ||
            m_io.Lseek(out, offset + done, SEEK_SET) < 0)
            return -1;
        const std::size_t chunk = std::min(want, m_buffer.size());
        const ssize_t got = m_io.Read(in, m_buffer.data(), chunk);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            return 0;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put =
                m_io.Write(out, m_buffer.data() + written, std::size_t(got - written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return -1;
            }
            written += put;
        }
        done += got;
        m_bytesDone += std::uint64_t(got);
    }
    return 0;
}

// As CopyRange().
int FileCopier::CopyData(int in, int out, const FileOpNode& node) {
    const off_t size = node.st.st_size;
    const bool sparse = size > 0 && off_t(node.st.st_blocks) * 512 < size;
    if (!sparse)
        return CopyRange(in, out, 0, 0, true);
    // Only the data extents are copied; the holes stay holes because the
    // file is given its length at the end instead of being written there.
    const std::uint64_t startBytes = m_bytesDone;
    off_t position = 0;
    while (position < size) {
        const off_t data = m_io.Lseek(in, position, SEEK_DATA);
        if (data < 0) {
            if (errno == ENXIO)
                break;  // only a hole is left
            if (errno == EINVAL || errno == EOPNOTSUPP)
                return CopyRange(in, out, position, 0, true);
            return -1;
        }
        off_t hole = m_io.Lseek(in, data, SEEK_HOLE);
        if (hole < 0)
            return -1;
        hole = std::min(hole, size);
        if (hole > data) {
            const int result = CopyRange(in, out, data, hole - data, false);
            if (result != 0)
                return result;
        }
        m_bytesDone = startBytes + std::uint64_t(hole);
        position = hole;
    }
    m_bytesDone = startBytes + std::uint64_t(size);
    return m_io.Ftruncate(out, size);
}

int FileCopier::MakeTempFile(const QByteArray& folder, QByteArray* temp) {
    return MakeTemp(
        folder,
        [&](const QByteArray& t) {
            return m_io.Open(t, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        },
        temp);
}

std::optional<FileOpError> FileCopier::CopyFileByGio(const FileOpNode& node,
                                                     const QByteArray& source,
                                                     const QByteArray& folder, bool replace,
                                                     QByteArray* temp, bool* fallBack) {
    *fallBack = false;
    // GIO makes the temporary itself, under a name nothing holds (it never
    // replaces: a name taken meanwhile fails with EEXIST and another one is
    // drawn). A file made first would have to be replaced by the copy,
    // which costs the daemon more than writing a new one.
    const std::uint64_t start = m_bytesDone;
    GioCopyResult copied;
    bool named = true;
    const int made = MakeTemp(
        folder,
        [&](const QByteArray& candidate) {
            const std::optional<FileCopyUris> uris = CopyUrisOf(source, folder, candidate);
            if (!uris) {
                named = false;
                return 0;
            }
            m_bytesDone = start;
            copied = m_io.GioCopy(
                uris->source, uris->target, false,
                [&](std::uint64_t done, std::uint64_t) { m_bytesDone = start + done; },
                m_keepGoing);
            if (copied.ok)
                return 0;
            errno = copied.error;
            return -1;
        },
        temp);
    if (!named) {
        temp->clear();
        *fallBack = true;
        return std::nullopt;
    }
    if (made < 0) {
        m_bytesDone = start;
        // Every name drawn was taken: none of them is this copy's to remove.
        if (copied.error == EEXIST) {
            temp->clear();
            return FileOpError(FileOpStep::CreateCopy, source, EEXIST);
        }
        if (copied.cancelled)
            return FileOpError::Cancel();
        // A backend that can't copy at all (nor read and write through GIO)
        // still has the bridge; what GIO may have begun under the name goes.
        if (copied.error == ENOTSUP) {
            (void)m_io.Unlink(*temp);
            temp->clear();
            *fallBack = true;
            return std::nullopt;
        }
        return FileOpError(FileOpStep::CopyData, source, copied.error);
    }
    // The same metadata as any copy, set through the paths: GIO may have
    // replaced the temporary file with its own, so no descriptor made before
    // the copy would still name it.
    (void)m_io.Lchown(*temp, node.st.st_uid, node.st.st_gid);
    struct timespec times[2];
    TimesOf(node.st, times);
    if (m_io.Chmod(*temp, node.st.st_mode & 07777) != 0 || m_io.Lutimens(*temp, times) != 0)
        return FileOpError::FromErrno(FileOpStep::SetCopyAttributes, source);
    if (replace) {
        const int fd = m_io.Open(*temp, O_RDONLY | O_NOFOLLOW);
        if (fd < 0 || m_io.Fsync(fd) != 0) {
            const FileOpError failed = FileOpError::FromErrno(FileOpStep::WriteCopy, source);
            if (fd >= 0)
                m_io.Close(fd);
            return failed;
        }
        m_io.Close(fd);
    }
    return std::nullopt;
}

std::optional<FileOpError> FileCopier::CopyFile(const FileOpNode& node, const QByteArray& source,
                                                const QByteArray& folder, bool replace,
                                                QByteArray* temp) {
    temp->clear();
    if (RoutesCopy(source, folder)) {
        bool fallBack = false;
        std::optional<FileOpError> failed =
            CopyFileByGio(node, source, folder, replace, temp, &fallBack);
        if (!fallBack)
            return failed;
    }
    const int in = m_io.Open(source, O_RDONLY | O_NOFOLLOW);
    if (in < 0)
        return FileOpError::FromErrno(FileOpStep::ReadFile, source);
    const int out = MakeTempFile(folder, temp);
    if (out < 0) {
        const FileOpError failed = FileOpError::FromErrno(FileOpStep::CreateCopy, source);
        temp->clear();
        m_io.Close(in);
        return failed;
    }
    std::optional<FileOpError> failed;
    const int copied = CopyData(in, out, node);
    if (copied == -2) {
        failed = FileOpError::Cancel();
    } else if (copied != 0) {
        failed = FileOpError::FromErrno(FileOpStep::CopyData, source);
    } else {
        // Ownership first: changing it clears the set-id bits the mode sets.
        // An ordinary user may not give files away; the copy is theirs then.
        (void)m_io.Fchown(out, node.st.st_uid, node.st.st_gid);
        struct timespec times[2];
        TimesOf(node.st, times);
        if (m_io.Fchmod(out, node.st.st_mode & 07777) != 0 || m_io.Futimens(out, times) != 0)
            failed = FileOpError::FromErrno(FileOpStep::SetCopyAttributes, source);
    }
    // Replacing a file, the new one must be on disk before the old one goes,
    // or a crash right after could leave neither.
    if (!failed && replace && m_io.Fsync(out) != 0)
        failed = FileOpError::FromErrno(FileOpStep::WriteCopy, source);
    m_io.Close(in);
    if (m_io.Close(out) != 0 && !failed)
        failed = FileOpError::FromErrno(FileOpStep::WriteCopy, source);
    return failed;
}

std::optional<FileOpError> FileCopier::MakeCopy(const FileOpNode& node, const QByteArray& source,
                                                const QByteArray& folder, bool replace,
                                                QByteArray* temp) {
    const mode_t type = node.st.st_mode & S_IFMT;
    struct timespec times[2];
    TimesOf(node.st, times);
    if (type == S_IFREG) {
        if (node.st.st_nlink > 1) {
            const auto found = m_links.find({node.st.st_dev, node.st.st_ino});
            // A link that can't be made (the first copy is gone, another file
            // system) becomes a copy of its own.
            if (found != m_links.end() &&
                MakeTemp(
                    folder, [&](const QByteArray& t) { return m_io.Link(found->second, t); },
                    temp) == 0) {
                m_bytesDone += std::uint64_t(node.st.st_size);
                return std::nullopt;
            }
            temp->clear();
        }
        return CopyFile(node, source, folder, replace, temp);
    }
    if (type == S_IFLNK) {
        QByteArray linkTarget;
        if (m_io.Readlink(source, &linkTarget) != 0)
            return FileOpError::FromErrno(FileOpStep::ReadLink, source);
        if (MakeTemp(
                folder, [&](const QByteArray& t) { return m_io.Symlink(linkTarget, t); }, temp) !=
            0) {
            const FileOpError failed = FileOpError::FromErrno(FileOpStep::CreateLinkCopy, source);
            temp->clear();
            return failed;
        }
        (void)m_io.Lchown(*temp, node.st.st_uid, node.st.st_gid);
        (void)m_io.Lutimens(*temp, times);
        return std::nullopt;
    }
    if (MakeTemp(
            folder,
            [&](const QByteArray& t) { return m_io.Mknod(t, node.st.st_mode, node.st.st_rdev); },
            temp) != 0) {
        const FileOpError failed = FileOpError::FromErrno(FileOpStep::CreateSpecialCopy, source);
        temp->clear();
        return failed;
    }
    (void)m_io.Lchown(*temp, node.st.st_uid, node.st.st_gid);
    (void)m_io.Chmod(*temp, node.st.st_mode & 07777);
    (void)m_io.Lutimens(*temp, times);
    return std::nullopt;
}
