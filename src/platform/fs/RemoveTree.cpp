#include "platform/fs/RemoveTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"

namespace {

struct Walk {
    const RemoveTreeOptions& options;
    dev_t device;
    int firstError = 0;

    void Fail() {
        if (firstError == 0)
            firstError = errno ? errno : EIO;
    }

    void Removed() {
        if (options.removed)
            ++*options.removed;
    }

    // Removes `name` below `parentFd`; `depth` counts folders entered so far.
    void Remove(int parentFd, const QByteArray& name, int depth) {
        struct stat st;
        if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                Fail();
            return;
        }
        if (options.ownerOnly && st.st_uid != *options.ownerOnly)
            return;
        if (!S_ISDIR(st.st_mode)) {
            if (::unlinkat(parentFd, name.constData(), 0) == 0)
                Removed();
            else if (errno != ENOENT)
                Fail();
            return;
        }
        if (st.st_dev != device) {
            // Something is mounted there: removing would reach into another
            // file system, so it is left for the user.
            errno = EBUSY;
            Fail();
            return;
        }
        if (depth < options.maxDepth && !EmptyFolder(parentFd, name, st, depth + 1))
            return;
        if (::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) == 0) {
            Removed();
        } else if (errno != ENOENT && !(options.ownerOnly && errno == ENOTEMPTY)) {
            Fail();
        }
    }

    bool EmptyFolder(int parentFd, const QByteArray& name, const struct stat& st, int depth) {
        if ((st.st_mode & S_IRWXU) != S_IRWXU && (!options.ownerOnly || st.st_uid == ::geteuid()))
            ::fchmodat(parentFd, name.constData(), (st.st_mode & 07777) | S_IRWXU, 0);
        UniqueFd fd(
            ::openat(parentFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            Fail();
            return false;
        }
        // The folder opened must be the one looked at (nobody swapped it since).
        struct stat opened;
        if (::fstat(fd.get(), &opened) != 0 || opened.st_dev != st.st_dev ||
            opened.st_ino != st.st_ino) {
            errno = EAGAIN;
            Fail();
            return false;
        }
        std::vector<QByteArray> names;
        {
            // Read through the descriptor checked above (not the path), so
            // a folder replaced by a link meanwhile is never removed through.
            UniqueDir dir(::fdopendir(::dup(fd.get())));
            if (!dir) {
                Fail();
                return false;
            }
            while (const struct dirent* d = ::readdir(dir.get())) {
                const QByteArray child(d->d_name);
                if (child != "." && child != "..")
                    names.push_back(child);
            }
        }
        for (const QByteArray& child : names) Remove(fd.get(), child, depth);
        return true;
    }
};

}  // namespace

bool RemoveTreeAt(int parentFd, const QByteArray& name, const RemoveTreeOptions& options) {
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/')) {
        errno = EINVAL;
        return false;
    }
    struct stat st;
    if (::fstatat(parentFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    Walk walk{options, st.st_dev};
    walk.Remove(parentFd, name, 0);
    if (walk.firstError) {
        errno = walk.firstError;
        return false;
    }
    return true;
}

bool RemoveTree(const QByteArray& rawPath, const RemoveTreeOptions& options) {
    QByteArray path = rawPath;
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    const QByteArray name = LastComponent(path);
    if (name.isEmpty() || name == "." || name == ".." || name == "/") {
        errno = EINVAL;
        return false;
    }
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray parent = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : path.left(slash);
    const UniqueFd dirFd(::open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dirFd)
        return false;
    return RemoveTreeAt(dirFd.get(), name, options);
}
