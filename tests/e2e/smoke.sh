#!/bin/sh
# End-to-end smoke test: the real corvane on a virtual X display with a
# window manager, driven by real key presses (XTEST).
#
#   tests/e2e/smoke.sh <corvane executable> [output folder]
#
# It starts Xvfb and openbox, runs corvane with its home and settings in a
# temporary folder and two temporary folders for the panes, and checks:
# the window appears with the left folder in its title; both panes list
# their folders; a file made in the left folder from outside shows up in
# the left pane; Ctrl+I (same folder) loads the left folder in the right
# pane; Alt+X (Files > Exit) ends the program with status 0; the settings
# file was written. A screenshot of the display before closing is left in
# the output folder as e2e-screenshot.png.
#
# The listing check reads the file named by CORVANE_E2E_DUMP, which the main
# frame rewrites with both panes' row names whenever their rows change (a
# test-only hook). Every process this script starts is stopped by its id.
set -eu

BIN=${1:?usage: smoke.sh <corvane executable> [output folder]}
OUT=${2:-.}
case "$BIN" in /*) ;; *) BIN="$(pwd)/$BIN" ;; esac
mkdir -p "$OUT"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e.XXXXXX")
XVFB_PID=""
WM_PID=""
APP_PID=""
cleanup() {
    for pid in $APP_PID $WM_PID $XVFB_PID; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $APP_PID $WM_PID $XVFB_PID; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

fail() {
    echo "e2e: FAIL: $*" >&2
    if [ -f "$WORK/corvane.log" ]; then
        echo "--- corvane output ---" >&2
        cat "$WORK/corvane.log" >&2
    fi
    exit 1
}

# wait_for <seconds> <command...>: runs the command every 0.1 s until it
# succeeds or the time is up.
wait_for() {
    limit=$(($1 * 10))
    shift
    i=0
    while [ "$i" -lt "$limit" ]; do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
        i=$((i + 1))
    done
    return 1
}

has_line() { grep -qxF "$2" "$1"; }

# The program's world: its own home, settings, data and runtime folders.
export HOME="$WORK/home"
export XDG_CONFIG_HOME="$WORK/config"
export XDG_DATA_HOME="$WORK/data"
export XDG_CACHE_HOME="$WORK/cache"
export XDG_RUNTIME_DIR="$WORK/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset CORVANE_PROFILE_FILE CORVANE_TESTING SESSION_MANAGER || true
export QT_QPA_PLATFORM=xcb

LEFT="$WORK/left"
RIGHT="$WORK/right"
mkdir -p "$LEFT" "$RIGHT"
echo one >"$LEFT/first.txt"
echo two >"$RIGHT/second.txt"
DUMP="$WORK/listing"
SETTINGS="$XDG_CONFIG_HOME/Quorvelt Plc/Corvane.ini"

# A display of our own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$WORK/display")"
export DISPLAY

openbox >"$WORK/openbox.log" 2>&1 &
WM_PID=$!

CORVANE_E2E_DUMP="$DUMP" "$BIN" "$LEFT" "$RIGHT" >"$WORK/corvane.log" 2>&1 &
APP_PID=$!

find_window() { xdotool search --name "Corvane K3" | head -n 1 | grep -q .; }
wait_for 30 find_window || fail "no window titled 'Corvane K3' appeared"
WID=$(xdotool search --name "Corvane K3" | head -n 1)
TITLE=$(xdotool getwindowname "$WID")
echo "e2e: window $WID: $TITLE"
case "$TITLE" in
    "Corvane K3 - $LEFT") ;;
    *) fail "title '$TITLE' does not name the left folder $LEFT" ;;
esac

wait_for 15 has_line "$DUMP" "L	first.txt" || fail "the left pane does not list first.txt"
wait_for 15 has_line "$DUMP" "R	second.txt" || fail "the right pane does not list second.txt"

# A file made from outside appears through the folder's change watch.
echo made >"$LEFT/made-outside.txt"
wait_for 15 has_line "$DUMP" "L	made-outside.txt" ||
    fail "the left pane did not pick up made-outside.txt"

# Real keys from here on: the window must have the keyboard.
xdotool windowactivate --sync "$WID" >/dev/null 2>&1 || true
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$WID" ]; }
wait_for 10 is_active || fail "the window did not get the keyboard focus"

# Ctrl+I: the inactive (right) pane opens the active pane's folder.
xdotool key --clearmodifiers ctrl+i
wait_for 15 has_line "$DUMP" "R	made-outside.txt" ||
    fail "Ctrl+I did not load the left folder in the right pane"

if command -v import >/dev/null 2>&1; then
    import -display "$DISPLAY" -window root "$OUT/e2e-screenshot.png" ||
        echo "e2e: screenshot failed (not a test failure)" >&2
fi

# Files > Exit by its accelerator.
xdotool key --clearmodifiers alt+x
exited() { ! kill -0 "$APP_PID" 2>/dev/null; }
wait_for 20 exited || fail "Alt+X did not end the program"
STATUS=0
wait "$APP_PID" || STATUS=$?
APP_PID=""
[ "$STATUS" -eq 0 ] || fail "corvane ended with status $STATUS"

[ -f "$SETTINGS" ] || fail "no settings file at $SETTINGS"
grep -q '^nToolbarsVersion=1$' "$SETTINGS" || fail "the frame's settings were not written"
grep -qF "szInitialFolder=$LEFT" "$SETTINGS" || fail "the left pane's folder was not written"
grep -q '^bLeftPaneActive=1$' "$SETTINGS" || fail "the active pane was not written"

echo "e2e: PASS"
