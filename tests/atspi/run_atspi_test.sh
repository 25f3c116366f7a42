#!/usr/bin/env bash
# run_atspi_test.sh PYTHON SCRIPT PROGRAM SIMULATOR
# Runs the AT-SPI test in a D-Bus session and an X server of its own, with the
# program wired to the simulator through a private settings store. Everything
# it starts ends with it; a stuck accessibility bus ends in a time-out, not a hang.
set -euo pipefail

PYTHON="$1" SCRIPT="$2" PROGRAM="$3" SIMULATOR="$4"
LIMIT_S=240

WORK="$(mktemp -d "${TMPDIR:-/tmp}/rm740-atspi.XXXXXX")"
SIM_PID=""
cleanup() {
    if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

# Replies a byte at a time, so that the RxD line grows piece by piece.
"$SIMULATOR" --link "$WORK/projector" --split >"$WORK/device" 2>"$WORK/exchange.log" &
SIM_PID=$!
for _ in $(seq 100); do [ -L "$WORK/projector" ] && break; sleep 0.1; done
if [ ! -L "$WORK/projector" ]; then
    echo "The simulator did not start." >&2
    cat "$WORK/exchange.log" >&2
    exit 1
fi

cat >"$WORK/ORVA.conf" <<CONF
[Ports]
COM1="$WORK/projector"

[StartUP]
BaudRate=192
ComPort=1
CONF

# The accessibility bus launcher keeps its socket under the runtime folder.
mkdir -m 700 "$WORK/runtime"
status=0
# Output goes to a file: a bus helper that outlived the session would otherwise
# hold CTest's pipe open.
env -u DISPLAY -u WAYLAND_DISPLAY -u AT_SPI_BUS_ADDRESS -u DBUS_SESSION_BUS_ADDRESS \
    XDG_RUNTIME_DIR="$WORK/runtime" \
    timeout -k 10 "$LIMIT_S" \
    dbus-run-session -- \
    xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$PYTHON" "$SCRIPT" --program "$PROGRAM" --config-home "$WORK" \
    >"$WORK/session.log" 2>&1 || status=$?

grep -v "Failed to set fd limit" "$WORK/session.log" || true
if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "The AT-SPI session did not finish within $LIMIT_S s." >&2
fi
echo "Exchange log:"
cat "$WORK/exchange.log"
exit "$status"
