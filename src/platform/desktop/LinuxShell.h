#pragma once
// The real namespace of the Linux desktop (installed by default).
//
//   Desktop (the empty list; parsing name: the XDG desktop directory)
//     Computer ("::Computer")            the user-visible volumes, "/" first
//       <volume> (parsing name: its mount point)   a file-system folder
//         <entries> ...
//     Home (parsing name: the home folder)         a file-system folder
//     Network ("::Network")              remote mounts (NetworkFolder.h)
//     Trash ("::Trash")                  the freedesktop trash (TrashFolder.h)
//     Settings ("::Settings")            settings applications (AppsFolder.h)
//     Printers ("::Printers")            the printers (PrintersFolder.h)
//     <the files and folders of the desktop directory>
//   and, not listed but reachable by CSIDL_STARTMENU or "::StartMenu":
//     Applications                       the applications menu (AppsFolder.h)
//
// Context menus: the desktop's files have their folder's menu, and the
// Desktop's background is the desktop directory's (so "Shell new" works
// there); the places and the volumes have "open" (the program's) and, for
// one Home or one volume, "properties"; below a place, its folder's menu.
// Launchers (".desktop" files) on the desktop show their application's icon.
//
// An absolute path parses to [Computer][volume][entry]...: the volume is the
// longest user-visible mount point that is a prefix of the path. Ids of
// file-system entries carry their lstat data (ItemData.h).

#include <QString>
#include <memory>

#include "platform/namespace/ShellNamespace.h"

class LinuxShellNamespace : public ShellNamespace {
public:
    struct Options {
        /// The mount table to read (tests pass a fixture).
        QString mountInfoPath = QStringLiteral("/proc/self/mountinfo");
        /// Where user-space mount options (x-gvfs-show, x-gvfs-hide) are.
        QString fstabPath = QStringLiteral("/etc/fstab");
    };

    LinuxShellNamespace();
    explicit LinuxShellNamespace(Options options);
    ~LinuxShellNamespace() override;

    std::unique_ptr<ShellFolder> DesktopFolder() override;
    /// CSIDL_DESKTOP (empty list), CSIDL_DESKTOPDIRECTORY, CSIDL_DRIVES,
    /// CSIDL_PROFILE; the places CSIDL_NETHOOD and CSIDL_NETWORK (Network),
    /// CSIDL_BITBUCKET (Trash), CSIDL_CONTROLS (Settings), CSIDL_PRINTERS,
    /// CSIDL_STARTMENU and CSIDL_PROGRAMS (the applications menu);
    /// CSIDL_PERSONAL (the XDG Documents folder) and CSIDL_TEMPLATES when
    /// their folders exist; CSIDL_STARTUP ($XDG_CONFIG_HOME/autostart, made
    /// when missing); null for the others and when a folder cannot be had.
    IdList SpecialFolderLocation(int csidl) override;
    std::uint32_t DesktopAttributes() override;

    const Options& options() const { return m_options; }

private:
    Options m_options;
    std::shared_ptr<class LinuxShellState> m_state;  // shared with its folders
};
