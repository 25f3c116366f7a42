#!/usr/bin/env bash
# Installs what is missing, builds the control panel and the simulator (only
# them: the tests and the rest are test.sh's), and starts the panel wired to
# the simulator, so it can be tried without a projector. Arguments go to the
# simulator (./run.sh --split --delay 200; ./run.sh --help lists them). With
# --tcp [PORT] or --rfc2217 [PORT] the simulator listens on a loopback port
# (4001 or 2217 unless given) and the panel reaches it over the network.
# With no display it runs a scripted session under Xvfb instead, saves a
# screenshot of the full view and prints the exchange log.
set -euo pipefail
RUN_STARTED=$SECONDS

usage() {
    cat <<'USAGE'
Usage: ./run.sh [--tcp [ADDR:]PORT | --rfc2217 [ADDR:]PORT] [SIMULATOR OPTION]...

Installs what is missing, builds the control panel and the simulator into
build/, and starts the panel on a simulated projector: a settings store of its
own maps COM1 to the simulator at 19200 baud (yours is not touched). Closing
the panel stops the simulator. Without a display it plays a short session on a
virtual screen instead and saves a screenshot as build/run-session.png.

  --tcp [ADDR:]PORT       the simulator on raw TCP, COM1 its URL (127.0.0.1:4001
                          unless given)
  --rfc2217 [ADDR:]PORT   the simulator as an RFC 2217 server (127.0.0.1:2217)
  --warmup S, --cooldown S, --delay MS, --split, --silent, --noise, --flood,
  --drop-after N, --seed N
                          the simulated projector's ways: see man rm740-sim,
                          or build/sim/rm740-sim --help once built
  -h, --help              shows this help

The whole output of installing and building goes to a log file in /tmp; each
step prints one line. ./test.sh builds the rest and runs every test.
USAGE
}
for argument in "$@"; do
    case "$argument" in
    -h | --help) usage; exit 0 ;;
    esac
done

source "$(dirname "$0")/scripts/common.sh"

log_steps_to run
ensure_packages "${BUILD_PACKAGES[@]}" "${RUNTIME_PACKAGES[@]}"
configure_tree "$ROOT/build"
build_targets "$ROOT/build" "the panel and the simulator (rm740-control, rm740-sim)" rm740-control rm740-sim

BUILD="$ROOT/build"
WINDOW_TITLE="ORVA   RM740  CONTROL"
SCREENSHOT="$BUILD/run-session.png"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/rm740-run.XXXXXX")"
LINK="$WORK/projector"
SIM_PID="" APP_PID="" XVFB_PID=""

stop() {  # stop PID: ends a process this script started, if it still runs
    local pid="$1"
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
}
cleanup() {
    stop "$APP_PID"
    stop "$SIM_PID"
    stop "$XVFB_PID"
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
    local tenths=$(( $1 * 10 )); shift
    for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
    return 1
}

# --- the simulated projector -------------------------------------------------
# The simulator's arguments; --tcp and --rfc2217 get a port when none follows.
SIM_ARGS=()
NETWORK=""
while [ $# -gt 0 ]; do
    SIM_ARGS+=("$1")
    case "$1" in
    --tcp | --rfc2217)
        NETWORK="$1"
        if [[ "${2:-}" =~ ^([0-9.]+:|\[[0-9A-Fa-f:.]+\]:)?[0-9]+$ ]]; then
            SIM_ARGS+=("$2")
            shift
        elif [ "$1" = --tcp ]; then
            SIM_ARGS+=(4001)
        else
            SIM_ARGS+=(2217)
        fi
        ;;
    esac
    shift
done
# On a network port there is no device to link to: COM1 is its URL.
[ -n "$NETWORK" ] || SIM_ARGS=(--link "$LINK" "${SIM_ARGS[@]}")

