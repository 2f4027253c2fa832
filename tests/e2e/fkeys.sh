#!/bin/sh
# End-to-end test of the function-key bar and the hidden-files key on the
# real program:
#
#   tests/e2e/fkeys.sh <corvane executable> [output folder]
#
# With hidden files off in the settings, the left pane does not list a
# dotfile; Ctrl+. lists it, and Ctrl+. again hides it. A click on the bar's
# "F5 Copy" button, with a file selected, opens the copy dialog, and Return
# copies the file into the other pane's folder; the pane keeps the keyboard:
# a name typed at once afterwards is found (a new name, not one continuing
# the letters typed before the dialog). F5 pressed copies the same way, a
# name typed after it is found too, and Down moves the cursor. A screenshot
# with the bar is left in the output folder as e2e-function-keys.png.
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$(dirname "$SETTINGS")"
echo quarterly >"$LEFT/report.txt"
echo secret >"$LEFT/.dotfile"
echo other >"$LEFT/zeta.txt"
printf '[General Settings]\nbShowHiddenFiles=0\n' >"$SETTINGS"

start_display
start_corvane "$LEFT" "$RIGHT"
wait_for 15 has_line "$DUMP" "L	report.txt" || fail "the left pane does not list report.txt"
has_line "$DUMP" "L	.dotfile" && fail "the dotfile is listed with hidden files off"
focus_window

key ctrl+period
wait_for 10 has_line "$DUMP" "L	.dotfile" || fail "Ctrl+. did not show the dotfile"
key ctrl+period
wait_for 10 not_listed "L	.dotfile" || fail "Ctrl+. again did not hide the dotfile"

# The bar's buttons, where the window shows them.
button_place() { grep "^BG	$1	" "$DUMP" | head -n 1 | cut -f 3; }
wait_for 10 sh -c "grep -q '^BG	F5 Copy	' '$DUMP'" || fail "the function-key bar shows no 'F5 Copy'"
set -- $(button_place "F5 Copy")
[ "$#" -eq 4 ] || fail "no place for the F5 button"
BX=$(($1 + $3 / 2))
BY=$(($2 + $4 / 2))
screenshot "$OUT/e2e-function-keys.png"

xdotool type --delay 50 report
wait_for 10 has_line "$DUMP" "SL	report.txt" || fail "typing 'report' did not select report.txt"
xdotool mousemove --window "$WID" "$BX" "$BY" click 1
wait_for 10 other_window_active || fail "the F5 button did not open the copy dialog"
key Return
wait_for 10 test -f "$RIGHT/report.txt" || fail "the F5 button did not copy report.txt"
[ "$(cat "$RIGHT/report.txt")" = quarterly ] || fail "the copy does not hold the source's bytes"
[ ! -e "$RIGHT/zeta.txt" ] || fail "the F5 button copied more than the selection"

# The pane still has the keyboard after the click: the name typed at once
# is found.
wait_for 10 is_active || fail "the main window did not get the focus back"
wait_for 10 has_line "$DUMP" "K	L" || fail "the left pane's list does not have the keyboard after the click"
xdotool type --delay 50 zeta
wait_for 10 has_line "$DUMP" "SL	zeta.txt" || fail "after the click's copy, typing 'zeta' did not find zeta.txt"

# F5 pressed copies the selection the same way; a name typed at once
# afterwards is found, and Down still moves the cursor.
key F5
wait_for 10 dialog_open || fail "F5 did not open the copy dialog"
key Return
wait_for 10 test -f "$RIGHT/zeta.txt" || fail "F5 did not copy zeta.txt"
wait_for 10 is_active || fail "the main window did not get the focus back after F5"
wait_for 10 has_line "$DUMP" "K	L" || fail "the left pane's list does not have the keyboard after F5"
xdotool type --delay 50 report
wait_for 10 has_line "$DUMP" "SL	report.txt" || fail "after F5's copy, typing 'report' did not find report.txt"
key Down
wait_for 10 has_line "$DUMP" "FL	zeta.txt" || fail "after the copies, Down no longer reaches the pane"

quit_corvane
echo "e2e: PASS"
