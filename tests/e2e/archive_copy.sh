#!/bin/sh
# End-to-end copying out of an archive on the real program.
#
#   tests/e2e/archive_copy.sh <corvane executable> [output folder]
#
# Enter on a tar.gz opens it in the left pane; the folder "src" of the
# archive is focused by typing its name and copied with F5 into the right
# pane's folder. It must arrive whole - every file of its sub-tree with its
# bytes, the entries' modification times and an executable's mode - and no
# private extraction folder may stay behind. A screenshot e2e-archive-copy.png
# is left for the eye.
set -eu

. "$(dirname "$0")/lib.sh"

mkdir -p "$WORK/pack/src/lib" "$WORK/tmp"
export TMPDIR="$WORK/tmp"
printf 'int main(void) { return 0; }\n' >"$WORK/pack/src/main.c"
printf 'void util(void) {}\n' >"$WORK/pack/src/lib/util.c"
printf '#!/bin/sh\necho built\n' >"$WORK/pack/src/build.sh"
chmod 755 "$WORK/pack/src/build.sh"
echo top >"$WORK/pack/readme.txt"
touch -d @1400000002 "$WORK/pack/src/main.c"
touch -d @1400000003 "$WORK/pack/src/lib/util.c"
touch -d @1400000004 "$WORK/pack/src/build.sh"
touch -d @1400000005 "$WORK/pack/src/lib"
touch -d @1400000001 "$WORK/pack/src"
tar -czf "$LEFT/pack.tar.gz" -C "$WORK/pack" src readme.txt

start_program "$LEFT" "$RIGHT" "L	pack.tar.gz"

xdotool type --delay 50 pack
key Return
wait_for 10 title_is "$LEFT/pack.tar.gz" || fail "Enter did not open the archive (title '$(window_title)')"
wait_for 10 has_line "$DUMP" "L	src" || fail "the archive's folder 'src' is not listed"

sleep 1
xdotool type --delay 50 src
key F5
sleep 1
key Return
wait_for 15 test -f "$RIGHT/src/lib/util.c" || fail "F5 did not copy the folder 'src' out of the archive whole"
wait_for 5 test -f "$RIGHT/src/build.sh" || fail "'src/build.sh' did not arrive"
[ "$(cat "$RIGHT/src/main.c")" = "int main(void) { return 0; }" ] || fail "main.c does not hold the entry's bytes"
[ "$(cat "$RIGHT/src/lib/util.c")" = "void util(void) {}" ] || fail "util.c does not hold the entry's bytes"
[ "$(stat -c %Y "$RIGHT/src/main.c")" = 1400000002 ] || fail "main.c has not the entry's time ($(stat -c %Y "$RIGHT/src/main.c"))"
[ "$(stat -c %Y "$RIGHT/src/lib/util.c")" = 1400000003 ] || fail "util.c has not the entry's time"
[ "$(stat -c %Y "$RIGHT/src/lib")" = 1400000005 ] || fail "the folder lib has not the entry's time"
[ "$(stat -c %Y "$RIGHT/src")" = 1400000001 ] || fail "the folder src has not the entry's time"
[ -x "$RIGHT/src/build.sh" ] || fail "build.sh lost its executable mode"
[ ! -e "$RIGHT/readme.txt" ] || fail "an item that was not selected was copied"
[ -z "$(ls -A "$WORK/tmp" | grep CvExtract_ || true)" ] || fail "the private extraction folder stayed behind"

key Tab
wait_for 10 title_is "$RIGHT" || fail "Tab did not activate the right pane"
wait_for 10 has_line "$DUMP" "R	src" || fail "the right pane does not list the copied folder"
screenshot "$OUT/e2e-archive-copy.png"

quit_corvane
echo "e2e: PASS"
