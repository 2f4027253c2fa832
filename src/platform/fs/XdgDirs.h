#pragma once
// The XDG base and user directories: where the desktop keeps the user's
// data, configuration, applications and named folders (Desktop, Documents).
// Each call reads the environment afresh, so tests that point XDG_* at a
// temporary home see their own folders. Paths are raw bytes, absolute,
// without a trailing "/".

#include <QByteArray>
#include <QList>
#include <QString>

/// $HOME, else the password database's home folder, else "/".
QByteArray XdgHomeDir();
/// $XDG_DATA_HOME when it is absolute, else ~/.local/share.
QByteArray XdgDataHome();
/// $XDG_CONFIG_HOME when it is absolute, else ~/.config.
QByteArray XdgConfigHome();
/// $XDG_DATA_DIRS (absolute entries only), else /usr/local/share and
/// /usr/share, in order of preference.
QList<QByteArray> XdgDataDirs();

/// A user directory from $XDG_CONFIG_HOME/user-dirs.dirs, `key` being the
/// part between "XDG_" and "_DIR" ("DESKTOP", "DOCUMENTS"). The file is a
/// shell fragment, so the last assignment wins. Values of the forms
/// "$HOME/..." and "/..." are understood; anything else is ignored. Empty
/// when not set. The home folder itself is given as it is: see
/// XdgUserDirSwitchedOff().
QByteArray XdgUserDirFromConfig(const QByteArray& key);

/// The user directory `key`, else `fallbackName` below the home folder.
/// The folder is not created. This is the one reading of user-dirs.dirs:
/// the special folders and the templates of "new" both come from here.
QByteArray XdgUserDir(const QByteArray& key, const QByteArray& fallbackName);

/// True when the user directory is the home folder itself, which
/// xdg-user-dirs writes to switch a directory off (Documents, Templates);
/// the Desktop set to the home folder is simply the home folder.
bool XdgUserDirSwitchedOff(const QByteArray& dir);

/// The home folder ($HOME, decoded losslessly; the password database's entry
/// when unset).
QString HomeDirectory();
/// The desktop directory, or the home folder when that does not exist.
QString DesktopDirectory();

/// Creates the folder and its missing parents with `mode` (already existing
/// folders are left as they are). False when it cannot be made or a
/// component is not a folder.
bool MakePathBytes(const QByteArray& path, unsigned mode = 0700);
