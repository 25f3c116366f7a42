#!/usr/bin/env bash
# ./bench.sh [ROUNDS]: builds an optimised tree and runs every benchmark
# against the real program code on pseudo-terminals (and through ser2net on
# loopback for the network ports); start-up is measured on
# an Xvfb server, beside Debian's cutecom. Prints median and worst per figure.
# Not part of ./test.sh: nothing here passes or fails.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"
rounds="${1:-5}"

ensure_packages "${BUILD_PACKAGES[@]}" "${RUNTIME_PACKAGES[@]}" "${NETWORK_TEST_PACKAGES[@]}" \
    xvfb xauth pkg-config libxcb1-dev cutecom
build="$ROOT/build-bench"
build_tree "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(free -g | awk '/Mem:/ {print $2}') GiB; $(uname -sr)"
echo
echo "| figure | median | worst | unit | target |"
echo "|---|---|---|---|---|"
export QT_QPA_PLATFORM=offscreen
for bench in bench_holdcadence bench_replylatency bench_networklatency bench_flood bench_logmemory bench_logfilter \
    bench_ctlfanout bench_ctlstartup bench_bridge bench_web bench_metrics bench_mqtt bench_mqttscale; do
    "$build/bench/$bench" "$rounds" 2>/dev/null | grep '^|'
done

# Start-up on a real (virtual) X server that does not reset between clients.
display=99
while [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -noreset >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
unset QT_QPA_PLATFORM
DISPLAY=":$display" "$build/bench/bench_startup" "$((rounds * 2))" "$build/app/rm740-control" \
    "$(command -v cutecom)" 2>/dev/null | grep '^|'
# Against the floor: a bare Qt window that opens the same port and shows one button.
DISPLAY=":$display" "$build/bench/bench_startup" "$((rounds * 2))" "$build/app/rm740-control" \
    "$build/bench/floor_window" @DEVICE 2>/dev/null | grep '^|' | grep -v '^| rm740-control' 
