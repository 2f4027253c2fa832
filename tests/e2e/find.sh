#!/bin/sh
# End-to-end find files: real keys on the real program.
#
#   tests/e2e/find.sh <corvane executable> [output folder]
#
# Ctrl+F opens "Find files or folders" on the left pane's folder; typing
# "report" and Enter opens the results window, which must list exactly what
# `find -iname '*report*' ! -iname old` lists (the named text is padded to
# *report* and matched case-blind; the rows are read back through Ctrl+A,
# Ctrl+C). Home and Enter on the first result browse the left pane to that
# result's folder with the result selected. Screenshots: find-dialog.png and
# find-results.png (the results in the details view, chosen in the popup).
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$LEFT/alpha" "$LEFT/beta/gamma" "$LEFT/reports"
echo one >"$LEFT/alpha/Report-1.txt"
echo two >"$LEFT/beta/gamma/annual-report.md"
echo three >"$LEFT/beta/old"
echo four >"$LEFT/beta/notes.txt"
echo five >"$LEFT/beta/gamma/report"

start_program "$LEFT" "$RIGHT" "L	alpha"

dialog_open() { has_window --name "^Find files or folders$"; }
results_window() { window_id --name "^Find results in $LEFT\$"; }
results_open() { results_window | grep -q .; }

key ctrl+f
wait_for 15 dialog_open || fail "Ctrl+F did not open the find dialog"
sleep 0.5
xdotool type --delay 50 "report"
sleep 0.3
screenshot "$OUT/find-dialog.png"
key Return
wait_for 30 results_open || fail "no results window titled 'Find results in $LEFT'"
RWID=$(results_window)
focus_window "$RWID"

# The rows, read back through the clipboard, against find.
key ctrl+a
key ctrl+c
sleep 0.5
xclip -o -selection clipboard -t text/plain 2>/dev/null | grep . | sort >"$WORK/found" ||
    fail "the clipboard holds no results"
find "$LEFT" -mindepth 1 -iname '*report*' ! -iname old | sort >"$WORK/expected"
diff "$WORK/expected" "$WORK/found" >"$WORK/diff" || {
    cat "$WORK/diff" >&2
    fail "the results window does not list what find lists"
}
# The popup "findRMB" from the keyboard: View, Details shows the folders.
key shift+F10
sleep 0.5
key w
sleep 0.3
key d
sleep 0.8
screenshot "$OUT/find-results.png"

# Home selects the first row alone; Enter browses the active pane to its
# folder, where the result is selected (the first row may be the folder
# "reports", which is then selected in its parent).
key Home
sleep 0.3
key Return
browsed() {
    FOLDER=$(window_title | sed "s|^Corvane K3 - ||")
    grep '^SL	' "$DUMP" | cut -f2 | while read -r name; do
        grep -qxF "$FOLDER/$name" "$WORK/expected" && echo yes
    done | grep -q yes
}
wait_for 15 browsed || fail "Enter did not browse the pane to a result (title '$(window_title)')"

WID=$(xdotool search --name "Corvane K3" | head -n 1)
focus_window
quit_corvane
echo "e2e: PASS"
