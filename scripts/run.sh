#!/bin/sh
# Installs what is missing, builds, and starts Corvane with the given folders.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
exec "${CORVANE_BUILD_DIR:-build}/corvane" "$@"
