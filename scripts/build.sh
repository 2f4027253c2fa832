#!/bin/sh
# Configures and builds Corvane into build/ (or $CORVANE_BUILD_DIR), as a
# Release build unless $CORVANE_BUILD_TYPE says otherwise; further arguments
# go to cmake's configure step (-DCORVANE_BENCH=OFF, say).
set -eu
cd "$(dirname "$0")/.."
BUILD="${CORVANE_BUILD_DIR:-build}"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE="${CORVANE_BUILD_TYPE:-Release}" "$@" >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
