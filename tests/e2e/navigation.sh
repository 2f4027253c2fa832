#!/bin/sh
# End-to-end keyboard navigation: real key presses on the real program,
# checked by the window title (which names the active pane's folder).
#
#   tests/e2e/navigation.sh <corvane executable> [output folder]
#
# Enter on a folder opens it; Backspace goes to the parent; Alt+Left and
# Alt+Right walk the navigation list; Ctrl+Shift+2 sets bookmark 2 at the
# current folder and Ctrl+2 goes back to it from elsewhere; Tab makes the
# other pane active; the bookmark is written to the settings at exit. A
# screenshot of the open "Files" menu is left as e2e-files-menu.png.
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$LEFT/inner/deeper"
echo one >"$LEFT/inner/note.txt"
echo two >"$RIGHT/second.txt"

start_program "$LEFT" "$RIGHT" "L	inner"
title_is "$LEFT" || fail "title '$(window_title)' does not name the left folder"

# The only row is focused at start; Enter opens it.
key Return
wait_for 10 title_is "$LEFT/inner" || fail "Enter did not open 'inner' (title '$(window_title)')"

key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace did not go up (title '$(window_title)')"

key alt+Right
wait_for 10 title_is "$LEFT/inner" || fail "Alt+Right did not go forward (title '$(window_title)')"

key alt+Left
wait_for 10 title_is "$LEFT" || fail "Alt+Left did not go back (title '$(window_title)')"

# Bookmark 2 at 'inner', then from the parent back to it.
key alt+Right
wait_for 10 title_is "$LEFT/inner" || fail "Alt+Right did not go forward again"
key ctrl+shift+2
key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace after setting the bookmark did not go up"
key ctrl+2
wait_for 10 title_is "$LEFT/inner" || fail "Ctrl+2 did not go to bookmark 2 (title '$(window_title)')"

# Tab: the right pane becomes active, and the title follows it.
key Tab
wait_for 10 title_is "$RIGHT" || fail "Tab did not activate the right pane (title '$(window_title)')"

# The Files menu with its keys, for the eye.
key alt+f
sleep 1
screenshot "$OUT/e2e-files-menu.png"
key Escape
key Escape

quit_corvane
grep -qxF "2=$LEFT/inner" "$SETTINGS" || fail "bookmark 2 was not written to the settings"
echo "e2e: PASS"
