#!/bin/sh
# The program configures and builds with the build packages alone: the
# folders of GoogleTest and Google Benchmark are hidden in a mount namespace
# of its own, and the tree is configured the way ./run configures it.
#   build_packages_test.sh SOURCE_DIR
# Exit status 77: this machine cannot hide folders (not root, no unshare).
set -eu
source_dir=$(cd "$1" && pwd)

if [ "${KVX_HIDDEN_TEST_PACKAGES:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null 2>&1; then
        echo "SKIP: hiding the test packages needs root and unshare" >&2
        exit 77
    fi
    if ! unshare -m true 2>/dev/null; then
        echo "SKIP: this machine allows no mount namespace" >&2
        exit 77
    fi
    exec unshare -m env KVX_HIDDEN_TEST_PACKAGES=1 sh "$0" "$@"
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/empty"
# The mounts stay inside this namespace; the rest of the machine keeps
# seeing the packages.
mount --make-rprivate / 2>/dev/null || true
multiarch=$(gcc -print-multiarch 2>/dev/null || echo x86_64-linux-gnu)
hidden=0
for dir in /usr/include/gtest /usr/include/gmock /usr/include/benchmark \
    "/usr/lib/$multiarch/cmake/GTest" "/usr/lib/$multiarch/cmake/benchmark"; do
    [ -d "$dir" ] || continue
    mount --bind "$work/empty" "$dir" || fail "cannot hide $dir"
    hidden=$((hidden + 1))
done
[ ! -e /usr/include/gtest/gtest.h ] || fail "GoogleTest is still visible"

generator=
command -v ninja >/dev/null 2>&1 && generator="-G Ninja"
# shellcheck disable=SC2086
cmake -S "$source_dir" -B "$work/build" $generator -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    >"$work/configure.log" 2>&1 || { cat "$work/configure.log" >&2; fail "configure without the test packages"; }
grep -q "Left out the tests" "$work/configure.log" ||
    { cat "$work/configure.log" >&2; fail "configure does not say that the tests were left out"; }
grep -q "Left out the benchmarks" "$work/configure.log" ||
    { cat "$work/configure.log" >&2; fail "configure does not say that the benchmarks were left out"; }
# Every step of the program's build is there and none needs a test package;
# the compiling itself is what the main build does.
cmake --build "$work/build" --target korvanix korvanix-batch -- -n >"$work/build.log" 2>&1 ||
    { cat "$work/build.log" >&2; fail "no build of korvanix without the test packages"; }
grep -qi "gtest\|benchmark" "$work/build.log" && fail "the program's build uses a test package"
echo "configured and planned the build with $hidden test package folders hidden"
