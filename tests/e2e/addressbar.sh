#!/bin/sh
# End-to-end address bar, command line and volume dialog: real key presses on
# the real program, checked by the window title and the disk.
#
#   tests/e2e/addressbar.sh <corvane executable> [output folder]
#
# Shift+Tab from the pane reaches the address bar; a folder typed there and
# Return opens it in the active pane; ">touch made-by-runner" and Return
# creates that file in the active folder; after the file is removed Alt+F10
# makes it again; Alt+F1 with "Root folder" and "/" (the first volume) opens
# the root. The command is in the settings' command history at exit.
# Screenshots: e2e-addressbar.png (after the command), e2e-select-drive.png.
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$LEFT/inner" "$RIGHT/typed here"
echo one >"$LEFT/note.txt"

start_program "$LEFT" "$RIGHT"
title_is "$LEFT" || fail "title '$(window_title)' does not name the left folder"

# The address bar, a typed folder (with a blank in its name) and Return.
key shift+Tab
sleep 0.3
xdotool type --delay 20 "$RIGHT/typed here"
key Return
wait_for 10 title_is "$RIGHT/typed here" ||
    fail "the typed folder did not open (title '$(window_title)')"

# A program command runs in the active pane's folder.
key shift+Tab
sleep 0.3
xdotool type --delay 20 ">touch made-by-runner"
key Return
MADE="$RIGHT/typed here/made-by-runner"
wait_for 10 test -e "$MADE" || fail "'>touch made-by-runner' did not create the file"
screenshot "$OUT/e2e-addressbar.png"

# Alt+F10 repeats it.
rm "$MADE"
key alt+F10
wait_for 10 test -e "$MADE" || fail "Alt+F10 did not repeat the command"

# Alt+F1: the volume dialog of the left pane; the root of "/".
key alt+F1
dialog_active() { active_title | grep -q "Select disk drive"; }
wait_for 10 dialog_active || fail "Alt+F1 did not open the volume dialog"
screenshot "$OUT/e2e-select-drive.png"
key Home
sleep 0.3
key alt+r
sleep 0.3
key Return
wait_for 10 title_is "/" || fail "choosing '/' did not open the root (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	etc" || fail "the left pane does not list the root"

quit_corvane
grep -q "made-by-runner" "$SETTINGS" || fail "the command history was not written at exit"
echo "e2e: addressbar ok"
