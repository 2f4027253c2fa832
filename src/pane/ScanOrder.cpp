#include "pane/ScanOrder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <vector>

#include "platform/fs/FileSystem.h"
#include "platform/namespace/NameCodec.h"
#include "platform/namespace/ShellTypes.h"

namespace {

// Kinds of the scan's mask.
constexpr int kScanFiles = 1;
constexpr int kScanFolders = 2;

// Names and types come a buffer at a time; a folder of a few thousand
// entries is one read.
constexpr std::size_t kScanBuffer = 64 * 1024;

// The scan's kind of a directory entry, from the type the directory gives
// (a stat only where the file system gives none). A symbolic link is a
// non-folder, as enumeration lists it.
int EntryKind(int dirFd, const DirectoryStream::Name& entry) {
    if (entry.type == DT_DIR)
        return kScanFolders;
    if (entry.type != DT_UNKNOWN)
        return kScanFiles;
    struct stat st;
    if (::fstatat(dirFd, entry.name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISDIR(st.st_mode))
        return kScanFolders;
    return kScanFiles;
}

}  // namespace

void ForEachScannedName(const QString& path, std::uint32_t enumFlags,
                        const std::function<bool(const QString& name)>& met) {
    DirectoryStream dir(NameToBytes(path));
    if (!dir.IsOpen())
        return;
    int mask = 0;
    if (enumFlags & SHCONTF_FOLDERS)
        mask |= kScanFolders;
    if (enumFlags & SHCONTF_NONFOLDERS)
        mask |= kScanFiles;

    std::vector<DirectoryStream::Name> names;
    while (dir.ReadNames(names, kScanBuffer)) {
        for (const DirectoryStream::Name& entry : names) {
            if (!(EntryKind(dir.Fd(), entry) & mask))
                continue;
            if (!met(NameFromBytes(entry.name.constData(), entry.name.size())))
                return;
        }
        names.clear();
    }
}
