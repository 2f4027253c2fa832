#!/bin/sh
# End-to-end keys of the commander loop on the real window: the hidden pane,
# rename in place, bookmarks and layouts from their menus.
#
#   tests/e2e/commander_keys.sh <corvane executable> [output folder]
#
# Ctrl+O gives the left pane the window; Tab then keeps the keys in it (a
# Down moves its cursor) and Ctrl+O again brings the right pane back, which
# Tab then reaches. F2 on a folder, a new name and Return rename it: the
# pane stays where it was, the row keeps the focus under its new name, and
# the Down pressed right after moves the cursor. F2 on a file and Return
# rename it and open nothing. From the Bookmarks menu the first unset slot's
# entry sets it (the Ctrl+O pressed right after the notice still works, as
# after Ctrl+Shift+1), and Ctrl+0 comes back to it. View > Layouts > Store
# in a free slot asks the name and stores layout 1, written at exit; the
# Ctrl+O pressed as the name box closes works.
# Screenshots: e2e-rename-editing.png (the editor with the new name, before
# Return) and e2e-rename-done.png (after it).
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$LEFT/folder"
echo inside >"$LEFT/folder/inside.txt"
for name in file.txt more.txt zlast.txt; do echo "$name" >"$LEFT/$name"; done
echo right >"$RIGHT/right.txt"

focused_left() { has_line "$DUMP" "FL	$1"; }
keys_in() { has_line "$DUMP" "K	$1"; }
right_hidden() { has_line "$DUMP" "WR	0"; }
right_shown() { grep -q "^WR	[1-9]" "$DUMP"; }
input_box() { active_title | grep -qF "Layout name ?"; }

start_program "$LEFT" "$RIGHT" "L	zlast.txt" "R	right.txt"
wait_for 10 keys_in L || fail "the left pane does not have the keys at start"
key Home
wait_for 10 focused_left folder || fail "Home did not focus the folder"

# One pane; Tab stays in it; the next key is the shown pane's.
key ctrl+o
wait_for 10 right_hidden || fail "Ctrl+O did not give the left pane the window"
key Tab
key Down
wait_for 10 focused_left file.txt || fail "after Tab the Down did not move the left pane's cursor"
keys_in L || fail "Tab sent the keys into the hidden pane"
key ctrl+o
wait_for 10 right_shown || fail "a second Ctrl+O did not bring the right pane back"
key Tab
wait_for 10 keys_in R || fail "Tab did not reach the right pane once it was shown"
key Tab
wait_for 10 keys_in L || fail "Tab did not come back to the left pane"

# Rename a folder in place.
key Home
wait_for 10 focused_left folder || fail "Home did not focus the folder"
key F2
wait_for 10 keys_in LE || fail "F2 did not open the label editor"
key ctrl+a
xdotool type --delay 40 "renamed folder"
sleep 0.5
screenshot "$OUT/e2e-rename-editing.png"
key Return Down
wait_for 10 test -d "$LEFT/renamed folder" || fail "Return did not rename the folder"
[ ! -e "$LEFT/folder" ] || fail "the folder kept its old name"
title_is "$LEFT" || fail "Return entered the folder (title: $(window_title))"
wait_for 10 focused_left file.txt ||
    fail "the Down pressed right after the rename was lost ($(grep '^FL' "$DUMP"))"
keys_in L || fail "the keys left the left pane after the rename"
key Up
wait_for 10 focused_left "renamed folder" || fail "the renamed row is not where the focus was"
screenshot "$OUT/e2e-rename-done.png"

# Rename a file in place: Return renames and opens nothing.
key Down
wait_for 10 focused_left file.txt || fail "Down did not focus the file"
key F2
wait_for 10 keys_in LE || fail "F2 on the file did not open the label editor"
key ctrl+a
xdotool type --delay 40 "renamed.txt"
key Return
wait_for 10 test -f "$LEFT/renamed.txt" || fail "Return did not rename the file"
wait_for 10 focused_left renamed.txt || fail "the file's row does not keep the focus"
sleep 1
is_active || fail "something opened in a window of its own after the file's rename"
keys_in L || fail "the keys left the left pane after the file's rename"

# Bookmarks menu: the first slot's entry sets it; Ctrl+O at once after it.
key alt+b
sleep 0.5
key Return ctrl+o
wait_for 10 right_hidden || fail "Ctrl+O right after setting the bookmark was lost"
key ctrl+o
wait_for 10 right_shown || fail "Ctrl+O did not bring the right pane back"
# The key of a bookmark, and Ctrl+O at once after its notice.
key ctrl+shift+1 ctrl+o
wait_for 10 right_hidden || fail "Ctrl+O right after Ctrl+Shift+1 was lost"
key ctrl+o
wait_for 10 right_shown || fail "Ctrl+O did not bring the right pane back"
key Home
key Return
wait_for 10 title_is "$LEFT/renamed folder" || fail "Return did not enter the renamed folder"
key ctrl+0
wait_for 10 title_is "$LEFT" || fail "Ctrl+0 did not go to the bookmark set from the menu"

# Layouts menu: the first free slot, by name.
key alt+v
sleep 0.3
key l
sleep 0.3
key s
wait_for 10 input_box || fail "Store in a free slot did not ask the layout's name"
key ctrl+a
xdotool type --delay 40 "from the menu"
key Return ctrl+o
wait_for 10 is_active || fail "the main window did not come back after the name"
wait_for 10 right_hidden || fail "Ctrl+O right after the name box closed was lost"
key ctrl+o
wait_for 10 right_shown || fail "Ctrl+O did not bring the right pane back"

quit_corvane
grep -qF "[Layout%201]" "$SETTINGS" || fail "layout 1 was not written at exit"
sed -n '/^\[BookMarks\]/,/^\[/p' "$SETTINGS" | grep -qxF "0=$LEFT" ||
    fail "the bookmark set from the menu was not written at exit"
echo "e2e: commander_keys passed"
