#!/bin/sh
# corvane --version and --help answer on the terminal with no display at all:
# no X or Wayland display and no Qt platform named, as in a bare terminal.
#   terminal_options.sh <corvane> <version>
set -u
program="$1"
version="$2"
fail=0
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" --version 2>&1)
status=$?
if [ "$status" -ne 0 ] || [ "$out" != "corvane $version" ]; then
    echo "--version: status $status, output: $out"
    fail=1
fi
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" -s:x --help /tmp 2>&1)
status=$?
case "$out" in
    "Usage: corvane "*"--version"*) ;;
    *) echo "--help: output: $out"; fail=1 ;;
esac
[ "$status" -eq 0 ] || { echo "--help: status $status"; fail=1; }
# Without either option the program does want a display: it must not
# pretend to have started.
if env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM CORVANE_PROFILE_FILE=/nonexistent/x.ini \
    "$program" /tmp >/dev/null 2>&1; then
    echo "started without a display and without an option"
    fail=1
fi
[ "$fail" -eq 0 ] && echo "terminal options ok"
exit "$fail"