start_simulator() {  # start_simulator [LOG]: the exchange log goes to LOG, or to standard error
    if [ -n "${1:-}" ]; then
        "$BUILD/sim/rm740-sim" "${SIM_ARGS[@]}" >"$WORK/device" 2>"$1" &
    else
        "$BUILD/sim/rm740-sim" "${SIM_ARGS[@]}" >"$WORK/device" &
    fi
    SIM_PID=$!
    # Until it says where it is, or ends: with what it said (on this
    # terminal, or in LOG), run.sh ends too.
    if ! wait_for 10 simulator_settled || ! kill -0 "$SIM_PID" 2>/dev/null; then
        local status=0
        stop "$SIM_PID"
        wait "$SIM_PID" 2>/dev/null || status=$?
        SIM_PID=""
        [ -z "${1:-}" ] || cat "$1" >&2
        echo "The simulator did not start (exit status $status): run.sh stops." >&2
        exit 1
    fi
    local where
    where="$(head -n1 "$WORK/device")"
    case "$where" in
    /* | socket://* | rfc2217://*) ;;
    *) echo "The simulator said \"$where\" where its device or URL was expected: run.sh stops." >&2; exit 1 ;;
    esac
    if [ -n "$NETWORK" ]; then
        echo "Simulated projector listening on $where"
        write_simulator_settings "$WORK" "$where"
    else
        echo "Simulated projector on $where, linked as $LINK"
        write_simulator_settings "$WORK" "$LINK"
    fi
}

simulator_settled() { [ -s "$WORK/device" ] || ! kill -0 "$SIM_PID" 2>/dev/null; }

start_program() {  # start_program [LOG]: in the background, its output to LOG or here
    if [ -n "${1:-}" ]; then
        XDG_CONFIG_HOME="$WORK" "$BUILD/app/rm740-control" >"$1" 2>&1 &
    else
        XDG_CONFIG_HOME="$WORK" "$BUILD/app/rm740-control" &
    fi
    APP_PID=$!
}

# XDG_CONFIG_HOME for the program only: the user's store is not touched; the
# simulator writes it once it knows where it is (start_simulator).

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    # The exchange log goes to this terminal as the session runs.
    start_simulator
    start_program
    wait "$APP_PID" && status=0 || status=$?
    APP_PID=""
    exit "$status"
fi

# --- no display: a scripted session under Xvfb --------------------------------
echo "No display found: running a scripted session under Xvfb (power on, status, lamp time)."
ensure_packages xvfb xdotool imagemagick

EXCHANGE_LOG="$WORK/exchange.log"
start_simulator "$EXCHANGE_LOG"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
if ! wait_for 10 test -s "$WORK/display"; then
    echo "Xvfb did not start:" >&2
    cat "$WORK/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$WORK/display")"

start_program "$WORK/program.log"
if ! WID="$(timeout 30 xdotool search --sync --onlyvisible --name "$WINDOW_TITLE" | head -n1)" \
    || [ -z "$WID" ]; then
    echo "The control panel did not come up:" >&2
    cat "$WORK/program.log" >&2
    exit 1
fi
echo "The control panel's window is up, $(duration $((SECONDS - RUN_STARTED))) after ./run.sh started."

# Button centres in the window, in pixels (twips / 15).
click() {  # click NAME X Y
    echo "  click $1"
    xdotool mousemove --window "$WID" "$2" "$3" click 1
}
power_on() { click "Power On" 40 50; }
status() { click "Status" 618 369; }
lamp_time() { click "Lamp Time" 618 449; }
end_program() { click "END" 618 324; }
power_is_on() { tail -n1 "$EXCHANGE_LOG" | grep -q 'CR0\[CR\]  ->  00\[CR\]'; }

sleep 1  # let the window settle before typing into it
timeout 10 xdotool windowfocus --sync "$WID" || true
echo "  Ctrl+H: the full view"
xdotool key ctrl+h
sleep 0.5
power_on
sleep 0.5
walked=0
for _ in $(seq 60); do  # until the warm-up is over
    status
    sleep 0.5
    if power_is_on; then walked=1; break; fi
done
lamp_time
sleep 0.5
import -window "$WID" "$SCREENSHOT"
end_program
wait_for 10 eval '! kill -0 "$APP_PID" 2>/dev/null' || stop "$APP_PID"
APP_PID=""

echo
echo "Exchange log:"
cat "$EXCHANGE_LOG"
echo
echo "Screenshot of the full view: $SCREENSHOT"
if [ "$walked" -ne 1 ]; then
    echo "The projector never reported Power ON." >&2
    exit 1
fi
