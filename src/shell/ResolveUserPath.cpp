#include "shell/ResolveUserPath.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/fs/UniqueFd.h"
#include "platform/namespace/NameCodec.h"
#include "platform/remote/RemoteMounts.h"
#include "shell/PathHelpers.h"
#include "shell/Pidl.h"
#include "shell/ShellContext.h"

namespace {

// Puts the process's current directory back when a resolution ends. The
// directory is held open rather than remembered by name, so that a folder
// renamed or removed during the resolution is still the one returned to.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard()
        : m_fd(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)), m_path(CurrentDirectory()) {}
    ~CurrentDirectoryGuard() {
        if (m_fd) {
            if (::fchdir(m_fd.get()) != 0 && !m_path.isEmpty())
                SetCurrentDirectory(m_path);
        } else if (!m_path.isEmpty()) {
            SetCurrentDirectory(m_path);
        }
    }
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    UniqueFd m_fd;
    QString m_path;
};

bool HasWildcard(const QString& text) {
    return text.contains(u'*') || text.contains(u'?');
}

ResolvedPath Failed(std::uint32_t flags = kResolveFailed) {
    return {IdList(), flags};
}

QString TrimLeadingSpace(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) ++i;
    return text.mid(i);
}

}  // namespace

// A remote location the desktop has mounted is reached through its local
// (FUSE) path, so everything below treats it as any folder.
static QString LocalFormOf(const QString& text) {
    if (!IsRemoteUri(text))
        return text;
    if (const std::optional<QByteArray> local = RemoteMounts::Snapshot().LocalPathOf(text))
        return NameFromBytes(*local);
    return text;
}

ResolvedPath ResolveUserPath(const QString& typed) {
    // Leading blanks off, the home expanded, in local form.
    QString text = LocalFormOf(ExpandHome(TrimLeadingSpace(typed)));
    if (text.isEmpty())
        return {IdList(), kResolveCurrent | kResolveFolder};
    std::uint32_t flags = 0;

    // A wildcard splits off the last component as a filter.
    if (HasWildcard(text)) {
        text = PathFolderPart(text);
        if (HasWildcard(text))
            return Failed();
        if (text.isEmpty())
            return Failed(kResolveCurrent | kResolveFilter);
        flags = kResolveFilter;
    }

    // Whatever the namespace parses itself.
    if (IdList parsed = ParsePath(text); !parsed.IsNull()) {
        flags |= kResolveRooted | (PidlIsFolder(parsed) == -1 ? kResolveFolder : kResolveFile);
        return {std::move(parsed), flags};
    }

    // A file-system path; an existing file names its folder.
    QString keptName;
    if (PathKind(text) == 1) {
        if (flags & kResolveFilter)
            return Failed();
        keptName = PathNamePart(text);
        text = PathFolderPart(text);
        flags |= kResolveFile;
    }
    if (flags == 0)
        flags = kResolveFolder;

    // What is left names a folder; the current directory is
    // put back however this ends.
    CurrentDirectoryGuard guard;
    QString result;
    if (text.isEmpty()) {
        flags |= kResolveCurrent;
        result = CurrentDirectory();
    } else if (text.startsWith(u'/') || text.startsWith(QStringLiteral("::"))) {
        flags |= kResolveRooted;
        result = text;
    } else {
        if (!SetCurrentDirectory(text))
            return Failed();
        flags |= kResolveRelative;
        result = CurrentDirectory();
    }
    if (result.isEmpty())
        return Failed();

    // A file's name goes back on the end.
    if (flags & kResolveFile)
        result = PathJoin(result, keptName);
    IdList resolved = ParsePath(result);
    if (resolved.IsNull())
        return Failed();
    return {std::move(resolved), flags};
}

QString FolderPathOf(const QString& text) {
    const ResolvedPath resolved = ResolveUserPath(text);
    if (resolved.idList.IsNull() || !(resolved.flags & kResolveFolder))
        return QString();
    return AbsoluteDisplayName(resolved.idList, SHGDN_FORPARSING).value_or(QString());
}
