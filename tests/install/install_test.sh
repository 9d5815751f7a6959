#!/bin/sh
# Korvanix as a person gets it: the tree `cmake --install` makes, the files
# that tie it into the desktop, and the Debian package.
#   install_test.sh MODE BUILD_DIR WINDOW VERSION
# MODE tree: install, move the tree, use it from another folder; files:
# validate the desktop entry, metainfo, MIME type, icon and manuals; package:
# the Debian package holds the installed tree; lintian: Debian's own checker
# finds no error and no warning in the package. WINDOW is 1 when the build has
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
share/doc/korvanix/changelog.gz
share/doc/korvanix/copyright
share/man/man1/korvanix-batch.1.gz"
    if has_window; then
        expected="$expected
bin/korvanix
share/applications/org.korvanix.Korvanix.desktop
share/icons/hicolor/scalable/apps/org.korvanix.Korvanix.svg
share/man/man1/korvanix.1.gz
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
    grep -q "<release version=\"$version\"" "$share/metainfo/org.korvanix.Korvanix.metainfo.xml" ||
        fail "metainfo names no release $version"
    for page in "$share"/man/man1/*.1.gz; do
        warnings=$(gzip -dc "$page" | groff -man -ww -z 2>&1)
        [ -z "$warnings" ] || fail "$page: $warnings"
        # The header names the version and a date, as man shows them.
        gzip -dc "$page" | grep -Eq "^\.TH [A-Z-]+ 1 \"[0-9]{4}-[0-9]{2}-[0-9]{2}\" \"Korvanix $version\"" ||
            fail "$page: $(gzip -dc "$page" | grep '^\.TH')"
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
lintian)
    command -v lintian >/dev/null || { echo "lintian is not installed"; exit 77; }
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >cpack.log ||
        { cat cpack.log >&2; fail "cpack"; }
    deb=$(ls "$work"/package/*.deb)
    # Errors and warnings fail; the notes and pedantic tags are shown only.
    lintian --info --display-info --fail-on error,warning "$deb" || fail "lintian"
    ;;
window)
    has_window || { echo "built without the window: nothing to check"; exit 77; }
    install_to "$work/tree"
    program="$work/tree/bin/korvanix"
    headless() {
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$work/config" "$@"
    }
    out=$(headless "$program" --version) || fail "--version"
    [ "$out" = "korvanix $version" ] || fail "--version: $out"
    out=$(headless "$program" --help) || fail "--help"
    case $out in "Usage: korvanix "*) ;; *) fail "--help: $out" ;; esac
    # An installed program has no source tree beside it to point to.
    status=0
    out=$(headless "$program" 2>&1) || status=$?
    [ "$status" = 2 ] || fail "without a display: status $status: $out"
    case $out in *"./"* | *xvfb-run*) fail "without a display: $out" ;; esac

    [ -n "${DISPLAY:-}" ] || { echo "no X server: the window is not checked"; exit 77; }
    sample="$work/tree/share/korvanix/samples/tissue.KXP"
    XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb "$program" "$sample" 2>window.log &
    pid=$!
    trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
    wanted=$(sed -n 's/^StartupWMClass=//p' "$work/tree/share/applications/org.korvanix.Korvanix.desktop")
    [ -n "$wanted" ] || fail "the desktop entry names no StartupWMClass"
    # The shown window is the one with a name and a size; Qt's helper
    # windows are never mapped.
    found=
    tries=0
    while [ -z "$found" ] && [ "$tries" -lt 100 ]; do
        kill -0 "$pid" 2>/dev/null || { cat window.log >&2; fail "the program ended"; }
        for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }'); do
            xwininfo -id "$id" | grep -q 'Map State: IsViewable' && found=$id
        done
        [ -n "$found" ] || { sleep 0.3; tries=$((tries + 1)); }
    done
    [ -n "$found" ] || fail "no window was shown"
    class=$(xprop -id "$found" WM_CLASS)
    [ "$class" = "WM_CLASS(STRING) = \"korvanix\", \"$wanted\"" ] || fail "$class"
    # The icon is the entry's picture, not the toolkit's blank default.
    xprop -id "$found" -f _NET_WM_ICON 32c _NET_WM_ICON >icon.txt
    grep -q '^_NET_WM_ICON(CARDINAL) = [1-9]' icon.txt ||
        fail "the window has no icon: $(head -c 200 icon.txt)"
    colours=$(sed 's/^[^=]*=//' icon.txt | tr ',' '\n' | sort -u | wc -l)
    [ "$colours" -gt 8 ] || fail "the window icon is blank ($colours colours)"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
