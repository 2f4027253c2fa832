#!/bin/sh
# The real window, timed: the built program under Xvfb with a window
# manager, on generated folders, against the Linux tool that does the same
# job in the same run.
#
#   bench/window_bench.sh <corvane executable> [runs] [files] [small-files]
#   COPY_ON=/dev/shm bench/window_bench.sh ...   (the copy on another file system)
#
# Defaults: 3 runs, a folder of 100,000 files of mixed names, types, sizes
# and dates, and 10,000 small files for the copy. Each run starts the
# program afresh (settings removed) and measures:
#   launch      from the start to the window with the folder's title (the
#               rows are there), and to idle; CPU to idle against `ls -l`
#   memory      VmRSS once idle after loading
#   sort        Ctrl+Alt+N (by name), then Ctrl+Alt+A (reverse): CPU to idle
#               of the reverse against `sort -r` of the names
#   select all  Ctrl+A: wall time from the key to idle
#   touch       one file touched: CPU to idle of the refresh, against
#               `ls -l` of the folder (what a re-read would cost)
#   copy        a second start on the small files: Ctrl+A, F5, Enter; wall
#               time to all files copied and idle, against the mean of
#               `cp -a` just before and just after
# "Idle" is the process's CPU (its threads' schedstat) growing by at most
# IDLE_NS nanoseconds (3 ms) over a whole second; the moment it last grew
# by more is when the work ended. CPU totals are utime + stime of
# /proc/PID/stat (threads that ended included); the idle lines give the
# CPU per second the program spends when nobody does anything. The load average is printed with every run: the
# figures of a loaded machine are ratios first.
set -eu

BENCH_BIN=${1:?usage: $(basename "$0") <corvane executable> [runs] [files] [small-files]}
RUNS=${2:-3}
FILES=${3:-100000}
SMALL=${4:-10000}
HERE=$(cd "$(dirname "$0")" && pwd)
set -- "$BENCH_BIN" "${TMPDIR:-/tmp}"
. "$HERE/../tests/e2e/lib.sh"

TICK=$(getconf CLK_TCK)
BIG="$WORK/big"
EMPTY="$WORK/empty"
# The copy's folders: $COPY_ON (a folder on the file system to copy on),
# by default beside the others.
COPYDIR=$(mktemp -d "${COPY_ON:-$WORK}/corvane-copy.XXXXXX")
SMALLDIR="$COPYDIR/small"
mkdir -p "$EMPTY"
trap 'rm -rf "$COPYDIR"; cleanup' EXIT
trap 'exit 130' INT TERM

now() { date +%s.%N; }
# CPU ticks (user + system, all threads) of a process; fields after the
# command name, which is in parentheses.
cpu_ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
fsub() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a - b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2fx", a / b; else print "n/a" }'; }
ticks_s() { awk -v t="$1" -v k="$TICK" 'BEGIN { printf "%.3f", t / k }'; }

# Nanoseconds on the processor of the process's live threads (schedstat):
# finer than the clock ticks, for telling idle from a little busy.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d\n", s }'; }
# What idle allows: the program's own timers (status bar, command states)
# wake it a few times a second; more than this per second is work.
IDLE_NS=${IDLE_NS:-3000000}

# wait_idle <pid> <limit-seconds>: sets IDLE_AT (when the CPU last grew by
# more than IDLE_NS within a second) and IDLE_TICKS (the CPU ticks then);
# false when the process never went idle.
wait_idle() {
    base=$(cpu_ns "$1")
    changed=$(now)
    IDLE_AT=$changed
    IDLE_TICKS=$(cpu_ticks "$1")
    ticks_at_change=$IDLE_TICKS
    deadline=$(awk -v t="$changed" -v l="$2" 'BEGIN { printf "%.3f", t + l }')
    while :; do
        sleep 0.05
        t=$(now)
        [ -d "/proc/$1" ] || return 1
        c=$(cpu_ns "$1")
        verdict=$(awk -v t="$t" -v ch="$changed" -v c="$c" -v b="$base" -v lim="$IDLE_NS" -v d="$deadline" \
            'BEGIN { if (c - b > lim || c < b) print "busy"; else if (t - ch >= 1.0) print "idle"; else if (t > d) print "late"; else print "wait" }')
        case $verdict in
            busy)
                base=$c
                changed=$t
                ticks_at_change=$(cpu_ticks "$1")
                ;;
            idle)
                IDLE_AT=$changed
                IDLE_TICKS=$ticks_at_change
                return 0
                ;;
            late)
                IDLE_AT=$t
                IDLE_TICKS=$(cpu_ticks "$1")
                return 1
                ;;
        esac
    done
}

