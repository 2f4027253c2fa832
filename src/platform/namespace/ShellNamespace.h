#pragma once
// The namespace root: where the Desktop folder and the special folders come
// from. Nothing here knows which namespace that is: the program installs the
// real one (platform/desktop, InstallDesktopNamespace) once at start-up, and
// tests install it or a FakeShell (tests/support) to run the program's logic
// on a tree of fake folders.
//
// Threads. The namespace is installed on the main thread before any other
// thread starts and is not replaced while workers run. After that:
// - Safe on any thread: Shell(), SHGetDesktopFolder(), SHGetSpecialFolderLocation(),
//   BindParentFolder(), SHGetFileInfoAttributes(), and every call of a
//   ShellFolder object made on that thread (see ShellFolder.h). The folders
//   keep no state shared between objects that is not guarded, so a worker
//   may bind and enumerate its own folders (find, statistics, the tree).
// - Main thread only: SHGetFileInfoIconIndex() and SHGetFileInfoIconIndexForName()
//   (the icon registry hands out QIcons), context menus, data objects and
//   InstallShellNamespace().

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/namespace/IdList.h"
#include "platform/namespace/ShellFolder.h"

class ShellNamespace {
public:
    virtual ~ShellNamespace() = default;
    /// A new object for the Desktop folder (the root, the empty id list).
    virtual std::unique_ptr<ShellFolder> DesktopFolder() = 0;
    /// The absolute id list of a special folder (CSIDL_), or null when this
    /// system has none.
    virtual IdList SpecialFolderLocation(int csidl) = 0;
    /// The attributes of the Desktop itself.
    virtual std::uint32_t DesktopAttributes() = 0;
};

/// The installed namespace. Installing one is start-up's first step; there
/// is no default, and calling this before is fatal.
ShellNamespace& Shell();
/// Installs a namespace and gives back the previous one (tests restore it).
std::unique_ptr<ShellNamespace> InstallShellNamespace(std::unique_ptr<ShellNamespace> shell);

// The platform calls the program's logic is written against.
std::unique_ptr<ShellFolder> SHGetDesktopFolder();
IdList SHGetSpecialFolderLocation(int csidl);

/// Binds the parent of `absolute`'s last item (the Desktop for one-item
/// lists). Null for the empty list.
std::unique_ptr<ShellFolder> BindParentFolder(const IdList& absolute);

/// `SHGetFileInfo` with SHGFI_ATTRIBUTES: all attributes of the place named
/// by an absolute id list (the Desktop for the empty list).
std::optional<std::uint32_t> SHGetFileInfoAttributes(const IdList& absolute);

/// `SHGetFileInfo` with SHGFI_SYSICONINDEX: the icon registry index of the
/// place (-1 when the shell gives none).
int SHGetFileInfoIconIndex(const IdList& absolute, bool open);

/// `SHGetFileInfo` with SHGFI_USEFILEATTRIBUTES: the icon index of a name
/// without looking at the disk (by its type as the name suggests).
int SHGetFileInfoIconIndexForName(const QString& name, bool directory);
