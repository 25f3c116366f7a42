# Shared by run.sh, test.sh and bench.sh: install what is missing, configure, build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# xcb (with pkg-config to find it) keeps the command list window off the
# task bar on X11; Qt's HTTP server and WebSockets serve the bridge's web page.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev
    pkg-config libxcb1-dev)
# What the program needs at run time beyond the libraries: the face its
# captions are laid out for (Liberation Sans has Arial's metrics; with other
# faces captions are drawn smaller to fit), and Qt's display plugins.
RUNTIME_PACKAGES=(fonts-liberation2 qt6-qpa-plugins)
# What the AT-SPI test needs: an assistive-technology client (pyatspi), the
# accessibility bus, a D-Bus session and an X server.
ATSPI_TEST_PACKAGES=(python3-pyatspi at-spi2-core dbus-daemon xvfb xauth)
# What the network port tests need: a real serial device server, and
# pyserial's RFC 2217 client as another maker's client of the simulator.
NETWORK_TEST_PACKAGES=(ser2net python3-serial)
# What rm740ctl's completion test needs: bash's completion framework.
CTL_TEST_PACKAGES=(bash-completion)
# What the bridge's tests need: node for the independent PJLink client (npm's
# pjlink, see ensure_pjlink_client), systemd-analyze to verify the unit, man
# to look up its manual page the way verify does.
BRIDGE_TEST_PACKAGES=(nodejs systemd man-db)
# What the bridge's web page is tested with: headless chromium driven by
# selenium (axe-core comes from npm, see ensure_npm_test_packages).
WEB_TEST_PACKAGES=(chromium chromium-driver python3-selenium)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages PKG...: installs those of the Debian packages that are
# missing. apt's output goes to a log file; only a summary is printed, and the
# log's path when something fails.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ] && ! command -v sudo >/dev/null 2>&1; then
        echo "Missing: ${missing[*]}. Installing them needs root: run this as root, or install sudo." >&2
        return 1
    fi
    local log
    log="$(mktemp "${TMPDIR:-/tmp}/rm740-apt.XXXXXX.log")"
    echo "Installing ${missing[*]} (apt's output: $log)"
    local started=$SECONDS
    if ! { as_root env DEBIAN_FRONTEND=noninteractive apt-get update \
           && as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"; } \
           >"$log" 2>&1; then
        echo "Installing failed; the last lines of $log:" >&2
        tail -n 15 "$log" >&2
        return 1
    fi
    echo "Installed ${#missing[@]} package(s) and what they need: $(grep -c '^Setting up ' "$log") set up in $((SECONDS - started)) s"
}

# ensure_pjlink_client DIR: the npm package pjlink 0.2.8, the client the
# bridge is tested against, in DIR/npm/node_modules (test-only, never
# installed system-wide). npm comes with nodejs from some sources and is a
# package of its own in Debian's. Without the network the test is skipped.
ensure_pjlink_client() {
    ensure_npm_test_package "$1" pjlink 0.2.8 "the bridge's client test"
}

# ensure_axe_core DIR: the npm package axe-core, which checks the bridge's web
# page in the browser test, in DIR/npm/node_modules (test-only as well).
ensure_axe_core() {
    ensure_npm_test_package "$1" axe-core 4.10.3 "the web page's accessibility check"
}

# ensure_npm_test_package DIR NAME VERSION WHAT: NAME@VERSION in DIR/npm.
ensure_npm_test_package() {
    local dir="$1" name="$2" version="$3" what="$4"
    [ -f "$dir/npm/node_modules/$name/package.json" ] && return 0
    command -v npm >/dev/null 2>&1 || ensure_packages npm
    mkdir -p "$dir/npm"
    if ! npm install --prefix "$dir/npm" --no-audit --no-fund --silent "$name@$version" >"$dir/npm/install-$name.log" 2>&1; then
        echo "npm could not install $name (see $dir/npm/install-$name.log): $what will be skipped" >&2
    fi
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
# the program XDG_CONFIG_HOME=DIR) in which COM1 is the device at LINK (or the
# network port LINK names, socket://... or rfc2217://...), at 19200 baud. The
# user's own store is not touched.
write_simulator_settings() {
    cat >"$1/ORVA.conf" <<CONF
[Ports]
COM1="$2"

[StartUP]
BaudRate=192
ComPort=1
CONF
}
