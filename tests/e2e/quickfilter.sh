#!/bin/sh
# End-to-end test of the quick filter on the real program:
#
#   tests/e2e/quickfilter.sh <corvane executable> [output folder]
#
# The left pane lists a folder of 10,000 files. Ctrl+/ opens the quick
# filter; typing "07" narrows the rows, live, to the names that contain it
# (and "077" further); Escape brings every row back;
# typing again and Return keeps the filter, and the keys go to the pane
# again. The listing dump is the check.
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$(dirname "$SETTINGS")"
i=0
while [ "$i" -lt 10000 ]; do
    printf '' >"$LEFT/$(printf 'f%04d.dat' "$i")"
    i=$((i + 1))
done

left_rows() { count_lines L; }
# How many of the names contain the text, case-blind: what the rows must be.
containing() { ls "$LEFT" | grep -ciF "$1"; }
rows_are() { [ "$(left_rows)" -eq "$1" ]; }

start_program "$LEFT" "$RIGHT"
wait_for 30 rows_are 10000 || fail "the left pane does not list 10,000 files ($(left_rows))"

key ctrl+slash
xdotool type --delay 80 07
wait_for 10 rows_are "$(containing 07)" || fail "typing '07' did not narrow the rows ($(left_rows))"
has_line "$DUMP" "L	f0007.dat" || fail "f0007.dat is not listed under '07'"
has_line "$DUMP" "L	f0071.dat" || fail "f0071.dat is not listed under '07'"
has_line "$DUMP" "L	f0001.dat" && fail "f0001.dat is listed under '07'"
xdotool type --delay 80 7
wait_for 10 rows_are "$(containing 077)" || fail "typing '077' did not narrow the rows ($(left_rows))"
screenshot "$OUT/e2e-quick-filter.png"

key Escape
wait_for 10 rows_are 10000 || fail "Escape did not bring the 10,000 rows back ($(left_rows))"

key ctrl+slash
xdotool type --delay 80 F999
wait_for 10 rows_are "$(containing F999)" || fail "typing 'F999' (case-blind) did not narrow the rows ($(left_rows))"
key Return
# The keys reach the pane again (its type-ahead), and the rows stay narrow.
xdotool type --delay 80 f9995
wait_for 10 has_line "$DUMP" "SL	f9995.dat" || fail "after Return, typing does not reach the pane"
rows_are "$(containing F999)" || fail "Return did not keep the filter ($(left_rows))"
has_line "$DUMP" "L	f9999.dat" || fail "f9999.dat is not listed under 'F999'"

quit_corvane
echo "e2e: PASS"
