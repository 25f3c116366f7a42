#!/usr/bin/env bash
# Screenshots of the real program against the simulated projector, at scale 1
# and 2 (QT_SCALE_FACTOR), on the offscreen platform. The full view and the
# exchange log with a filter applied go to docs/screenshots/ for the README;
# every window's picture goes to build/screenshots/ for review.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" "${RUNTIME_PACKAGES[@]}"
build_tree "$ROOT/build"
cmake --build "$ROOT/build" --target rm740-screenshots

WORK="$(mktemp -d "${TMPDIR:-/tmp}/rm740-screenshots.XXXXXX")"
SIM_PID=""
cleanup() {
    [ -z "$SIM_PID" ] || kill "$SIM_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

LINK="$WORK/projector"
"$ROOT/build/sim/rm740-sim" --link "$LINK" >/dev/null 2>"$WORK/exchange.log" &
SIM_PID=$!
for _ in $(seq 100); do [ -L "$LINK" ] && break; sleep 0.1; done
[ -L "$LINK" ] || { echo "The simulator did not start." >&2; exit 1; }

# COM1 is the simulator, at 19200 baud, in a settings store of this run's own.
write_simulator_settings "$WORK" "$LINK"

OUT="$ROOT/build/screenshots"
mkdir -p "$OUT" "$ROOT/docs/screenshots"
for scale in 1 2; do
    XDG_CONFIG_HOME="$WORK" QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR="$scale" \
        "$ROOT/build/scripts/screenshots/rm740-screenshots" "$OUT" "${scale}x"
    cp "$OUT/form1-full-${scale}x.png" "$OUT/exchange-log-filtered-${scale}x.png" "$ROOT/docs/screenshots/"
done
echo "Exchanges:"
cat "$WORK/exchange.log"

# The Windows panel's full view under Wine + Xvfb, where scripts/windows.sh has
# made the Windows build: its drill keeps a picture.
if [ -f "$ROOT/build-windows/CTestTestfile.cmake" ] && command -v wine >/dev/null; then
    RM740_WINDOWS_SCREENSHOT="$ROOT/docs/screenshots/form1-windows.png" \
        ctest --test-dir "$ROOT/build-windows" -R '^tst_wine_drill$' --output-on-failure
fi
