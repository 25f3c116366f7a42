# Shared by run.sh, test.sh and bench.sh: install what is missing, configure, build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev)
# What the AT-SPI test needs: an assistive-technology client (pyatspi), the
# accessibility bus, a D-Bus session and an X server.
ATSPI_TEST_PACKAGES=(python3-pyatspi at-spi2-core dbus-daemon xvfb xauth)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PKG...: installs those of the Debian packages that are missing.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# build_tree DIR [CMAKE ARGS...]: configures (once) and builds into DIR.
build_tree() {
    local dir="$1"; shift
    if [ ! -f "$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    fi
    cmake --build "$dir"
}

# write_simulator_settings DIR LINK: a settings store of its own in DIR (give
# the program XDG_CONFIG_HOME=DIR) in which COM1 is the device at LINK, at
# 19200 baud. The user's own store is not touched.
write_simulator_settings() {
    cat >"$1/ORVA.conf" <<CONF
[Ports]
COM1="$2"

[StartUP]
BaudRate=192
ComPort=1
CONF
}
