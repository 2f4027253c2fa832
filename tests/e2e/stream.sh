#!/bin/sh
# End-to-end large folder: real key presses on the real program, checked by
# the window title and the listing dump.
#
#   tests/e2e/stream.sh <corvane executable> [output folder]
#
# Enter on a folder of 100,000 files opens it and its rows show up; a
# Backspace pressed as soon as the first of them are listed goes back to
# the parent, whose rows the pane then lists, and nothing of the large
# folder comes in afterwards; opening the large folder again lists every
# one of its files, sorted, and the window still answers keys afterwards.
set -eu

. "$(dirname "$0")/lib.sh"

COUNT=100000
mkdir -p "$LEFT/big"
echo two >"$RIGHT/second.txt"
(cd "$LEFT/big" && seq -f 'f%06g.txt' 1 "$COUNT" | xargs touch)

left_rows() { count_lines L; }
lists_big_rows() { grep -q '^L	f[0-9]*\.txt$' "$DUMP"; }
lists_only_big() { [ "$(grep '^L	' "$DUMP")" = "L	big" ]; }
lists_all_big() { [ "$(left_rows)" -eq "$COUNT" ]; }

start_program "$LEFT" "$RIGHT" "L	big"
title_is "$LEFT" || fail "title '$(window_title)' does not name the left folder"

# Enter opens the large folder; as soon as rows of it are listed,
# Backspace goes back up.
key Return
wait_for 20 title_is "$LEFT/big" || fail "Enter did not open 'big' (title '$(window_title)')"
wait_for 20 lists_big_rows || fail "no row of 'big' was listed"
key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace during the read did not go up (title '$(window_title)')"
wait_for 10 lists_only_big || fail "after Backspace the left pane does not list its folder alone"
# The old read must not add to the parent's rows: the listing is looked at
# again once the window has answered another key (the right pane's Tab and
# back), which comes after anything the old read could still have posted.
key Tab
wait_for 10 title_is "$RIGHT" || fail "Tab did not activate the right pane"
key Tab
wait_for 10 title_is "$LEFT" || fail "Tab did not come back to the left pane"
lists_only_big || fail "rows of the left folder changed after the read was left: $(left_rows) rows"

# Opened again, the whole folder comes in, sorted by the pane's key.
key Return
wait_for 20 title_is "$LEFT/big" || fail "Enter did not open 'big' again"
wait_for 120 lists_all_big || fail "the pane lists $(left_rows) of the $COUNT files"
grep '^L	' "$DUMP" | sort -c || fail "the rows are not sorted once the read ended"
key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace after the read did not go up"

quit_corvane
echo "e2e: PASS"
