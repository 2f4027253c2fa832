#!/bin/sh
# End-to-end stored layouts: real key presses on the real program, checked
# by the pixels on the screen and the settings written at exit.
#
#   tests/e2e/layouts.sh <corvane executable> [output folder]
#
# With the thumbnail bar showing a picture, Ctrl+Shift+7 asks for a name and
# stores layout 1; Alt+P hides the bar; Ctrl+7 brings the stored arrangement
# back, bar and preview included. At exit the layout's record and dock state
# are in the settings' section "Layout 1", and in the next run, which starts
# without the bar, Ctrl+7 brings it back.
# Screenshot: e2e-layouts.png (after Ctrl+7).
set -eu

. "$(dirname "$0")/lib.sh"

command -v convert >/dev/null 2>&1 || { echo "e2e: SKIP: ImageMagick is not installed"; exit 0; }

convert -size 400x300 "xc:#1fd27a" "$LEFT/a-picture.png"

picture_share() { colour_share "#1fd27a"; }
preview_shown() { [ "$(picture_share)" -ge 10 ]; }
preview_gone() { [ "$(picture_share)" -lt 1 ]; }
input_box() { active_title | grep -qF "Layout name ?"; }

start_program "$LEFT" "$RIGHT"
key Home
wait_for 10 has_line "$DUMP" "SL	a-picture.png" || fail "Home did not select the picture"
key alt+p
wait_for 15 preview_shown || fail "Alt+P did not show the picture's preview"

focus_window
key ctrl+shift+7
wait_for 10 input_box || fail "Ctrl+Shift+7 did not ask for the layout's name"
key ctrl+a
xdotool type --delay 20 "With preview"
key Return
wait_for 10 is_active || fail "the input box did not close"

key alt+p
wait_for 10 preview_gone || fail "Alt+P did not hide the thumbnail bar"
focus_window
key ctrl+7
wait_for 10 preview_shown || fail "Ctrl+7 did not bring the thumbnail bar back"
screenshot "$OUT/e2e-layouts.png"

# Hidden at exit, so the next run starts without the bar.
focus_window
key alt+p
wait_for 10 preview_gone || fail "Alt+P did not hide the thumbnail bar again"
quit_corvane
grep -q '^InfoHeader=' "$SETTINGS" || fail "no layout record was written"
grep -qF '[Layout%201]' "$SETTINGS" || grep -qF '[Layout 1]' "$SETTINGS" ||
    fail "the layout's section is missing from the settings"

# The next run has it: Ctrl+7 brings the bar back.
start_corvane "$LEFT" "$RIGHT"
focus_window
key Home
wait_for 10 has_line "$DUMP" "SL	a-picture.png" || fail "Home did not select the picture"
sleep 1
preview_gone || fail "the thumbnail bar shows at the start although it was hidden at exit"
key ctrl+7
wait_for 10 preview_shown || fail "the stored layout did not come back in the next run"
quit_corvane
echo "e2e: PASS"
