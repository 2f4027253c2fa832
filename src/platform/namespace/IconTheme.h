#pragma once
// IconTheme: makes sure Qt looks icons up in an installed freedesktop theme.
//
// A desktop session tells Qt its icon theme. A bare window manager, Xvfb or
// the offscreen platform tell it nothing: the theme name is empty and the
// search path may not even hold /usr/share/icons, so every mime-type icon is
// missing and every file shows the same blank page. EnsureIconTheme() adds
// the XDG icon folders to the search path and, when the current theme is
// unset or not installed, picks the first installed of the usual themes.
// A theme the desktop chose is kept.

#include <QString>
#include <QStringList>

/// The XDG icon folders in look-up order: $XDG_DATA_HOME/icons (or
/// ~/.local/share/icons), ~/.icons, each $XDG_DATA_DIRS/icons (default
/// /usr/local/share:/usr/share), then /usr/share/pixmaps.
QStringList XdgIconFolders();

/// The first theme of `preferred` with an index.theme in one of `folders`,
/// or an empty string.
QString FirstInstalledTheme(const QStringList& preferred, const QStringList& folders);

/// Adds the missing XDG icon folders to QIcon's search path and sets a theme
/// when none usable is set (Adwaita, breeze, gnome, oxygen, then hicolor),
/// with hicolor as the fallback theme. Cheap to call again. Needs a
/// QGuiApplication; main thread only.
void EnsureIconTheme();
