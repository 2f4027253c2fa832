#!/bin/sh
# Configures and builds Corvane into build/ (or $CORVANE_BUILD_DIR).
set -eu
cd "$(dirname "$0")/.."
BUILD="${CORVANE_BUILD_DIR:-build}"
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j "$(nproc)"
