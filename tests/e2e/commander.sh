#!/bin/sh
# End-to-end test of commander mode on the real program:
#
#   tests/e2e/commander.sh <corvane executable> [output folder]
#
# With "bCommanderMode" on, the cursor moves (type-ahead, Down) mark
# nothing, and F5 on the focused, unmarked row copies that row alone into
# the other pane, where only the arrival is marked (a mark made there
# before is cleared); the function-key bar
# shows F7 as "New folder" and F8 as "Delete".
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$(dirname "$SETTINGS")"
echo alpha >"$LEFT/a.txt"
echo bravo >"$LEFT/b.txt"
echo charlie >"$LEFT/c.txt"
echo old >"$RIGHT/old.txt"
printf '[General Settings]\nbCommanderMode=1\n' >"$SETTINGS"

marked_left() { count_lines SL; }

start_display
start_corvane "$LEFT" "$RIGHT"
wait_for 15 has_line "$DUMP" "L	c.txt" || fail "the left pane does not list c.txt"
wait_for 15 has_line "$DUMP" "R	old.txt" || fail "the right pane does not list old.txt"
wait_for 10 sh -c "grep -q '^BG	F7 New folder	' '$DUMP'" || fail "the bar shows no 'F7 New folder'"
grep -q '^BG	F8 Delete	' "$DUMP" || fail "the bar shows no 'F8 Delete'"
focus_window

# old.txt is marked in the right pane before the copy.
key Tab
xdotool type --delay 80 o
key space
wait_for 10 has_line "$DUMP" "SR	old.txt" || fail "Space did not mark old.txt in the right pane"
key Tab

# "a" puts the cursor on a.txt, Down on b.txt: neither marks.
xdotool type --delay 80 a
key Down
key F5
wait_for 10 other_window_active || fail "F5 on the unmarked cursor row did not open the copy dialog"
key Return
wait_for 10 test -f "$RIGHT/b.txt" || fail "F5 did not copy the cursor row b.txt"
[ "$(cat "$RIGHT/b.txt")" = bravo ] || fail "the copy does not hold the source's bytes"
[ ! -e "$RIGHT/a.txt" ] && [ ! -e "$RIGHT/c.txt" ] || fail "F5 copied more than the cursor row"
wait_for 10 has_line "$DUMP" "R	b.txt" || fail "the right pane does not list the copy"
[ "$(marked_left)" -eq 0 ] || fail "moving the cursor marked rows in the left pane"
wait_for 10 has_line "$DUMP" "SR	b.txt" || fail "the arrival b.txt is not marked in the right pane"
has_line "$DUMP" "SR	old.txt" && fail "the right pane's earlier mark on old.txt was kept"
screenshot "$OUT/e2e-commander.png"

quit_corvane
echo "e2e: PASS"
