#!/bin/sh
# End-to-end commander tools on the real window, by their keys:
# - Alt+F5 packs the selection into a tar.gz in the other pane's folder,
#   which bsdtar lists;
# - Ctrl+F2 renames the selection by a mask;
# - Shift+F9 lists what differs between the two folders and Synchronize
#   copies each item to the side that lacks it.
# The dialogs are left as e2e-commander-*.png.
#
#   tests/e2e/commander_tools.sh <corvane executable> [output folder]
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$LEFT/docs"
echo "first" >"$LEFT/docs/first.txt"
echo "alpha" >"$LEFT/alpha.txt"
echo "beta" >"$LEFT/beta.txt"

window_named() { has_window --name "^$1\$"; }
gone() { no_window --name "^$1\$"; }

start_program "$LEFT" "$RIGHT" "L	beta.txt"

# -- Alt+F5: pack everything ------------------------------------------------------------
key ctrl+a
key alt+F5
wait_for 10 window_named Pack || fail "Alt+F5 opened no Pack dialog"
screenshot "$OUT/e2e-commander-pack.png"
key Return
wait_for 20 test -f "$RIGHT/left.tar.gz" || fail "no archive arrived: $(ls -A "$RIGHT")"
wait_for 10 has_line "$DUMP" "R	left.tar.gz" || fail "the right pane does not list the archive"
if command -v bsdtar >/dev/null 2>&1; then
    listed=$(bsdtar -tf "$RIGHT/left.tar.gz" | sort | tr '\n' ' ')
    [ "$listed" = "alpha.txt beta.txt docs/ docs/first.txt " ] || fail "bsdtar lists: $listed"
fi
[ -z "$(ls -A "$RIGHT" | grep -v '^left.tar.gz$')" ] || fail "something beside the archive: $(ls -A "$RIGHT")"

# -- Ctrl+F2: rename the selection ------------------------------------------------------
focus_window
key ctrl+a
key ctrl+F2
wait_for 10 window_named Multi-rename || fail "Ctrl+F2 opened no Multi-rename dialog"
# The name mask has the focus, its text selected.
xdotool type --delay 50 '[N]_new'
screenshot "$OUT/e2e-commander-rename.png"
key alt+r
wait_for 10 test -f "$LEFT/alpha_new.txt" || fail "Ctrl+F2 did not rename alpha.txt: $(ls -A "$LEFT")"
wait_for 10 test -f "$LEFT/beta_new.txt" || fail "Ctrl+F2 did not rename beta.txt"
wait_for 10 test -d "$LEFT/docs_new" || fail "Ctrl+F2 did not rename docs"
key Escape
wait_for 10 gone Multi-rename || fail "Escape did not close the rename dialog"

# -- Shift+F9: synchronize the two folders ----------------------------------------------
focus_window
key shift+F9
wait_for 10 window_named "Synchronize folders" || fail "Shift+F9 opened no Synchronize window"
sleep 1
screenshot "$OUT/e2e-commander-sync.png"
key alt+s
wait_for 20 test -f "$RIGHT/docs_new/first.txt" || fail "the folder was not copied right: $(ls -A "$RIGHT")"
wait_for 10 test -f "$RIGHT/alpha_new.txt" || fail "alpha_new.txt was not copied right"
wait_for 10 test -f "$LEFT/left.tar.gz" || fail "the archive was not copied left"
cmp -s "$LEFT/left.tar.gz" "$RIGHT/left.tar.gz" || fail "the copied archive differs"
key Escape
wait_for 10 gone "Synchronize folders" || fail "Escape did not close the Synchronize window"
quit_corvane
echo "e2e: PASS"
