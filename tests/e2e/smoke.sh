#!/bin/sh
# End-to-end smoke test: the real corvane on a virtual X display with a
# window manager, driven by real key presses (XTEST).
#
#   tests/e2e/smoke.sh <corvane executable> [output folder]
#
# It runs corvane with its home and settings in a temporary folder and two
# temporary folders for the panes, and checks: the window appears with the
# left folder in its title; both panes list their folders; a file made in
# the left folder from outside shows up in the left pane; Ctrl+I (same
# folder) loads the left folder in the right pane; Alt+X (Files > Exit) ends
# the program with status 0; the settings file was written. A screenshot of
# the display before closing is left in the output folder as
# e2e-screenshot.png.
#
# The listing check reads the file named by CORVANE_E2E_DUMP, which the main
# frame rewrites with both panes' row names whenever their rows change (a
# test-only hook).
set -eu

. "$(dirname "$0")/lib.sh"

echo one >"$LEFT/first.txt"
echo two >"$RIGHT/second.txt"

start_display
start_corvane "$LEFT" "$RIGHT"
echo "e2e: window $WID: $(window_title)"
title_is "$LEFT" || fail "title '$(window_title)' does not name the left folder $LEFT"

wait_for 15 has_line "$DUMP" "L	first.txt" || fail "the left pane does not list first.txt"
wait_for 15 has_line "$DUMP" "R	second.txt" || fail "the right pane does not list second.txt"

# A file made from outside appears through the folder's change watch.
echo made >"$LEFT/made-outside.txt"
wait_for 15 has_line "$DUMP" "L	made-outside.txt" ||
    fail "the left pane did not pick up made-outside.txt"

focus_window

# Ctrl+I: the inactive (right) pane opens the active pane's folder.
key ctrl+i
wait_for 15 has_line "$DUMP" "R	made-outside.txt" ||
    fail "Ctrl+I did not load the left folder in the right pane"

screenshot "$OUT/e2e-screenshot.png"
quit_corvane

[ -f "$SETTINGS" ] || fail "no settings file at $SETTINGS"
grep -q '^nToolbarsVersion=1$' "$SETTINGS" || fail "the frame's settings were not written"
grep -qF "szInitialFolder=$LEFT" "$SETTINGS" || fail "the left pane's folder was not written"
grep -q '^bLeftPaneActive=1$' "$SETTINGS" || fail "the active pane was not written"

echo "e2e: PASS"