# idle_rate <pid>: milliseconds of CPU per second over two seconds.
idle_rate() {
    a=$(cpu_ns "$1")
    sleep 2
    b=$(cpu_ns "$1")
    awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", (b - a) / 2e6 }'
}

# tool_cpu <command...>: the CPU seconds (user + system) and wall seconds
# of a Linux tool, as "cpu wall".
tool_cpu() {
    /usr/bin/time -f "%U %S %e" -o "$WORK/time.out" "$@" >/dev/null 2>&1
    awk '{ printf "%.3f %.3f\n", $1 + $2, $3 }' "$WORK/time.out"
}

make_folders() {
    python3 - "$BIG" "$FILES" "$SMALLDIR" "$SMALL" <<'EOF'
import os, random, sys
big, count, small, small_count = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
rng = random.Random(26)
stems = ["report", "Report", "IMG_", "photo", "Ärger", "zeta", "a.b", "notes", "draft ",
         "backup-", "x", "Setup", "readme", "data_", "ÉCOLE", "tmp"]
exts = ["txt", "TXT", "jpg", "JPG", "png", "tar.gz", "c", "cpp", "h", "md", "", "pdf",
        "odt", "mp3", "Txt", "zip", "log", "json"]
os.makedirs(big, exist_ok=True)
for i in range(count):
    stem = rng.choice(stems) + str(rng.randrange(10 ** rng.randrange(1, 7)))
    ext = rng.choice(exts)
    name = f"{stem}_{i}" + (f".{ext}" if ext else "")
    if i % 1000 == 0:
        os.mkdir(os.path.join(big, "folder " + name))
        continue
    path = os.path.join(big, name)
    with open(path, "wb") as f:
        size = rng.choice([0, 1, 10, 100, 1000, 4096, 65536, 10 ** 6])
        if size:
            f.truncate(size)
    t = 1_500_000_000 + rng.randrange(200_000_000)
    os.utime(path, (t, t))
os.makedirs(small, exist_ok=True)
for i in range(small_count):
    with open(os.path.join(small, f"small_{i:05d}.dat"), "wb") as f:
        f.write(os.urandom(rng.randrange(100, 8192)))
EOF
}

# start_bench <left> <right>: the program without the e2e listing (it
# would cost as much as what is timed); sets APP_PID, WID and T0.
start_bench() {
    rm -f "$SETTINGS"
    T0=$(now)
    "$BIN" "$1" "$2" >"$WORK/corvane.log" 2>&1 &
    APP_PID=$!
    wait_for 120 find_window || fail "no window titled 'Corvane K3' appeared"
    WID=$(xdotool search --name "Corvane K3" | head -n 1)
}

