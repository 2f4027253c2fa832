#!/bin/sh
# End-to-end copy, move and delete between the panes, and the clipboard
# with another X client.
#
#   tests/e2e/transfer.sh <corvane executable> [output folder]
#
# F5 then Enter copies the selected file into the other pane's folder; F6
# then Enter moves one; Del then Enter moves one to the trash; Shift+Del
# then Alt+Y (its question defaults to No) deletes one for good: each checked on disk. After Ctrl+X,
# xclip reads "cut" and the file's URI from x-special/gnome-copied-files;
# a text/uri-list that xclip owns pastes into a pane as a copy, and an
# x-special/gnome-copied-files cut that xclip owns pastes as a move. The target
# folder dialog is left as e2e-copy-dialog.png.
set -eu

. "$(dirname "$0")/lib.sh"

XCLIP_PID=""
stop_xclip() { [ -z "$XCLIP_PID" ] || kill "$XCLIP_PID" 2>/dev/null || true; }
trap 'stop_xclip; cleanup' EXIT INT TERM

mkdir -p "$WORK/elsewhere"
echo alpha >"$LEFT/copy me.txt"
echo beta >"$LEFT/move-me.txt"
echo gamma >"$LEFT/trash-me.txt"
echo delta >"$LEFT/wipe-me.txt"
echo epsilon >"$LEFT/cut-me.txt"
echo zeta >"$WORK/elsewhere/from-xclip.txt"
echo eta >"$WORK/elsewhere/cut-elsewhere.txt"

start_program "$LEFT" "$RIGHT" "L	wipe-me.txt"


xdotool type --delay 50 copy
key F5
sleep 1
screenshot "$OUT/e2e-copy-dialog.png"
key Return
wait_for 10 test -f "$RIGHT/copy me.txt" || fail "F5 did not copy 'copy me.txt' into the other pane's folder"
[ "$(cat "$RIGHT/copy me.txt")" = alpha ] || fail "the copy does not hold the source's bytes"
[ -f "$LEFT/copy me.txt" ] || fail "the copy removed its source"

sleep 1
xdotool type --delay 50 move
key F6
sleep 1
key Return
wait_for 10 test -f "$RIGHT/move-me.txt" || fail "F6 did not move 'move-me.txt'"
wait_for 10 test ! -e "$LEFT/move-me.txt" || fail "F6 left its source in place"
[ "$(cat "$RIGHT/move-me.txt")" = beta ] || fail "the moved file changed"

sleep 1
xdotool type --delay 50 trash
key Delete
sleep 1
key Return
wait_for 10 test -f "$XDG_DATA_HOME/Trash/files/trash-me.txt" || fail "Del did not move 'trash-me.txt' to the trash"
[ ! -e "$LEFT/trash-me.txt" ] || fail "Del left 'trash-me.txt' in its folder"

sleep 1
xdotool type --delay 50 wipe
key shift+Delete
sleep 1
# The permanent delete defaults to No: the user must say Yes.
key alt+y
wait_for 10 test ! -e "$LEFT/wipe-me.txt" || fail "Shift+Del did not delete 'wipe-me.txt'"
[ ! -e "$XDG_DATA_HOME/Trash/files/wipe-me.txt" ] || fail "Shift+Del put the file in the trash"

# Ctrl+X: another program reads a cut of the file's URI.
sleep 1
xdotool type --delay 50 cut
key ctrl+x
sleep 1
GNOME=$(xclip -o -selection clipboard -t x-special/gnome-copied-files) ||
    fail "the clipboard offers no x-special/gnome-copied-files"
[ "$GNOME" = "cut
file://$LEFT/cut-me.txt" ] || fail "x-special/gnome-copied-files reads '$GNOME'"
URIS=$(xclip -o -selection clipboard -t text/uri-list | tr -d "\r") || fail "the clipboard offers no text/uri-list"
[ "$URIS" = "file://$LEFT/cut-me.txt" ] || fail "text/uri-list reads '$URIS'"

# A plain URI list from xclip pastes as a copy into the right pane.
printf 'file://%s\r\n' "$WORK/elsewhere/from-xclip.txt" |
    xclip -quiet -selection clipboard -t text/uri-list -i >/dev/null 2>&1 &
XCLIP_PID=$!
sleep 1
key Tab
wait_for 10 title_is "$RIGHT" || fail "Tab did not activate the right pane"
key ctrl+v
wait_for 10 test -f "$RIGHT/from-xclip.txt" || fail "Ctrl+V did not paste the URI list from xclip"
[ -f "$WORK/elsewhere/from-xclip.txt" ] || fail "pasting a plain URI list moved the file"
[ -f "$LEFT/cut-me.txt" ] || fail "the file cut earlier was moved by an unrelated paste"
stop_xclip

# What another file manager cuts pastes here as a move.
printf 'cut\nfile://%s' "$WORK/elsewhere/cut-elsewhere.txt" |
    xclip -quiet -selection clipboard -t x-special/gnome-copied-files -i >/dev/null 2>&1 &
XCLIP_PID=$!
sleep 1
key ctrl+v
wait_for 10 test -f "$RIGHT/cut-elsewhere.txt" || fail "Ctrl+V did not paste another program's cut"
wait_for 10 test ! -e "$WORK/elsewhere/cut-elsewhere.txt" || fail "another program's cut pasted as a copy"
[ "$(cat "$RIGHT/cut-elsewhere.txt")" = eta ] || fail "the file moved by the paste changed"
stop_xclip
XCLIP_PID=""

quit_corvane
echo "e2e: PASS"
