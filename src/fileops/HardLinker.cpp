#include "fileops/HardLinker.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "fileops/MultiAnswerDialog.h"
#include "platform/fs/UniqueFd.h"

namespace {

QByteArray Join(const QByteArray& folder, const QByteArray& name) {
    QByteArray path = folder;
    if (!path.endsWith('/'))
        path += '/';
    return path + name;
}

QByteArray WithoutTrailingSlashes(QByteArray path) {
    while (path.size() > 1 && path.endsWith('/')) path.chop(1);
    return path;
}

QByteArray LastName(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QByteArray ParentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash > 0 ? path.left(slash) : QByteArray(slash == 0 ? "/" : ".");
}

bool IsSameFolder(const QByteArray& a, const QByteArray& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.constData(), &first) == 0 && ::stat(b.constData(), &second) == 0 &&
           SameFile(first, second);
}

QByteArray RealPath(const QByteArray& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.constData(), resolved) ? QByteArray(resolved) : QByteArray();
}

// The folder is the source or lies below it, whichever links spell either.
bool IsSameOrBelow(const QByteArray& folder, const QByteArray& source) {
    const QByteArray real = RealPath(folder);
    const QByteArray top = RealPath(source);
    if (real.isEmpty() || top.isEmpty())
        return folder == source || folder.startsWith(Join(source, QByteArray()));
    return real == top || real.startsWith(Join(top, QByteArray()));
}

// Whether `folder` lies on the file system `device`.
bool OnDevice(const QByteArray& folder, dev_t device) {
    struct stat info {};
    return ::stat(folder.constData(), &info) == 0 && info.st_dev == device;
}

}  // namespace

QString HardLinkText(int message) {
    switch (message) {
        case kLinkExists:
            return QStringLiteral(
                "%1\n\nA file with this name already exists; overwrite it with a hard link "
                "anyway?");
        case kLinkTitle:
            return QStringLiteral("Hard Link");
        case kLinkNotFileSystem:
            return QStringLiteral("Hard link sources (& target) must be filesystem items");
        case kLinkFailed:
            return QStringLiteral(
                "Error creating hard link(s); are source & target on the same file system?");
        case kLinkInOriginalFolder:
            return QStringLiteral("Can't hard link an item in its original folder");
        case kLinkFolderIntoItself:
            return QStringLiteral("Can't place a folder link within (below) itself");
        default:
            return QString();
    }
}

HardLinker::HardLinker(Hooks hooks) : m_hooks(std::move(hooks)) {}

bool HardLinker::Stop() {
    if (!m_stopped && m_hooks.stop && m_hooks.stop())
        m_stopped = true;
    return m_stopped;
}

int HardLinker::LinkPaths(const std::vector<QByteArray>& sources, const QByteArray& folder) {
    for (const QByteArray& given : sources) {
        if (Stop())
            return kLinkOk;
        const QByteArray source = WithoutTrailingSlashes(given);
        struct stat info {};
        if (source.isEmpty() || ::lstat(source.constData(), &info) != 0)
            continue;
        // A name beside itself, however the paths spell it.
        const QByteArray target = Join(folder, LastName(source));
        if (target == source || IsSameFolder(folder, ParentOf(source)))
            return kLinkInOriginalFolder;
        bool linked = false;
        if (S_ISDIR(info.st_mode)) {
            // A folder into itself, on whole path components: /a/bc is not below /a/b.
            if (IsSameOrBelow(folder, source))
                return kLinkFolderIntoItself;
            // No link reaches another file system: a tree of empty folders
            // there would be all the command left behind.
            if (!OnDevice(folder, info.st_dev))
                return kLinkFailed;
            linked = LinkTree(source, folder);
        } else {
            linked = LinkFile(source, target);
        }
        // A failure ends the run; a stop is no failure.
        if (!linked)
            return m_stopped ? kLinkOk : kLinkFailed;
    }
    return kLinkOk;
}

bool HardLinker::LinkFile(const QByteArray& source, const QByteArray& target) {
    // A folder of the target's name is kept as it is.
    struct stat existing {};
    const bool exists = ::lstat(target.constData(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode))
        return true;
    if (exists && !m_yesToAll) {
        // An existing file is replaced only if the user says so.
        const int answer =
            m_hooks.askOverwrite ? m_hooks.askOverwrite(target) : int(MultiAnswerDialog::kNo);
        if (answer == MultiAnswerDialog::kNoToAll) {
            m_stopped = true;
            return false;
        }
        if (answer == MultiAnswerDialog::kNo)
            return true;
        m_yesToAll = answer == MultiAnswerDialog::kYesToAll;
    }
    // Link, replacing the existing file.
    if (exists)
        return ReplaceWithLink(source, target);
    return ::linkat(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), 0) == 0;
}

bool HardLinker::ReplaceWithLink(const QByteArray& source, const QByteArray& target) {
    struct stat from {};
    struct stat to {};
    if (::lstat(source.constData(), &from) != 0)
        return false;
    // Already a name of the source: renaming a link over it would do
    // nothing and leave the temporary name behind.
    if (::lstat(target.constData(), &to) == 0 && SameFile(from, to))
        return true;
    const QByteArray folder = target.left(target.lastIndexOf('/') + 1);
    const QByteArray base = folder + ".~link-" + QByteArray::number(qint64(::getpid())) + '-';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray temporary = base + QByteArray::number(attempt);
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, temporary.constData(), 0) != 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::rename(temporary.constData(), target.constData()) == 0)
            return true;
        ::unlink(temporary.constData());
        return false;
    }
    return false;
}

bool HardLinker::LinkTree(const QByteArray& sourceFolder, const QByteArray& targetParent) {
    UniqueDir dir = UniqueDir::OpenFolder(sourceFolder);
    if (!dir)
        return false;
    const QByteArray targetFolder = Join(targetParent, LastName(sourceFolder));
    bool made = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry)
            return errno == 0;
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        // The user may stop between entries.
        if (Stop())
            return false;
        // The target folder is made at the first entry.
        if (!made) {
            struct stat existing {};
            if (::lstat(targetFolder.constData(), &existing) == 0) {
                if (!S_ISDIR(existing.st_mode))
                    return false;
            } else if (::mkdir(targetFolder.constData(), 0777) != 0) {
                return false;
            }
            made = true;
        }
        // Symbolic links to folders are linked as what they are.
        const QByteArray name(entry->d_name);
        struct stat info {};
        if (::fstatat(dir.fd(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
            return false;
        // A folder mounted inside the tree can't be linked either: fail
        // before its empty copy is made.
        if (S_ISDIR(info.st_mode) && !OnDevice(targetFolder, info.st_dev))
            return false;
        const bool linked = S_ISDIR(info.st_mode)
                                ? LinkTree(Join(sourceFolder, name), targetFolder)
                                : LinkFile(Join(sourceFolder, name), Join(targetFolder, name));
        // A failure ends the walk.
        if (!linked)
            return false;
    }
}
