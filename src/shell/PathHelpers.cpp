#include "shell/PathHelpers.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <vector>

#include "platform/fs/TempCopyFile.h"
#include "platform/fs/Volumes.h"
#include "platform/fs/XdgDirs.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellNamespace.h"
#include "platform/namespace/ShellTypes.h"
#include "platform/ui/Prompter.h"
#include "shell/ShellContext.h"

QString PathJoin(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

QString PathNamePart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? path : path.mid(slash + 1);
}

QString PathFolderPart(const QString& path) {
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString PathRootPart(const QString& path) {
    QString absolute = path;
    if (!absolute.startsWith(u'/')) {
        const QString cwd = CurrentDirectory();
        absolute = cwd.isEmpty() ? QStringLiteral("/") : PathJoin(cwd, path);
    }
    return VolumeRootOf(absolute);
}

int PathKind(const QString& path) {
    if (path.isEmpty())
        return 0;
    const QByteArray bytes = NameToBytes(path);
    struct stat st;
    if (::stat(bytes.constData(), &st) == 0)
        return S_ISDIR(st.st_mode) ? -1 : 1;
    if (::lstat(bytes.constData(), &st) == 0)
        return 1;
    return 0;
}

QString CurrentDirectory() {
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return NameFromBytes(QByteArray(buffer.data()));
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            return QString();
        buffer.resize(buffer.size() * 2);
    }
}

bool SetCurrentDirectory(const QString& path) {
    if (path.isEmpty())
        return false;
    return ::chdir(NameToBytes(path).constData()) == 0;
}

QString TempFolder() {
    return TempCopyFolder();  // one rule for every temporary file we make
}

QString HomeFolder() {
    return HomeDirectory();
}

QString ExpandHome(const QString& text) {
    if (text == u'~')
        return HomeFolder();
    if (text.startsWith(QStringLiteral("~/")))
        return PathJoin(HomeFolder(), text.mid(2));
    return text;
}

QString DesktopName() {
    return AbsoluteDisplayName(IdList::Empty(), SHGDN_NORMAL).value_or(QString());
}

int DesktopIcon() {
    const int index = SHGetFileInfoIconIndex(IdList::Empty(), false);
    return index < 0 ? 0 : index;
}

std::optional<QString> BrowseForFolder(const QString& title, const QString& initialPath,
                                       QWidget* parent) {
    std::optional<QString> chosen = Prompts().BrowseForFolder(title, initialPath, parent);
    if (!chosen)
        return std::nullopt;
    // The picker gives a path; the namespace's parsing name of what it names
    // is the answer, as for a folder chosen in the shell's own picker.
    const IdList list = ParsePath(*chosen);
    if (list.IsNull())
        return chosen;
    IdList named = list;
    if (list.IsEmpty()) {
        const ShellContext& context = TheShellContext();
        named = context.ready ? context.desktopDirectory
                              : SHGetSpecialFolderLocation(CSIDL_DESKTOPDIRECTORY);
        if (named.IsNull())
            return chosen;
    }
    return AbsoluteDisplayName(named, SHGDN_FORPARSING).value_or(*chosen);
}

// DriveFolders

void DriveFolders::RememberFolder(const QString& path) {
    if (!path.startsWith(u'/'))
        return;
    const QString volume = PathRootPart(path);
    for (Entry& entry : m_entries) {
        if (entry.volume == volume) {
            entry.folder = path;
            return;
        }
    }
    m_entries.push_back({volume, path});
}

bool DriveFolders::SetFolder(const QString& path, bool change) {
    if (change && !SetCurrentDirectory(path))
        return false;
    RememberFolder(path);
    return true;
}

std::optional<QString> DriveFolders::FolderOf(const QString& volume) const {
    const QString root = PathRootPart(volume);
    for (const Entry& entry : m_entries) {
        if (entry.volume == root)
            return entry.folder;
    }
    return std::nullopt;
}

bool DriveFolders::ToDrive(const QString& volume) {
    const QString root = PathRootPart(volume);
    return SetCurrentDirectory(FolderOf(root).value_or(root));
}

DriveFolders& TheDriveFolders() {
    static DriveFolders folders;
    return folders;
}
