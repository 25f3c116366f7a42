#!/usr/bin/env bash
# on-xvfb.sh COMMAND...: runs COMMAND on an X server of its own (Xvfb on the
# first free display, which Xvfb picks itself, so parallel tests never race
# for one) with the xcb platform, and stops the server afterwards.
set -euo pipefail
WORK="$(mktemp -d "${TMPDIR:-/tmp}/rm740-xvfb.XXXXXX")"
XVFB_PID=""
cleanup() {
    [ -z "$XVFB_PID" ] || kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$WORK/display" 2>"$WORK/xvfb.log" &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
if [ ! -s "$WORK/display" ]; then
    echo "Xvfb did not start:" >&2
    cat "$WORK/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$(head -n1 "$WORK/display")" QT_QPA_PLATFORM=xcb "$@"
