#!/bin/sh
# Installs what is missing, builds, and runs every test headless.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh --e2e
# The benchmarks are not tests: a plain cmake configure builds them.
scripts/build.sh -DCORVANE_BENCH=OFF
cd "${CORVANE_BUILD_DIR:-build}"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
