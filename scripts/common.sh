# Shared by start.sh and test.sh: installs the Debian packages that are missing and
# builds the program in build/.

set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$top/build"

# librsvg2-bin renders the icon; libxcb1-dev (through pkgconf) reads the window manager's
# frame; dpkg-dev works out the Debian package's dependencies; the validators, dbus-daemon and
# the MIME database serve the tests; xvfb and xauth give the start-up benchmark a display;
# mtools writes floppy images and dosfstools' fsck.fat checks them; clang and its runtime
# build the sanitizer run and the fuzzers; the catalogue of disks is SQLite through Qt SQL, with
# SQLite's own calls where Qt's are slow, and the checksums are libxxhash's.
packages=(build-essential cmake qt6-base-dev libgl-dev fonts-liberation xdg-utils mtools librsvg2-bin dpkg-dev
          desktop-file-utils appstream dbus-daemon shared-mime-info pkgconf libxcb1-dev
          xvfb xauth clang libclang-rt-14-dev dosfstools libqt6sql6-sqlite libsqlite3-dev libxxhash-dev)

install_missing_packages() {
    local missing=()
    for package in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    local as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    "${as_root[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Options for CMake may follow, such as the test command's warnings as errors.
build_program() {
    cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    cmake --build "$build" --parallel "$(nproc)"
}
