#!/bin/sh
# Fails when a C++ file of the tree is not as clang-format (the tree's
# .clang-format) writes it, naming the files; `--fix` formats them instead.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
command -v clang-format >/dev/null 2>&1 || { echo "SKIP: clang-format is not installed" >&2; exit 77; }
files=$(git ls-files '*.cpp' '*.hpp' '*.h' 2>/dev/null || find src tests bench fuzz tools -name '*.[ch]pp')
if [ "${1:-}" = --fix ]; then
    # shellcheck disable=SC2086
    clang-format -i $files
    exit 0
fi
# shellcheck disable=SC2086
off=$(clang-format --dry-run $files 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ -n "$off" ]; then
    echo "These files are not formatted (tools/check_format.sh --fix formats them):" >&2
    echo "$off" >&2
    exit 1
fi
echo "$(echo "$files" | wc -w) files formatted"
