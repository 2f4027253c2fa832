#pragma once
// Text-path helpers and the shell helpers several windows share.
//
// Paths are QStrings decoded with NameFromBytes; every call that reaches the
// kernel encodes them back with NameToBytes, so a name that is not valid
// UTF-8 works like any other. Separators are "/". Comparisons are exact:
// names that differ only in case are different files.

#include <QString>
#include <optional>
#include <vector>

class QWidget;

/// "folder/name"; no second "/" when `folder` already ends with one.
QString PathJoin(const QString& folder, const QString& name);

/// The text after the last "/"; the whole text when there is none.
QString PathNamePart(const QString& path);

/// The text up to and including the last "/"; empty when there is none.
QString PathFolderPart(const QString& path);

/// The mount point of the user-visible volume that holds `path` (the
/// longest one that is a prefix of the path by whole components; "/" at
/// worst). A relative path is taken relative to the current directory.
/// Cost: reads the mount table once.
QString PathRootPart(const QString& path);

/// -1 for a directory, 1 for anything else that exists, 0 for nothing. Links
/// are followed; a dangling link counts as a file (it is an entry that can
/// be named, renamed and deleted). One stat call on the path's exact bytes.
int PathKind(const QString& path);

/// The process's current directory, or an empty text when it can't be had
/// (it was removed, or is unreadable).
QString CurrentDirectory();

/// Changes the process's current directory to the path's exact bytes.
bool SetCurrentDirectory(const QString& path);

/// The temporary folder: the folder QDir::tempPath() names ($TMPDIR, else
/// "/tmp"), with $TMPDIR taken as exact bytes.
QString TempFolder();

/// The home folder ($HOME as exact bytes, else the password database's entry).
QString HomeFolder();

/// "~" and "~/..." with the home folder put in; any other text unchanged.
QString ExpandHome(const QString& text);

/// The normal display name of the Desktop.
QString DesktopName();

/// The icon index of the Desktop; 0 when the namespace gives none.
int DesktopIcon();

/// The folder picker (through the prompter) with `title`, starting at
/// `initialPath` when one is given. The chosen folder's parsing name (the
/// desktop directory's when the Desktop itself was chosen), or nullopt when
/// the user cancelled.
std::optional<QString> BrowseForFolder(const QString& title, const QString& initialPath,
                                       QWidget* parent = nullptr);

/// DriveFolders: the remembered current folder of each volume, at most one
/// absolute path per mount point, in the order the volumes were first met.
/// Every successful change of the process's current directory by the panes
/// goes through SetFolder(). Main thread only.
class DriveFolders {
public:
    struct Entry {
        QString volume;  // the mount point
        QString folder;  // the remembered folder on it
    };

    /// Remembers `path` as the current folder of its volume, replacing the
    /// volume's previous entry. Ignores anything but absolute paths.
    void RememberFolder(const QString& path);

    /// With `change`, sets the process's current directory to `path` first
    /// and gives up (false) when that fails; then remembers the path.
    bool SetFolder(const QString& path, bool change);

    /// Sets the process's current directory to the remembered folder of the
    /// volume that holds `volume` (a mount point or any path on it), or to
    /// the volume's mount point when none is remembered. False when the
    /// change fails.
    bool ToDrive(const QString& volume);

    /// The remembered folder of the volume that holds `volume`, if any.
    std::optional<QString> FolderOf(const QString& volume) const;

    const std::vector<Entry>& Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

private:
    std::vector<Entry> m_entries;
};

/// The process-wide remembered folders.
DriveFolders& TheDriveFolders();