one_run() {
    run=$1
    echo "--- run $run, load average: $(cut -d' ' -f1-3 /proc/loadavg)"

    # Launch: the window with the folder's title, then idle.
    start_bench "$BIG" "$EMPTY"
    wait_for 120 title_is "$BIG" || fail "the window never showed the folder"
    t_rows=$(now)
    wait_idle "$APP_PID" 60 || fail "the program did not go idle after loading"
    launch_cpu=$(ticks_s "$IDLE_TICKS")
    rss=$(rss_kb "$APP_PID")
    set -- $(tool_cpu ls -l "$BIG")
    ls_cpu=$1
    ls_wall=$2
    echo "launch      first rows $(fsub "$t_rows" "$T0") s, idle $(fsub "$IDLE_AT" "$T0") s, CPU $launch_cpu s;" \
        "ls -l CPU $ls_cpu s (wall $ls_wall s): $(ratio "$launch_cpu" "$ls_cpu")"
    echo "memory      VmRSS $((rss / 1024)) MiB after loading ($FILES rows)"
    echo "idle        $(idle_rate "$APP_PID") ms of CPU per second after loading"
    focus_window

    # Sort by name, then reverse it.
    c0=$(cpu_ticks "$APP_PID")
    t1=$(now)
    key ctrl+alt+n
    wait_idle "$APP_PID" 30 || fail "sorting by name never went idle"
    name_cpu=$(ticks_s $((IDLE_TICKS - c0)))
    c0=$(cpu_ticks "$APP_PID")
    t1=$(now)
    key ctrl+alt+a
    wait_idle "$APP_PID" 30 || fail "the reverse sort never went idle"
    rev_cpu=$(ticks_s $((IDLE_TICKS - c0)))
    rev_wall=$(fsub "$IDLE_AT" "$t1")
    ls -U "$BIG" >"$WORK/names"
    set -- $(tool_cpu sort -r "$WORK/names")
    sort_cpu=$1
    echo "sort        by name CPU $name_cpu s; reverse CPU $rev_cpu s (wall $rev_wall s);" \
        "sort -r CPU $sort_cpu s: $(ratio "$rev_cpu" "$sort_cpu")"

    # Select all, then idle.
    c0=$(cpu_ticks "$APP_PID")
    t1=$(now)
    key ctrl+a
    if wait_idle "$APP_PID" 20; then
        echo "select all  idle $(fsub "$IDLE_AT" "$t1") s after the key, CPU $(ticks_s $((IDLE_TICKS - c0))) s;" \
            "then $(idle_rate "$APP_PID") ms of CPU per second"
    else
        echo "select all  NEVER IDLE within 20 s: CPU $(ticks_s $(($(cpu_ticks "$APP_PID") - c0))) s in that time;" \
            "$(idle_rate "$APP_PID") ms of CPU per second"
    fi

    # Touch one file: the change watch's refresh.
    victim=$(head -n 500 "$WORK/names" | tail -n 1)
    c0=$(cpu_ticks "$APP_PID")
    t1=$(now)
    touch "$BIG/$victim"
    wait_idle "$APP_PID" 30 || echo "touch       (no idle within 30 s)"
    touch_cpu=$(ticks_s $((IDLE_TICKS - c0)))
    echo "touch       refresh CPU $touch_cpu s, idle $(fsub "$IDLE_AT" "$t1") s after;" \
        "ls -l CPU $ls_cpu s: $(ratio "$touch_cpu" "$ls_cpu")"
    quit_corvane

    # Copy through F5, with `cp -a` just before and just after: on a shared
    # disk the cost of making files drifts (ext4 skips the inodes freed in
    # the last seconds), so the tool's mean of the two is the fair mark.
    target="$COPYDIR/copy-target"
    rm -rf "$target" "$COPYDIR/cp-target" "$COPYDIR/cp-target2"
    set -- $(tool_cpu cp -a "$SMALLDIR" "$COPYDIR/cp-target")
    cp_wall1=$2
    mkdir -p "$target"
    start_bench "$SMALLDIR" "$target"
    wait_for 60 title_is "$SMALLDIR" || fail "the copy window never showed its folder"
    wait_idle "$APP_PID" 60 || true
    focus_window
    key ctrl+a
    wait_idle "$APP_PID" 20 || true
    key F5
    wait_for 20 xdotool search --name "Select destination folder" ||
        fail "F5 did not open the target dialog"
    sleep 0.3
    t1=$(now)
    key Return
    wait_for 300 sh -c "[ \$(ls -U '$target' | wc -l) -ge $SMALL ]" || fail "the copy did not finish"
    t_files=$(now)
    wait_idle "$APP_PID" 60 || true
    copy_wall=$(fsub "$IDLE_AT" "$t1")
    copy_wall=$(awk -v a="$copy_wall" -v b="$(fsub "$t_files" "$t1")" 'BEGIN { printf "%.3f", (a > b ? a : b) }')
    diff -r "$SMALLDIR" "$target" >/dev/null || fail "the copy differs from its source"
    quit_corvane
    set -- $(tool_cpu cp -a "$SMALLDIR" "$COPYDIR/cp-target2")
    cp_wall2=$2
    cp_wall=$(awk -v a="$cp_wall1" -v b="$cp_wall2" 'BEGIN { printf "%.3f", (a + b) / 2 }')
    rm -rf "$target" "$COPYDIR/cp-target" "$COPYDIR/cp-target2"
    echo "copy        $SMALL small files via F5 $copy_wall s; cp -a $cp_wall1 s before, $cp_wall2 s after:" \
        "$(ratio "$copy_wall" "$cp_wall")"
}

echo "window_bench: making $FILES files and $SMALL small files under $WORK"
make_folders
sync
start_display
# Not "i": the waiting helpers of lib.sh count with it.
run_number=1
while [ "$run_number" -le "$RUNS" ]; do
    one_run "$run_number"
    run_number=$((run_number + 1))
done
