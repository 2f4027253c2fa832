#!/bin/sh
# End-to-end tabs: real keys and a real mouse drag on the real program.
#
#   tests/e2e/tabs.sh <corvane executable> [output folder]
#
# Three tabs in the left pane (Alt+N), each sent to its own folder with the
# pane's keys; Alt+2 and Ctrl+W close the middle one. A file of the right
# pane dragged with the mouse onto the tab that is not shown arrives in
# that tab's folder, and the tab lists it when it is shown. At exit the tabs
# are in the settings; in the next run (no folders on the command line)
# they come back, and the one whose folder was removed meanwhile shows the
# nearest folder left, with a notice.
# Screenshot: e2e-tabs.png (the second run, two tabs).
set -eu

. "$(dirname "$0")/lib.sh"

LEFT="$WORK/left"
RIGHT="$WORK/right"
mkdir -p "$LEFT/alpha" "$LEFT/beta" "$LEFT/gamma/deep" "$RIGHT"
printf 'payload\n' >"$RIGHT/dragged.txt"

tab_line() { has_line "$DUMP" "TL	$1	$2"; }
tab_count() { [ "$(grep -c '^TL	' "$DUMP")" -eq "$1" ]; }
# enter <name>: type-ahead to the folder, then Return opens it.
enter() {
    key "$(printf '%s' "$1" | cut -c1)"
    wait_for 10 has_line "$DUMP" "FL	$1" || fail "type-ahead did not reach '$1'"
    key Return
}

start_display
start_corvane "$LEFT" "$RIGHT"
focus_window
wait_for 20 has_line "$DUMP" "L	alpha" || fail "the left pane did not list its folders"

# Tab 1 goes into alpha.
enter alpha
wait_for 10 title_is "$LEFT/alpha" || fail "Return did not open alpha ('$(window_title)')"
# Tab 2, on alpha too at first, goes up and into beta.
key alt+n
wait_for 10 tab_count 2 || fail "Alt+N did not open a second tab"
key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace did not go up in the second tab"
enter beta
wait_for 10 title_is "$LEFT/beta" || fail "the second tab did not open beta"
# Tab 3 goes to gamma/deep.
key alt+n
wait_for 10 tab_count 3 || fail "Alt+N did not open a third tab"
key BackSpace
wait_for 10 title_is "$LEFT" || fail "Backspace did not go up in the third tab"
enter gamma
wait_for 10 title_is "$LEFT/gamma" || fail "the third tab did not open gamma"
enter deep
wait_for 10 title_is "$LEFT/gamma/deep" || fail "the third tab did not open deep"
wait_for 10 tab_line - "$LEFT/alpha" || fail "tab 1 is not on alpha: $(grep '^TL' "$DUMP")"
wait_for 10 tab_line - "$LEFT/beta" || fail "tab 2 is not on beta: $(grep '^TL' "$DUMP")"
wait_for 10 tab_line '*' "$LEFT/gamma/deep" || fail "tab 3 is not on deep: $(grep '^TL' "$DUMP")"

# Each tab kept its own folder: Alt+1 shows alpha again, without reading.
key alt+1
wait_for 10 title_is "$LEFT/alpha" || fail "Alt+1 did not show the first tab"
# The middle one closes.
key alt+2
wait_for 10 title_is "$LEFT/beta" || fail "Alt+2 did not show the second tab"
key ctrl+w
wait_for 10 tab_count 2 || fail "Ctrl+W did not close the tab: $(grep '^TL' "$DUMP")"
wait_for 10 tab_line '*' "$LEFT/gamma/deep" || fail "closing did not show the next tab"
key alt+1
wait_for 10 tab_line '*' "$LEFT/alpha" || fail "Alt+1 did not show alpha after the close"

# A mouse drag from the right pane onto the tab that is not shown.
wait_for 10 grep -q '^RG	dragged.txt	' "$DUMP" || fail "the right pane does not show dragged.txt"
wait_for 10 grep -q '^TBL	2	' "$DUMP" || fail "the tab bar's second tab is not listed"
set -- $(grep '^RG	dragged.txt	' "$DUMP" | cut -f3)
FROM_X=$(($1 + 20))
FROM_Y=$(($2 + $4 / 2))
set -- $(grep '^TBL	2	' "$DUMP" | cut -f3)
TO_X=$(($1 + $3 / 2))
TO_Y=$(($2 + $4 / 2))
xdotool mousemove --window "$WID" "$FROM_X" "$FROM_Y"
sleep 0.2
xdotool mousedown 1
# Small steps first, past the drag distance, then over to the tab.
for step in 4 8 12 16 24 32; do
    xdotool mousemove --window "$WID" $((FROM_X + step)) $((FROM_Y + step / 4))
    sleep 0.05
done
STEPS=10
i=1
while [ "$i" -le "$STEPS" ]; do
    xdotool mousemove --window "$WID" $((FROM_X + 32 + (TO_X - FROM_X - 32) * i / STEPS)) \
        $((FROM_Y + (TO_Y - FROM_Y) * i / STEPS))
    sleep 0.05
    i=$((i + 1))
done
sleep 0.3
xdotool mouseup 1
wait_for 20 test -f "$LEFT/gamma/deep/dragged.txt" ||
    fail "the file dropped on the background tab did not arrive in its folder"
cmp -s "$LEFT/gamma/deep/dragged.txt" - <<EOF || fail "the dropped file's contents differ"
payload
EOF
has_line "$DUMP" "TL	*	$LEFT/alpha" || fail "the drop switched the tab shown"
# The background tab followed its folder: shown, it lists the file.
# The drag began in the right pane, which took the keyboard; Tab goes back.
focus_window
if ! has_line "$DUMP" "K	L"; then
    key Tab
    wait_for 10 has_line "$DUMP" "K	L" || { screenshot "$OUT/e2e-tabs-fail.png"; fail "Tab did not go back to the left pane: $(grep -E "^(K|N|NA|TL)	" "$DUMP")"; }
fi
key alt+2
wait_for 10 has_line "$DUMP" "L	dragged.txt" || fail "the background tab does not list the dropped file"
key alt+1
wait_for 10 tab_line '*' "$LEFT/alpha" || fail "Alt+1 did not go back to alpha"
quit_corvane
grep -qx 'nTabs=2' "$SETTINGS" || fail "the tabs were not saved: $(grep -i tab "$SETTINGS")"

# The next run, with no folders on the command line: the tabs come back;
# the one whose folder has gone shows the nearest folder left.
rm -r "$LEFT/gamma/deep"
start_corvane "" ""
focus_window
wait_for 20 tab_count 2 || fail "the tabs did not come back: $(grep '^TL' "$DUMP" || true)"
wait_for 10 tab_line '*' "$LEFT/alpha" || fail "the shown tab is not alpha: $(grep '^TL' "$DUMP")"
wait_for 10 tab_line - "$LEFT/gamma" || fail "the gone folder's tab is not on gamma: $(grep '^TL' "$DUMP")"
wait_for 10 has_line "$DUMP" "NA	The folder '$LEFT/gamma/deep' of a tab has gone; the tab shows '$LEFT/gamma'" ||
    fail "no notice named the gone folder"
title_is "$LEFT/alpha" || fail "the title does not follow the shown tab ('$(window_title)')"
screenshot "$OUT/e2e-tabs.png"
quit_corvane
echo "e2e: PASS"
