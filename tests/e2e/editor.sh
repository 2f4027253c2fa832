#!/bin/sh
# End-to-end test of the internal viewer and editor on the real program:
#
#   tests/e2e/editor.sh <corvane executable> [output folder]
#
# F3 on a text file opens a window titled "name @ folder" whose first line
# is the file's (copied with Ctrl+C, which copies the caret's line, and read
# back from the clipboard); F4 there shows the hex dump (its first line
# copied the same way); Esc closes the viewer. F4 on the file opens it for
# editing; typed text and Ctrl+S write the file; Esc closes the editor.
# Screenshots of the viewer, the hex view and the editor are left in the
# output folder.
set -eu

. "$(dirname "$0")/lib.sh"

printf 'first line of notes\r\nsecond line\r\n' >"$LEFT/notes.txt"

start_program "$LEFT" "$RIGHT" "L	notes.txt"
xdotool type --delay 50 notes

EDITOR_TITLE="notes.txt @ $LEFT"
editor_window() { window_id --name "^$EDITOR_TITLE\$" | grep .; }
no_editor_window() { ! editor_window; }
clipboard_is() { [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ]; }
focus_editor() {
    EWID=$(editor_window) || fail "no window titled '$EDITOR_TITLE'"
    focus_window "$EWID"
}

# View.
key F3
wait_for 20 editor_window || fail "F3 did not open a window titled '$EDITOR_TITLE'"
focus_editor
key ctrl+c
wait_for 10 clipboard_is "first line of notes" ||
    fail "the viewer's first line is '$(xclip -selection clipboard -o 2>/dev/null)'"
screenshot "$OUT/e2e-editor-view.png"

# The hex view of the same file.
key F4
key ctrl+c
HEX="66 69 72 73  74 20 6C 69  6E 65 20 6F  66 20 6E 6F  first line of no"
wait_for 10 clipboard_is "$HEX" ||
    fail "F4 did not show the hex dump: '$(xclip -selection clipboard -o 2>/dev/null)'"
screenshot "$OUT/e2e-editor-hex.png"

key Escape
wait_for 10 no_editor_window || fail "Esc did not close the viewer"

# Edit.
focus_window
key F4
wait_for 20 editor_window || fail "F4 did not open the editor"
focus_editor
xdotool type --delay 50 "NEW "
key ctrl+s
wait_for 10 grep -q "^NEW first line of notes" "$LEFT/notes.txt" ||
    fail "Ctrl+S did not write the typed text: $(head -c 100 "$LEFT/notes.txt")"
# The rest of the file is as it was, line ends included.
[ "$(tail -c +5 "$LEFT/notes.txt" | od -An -c | tr -d ' \n')" = \
    "firstlineofnotes\r\nsecondline\r\n" ] || fail "the saved file changed beyond the typed text"
screenshot "$OUT/e2e-editor-edit.png"
key Escape
wait_for 10 no_editor_window || fail "Esc did not close the editor"

focus_window
quit_corvane
echo "e2e: PASS"
