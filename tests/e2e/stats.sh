#!/bin/sh
# End-to-end folder statistics on the real window: Ctrl+D on a folder opens
# the statistics window, whose tree shows the folder's total and its
# largest sub-folder first (read back through the window's own "Print",
# which writes the tree as the listing file); Enter on that sub-folder sends
# the pane there; Escape closes the window. The window is left as
# e2e-stats-*.png.
#
#   tests/e2e/stats.sh <corvane executable> [output folder]
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$LEFT/big/inner" "$LEFT/mid" "$LEFT/small" "$LEFT/empty"
export TMPDIR="$WORK/tmp"
mkdir -p "$TMPDIR"
LISTING="$TMPDIR/CvDirListing"
head -c 307200 /dev/zero >"$LEFT/big/a"
head -c 102400 /dev/zero >"$LEFT/big/inner/b"
head -c 51200 /dev/zero >"$LEFT/mid/c"
head -c 2048 /dev/zero >"$LEFT/small/d"
head -c 1536 /dev/zero >"$LEFT/own.txt"

stats_window() { window_id --name "^Folder Statistics \(Disk free space: "; }
has_stats_window() { stats_window | grep -q .; }
line_is() { [ "$(sed -n "$2p" "$1")" = "$3" ]; }

start_program "$LEFT" "$RIGHT" "L	own.txt"

key ctrl+d
wait_for 20 has_stats_window || fail "Ctrl+D opened no statistics window"
SWID=$(stats_window)
focus_window "$SWID"
sleep 0.5
# The largest sub-folder opened, the window as the user sees it.
key Down Right
sleep 0.5
screenshot "$OUT/e2e-stats-window.png"

# The tree as the window holds it: printed from its context menu.
key Menu
sleep 0.5
screenshot "$OUT/e2e-stats-menu.png"
key p
wait_for 20 test -s "$LISTING" || fail "Print wrote no listing"
TAB=$(printf '\t')
line_is "$LISTING" 1 '454kB "left": Sub-Folders=5, Files=5' ||
    fail "the root's line is '$(sed -n 1p "$LISTING")'"
line_is "$LISTING" 2 "$TAB"'400kB "big": Sub-Folders=1, Files=2' ||
    fail "the first sub-folder's line is '$(sed -n 2p "$LISTING")'"
line_is "$LISTING" 3 "$TAB$TAB"'100kB "inner": Sub-Folders=0, Files=1' ||
    fail "the largest sub-folder's own sub-folder reads '$(sed -n 3p "$LISTING")'"
tail -n 1 "$LISTING" | grep -qx "${TAB}2kB in 1 local file(s)" ||
    fail "the root's local files do not come last: '$(tail -n 1 "$LISTING")'"

# The listing opens in the editor, whose window takes the focus.
wait_for 20 has_window --name CvDirListing ||
    fail "the listing did not open in the editor"
sleep 1
screenshot "$OUT/e2e-stats-listing.png"

# Enter on the selected folder sends the pane there.
focus_window "$SWID"
sleep 0.5
key Return
wait_for 15 title_is "$LEFT/big" || fail "Enter did not browse: the title is '$(window_title)'"

key Escape
wait_for 10 no_window --name '^Folder Statistics' ||
    fail "Escape did not close the statistics window"

focus_window
quit_corvane
echo "e2e: stats passed"
