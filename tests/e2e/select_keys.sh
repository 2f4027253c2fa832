#!/bin/sh
# End-to-end: the keys that move the cursor select the row they land on.
#
#   tests/e2e/select_keys.sh <corvane executable> [output folder]
#
# The left folder opens with the focus on its first row and nothing
# selected; Home keeps the focus there and must select that row, so F5 then
# Enter copies the first file (and only it) into the right pane's folder.
# Then End selects the last row alone, which F5 copies as well. The window
# after Home is left as e2e-home-selects.png.
set -eu

. "$(dirname "$0")/lib.sh"

echo one >"$LEFT/alpha.txt"
echo two >"$LEFT/beta.txt"
echo three >"$LEFT/gamma.txt"

start_program "$LEFT" "$RIGHT" "L	gamma.txt"
sleep 1

key Home
sleep 0.5
screenshot "$OUT/e2e-home-selects.png"
key F5
sleep 1
key Return
wait_for 10 test -f "$RIGHT/alpha.txt" || fail "Home then F5 did not copy the first file"
[ "$(cat "$RIGHT/alpha.txt")" = one ] || fail "the copy does not hold the first file's bytes"
[ ! -e "$RIGHT/beta.txt" ] && [ ! -e "$RIGHT/gamma.txt" ] ||
    fail "Home then F5 copied more than the first file"

sleep 1
key End
sleep 0.5
key F5
sleep 1
key Return
wait_for 10 test -f "$RIGHT/gamma.txt" || fail "End then F5 did not copy the last file"
[ ! -e "$RIGHT/beta.txt" ] || fail "End then F5 copied a row End did not land on"

quit_corvane
echo "e2e: select_keys passed"
