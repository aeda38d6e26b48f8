# shellcheck shell=bash
# Installs what building and testing pellowick needs on Debian 12. Source it, then
# call pw_install_deps. It touches apt only when a package is missing.

# Package: why it is needed.
PW_DEB_PACKAGES=(
    cmake make g++                # native build and unit tests
    git                           # the tracked files (format check), the last commit's time
    zip unzip                     # the release zip; the end-to-end tests unpack it
    clang-format                  # the one formatting of the C++ sources (.clang-format)
    libgtest-dev googletest       # GoogleTest, built from source for both builds
    g++-mingw-w64-x86-64          # the Windows cross compilers (posix and win32 threading)
    wine wine64 fonts-wine        # running the Windows programs; fonts-wine has Tahoma
    xvfb xauth                    # a headless X display for Wine
    xdotool                       # clicks on Wine windows
    imagemagick                   # screenshots (import) and image checks
    x11-utils                     # xdpyinfo and xwininfo, to probe a display
)

# Prints the packages of PW_DEB_PACKAGES that are not installed, one per line.
pw_missing_deps() {
    local pkg
    for pkg in "${PW_DEB_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -qx 'install ok installed'; then
            printf '%s\n' "$pkg"
        fi
    done
}

pw_install_deps() {
    local -a missing
    mapfile -t missing < <(pw_missing_deps)
    [[ ${#missing[@]} -eq 0 ]] && return 0

    local -a as_root=()
    [[ $(id -u) -eq 0 ]] || as_root=(sudo)
    echo "pw: installing ${missing[*]}" >&2
    local log
    log=$(mktemp "${TMPDIR:-/tmp}/pw-apt.XXXXXX")
    if ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >"$log" 2>&1 ||
        ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
            apt-get install -y -q -o Dpkg::Options::=--force-confold "${missing[@]}" >>"$log" 2>&1; then
        echo "pw: apt-get failed; its output:" >&2
        tail -n 40 "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
    mapfile -t missing < <(pw_missing_deps)
    if [[ ${#missing[@]} -ne 0 ]]; then
        echo "pw: still missing after apt-get: ${missing[*]}" >&2
        return 1
    fi
}
