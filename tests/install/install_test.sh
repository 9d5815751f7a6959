#!/bin/sh
# Korvanix as a person gets it: the tree `cmake --install` makes, the files
# that tie it into the desktop, and the Debian package.
#   install_test.sh MODE BUILD_DIR WINDOW VERSION
# MODE tree: install, move the tree, use it from another folder; files:
# validate the desktop entry, metainfo, MIME type, icon and manuals; package:
# the Debian package holds the installed tree. WINDOW is 1 when the build has
# the window program. Exit status 77: nothing to test in this build.
set -eu
mode=$1
build=$(cd "$2" && pwd)
window=$3
version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every file of an installed tree, as paths below its root.
listing() {
    (cd "$1" && find . -type f | sed 's|^\./||' | sort)
}

install_to() {
    cmake --install "$build" --prefix "$1" >install.log || { cat install.log >&2; fail "cmake --install"; }
}

has_window() {
    [ "$window" = 1 ]
}

case $mode in
tree)
    install_to "$work/first"
    expected="bin/korvanix-batch
share/korvanix/KX18.MSG
share/korvanix/Korvanix.kxo
share/korvanix/ZNB2WIN2.MSG
share/korvanix/ZSYSTEM.ERR
share/korvanix/korvanix.err
share/korvanix/samples/tissue.KXP
share/korvanix/samples/tissue.jpg
share/man/man1/korvanix-batch.1"
    if has_window; then
        expected="$expected
bin/korvanix
share/applications/org.korvanix.Korvanix.desktop
share/icons/hicolor/scalable/apps/org.korvanix.Korvanix.svg
share/man/man1/korvanix.1
share/metainfo/org.korvanix.Korvanix.metainfo.xml
share/mime/packages/org.korvanix.Korvanix.xml"
    fi
    expected=$(printf '%s\n' "$expected" | sort)
    [ "$(listing "$work/first")" = "$expected" ] ||
        fail "installed files differ: $(listing "$work/first" | tr '\n' ' ')"

    # The tree keeps working wherever it is moved, run from any folder, with
    # no configuration of the person's own.
    mv "$work/first" "$work/moved"
    mkdir elsewhere config
    cd elsewhere
    tool="$work/moved/bin/korvanix-batch"
    [ "$("$tool" --version)" = "korvanix-batch $version" ] || fail "--version: $("$tool" --version)"
    sample="$work/moved/share/korvanix/samples/tissue.KXP"
    out=$(XDG_CONFIG_HOME="$work/config" "$tool" check "$sample" 2>&1) || fail "check: $out"
    [ "$out" = "$sample: OK" ] || fail "check: $out"
    ;;
files)
    has_window || { echo "built without the window: nothing to validate"; exit 77; }
    install_to "$work/tree"
    share="$work/tree/share"
    desktop-file-validate "$share/applications/org.korvanix.Korvanix.desktop" ||
        fail "desktop entry"
    appstreamcli validate --no-net "$share/metainfo/org.korvanix.Korvanix.metainfo.xml" ||
        fail "metainfo"
    # The MIME database built from our package alone knows the project files.
    cp -R "$share/mime" mime
    update-mime-database "$work/mime" 2>/dev/null
    grep -qx 'application/x-korvanix-project:\*\.kxp' mime/globs || fail "MIME glob"
    python3 -c 'import sys, xml.etree.ElementTree as e; e.parse(sys.argv[1])' \
        "$share/icons/hicolor/scalable/apps/org.korvanix.Korvanix.svg" || fail "icon"
    for page in "$share"/man/man1/*.1; do
        warnings=$(groff -man -ww -z "$page" 2>&1)
        [ -z "$warnings" ] || fail "$page: $warnings"
    done
    ;;
package)
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >cpack.log ||
        { cat cpack.log >&2; fail "cpack"; }
    deb=$(ls "$work"/package/*.deb)
    install_to "$work/tree/usr"
    packaged=$(dpkg-deb -c "$deb" | awk '/^-/ { sub(/^\.\//, "", $6); print $6 }' | sort)
    [ "$packaged" = "$(listing "$work/tree")" ] || fail "package contents: $packaged"
    depends=$(dpkg-deb -f "$deb" Depends)
    printf '%s\n' "$depends" | grep -q 'fonts-liberation' || fail "Depends: $depends"
    if command -v dpkg-shlibdeps >/dev/null; then
        printf '%s\n' "$depends" | grep -q 'libc6' || fail "Depends: $depends"
    fi
    [ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "Section"
    # Its stripped programs find their data where the package puts it.
    dpkg-deb -x "$deb" unpacked
    sample="$work/unpacked/usr/share/korvanix/samples/tissue.KXP"
    out=$(XDG_CONFIG_HOME="$work/config" unpacked/usr/bin/korvanix-batch check "$sample" 2>&1) ||
        fail "check: $out"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
