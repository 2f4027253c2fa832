#!/bin/sh
# Builds the libFuzzer harnesses (fuzz/) into build-fuzz/ with clang, and runs
# each one for the given number of seconds (default 20), two at a time.
#
#   scripts/fuzz.sh [seconds] [harness...]
#
# Fails when a harness finds a crash, a leak or undefined behaviour; the
# input that did it is kept in build-fuzz/artifacts/<harness>/ and the run's
# output in build-fuzz/logs/<harness>.log. New inputs a run finds go to
# build-fuzz/corpus/<harness>/; the seeds in fuzz/corpus/ are only read.
# Installs clang and its fuzzing runtime when missing (the normal build does
# not need them).
set -eu
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-20}"
[ $# -gt 0 ] && shift
BUILD="${CORVANE_FUZZ_BUILD_DIR:-build-fuzz}"
ROOT="$(pwd)"

scripts/setup.sh
missing=""
for p in clang-14 libclang-rt-14-dev; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    echo "Installing:$missing"
    $SUDO apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
fi

CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -DCORVANE_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target fuzz_all

HARNESSES="$*"
if [ -z "$HARNESSES" ]; then
    HARNESSES=$(cd fuzz && ls ./*_fuzzer.cpp | sed 's|^\./||; s|_fuzzer\.cpp$||')
fi
mkdir -p "$BUILD/logs"
rm -f "$BUILD/logs/"*.failed

# Every finding stops the run at once; leaks are looked for at the end of
# each input. Only the leaks named in fuzz/lsan.supp are let pass.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$ROOT/fuzz/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen
# The store and archive harnesses write a file per input: memory is faster.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm

# "executions, executions a second, coverage" from libFuzzer's final lines.
summary() {
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$1")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$1")
    cov=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$1" | sed -n 's/.*\(cov: [0-9]*\).*\(ft: [0-9]*\).*/\1 \2/p')
    echo "$runs executions, $rate/s, $cov"
}

run_one() {
    h="$1"
    mkdir -p "$BUILD/corpus/$h" "$BUILD/artifacts/$h"
    log="$BUILD/logs/$h.log"
    if "$BUILD/fuzz/fuzz_$h" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$h/" \
        "$BUILD/corpus/$h" "fuzz/corpus/$h" >"$log" 2>&1; then
        echo "fuzz_$h: ok, $(summary "$log")"
    else
        touch "$BUILD/logs/$h.failed"
        echo "fuzz_$h: FAILED (see $log)"
        grep -E 'ERROR|SUMMARY|check failed|runtime error' "$log" | head -5
    fi
}

# Two at a time: the harnesses are single-threaded.
set -- $HARNESSES
while [ $# -gt 0 ]; do
    run_one "$1" &
    first=$!
    if [ $# -gt 1 ]; then
        run_one "$2" &
        second=$!
        wait "$second" || true
        shift
    fi
    wait "$first" || true
    shift
done

failed=$(cd "$BUILD/logs" && ls ./*.failed 2>/dev/null | sed 's|^\./||; s|\.failed$||' | tr '\n' ' ')
if [ -n "$failed" ]; then
    echo "Fuzzing found faults in: $failed" >&2
    exit 1
fi
echo "fuzzing ok: $(echo "$HARNESSES" | wc -w) harnesses, ${SECONDS_EACH}s each"
