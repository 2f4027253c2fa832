#!/bin/sh
# End-to-end archives, trash and the item menu on the real program.
#
#   tests/e2e/archive.sh <corvane executable> [output folder]
#
# Enter on a tar.gz opens it as a folder in the pane, Enter on a folder of
# the archive goes in, Backspace leaves both again. Del moves a file to the
# trash of the temporary home, and the Trash pane, which follows the
# trash, lists it under its own name. The item menu (Shift+F10) offers "Open with" with
# an application of the temporary applications folder. Screenshots
# e2e-trash-pane.png and e2e-open-with.png are left for the eye.
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/pack/top/inner"
echo deep >"$WORK/pack/top/inner/deep.txt"
echo hello >"$WORK/pack/readme.txt"
tar -czf "$LEFT/pack.tar.gz" -C "$WORK/pack" top readme.txt
echo "some notes" >"$LEFT/notes.txt"
echo "old draft" >"$LEFT/draft.txt"

# An application for plain text, so "Open with" has something to offer.
mkdir -p "$XDG_DATA_HOME/applications"
cat >"$XDG_DATA_HOME/applications/corvane-e2e-reader.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=Plain Reader
Exec=true %f
MimeType=text/plain;
ENTRY

start_program "$LEFT" "::Trash" "L	pack.tar.gz"

# Type-ahead focuses the archive; Enter opens it like a folder.
xdotool type --delay 50 pack
key Return
wait_for 10 title_is "$LEFT/pack.tar.gz" || fail "Enter did not open the archive (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	top" || fail "the archive's folder 'top' is not listed"
has_line "$DUMP" "L	readme.txt" || fail "the archive's file 'readme.txt' is not listed"

xdotool type --delay 50 top
key Return
wait_for 10 title_is "$LEFT/pack.tar.gz/top" || fail "Enter did not open the archive's folder"
wait_for 10 has_line "$DUMP" "L	inner" || fail "'inner' is not listed inside the archive"

key BackSpace
wait_for 10 title_is "$LEFT/pack.tar.gz" || fail "Backspace did not go up inside the archive"
key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace did not leave the archive (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	draft.txt" || fail "the folder is not listed again"

# Del on draft.txt: asked, then in the trash of the temporary home.
xdotool type --delay 50 draft
key Delete
sleep 1
key Return
wait_for 10 test -f "$XDG_DATA_HOME/Trash/files/draft.txt" || fail "Del did not move draft.txt to the trash"
[ ! -e "$LEFT/draft.txt" ] || fail "draft.txt is still in its folder after Del"
grep -q "^Path=$LEFT/draft.txt$" "$XDG_DATA_HOME/Trash/info/draft.txt.trashinfo" ||
    fail "the trash info does not name the original place"

key Tab
wait_for 10 title_is "Trash" || fail "Tab did not activate the Trash pane (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "R	draft.txt" || fail "the Trash pane did not follow the trashing of draft.txt"
# Details view, so the original names come with size and date.
key alt+v
key p
key d
sleep 1
screenshot "$OUT/e2e-trash-pane.png"

# The item menu of notes.txt with its "Open with" submenu open.
key Tab
xdotool type --delay 50 notes
key shift+F10
sleep 1
key Down
key Down
key Right
sleep 1
screenshot "$OUT/e2e-open-with.png"
key Escape
key Escape
key Escape

quit_corvane
echo "e2e: PASS"
