#!/bin/sh
# End-to-end file operations in the background, on a 4 GB file.
#
#   tests/e2e/background_copy.sh <corvane executable> [output folder]
#
# F5 then Enter starts the copy of a 4 GB file; while it runs (its temporary
# file in the right folder, its real name not there yet):
#   - the main window keeps the keyboard, and a second F5 copies a small
#     file at once, beside the big one;
#   - the status bar counts the operations (through the listing dump);
#   - Backspace takes the left pane to the parent folder and the title
#     shows it;
#   - Pause (Alt+P) in the copy's own window holds it (its temporary file
#     stops growing); Escape there asks, Yes cancels: no partial target, no
#     temporary file, the source intact.
# A second copy of the big file: closing the main window through the window
# manager (Alt+F4) asks, No keeps the program and the copy going; Alt+X asks
# again, Yes cancels the copy, waits for it and ends the program with 0,
# leaving no partial target. The question is left as
# e2e-background-close.png, the running copy as e2e-background-copy.png.
set -eu

# The 4 GB go to memory when there is room: a disk shared with other work
# makes both the set-up and the copy too slow for a test.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    TMPDIR=/dev/shm
    export TMPDIR
fi
. "$(dirname "$0")/lib.sh"

# Real bytes, not a hole: a sparse file would copy at once.
yes "Corvane background copy, line of a pattern 0123456789" | head -c 4G >"$LEFT/big.bin"
printf 'small file\n' >"$LEFT/small.txt"
BIG_SIZE=$(stat -c %s "$LEFT/big.bin")
[ "$BIG_SIZE" -eq 4294967296 ] || fail "the 4 GB source was not made ($BIG_SIZE bytes)"

partial() { ls -A "$RIGHT" | grep -q '^\.corvane-.*\.part$'; }
no_partial() { ! partial; }
copy_window() { window_id --onlyvisible --name "^Copying$"; }
copy_shown() { copy_window | grep -q .; }
question_up() { has_window --onlyvisible --name "^$1\$"; }
operations_shown() { grep -qxF "OPS	$1" "$DUMP"; }
part_size() { stat -c %s "$RIGHT"/.corvane-*.part 2>/dev/null | head -n 1; }
# The temporary file stops growing: the copy is held.
part_still() {
    before=$(part_size)
    sleep 0.3
    [ -n "$before" ] && [ "$before" = "$(part_size)" ]
}
# Pause (Alt+P) in the copy's own window; the copy stops where it is.
pause_copy() {
    wait_for 10 copy_shown || fail "the copy has no progress window"
    CWID=$(copy_window)
    focus_window "$CWID"
    key alt+p
    wait_for 10 part_still || fail "Pause did not hold the copy"
}
# A question titled like the copy's window has the keyboard.
asked_over_copy() { [ "$(active_title)" = Copying ] && ! is_active "$CWID"; }
question_gone() { no_window --name "^$1\$"; }

start_program "$LEFT" "$RIGHT" "L	small.txt"

# The big copy starts and runs in the background.
xdotool type --delay 50 big
key F5
sleep 1
key Return
wait_for 10 partial || fail "F5 did not start copying big.bin"
[ ! -e "$RIGHT/big.bin" ] || fail "the copy appeared under its real name before it was complete"
wait_for 5 is_active || fail "the main window lost the keyboard to the copy"

# A second F5 while the first runs: the small file is copied at once.
xdotool type --delay 50 small
key F5
sleep 1
key Return
wait_for 10 test -f "$RIGHT/small.txt" || fail "a second F5 during the copy did not copy small.txt"
[ "$(cat "$RIGHT/small.txt")" = "small file" ] || fail "the second copy does not hold its source's bytes"
partial || fail "the big copy ended before the second F5 was checked: the file copies too fast"
wait_for 10 operations_shown "1 operation running" || fail "the status bar does not count the running copy"

# Backspace goes to the parent folder while the copy goes on.
key BackSpace
wait_for 10 title_is "$WORK" || fail "Backspace during the copy did not show the parent folder in the title ($(window_title))"
partial || fail "the copy ended before Backspace was checked"
[ ! -e "$RIGHT/big.bin" ] || fail "the copy ended before Backspace was checked"
screenshot "$OUT/e2e-background-copy.png"

# Pause, then Cancel, from the copy's own window: Escape asks first.
pause_copy
key Escape
wait_for 10 asked_over_copy ||
    fail "Escape in the progress window did not ask whether to cancel"
key alt+y
wait_for 20 no_partial || fail "Cancel left the temporary file in the target"
[ ! -e "$RIGHT/big.bin" ] || fail "Cancel left a partial target under the real name"
[ "$(stat -c %s "$LEFT/big.bin")" -eq 4294967296 ] || fail "Cancel changed the source"
wait_for 10 operations_shown "" || fail "the status bar still counts the cancelled copy"

# Back into the left folder for the second copy of the big file.
focus_window
wait_for 10 has_line "$DUMP" "L	left" || fail "the parent folder does not list 'left'"
xdotool type --delay 50 left
key Return
wait_for 10 title_is "$LEFT" || fail "Return did not open the left folder again"
xdotool type --delay 50 big
key F5
sleep 1
key Return
wait_for 10 partial || fail "the second F5 on big.bin did not start"

# Alt+F4 through the window manager asks; No keeps everything going.
focus_window
key alt+F4
wait_for 10 question_up "Corvane file operations" || fail "Alt+F4 during a copy closed without asking"
screenshot "$OUT/e2e-background-close.png"
key Return
wait_for 10 question_gone "Corvane file operations" || fail "the close question did not go away on No"
kill -0 "$APP_PID" 2>/dev/null || fail "No to the close question ended the program"
partial || fail "No to the close question stopped the copy"

# Alt+X (Files > Exit) asks too; Yes cancels, waits for the copy to stop
# cleanly and ends the program.
focus_window
key alt+x
wait_for 10 question_up "Corvane file operations" || fail "Alt+X during a copy closed without asking"
key alt+y
ended_well 30 "Yes to the close question did not end the program"
no_partial || fail "closing during the copy left its temporary file"
[ ! -e "$RIGHT/big.bin" ] || fail "closing during the copy left a partial target"
[ "$(stat -c %s "$LEFT/big.bin")" -eq 4294967296 ] || fail "closing during the copy changed the source"
echo "e2e: PASS"
