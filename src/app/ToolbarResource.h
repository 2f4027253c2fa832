#pragma once
// The main toolbar's buttons (the frame's toolbar resource 187) and their
// icons.
//
// Icons: the desktop's icon theme where it has a fitting one, Qt's style
// icon after that, and otherwise a small drawing of our own in the window
// text colour (the pane-pair, view-style and sort-key buttons have no
// standard icons anywhere). Each icon carries 16, 24 and 32 pixel sizes.
//
// Main thread only (pixmaps). Cost: icons are drawn when asked; the frame
// asks once per button at start-up.

#include <QIcon>
#include <QList>

/// The toolbar resource's number.
inline constexpr int kMainToolbarResource = 187;
/// In MainToolbarButtons(): a separator.
inline constexpr int kToolbarSeparator = 0;

/// The command ids of the toolbar's buttons, left to right;
/// kToolbarSeparator between groups.
const QList<int>& MainToolbarButtons();

/// The icon of a toolbar command; a null icon for a command that has none.
QIcon ToolbarIcon(int id);
