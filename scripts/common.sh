# Shared by run.sh, test.sh and bench.sh: install what is missing, configure, build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# xcb (with pkg-config to find it) keeps the command list window off the
# task bar on X11; Qt's HTTP server and WebSockets serve the bridge's web page.
# prometheus-cpp (its core: the registry and the text format) writes the
# bridge's and rm740ctl's metrics.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-serialport-dev qt6-httpserver-dev qt6-websockets-dev
    pkg-config libxcb1-dev prometheus-cpp-dev)
# libmosquitto puts the bridge on an MQTT broker.
BUILD_PACKAGES+=(libmosquitto-dev)
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
# ... and a real broker, its command-line clients and openssl for its TLS
# certificate (MQTT.js comes from npm, see ensure_mqtt_client).
BRIDGE_TEST_PACKAGES+=(mosquitto mosquitto-clients openssl)
# What the documents' examples call: netcat (the PJLink example's nc) and curl
# (the web API's).
EXAMPLE_TEST_PACKAGES=(netcat-openbsd curl)
# What the bridge's web page is tested with: headless chromium driven by
# selenium (axe-core comes from npm, see ensure_npm_test_packages).
WEB_TEST_PACKAGES=(chromium chromium-driver python3-selenium)
# What the metrics are tested with: a real Prometheus and its promtool.
METRICS_TEST_PACKAGES=(prometheus)
# What builds the Qt for Windows from source (scripts/build-qt-windows.sh):
# the cross compilers with posix threads (std::thread), the host's Qt of the
# same version for its tools, and what unpacks and patches the sources.
WINDOWS_QT_BUILD_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
    qt6-base-dev qt6-base-dev-tools cmake ninja-build xz-utils patch)
# What packages the Windows build (scripts/package-windows.sh): objdump reads
# the DLLs' imports, NSIS makes the installer.
WINDOWS_PACKAGE_PACKAGES=(binutils-mingw-w64-x86-64 nsis zip)
# What checks the zip and the installer (scripts/install-check-windows.sh):
# Wine runs the installer and the panel, on an X server of its own.
WINDOWS_INSTALL_CHECK_PACKAGES=(wine wine64 unzip xvfb xauth xdotool)
# The Wine drill's pseudo-terminal and free port come from Python.
WINDOWS_INSTALL_CHECK_PACKAGES+=(python3)
# What scripts/windows.sh needs beyond those: the cross compilers, Wine for
# the tests, and Xvfb with xdotool for the drill that drives the panel's window.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
    "${WINDOWS_PACKAGE_PACKAGES[@]}" "${WINDOWS_INSTALL_CHECK_PACKAGES[@]}")

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# --- progress: each step one line, its output in the log ---------------------
# RM740_LOG is the file that the steps of one run write their whole output to
# (scripts started by a script write to the same one); STEP_NOTE, set by a
# step's command, is said after its time.
log_steps_to() {  # log_steps_to NAME: a log of its own for this run, unless one is given
    if [ -z "${RM740_LOG:-}" ]; then
        RM740_LOG="$(mktemp "${TMPDIR:-/tmp}/rm740-$1.XXXXXX.log")"
        export RM740_LOG
        echo "Each step's whole output: $RM740_LOG"
    fi
}

duration() {  # duration SECONDS: "42 s", "3 min 05 s"
    if [ "$1" -lt 60 ]; then echo "$1 s"; else printf '%d min %02d s\n' $(($1 / 60)) $(($1 % 60)); fi
}

# step LABEL COMMAND...: runs COMMAND with its output in the log and says, on
# one line, what it does and how long it took; a failure shows the log's end.
step() {
    local label="$1" started=$SECONDS status=0; shift
    log_steps_to steps
    printf '%s ... ' "$label"
    printf '\n== %s\n' "$label" >>"$RM740_LOG"
    STEP_NOTE=""
    "$@" >>"$RM740_LOG" 2>&1 </dev/null || status=$?
    if [ $status -eq 0 ]; then
        echo "done in $(duration $((SECONDS - started)))${STEP_NOTE:+: $STEP_NOTE}"
    else
        echo "FAILED after $(duration $((SECONDS - started)))"
        echo "The last lines of $RM740_LOG:" >&2
        tail -n 25 "$RM740_LOG" >&2
    fi
    return $status
}

# ensure_packages PKG...: installs those of the Debian packages that are
# missing, as one step.
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
    step "Installing ${missing[*]} (apt-get)" install_packages "${missing[@]}" || return
    # CMake looks again for what the tests use (configure_tree).
    RM740_PACKAGES_INSTALLED=1
}

install_packages() {
    local from
    from=$(wc -l <"$RM740_LOG")
    # A step's command runs where set -e does not hold: each failure is passed on.
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update || return
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$@" || return
    STEP_NOTE="$# package(s) and what they need, $(tail -n +"$((from + 1))" "$RM740_LOG" | grep -c '^Setting up ' || true) set up"
}

# ensure_pjlink_client DIR: the npm package pjlink 0.2.8, the client the
# bridge is tested against, in DIR/npm/node_modules (test-only, never
# installed system-wide). npm comes with nodejs from some sources and is a
# package of its own in Debian's. Without the network the test is skipped.
ensure_pjlink_client() {
    ensure_npm_test_package "$1" pjlink 0.2.8 "the bridge's client test"
}

# ensure_mqtt_client DIR: the npm package mqtt (MQTT.js), the bridge's other
# MQTT client in the tests, in DIR/npm/node_modules (test-only as well).
ensure_mqtt_client() {
    ensure_npm_test_package "$1" mqtt 5.16.1 "the bridge's MQTT.js test"
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
    if ! step "Installing $name $version from npm into ${dir#"$ROOT"/}/npm, for $what" \
        npm install --prefix "$dir/npm" --no-audit --no-fund --silent "$name@$version"; then
        echo "npm could not install $name: $what will be skipped" >&2
    fi
}

# configure_tree DIR [CMAKE ARGS...]: configures DIR once, and again after
# packages were installed: a tree that run.sh configured before test.sh
# installed what the tests need would leave those tests out.
configure_tree() {
    local dir="$1"; shift
    if [ ! -f "$dir/build.ninja" ]; then
        step "Configuring ${dir#"$ROOT"/}/ (CMake, Ninja)" \
            cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
    elif [ -n "${RM740_PACKAGES_INSTALLED:-}" ]; then
        step "Configuring ${dir#"$ROOT"/}/ again, for the packages just installed (CMake)" \
            cmake -S "$ROOT" -B "$dir" "$@"
    fi
}

# build_targets DIR WHAT [TARGET...]: builds the targets (all without any),
# WHAT saying what they are.
build_targets() {
    local dir="$1" what="$2"; shift 2
    local targets=()
    [ $# -eq 0 ] || targets=(--target "$@")
    step "Building $what in ${dir#"$ROOT"/}/" built_steps cmake --build "$dir" "${targets[@]}"
}

built_steps() {  # built_steps COMMAND...: runs a build, noting how many steps Ninja took
    local from
    from=$(wc -l <"$RM740_LOG")
    "$@" || return
    local steps
    steps="$(tail -n +"$((from + 1))" "$RM740_LOG" | grep -c '^\[[0-9]*/[0-9]*\]' || true)"
    STEP_NOTE="$([ "$steps" -gt 0 ] && echo "$steps build steps" || echo "nothing to build")"
}

# build_tree DIR [CMAKE ARGS...]: configures (once) and builds everything into DIR.
build_tree() {
    local dir="$1"; shift
    configure_tree "$dir" "$@"
    build_targets "$dir" "everything"
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
