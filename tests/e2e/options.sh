#!/bin/sh
# End-to-end "Program Options" on the real window: View > Options... opens
# the sheet on General; Alt+H turns "Show Hidden files" off, Ctrl+Tab turns
# to Usability and Return presses "Ok". Both panes then stop listing their
# hidden files (the listing dump), the visible ones stay, and quitting
# writes "bShowHiddenFiles" as 0. The two pages are left as
# e2e-options-general.png and e2e-options-usability.png, the panes after
# Ok as e2e-options-after.png.
#
#   tests/e2e/options.sh <corvane executable> [output folder]
set -eu

. "$(dirname "$0")/lib.sh"

sheet_shown() { has_window --name "Program Options"; }

mkdir -p "$LEFT/.hidden folder"
echo a >"$LEFT/visible.txt"
echo b >"$LEFT/.hidden-left"
echo c >"$RIGHT/shown.txt"
echo d >"$RIGHT/.hidden-right"

start_program "$LEFT" "$RIGHT" "L	.hidden-left" "L	.hidden folder" "R	.hidden-right"

key alt+v
sleep 0.5
key o
wait_for 10 sheet_shown || fail "View > Options... did not open 'Program Options'"
sleep 1
key alt+h
sleep 0.5
screenshot "$OUT/e2e-options-general.png"
key ctrl+Tab
sleep 0.5
screenshot "$OUT/e2e-options-usability.png"
key Return
wait_for 10 not_listed "L	.hidden-left" || fail "the left pane still lists its hidden file"
wait_for 10 not_listed "L	.hidden folder" || fail "the left pane still lists its hidden folder"
wait_for 10 not_listed "R	.hidden-right" || fail "the right pane still lists its hidden file"
has_line "$DUMP" "L	visible.txt" || fail "the left pane lost its visible file"
has_line "$DUMP" "R	shown.txt" || fail "the right pane lost its visible file"
! sheet_shown || fail "the sheet stayed open after Ok"
sleep 0.5
screenshot "$OUT/e2e-options-after.png"

quit_corvane
grep -qx 'bShowHiddenFiles=0' "$SETTINGS" || fail "bShowHiddenFiles=0 was not written at exit"
echo "e2e: options passed"
