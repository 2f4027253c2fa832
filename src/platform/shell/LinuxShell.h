#pragma once
// The real namespace of the Linux desktop (installed by default).
//
//   Desktop (the empty list; parsing name: the XDG desktop directory)
//     Computer ("::Computer")            the user-visible volumes, "/" first
//       <volume> (parsing name: its mount point)   a file-system folder
//         <entries> ...
//     Home (parsing name: the home folder)         a file-system folder
//     <the files and folders of the desktop directory>
//
// An absolute path parses to [Computer][volume][entry]...: the volume is the
// longest user-visible mount point that is a prefix of the path. Ids of
// file-system entries carry their lstat data (ItemData.h).

#include <QString>
#include <memory>

#include "platform/shell/ShellNamespace.h"

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
    /// CSIDL_PROFILE, and CSIDL_PERSONAL, CSIDL_STARTUP, CSIDL_TEMPLATES when
    /// their folders exist; null for the others.
    IdList SpecialFolderLocation(int csidl) override;
    std::uint32_t DesktopAttributes() override;

    const Options& options() const { return m_options; }

private:
    Options m_options;
    std::shared_ptr<class LinuxShellState> m_state;  // shared with its folders
};

/// The home folder ($HOME, decoded losslessly; the password database's entry
/// when unset).
QString HomeDirectory();
/// The desktop directory (the XDG rule QStandardPaths::DesktopLocation
/// follows, read losslessly), or the home folder when that does not exist.
QString DesktopDirectory();
/// An XDG user directory by its key ("DESKTOP", "DOCUMENTS", "TEMPLATES",
/// ...) from $XDG_CONFIG_HOME/user-dirs.dirs, or `fallback` (relative to the
/// home folder) when the file does not name it. Cost: reads one small file.
QString XdgUserDirectory(const QByteArray& key, const QString& fallback);
