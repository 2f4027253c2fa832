#!/bin/sh
# End-to-end pane tools on the real window:
# - Grey+ with "*.txt" selects only the text files, and F5 then copies only
#   those into the other pane's folder (checked on disk);
# - Ctrl+G with a word selects the files that contain it;
# - Ctrl+B with "cp $N $R", then Execute, copies the selection into the
#   other pane's folder: the script runs in the terminal named by
#   $TERMINAL (here a stand-in that runs the command it is given);
# - F9 between a folder and its older copy selects the newer files on each
#   side.
# What is selected is read from the listing dump's "SL" / "SR" lines. The
# dialogs are left as e2e-tools-*.png.
#
#   tests/e2e/tools.sh <corvane executable> [output folder]
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/bin"
echo "the needle is here" >"$LEFT/alpha.txt"
echo "nothing to see" >"$LEFT/beta.txt"
echo "another needle" >"$LEFT/gamma.log"
echo "no" >"$LEFT/delta.md"

# The terminal stand-in: drops the run flag and runs the rest.
cat >"$WORK/bin/term" <<'TERM'
#!/bin/sh
shift
exec "$@" </dev/null
TERM
chmod +x "$WORK/bin/term"
export TERMINAL="$WORK/bin/term"

selected() { # selected <L|R> <names...>: exactly these rows are selected
    side=$1
    shift
    expected=$(for n in "$@"; do printf 'S%s\t%s\n' "$side" "$n"; done | sort)
    actual=$(grep "^S$side	" "$DUMP" | sort)
    [ "$expected" = "$actual" ]
}

start_program "$LEFT" "$RIGHT" "L	gamma.log"

# -- Grey+ "*.txt", then F5 -------------------------------------------------------
key KP_Add
sleep 1
xdotool type --delay 50 '*.txt'
screenshot "$OUT/e2e-tools-select.png"
key Return
wait_for 10 selected L alpha.txt beta.txt || fail "Grey+ *.txt selected: $(grep '^SL' "$DUMP" | tr '\n' ' ')"
key F5
sleep 1
key Return
wait_for 10 test -f "$RIGHT/alpha.txt" || fail "F5 did not copy alpha.txt"
wait_for 10 test -f "$RIGHT/beta.txt" || fail "F5 did not copy beta.txt"
sleep 1
[ ! -e "$RIGHT/gamma.log" ] && [ ! -e "$RIGHT/delta.md" ] || fail "F5 copied files that were not selected"

# -- Ctrl+G "needle" ------------------------------------------------------------------
key ctrl+g
sleep 1
xdotool type --delay 50 needle
screenshot "$OUT/e2e-tools-find.png"
key Return
wait_for 10 selected L alpha.txt gamma.log || fail "Ctrl+G selected: $(grep '^SL' "$DUMP" | tr '\n' ' ')"

# -- Ctrl+B "cp $N $R", Execute -------------------------------------------------------
key ctrl+b
sleep 1
xdotool type --delay 50 'cp $N $R'
key Return
sleep 1
screenshot "$OUT/e2e-tools-batch.png"
key alt+e
wait_for 10 test -f "$RIGHT/gamma.log" || fail "the batch script did not copy gamma.log"
[ "$(cat "$RIGHT/gamma.log")" = "another needle" ] || fail "the script's copy differs"
[ ! -e "$RIGHT/delta.md" ] || fail "the script copied a file that was not selected"
quit_corvane

# -- F9 between a folder and its older copy ------------------------------------------------
NEW="$WORK/new"
OLD="$WORK/old"
mkdir -p "$NEW" "$OLD"
for f in same.txt changed.txt newer-there.txt; do echo "$f" >"$NEW/$f"; echo "$f" >"$OLD/$f"; done
echo added >"$NEW/added.txt"
echo only-old >"$OLD/only-old.txt"
touch -d '2024-01-01 10:00:00' "$NEW/same.txt" "$OLD/same.txt" "$OLD/changed.txt" "$NEW/newer-there.txt"
touch -d '2024-03-01 10:00:00' "$NEW/changed.txt" "$OLD/newer-there.txt"
start_corvane "$NEW" "$OLD"
wait_for 15 has_line "$DUMP" "R	only-old.txt" || fail "the right pane does not list the old copy"
focus_window
key F9
wait_for 10 selected L added.txt changed.txt || fail "F9 selected on the left: $(grep '^SL' "$DUMP" | tr '\n' ' ')"
wait_for 10 selected R newer-there.txt only-old.txt || fail "F9 selected on the right: $(grep '^SR' "$DUMP" | tr '\n' ' ')"
screenshot "$OUT/e2e-tools-sync.png"
quit_corvane
echo "e2e: PASS"
