#!/bin/sh
# End-to-end folder tree: Ctrl+T shows the tree with the active pane's
# folder selected; a click on another folder in it (a sibling of the pane's
# folder, shown since the walk expanded their parent) opens that folder in
# the active pane (checked by the window title); Ctrl+T hides it again.
#
#   tests/e2e/tree.sh <corvane executable> [output folder]
#
# Screenshots: e2e-tree-shown.png (the tree beside the panes, the active
# folder selected) and e2e-tree-clicked.png (after the click).
set -eu

. "$(dirname "$0")/lib.sh"

BESIDE="$WORK/beside"
mkdir -p "$LEFT/alpha/inner" "$LEFT/gamma" "$BESIDE/deeper"
echo one >"$LEFT/alpha/note.txt"
echo two >"$BESIDE/second.txt"

start_program "$LEFT" "$RIGHT" "L	alpha"
title_is "$LEFT" || fail "title '$(window_title)' does not name the left folder"

# Ctrl+T: the tree shows, walked to the left pane's folder.
key ctrl+t
wait_for 20 has_line "$DUMP" "T	$LEFT" || fail "Ctrl+T did not show the tree on '$LEFT' ($(grep -E '^TG?	' "$DUMP" || true))"
wait_for 10 grep -q "^TG	beside	" "$DUMP" || fail "the tree does not show 'beside'"
sleep 0.5
screenshot "$OUT/e2e-tree-shown.png"

# A click on 'beside' in the tree opens it in the active pane.
set -- $(grep "^TG	beside	" "$DUMP" | head -n 1 | cut -f3)
X=$(($1 + 20))
Y=$(($2 + $4 / 2))
xdotool mousemove --window "$WID" "$X" "$Y" click 1
wait_for 10 title_is "$BESIDE" || fail "a click on 'beside' did not open it (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	second.txt" || fail "the pane does not list the file of 'beside'"
wait_for 10 has_line "$DUMP" "T	$BESIDE" || fail "the tree did not keep 'beside' selected"
sleep 0.5
screenshot "$OUT/e2e-tree-clicked.png"

# Ctrl+T again hides it.
key ctrl+t
wait_for 10 sh -c "! grep -qE '^TG?	' '$DUMP'" || fail "Ctrl+T did not hide the tree"

quit_corvane
echo "e2e: PASS"
