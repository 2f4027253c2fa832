#!/bin/sh
# End-to-end icons: on a bare window manager (no desktop session, so Qt is
# told no icon theme) a picture, an archive, a text and an executable each
# show their own icon, not one blank page for all.
#
#   tests/e2e/icons.sh <corvane executable> [output folder]
#
# The window is captured on its own and the icon part of each row's first
# cell (placed by the listing dump's "LG" lines) is cut out and compared
# pixel by pixel. A screenshot of the display is left as e2e-icons.png.
set -eu

. "$(dirname "$0")/lib.sh"

command -v import >/dev/null 2>&1 || fail "ImageMagick's import is needed (scripts/setup.sh --e2e)"

mkdir -p "$LEFT/folder"
# A real PNG (1x1), a real gzip, a text and an executable script.
printf '\211PNG\r\n\032\n' >"$LEFT/photo.png"
echo text | gzip >"$LEFT/pack.tar.gz"
echo "some words" >"$LEFT/notes.txt"
printf '#!/bin/sh\necho hi\n' >"$LEFT/run-me"
chmod +x "$LEFT/run-me"

start_program "$LEFT" "$RIGHT" "L	notes.txt"
# A change from outside once the window is laid out rewrites the dump with
# the rows' final places.
echo late >"$LEFT/zz-late.txt"
wait_for 15 has_line "$DUMP" "L	zz-late.txt" || fail "the left pane did not pick up zz-late.txt"
sleep 0.5

import -display "$DISPLAY" -window "$WID" "$WORK/window.png" || fail "could not capture the window"

# icon_of <name> <file>: the square at the left of the row's first cell,
# which holds the icon and none of the name's text.
icon_of() {
    place=$(grep -F "LG	$1	" "$DUMP" | head -n 1 | cut -f 3)
    [ -n "$place" ] || fail "no place for the row of $1 in the dump"
    set -- "$2" $place
    side=$(($5 < 20 ? $5 : 20))
    convert "$WORK/window.png" -crop "${side}x${side}+$2+$3" +repage "$1"
}
differ() {
    n=$(compare -metric AE "$1" "$2" null: 2>&1 || true)
    [ "${n%% *}" != "0" ]
}
icon_of photo.png "$WORK/picture.png"
icon_of notes.txt "$WORK/text.png"
icon_of pack.tar.gz "$WORK/archive.png"
icon_of folder "$WORK/folder.png"
icon_of run-me "$WORK/exe.png"

differ "$WORK/picture.png" "$WORK/text.png" || fail "the picture's icon is the text file's"
differ "$WORK/archive.png" "$WORK/text.png" || fail "the archive's icon is the text file's"
differ "$WORK/exe.png" "$WORK/text.png" || fail "the executable's icon is the text file's"
differ "$WORK/folder.png" "$WORK/text.png" || fail "the folder's icon is the text file's"
colours=$(convert "$WORK/picture.png" -format %k info:)
[ "$colours" -gt 2 ] || fail "the picture's icon is blank ($colours colours)"

screenshot "$OUT/e2e-icons.png"
quit_corvane
echo "e2e: PASS"
