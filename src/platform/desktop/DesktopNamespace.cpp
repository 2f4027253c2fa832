#include "platform/desktop/DesktopNamespace.h"

#include <memory>

#include "platform/archive/ArchiveFolder.h"
#include "platform/archive/ArchiveIndex.h"
#include "platform/desktop/LinuxShell.h"
#include "platform/fileop/FileCopyRoute.h"
#include "platform/fileop/GioFileOperation.h"
#include "platform/fs/FileSystemFolder.h"
#include "platform/remote/GioChangeSource.h"
#include "platform/remote/GioEntrySource.h"
#include "platform/shellui/ContextMenu.h"

namespace {

// Archives open as folders, and the file menus come from the shell's user
// interface: both lie above the file-system folders, which reach them here.
class DesktopFileSystemExtensions : public FileSystemExtensions {
public:
    bool OpensAsFolder(const QByteArray& name) override { return IsArchiveName(name); }

    std::optional<std::unique_ptr<ShellFolder>> BindThroughFile(const QByteArray& folderPath,
                                                                const IdList& absolute,
                                                                const IdList& relative) override {
        return BindThroughArchive(folderPath, absolute, relative);
    }

    IdList ParseInsideFile(const QByteArray& filePath, const QByteArray& inner) override {
        return ParseInsideArchive(filePath, inner);
    }

    std::optional<int> CompareInsideFile(int column, const IdList& a, const IdList& b) override {
        if (!DecodeArchiveItem(a.ItemPayload(0)) || !DecodeArchiveItem(b.ItemPayload(0)))
            return std::nullopt;
        return CompareArchiveIds(column, a, b);
    }

    std::unique_ptr<ShellContextMenu> ItemMenu(const QList<QByteArray>& paths) override {
        return MakeFileSystemContextMenu(paths);
    }

    std::unique_ptr<ShellContextMenu> BackgroundMenu(const QByteArray& folder) override {
        return MakeFileSystemBackgroundMenu(folder);
    }
};

}  // namespace

void InstallDesktopNamespace() {
    // Folders on GVfs's FUSE bridge are listed through GIO in batches.
    InstallGioEntrySource();
    // Their files' bytes are copied through GIO, which lets the daemon move
    // them in large pieces.
    InstallBridgeCopyRoute();
    // Their changes are watched by GIO where the backend can (inotify sees
    // none made on the server).
    InstallGioChangeSource();
    // Locations without a FUSE path are copied, moved, renamed and deleted
    // in through GIO with the engine's progress and questions.
    InstallGioFileOperations();
    InstallFileSystemExtensions(std::make_shared<DesktopFileSystemExtensions>());
    InstallShellNamespace(std::make_unique<LinuxShellNamespace>());
}
