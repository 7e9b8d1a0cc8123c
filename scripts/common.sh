# Shared by the scripts: install the Debian packages that are missing (with
# apt-get, through sudo when not run as root), then configure and build. Sourced,
# not run.

set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${QSE_BUILD_DIR:-$ROOT/build}"

# What building and running the editor needs on Debian 12 (zlib for the CRC-32s of
# BPS patches).
BUILD_PACKAGES=(cmake g++ make zlib1g-dev qt6-base-dev fonts-dejavu-core)
# What the tests need besides: an X server, a window manager, xdotool and xprop for
# the end-to-end test; lintian, appstreamcli and desktop-file-validate to check
# the Debian package.
TEST_PACKAGES=(xvfb xdotool openbox x11-utils lintian appstream desktop-file-utils)
# What building the Debian package needs before its own build dependencies.
PACKAGE_TOOLS=(dpkg-dev debhelper)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PKG...: installs those of PKG that are not installed yet.
ensure_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure DIR [CMAKE ARGS...]: configures the project into DIR.
configure() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

# build DIR [CMAKE ARGS...]: configures and builds the whole project into DIR.
build() {
    configure "$@"
    cmake --build "$1" -j"$(nproc)"
}
