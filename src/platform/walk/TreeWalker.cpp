#include "platform/walk/TreeWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/fs/UniqueFd.h"

namespace {

// getdents64 fills this layout; glibc's readdir reads 32 KiB at a time, and a
// folder of 100,000 entries is then a few hundred system calls instead of
// dozens.
struct LinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[1];
};

constexpr std::size_t kReadBuffer = 256 * 1024;

// Folders deeper than this are not kept open while their sub-folders are
// walked, so a very deep tree cannot use up the process's descriptors; they
// are opened by path instead.
constexpr int kHeldDepth = 128;

struct FolderKey {
    dev_t dev;
    ino_t ino;
    bool operator==(const FolderKey& other) const { return dev == other.dev && ino == other.ino; }
};
struct FolderKeyHash {
    std::size_t operator()(const FolderKey& key) const {
        return std::hash<std::uint64_t>()(std::uint64_t(key.ino) * 1000003u ^
                                          std::uint64_t(key.dev));
    }
};

QByteArray JoinPath(const QByteArray& folder, std::string_view name) {
    QByteArray path;
    path.reserve(folder.size() + qsizetype(name.size()) + 1);
    path += folder;
    if (!folder.endsWith('/'))
        path += '/';
    path.append(name.data(), qsizetype(name.size()));
    return path;
}

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

}  // namespace

QByteArray WalkEntry::Path() const {
    return JoinPath(*m_folder, m_name);
}

const struct stat* WalkEntry::Stat() {
    if (!m_statDone) {
        m_statDone = true;
        // The name is NUL-terminated in the directory buffer it points into.
        if (::fstatat(m_folderFd, m_name.data(), &m_stat, AT_SYMLINK_NOFOLLOW) != 0)
            m_statError = errno;
        else if (m_type == DT_UNKNOWN)
            m_type = (unsigned char)IFTODT(m_stat.st_mode);
    }
    return m_statError ? nullptr : &m_stat;
}

bool WalkEntry::IsFolder() {
    if (m_type == DT_UNKNOWN)
        Stat();
    return m_type == DT_DIR;
}

bool WalkEntry::IsSymlink() {
    if (m_type == DT_UNKNOWN)
        Stat();
    return m_type == DT_LNK;
}

bool WalkEntry::IsRegular() {
    if (m_type == DT_UNKNOWN)
        Stat();
    return m_type == DT_REG;
}

namespace walk_detail {

class Walk {
public:
    Walk(WalkVisitor& visitor, const WalkOptions& options, const std::atomic<bool>* stop)
        : m_visitor(visitor), m_options(options), m_stop(stop), m_buffer(kReadBuffer) {}

    bool Stopped() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    /// Records the open folder as entered; false when it was entered before
    /// or lies on another file system than the start when that is asked.
    bool FirstVisit(int fd) {
        struct stat st;
        if (::fstat(fd, &st) != 0)
            return true;  // cannot tell; reading it once more is harmless
        if (m_visited.empty())
            m_startDev = st.st_dev;
        else if (m_options.sameFileSystem && st.st_dev != m_startDev)
            return false;
        return m_visited.insert(FolderKey{st.st_dev, st.st_ino}).second;
    }

    /// Reads the open folder `fd` at `path` (EnterFolder already called) and
    /// everything below it. False when the walk was stopped.
    bool ReadFolder(UniqueFd fd, const QByteArray& path, int depth) {
        ++m_folders;
        // The accepted sub-folders' names, NUL-separated, walked after the
        // folder's own entries so that only one read buffer is needed.
        std::string subNames;
        std::size_t subCount = 0;

        WalkEntry entry;
        entry.m_folder = &path;
        entry.m_folderFd = fd.get();
        entry.m_depth = depth + 1;
        const bool enterSubs = m_options.maxDepth < 0 || depth + 1 < m_options.maxDepth;

        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd.get(), m_buffer.data(), m_buffer.size());
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                m_visitor.FolderError(path, depth, errno);
                break;
            }
            if (got == 0)
                break;
            for (long offset = 0; offset < got;) {
                const auto* d = reinterpret_cast<const LinuxDirent64*>(m_buffer.data() + offset);
                offset += d->d_reclen;
                if (IsDotOrDotDot(d->d_name))
                    continue;
                if (Stopped())
                    return false;
                ++m_entries;
                entry.m_name = std::string_view(d->d_name);
                entry.m_type = d->d_type;
                entry.m_statDone = false;
                entry.m_statError = 0;
                const bool isFolder = entry.IsFolder();
                const bool accepted = m_visitor.Entry(entry);
                if (isFolder && accepted && enterSubs) {
                    subNames.append(entry.m_name.data(), entry.m_name.size());
                    subNames.push_back('\0');
                    ++subCount;
                }
            }
        }
        if (subCount == 0)
            return true;

        // Deep down, the folder's descriptor is let go and the sub-folders
        // are opened by path.
        if (depth >= kHeldDepth)
            fd.reset();
        const char* name = subNames.data();
        for (std::size_t i = 0; i < subCount; ++i, name += std::strlen(name) + 1) {
            if (Stopped())
                return false;
            const QByteArray subPath = JoinPath(path, name);
            const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
            UniqueFd sub(fd ? ::openat(fd.get(), name, flags) : ::open(subPath.constData(), flags));
            if (!sub) {
                const int error = errno;
                m_visitor.EnterFolder(subPath, depth + 1);
                m_visitor.FolderError(subPath, depth + 1, error);
                m_visitor.LeaveFolder(subPath, depth + 1);
                continue;
            }
            if (!FirstVisit(sub.get()))
                continue;
            m_visitor.EnterFolder(subPath, depth + 1);
            const bool goOn = ReadFolder(std::move(sub), subPath, depth + 1);
            // Left also when stopping, so a visitor's own stack of folders
            // stays balanced and its partial totals consistent.
            m_visitor.LeaveFolder(subPath, depth + 1);
            if (!goOn)
                return false;
        }
        return true;
    }

    std::uint64_t m_entries = 0;
    std::uint64_t m_folders = 0;

private:
    WalkVisitor& m_visitor;
    const WalkOptions& m_options;
    const std::atomic<bool>* m_stop;
    std::vector<char> m_buffer;
    std::unordered_set<FolderKey, FolderKeyHash> m_visited;
    dev_t m_startDev = 0;
};

}  // namespace walk_detail

WalkResult TreeWalker::Walk(const QByteArray& start, WalkVisitor& visitor,
                            const WalkOptions& options) {
    m_entries = 0;
    m_folders = 0;
    // The start folder may be reached through a link: it is what the user
    // named. Below it, no link is followed.
    UniqueFd fd(::open(start.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        return WalkResult::NoStart;
    walk_detail::Walk walk(visitor, options, m_stop);
    walk.FirstVisit(fd.get());
    visitor.EnterFolder(start, 0);
    const bool finished = walk.ReadFolder(std::move(fd), start, 0);
    visitor.LeaveFolder(start, 0);
    m_entries = walk.m_entries;
    m_folders = walk.m_folders;
    return finished ? WalkResult::Done : WalkResult::Stopped;
}
