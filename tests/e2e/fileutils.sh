#!/bin/sh
# End-to-end new items, split and merge on the real window.
#
#   tests/e2e/fileutils.sh <corvane executable> [output folder]
#
# F7 opens a new file's name for editing: typing a name and Enter makes
# that file. F8 makes "New Folder". In the right pane, Actions > Split file
# with the offered size cuts a 10 MB file into chunks .0 to .6; selecting
# them and Actions > Merge files under the proposed name gives back the
# same bytes (cmp). Paste hard link onto an existing file asks the
# four-answer box, answered by a key while the operation runs. The merge
# prompt and the question are left as e2e-merge-prompt.png and
# e2e-hardlink-question.png.
set -eu

. "$(dirname "$0")/lib.sh"

same_inode() { [ "$(stat -c %d:%i "$1")" = "$(stat -c %d:%i "$2")" ]; }

echo keep >"$LEFT/existing.txt"
head -c 10000000 /dev/urandom >"$RIGHT/data.bin"

start_program "$LEFT" "$RIGHT" "L	existing.txt" "R	data.bin"

# F7: a new file, its name edited in place.
key F7
wait_for 10 test -f "$LEFT/New File.txt" || fail "F7 did not create 'New File.txt'"
sleep 1
key ctrl+a
xdotool type --delay 50 "typed name.txt"
key Return
wait_for 10 test -f "$LEFT/typed name.txt" || fail "typing a name after F7 did not name the file"
[ ! -e "$LEFT/New File.txt" ] || fail "the new file kept its default name"
wait_for 10 has_line "$DUMP" "L	typed name.txt" || fail "the pane does not list the named file"

# F8 right after the rename: a new folder; Escape keeps its default name.
key F8
wait_for 10 test -d "$LEFT/New Folder" || fail "F8 did not create 'New Folder'"
sleep 1
key Escape
wait_for 10 has_line "$DUMP" "L	New Folder" || fail "the pane does not list the new folder"

# Split in the right pane at the offered size (1,420 KiB): 7 chunks.
sleep 1
key Tab
wait_for 10 title_is "$RIGHT" || fail "Tab did not activate the right pane"
xdotool type --delay 50 data
sleep 0.5
key alt+i
sleep 0.5
key s
sleep 1
key Return
wait_for 20 test -f "$RIGHT/data.bin.6" || fail "split did not make chunk .6"
[ ! -e "$RIGHT/data.bin.7" ] || fail "split made a chunk too many"
[ "$(stat -c %s "$RIGHT/data.bin.0")" -eq 1454080 ] || fail "chunk .0 is not 1,454,080 bytes"
[ "$(stat -c %s "$RIGHT/data.bin.6")" -eq 1275520 ] || fail "chunk .6 is not the 1,275,520 left"
wait_for 10 has_line "$DUMP" "R	data.bin.6" || fail "the pane does not list the chunks"

# The original moves aside; then .0 to .6, sorted again (Ctrl+S), are
# selected from the first to the last row and merged under the proposed
# name, which is the split file's.
mv "$RIGHT/data.bin" "$WORK/original.bin"
wait_for 10 not_listed "R	data.bin" || fail "the pane still lists the moved file"
sleep 1
key ctrl+s
sleep 0.5
xdotool type --delay 50 data.bin.0
sleep 0.5
key shift+End
sleep 0.5
key alt+i
sleep 0.5
key m
sleep 1
screenshot "$OUT/e2e-merge-prompt.png"
key Return
wait_for 20 test -f "$RIGHT/data.bin" || fail "merge did not make 'data.bin' under the proposed name"
wait_for 10 cmp -s "$WORK/original.bin" "$RIGHT/data.bin" || fail "the merged file differs from the split one"

# Paste hard link: the left pane's file is copied to the clipboard; the
# right pane holds a file of that name, so the four-answer box asks, and
# Alt+A ("Yes to &all") answers it while the operation holds other input.
echo other >"$RIGHT/existing.txt"
wait_for 10 has_line "$DUMP" "R	existing.txt" || fail "the right pane does not list the new file"
sleep 1
key Tab
wait_for 10 title_is "$LEFT" || fail "Tab did not activate the left pane"
xdotool type --delay 50 existing
key ctrl+c
sleep 0.5
key Tab
wait_for 10 title_is "$RIGHT" || fail "Tab did not activate the right pane again"
key alt+i
sleep 0.5
key h
sleep 1.5
screenshot "$OUT/e2e-hardlink-question.png"
key alt+a
wait_for 10 same_inode "$LEFT/existing.txt" "$RIGHT/existing.txt" ||
    fail "paste hard link did not replace the right pane's file by a link"

quit_corvane
echo "e2e: fileutils passed"
