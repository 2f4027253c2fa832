#!/bin/sh
# Fails when a C++ file is not formatted as .clang-format says
# (clang-format --dry-run -Werror).
#
#   scripts/check_format.sh               every tracked C++ file (what CI runs;
#                                         the tree is kept formatted, so this is
#                                         the changed files and the rest)
#   scripts/check_format.sh --changed [BASE]
#                                         only files changed against BASE (default
#                                         HEAD: the uncommitted changes), as a
#                                         check before committing
set -eu
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--changed" ]; then
    files=$(git diff --name-only --diff-filter=ACMR "${2:-HEAD}" -- '*.h' '*.cpp')
else
    files=$(git ls-files -- '*.h' '*.cpp')
fi
[ -z "$files" ] && { echo "format ok: no files"; exit 0; }
# shellcheck disable=SC2086
if ! clang-format --dry-run -Werror $files; then
    echo "Not formatted: run clang-format -i on the files above." >&2
    exit 1
fi
echo "format ok: $(echo "$files" | wc -l) files"
