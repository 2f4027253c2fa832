#!/bin/sh
# End-to-end thumbnail bar: real key presses on the real program, checked by
# the thumbnail cache on disk and by the pixels on the screen.
#
#   tests/e2e/thumbs.sh <corvane executable> [output folder]
#
# Home focuses the first file of the left pane, a picture; Alt+P shows the
# thumbnail bar with its preview: the picture's colour is on the screen and
# its thumbnail is in the freedesktop cache under the MD5 of its URI, with
# its URI inside. Down to a text file clears the preview; Up brings the
# picture back from the cache. Alt+P hides the bar again.
# Screenshot: e2e-thumbs.png (the preview shown).
set -eu

. "$(dirname "$0")/lib.sh"

command -v convert >/dev/null 2>&1 || { echo "e2e: SKIP: ImageMagick is not installed"; exit 0; }

# A colour no part of the window has.
convert -size 480x320 "xc:#1fd27a" "$LEFT/a-picture.png"
echo "not a picture" >"$LEFT/b-notes.txt"
URI="file://$LEFT/a-picture.png"
MD5=$(printf '%s' "$URI" | md5sum | cut -d' ' -f1)
CACHED="$XDG_CACHE_HOME/thumbnails/large/$MD5.png"

# The share of the screen's pixels that have the picture's colour, in
# thousandths.
picture_share() { colour_share "#1fd27a"; }
preview_shown() { [ "$(picture_share)" -ge 10 ]; }
preview_gone() { [ "$(picture_share)" -lt 1 ]; }

start_program "$LEFT" "$RIGHT"

key Home
wait_for 10 has_line "$DUMP" "SL	a-picture.png" || fail "Home did not select the picture"
preview_gone || fail "the picture's colour is on the screen before Alt+P"

key alt+p
wait_for 15 test -s "$CACHED" || fail "no thumbnail was written to $CACHED"
wait_for 15 preview_shown || fail "Alt+P did not show the picture's preview"
screenshot "$OUT/e2e-thumbs.png"
identify -format '%[Thumb::URI]' "$CACHED" | grep -qxF "$URI" ||
    fail "the cached thumbnail does not carry the picture's URI"
identify -format '%w %h' "$CACHED" | grep -qx "256 170" ||
    fail "the cached thumbnail is $(identify -format '%w x %h' "$CACHED"), not 256 x 170"

# The focus moves to the text file: no preview.
focus_window
key Down
wait_for 10 has_line "$DUMP" "SL	b-notes.txt" || fail "Down did not select the text file"
wait_for 10 preview_gone || fail "the preview stayed on a text file"

# Back to the picture: its preview again, from the cache.
STAMP=$(stat -c %i "$CACHED")
key Up
wait_for 10 preview_shown || fail "the preview did not come back"
[ "$(stat -c %i "$CACHED")" = "$STAMP" ] || fail "the cached thumbnail was written again"

# Alt+P again hides the bar.
focus_window
key alt+p
wait_for 10 preview_gone || fail "a second Alt+P did not hide the thumbnail bar"

quit_corvane
grep -q "^SizeBar%20E80B=" "$SETTINGS" || fail "the thumbnail bar's size record was not written"
echo "e2e: PASS"
