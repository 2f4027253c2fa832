# Shared set-up of the end-to-end scripts: a temporary world for the
# program (home, settings, data), two empty folders for its panes (LEFT and
# RIGHT), a display of its own with a window manager, the program's
# start-up (start_program), the one bounded wait (wait_for) and the window
# helpers. Source it from a script called as
#   <script> <corvane executable> [output folder]
# which sets BIN (made absolute) and OUT (made if missing). Every process
# started here is stopped by its id on exit.

BIN=${1:?usage: $(basename "$0") <corvane executable> [output folder]}
OUT=${2:-.}
case "$BIN" in /*) ;; *) BIN="$(pwd)/$BIN" ;; esac
mkdir -p "$OUT"

WORK=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e.XXXXXX")
XVFB_PID=""
WM_PID=""
APP_PID=""
CLEANUP_FIRST=""
cleanup() {
    # A script's own servers go first (see CLEANUP_FIRST), so that nothing
    # of theirs is mounted under $WORK when it is removed.
    [ -z "$CLEANUP_FIRST" ] || $CLEANUP_FIRST
    for pid in $APP_PID $WM_PID $XVFB_PID; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $APP_PID $WM_PID $XVFB_PID; do
        wait "$pid" 2>/dev/null || true
    done
    # Never through a mount point: a remote folder mounted below $WORK that
    # could not be unmounted keeps its files.
    rm -rf --one-file-system "$WORK"
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
# listed / not_listed <line>: the listing dump has (or lacks) this line.
listed() { has_line "$DUMP" "$1"; }
not_listed() { ! has_line "$DUMP" "$1"; }
# count_lines <tag>: how many lines of the dump start with this tag ("L",
# "SL"...).
count_lines() { grep -c "^$1	" "$DUMP" || true; }

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
DUMP="$WORK/listing"
SETTINGS="$XDG_CONFIG_HOME/Quorvelt Plc/Corvane.ini"
# The folders the panes open unless a script says otherwise.
LEFT="$WORK/left"
RIGHT="$WORK/right"
mkdir -p "$LEFT" "$RIGHT"

start_display() {
    # A display of our own: Xvfb picks a free number and writes it to fd 3.
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
    XVFB_PID=$!
    wait_for 10 test -s "$WORK/display" || fail "Xvfb did not start"
    DISPLAY=":$(head -n 1 "$WORK/display")"
    export DISPLAY

    openbox >"$WORK/openbox.log" 2>&1 &
    WM_PID=$!
    # On a loaded machine the window manager may come up well after the
    # program's window: wait until it announces itself, so activation
    # requests have someone to answer them.
    wait_for 30 wm_ready || fail "the window manager did not start: $(cat "$WORK/openbox.log")"
}
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# start_corvane <left> <right>: runs the program with the listing dump and
# waits for its window; sets APP_PID and WID.
start_corvane() {
    CORVANE_E2E_DUMP="$DUMP" "$BIN" "$1" "$2" >"$WORK/corvane.log" 2>&1 &
    APP_PID=$!
    wait_for 30 find_window || fail "no window titled 'Corvane K3' appeared"
    WID=$(xdotool search --name "Corvane K3" | head -n 1)
}

# start_program <left> <right> [<line>...]: a display, the program on the
# two folders, each given line in its listing dump ("L	name" for the left
# pane, "R	name" for the right), and the keyboard on its window.
start_program() {
    start_display
    start_corvane "$1" "$2"
    shift 2
    for line in "$@"; do
        case "$line" in
        "L	"*) wait_for 15 listed "$line" || fail "the left pane does not list '${line#L	}'" ;;
        "R	"*) wait_for 15 listed "$line" || fail "the right pane does not list '${line#R	}'" ;;
        *) wait_for 15 listed "$line" || fail "the listing has no line '$line'" ;;
        esac
    done
    focus_window
}

find_window() { xdotool search --name "Corvane K3" | head -n 1 | grep -q .; }
window_title() { xdotool getwindowname "$WID"; }
title_is() { [ "$(window_title)" = "Corvane K3 - $1" ]; }

# window_id <xdotool search arguments>: the first window found, or nothing;
# has_window / no_window: some (no) window is found.
window_id() { xdotool search "$@" 2>/dev/null | head -n 1; }
has_window() { window_id "$@" | grep -q .; }
no_window() { ! has_window "$@"; }
# The title of the window that has the keyboard.
active_title() { xdotool getactivewindow getwindowname 2>/dev/null; }
# Another window than the main one has the keyboard (a dialog is up).
other_window_active() { active=$(xdotool getactivewindow 2>/dev/null) && [ "$active" != "$WID" ]; }

# focus_window [<window id>]: real keys need the keyboard focus on the
# window (the main one unless another is named). A loaded machine can lose
# the first request while the window manager is still mapping the window,
# so it is asked again until it holds.
focus_window() {
    wait_for 30 activate_window "${1:-$WID}" || fail "window ${1:-$WID} did not get the keyboard focus"
}
activate_window() {
    is_active "$1" && return 0
    xdotool windowactivate "$1" >/dev/null 2>&1 || true
    sleep 0.2
    is_active "$1"
}
# is_active [<window id>]: that window (the main one) has the keyboard.
is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "${1:-$WID}" ]; }

key() { xdotool key --clearmodifiers "$@"; }

screenshot() {
    if command -v import >/dev/null 2>&1; then
        import -display "$DISPLAY" -window root "$1" ||
            echo "e2e: screenshot failed (not a test failure)" >&2
    fi
}

# colour_share <colour>: the share of the screen's pixels that have this
# colour (within 6%), in thousandths (ImageMagick).
colour_share() {
    screenshot "$WORK/screen.png"
    convert "$WORK/screen.png" -fuzz 6% -fill black +opaque "$1" -fill white -opaque "$1" \
        -colorspace gray -format '%[fx:int(mean*1000)]' info:
}

# quit_corvane: Files > Exit by its accelerator; the program must end with 0.
quit_corvane() {
    key alt+x
    ended_well 20 "Alt+X did not end the program"
}
# ended_well <seconds> <message>: the program ends within the time (or the
# script fails with the message), and with status 0.
ended_well() {
    wait_for "$1" exited || fail "$2"
    STATUS=0
    wait "$APP_PID" || STATUS=$?
    APP_PID=""
    [ "$STATUS" -eq 0 ] || fail "corvane ended with status $STATUS"
}
exited() { ! kill -0 "$APP_PID" 2>/dev/null; }
