#!/usr/bin/env bash
# The bridge against the npm package "pjlink" under Debian's nodejs, with and
# without a password and with a wrong one. test.sh installs the package into
# the build tree; without it the test is skipped (status 77), saying so.
# Usage: pjlink-client-test.sh BRIDGE SIMULATOR NODE_MODULES
set -euo pipefail
bridge="$1"; simulator="$2"; modules="$3"
here="$(cd "$(dirname "$0")" && pwd)"

if ! command -v node >/dev/null; then
    echo "SKIP: node is not installed (test.sh installs Debian's nodejs)"; exit 77
fi
if [ ! -f "$modules/pjlink/package.json" ]; then
    echo "SKIP: the npm package pjlink is not in $modules (test.sh installs it: npm install --prefix build/npm pjlink@0.2.8)"
    exit 77
fi

work="$(mktemp -d)"
pids=()
cleanup() { for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# serve [OPTIONS...]: the simulator on a pseudo-terminal, the bridge on it; sets $port.
serve() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    pids=()
    "$simulator" --link "$work/projector" --warmup 1 --cooldown 1 ${SIMULATOR_OPTIONS:-} >"$work/sim.out" 2>"$work/sim.log" &
    pids+=($!)
    for _ in $(seq 100); do [ -L "$work/projector" ] && break; sleep 0.05; done
    port="$(free_port)"
    "$bridge" --port "$work/projector" --pjlink "127.0.0.1:$port" --name Room-101 --poll-interval "${POLL_INTERVAL:-0.2}" "$@" \
        2>"$work/bridge.log" &
    pids+=($!)
    for _ in $(seq 100); do grep -q "is open" "$work/bridge.log" 2>/dev/null && return 0; sleep 0.05; done
    echo "the bridge did not come up:"; cat "$work/bridge.log"; exit 1
}

export NODE_PATH="$modules"
echo "# without a password"
serve
node "$here/pjlink-client.js" "$port"

echo "# with a password"
printf 'JBMIAProjectorLink\n' >"$work/password"
chmod 600 "$work/password"
serve --password-file "$work/password"
node "$here/pjlink-client.js" "$port" JBMIAProjectorLink
node "$here/pjlink-client.js" "$port" NotThePassword wrong
grep -q "authentication failed: wrong digest" "$work/bridge.log"
! grep -q "JBMIAProjectorLink\|NotThePassword" "$work/bridge.log"
echo "ok - the wrong digest is logged with the peer, no password in the log"

echo "# a silent projector, the default reply timeout and polling"
SIMULATOR_OPTIONS=--silent POLL_INTERVAL=5 serve
node "$here/pjlink-client.js" "$port" "" silent
# One connection served it all: a single peer in the log.
[ "$(grep -o '127\.0\.0\.1:[0-9]* %1' "$work/bridge.log" | sort -u | wc -l)" -eq 1 ]
echo "ok - the client kept its one connection"
