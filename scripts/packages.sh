# Debian packages Korvanix needs, and the one routine that installs the missing ones.
KVX_BUILD_PACKAGES=(g++ cmake ninja-build pkg-config libjpeg62-turbo-dev libgif-dev libpng-dev libtiff-dev libopencv-imgproc-dev qt6-base-dev qt6-translations-l10n fonts-liberation libqt6svg6)
KVX_TEST_PACKAGES=(libgtest-dev libbenchmark-dev python3 clang-format clang libclang-rt-14-dev r-base-core libwmf-bin gsfonts libjpeg-turbo-progs xvfb xauth desktop-file-utils appstream shared-mime-info groff-base dpkg-dev lintian x11-utils)

kvx_ensure_packages() {
    local missing=() p
    for p in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then sudo=(sudo); else
            echo "error: these packages are missing and cannot be installed without root: ${missing[*]}" >&2
            return 1
        fi
    fi
    if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq ||
       ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"; then
        echo "error: could not install: ${missing[*]} (is the Debian package archive reachable?)" >&2
        return 1
    fi
}
