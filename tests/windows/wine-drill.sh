#!/usr/bin/env bash
# The Windows programs under Wine against the Linux simulator:
#   wine-drill.sh WINE_RUN WINEPREFIX BIN_DIR LINUX_SIM
# rm740ctl.exe reads the power state through a network port, and a Ctrl+C
# typed on its terminal ends it through its way out; the panel,
# started from the registry on COM1 (Wine's COM1 a pseudo-terminal), puts
# Power On on the line at a Space right after start-up; the panel on a
# network port shows the state after Status, and its port dialog's OK
# leaves the choice in the registry. Every wait is bounded.
set -euo pipefail
run="$1" prefix="$2" bin="$3" sim="$4"
export WINEPREFIX="$prefix" WINEDEBUG=-all
python=/usr/bin/python3
for tool in "$python" Xvfb xdotool wineserver; do
    command -v "$tool" >/dev/null || { echo "SKIP: the drill needs $tool"; exit 77; }
done
[ -x "$sim" ] || { echo "SKIP: no Linux simulator at $sim (RM740_LINUX_SIM)"; exit 77; }
store='HKCU\Software\VB and VBA Program Settings\ORVA'
work="$(mktemp -d "${TMPDIR:-/tmp}/rm740-wine-drill.XXXXXX")"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    [ ! -s "$work/sim.log" ] || { echo "simulator log:" >&2; cat "$work/sim.log" >&2; }
    exit 1
}
# wait_for SECONDS COMMAND...: true once COMMAND is.
wait_for() {
    local until=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -lt $until ] || return 1; sleep 0.2; done
}
has_line() { [ -s "$1" ]; }
holds() { grep -qF "$2" "$1" 2>/dev/null; }

# The simulator on a free loopback port, powered up at once.
port="$("$python" -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
"$sim" --tcp "$port" --warmup 0 >"$work/sim.url" 2>"$work/sim.log" &
pids+=($!)
wait_for 15 has_line "$work/sim.url" || fail "the simulator did not start"
url="$(head -n 1 "$work/sim.url")"
echo "simulator on $url"

# rm740ctl through the network port.
timeout 120 "$run" "$bin/rm740ctl.exe" --port "$url" power on status >"$work/ctl.out" 2>&1 ||
    fail "rm740ctl.exe: status $?: $(cat "$work/ctl.out")"
cat "$work/ctl.out"
grep -qP '^ C R 0  \[CR\] \t.*\t Power ON\tanswered' "$work/ctl.out" || fail "rm740ctl.exe did not read Power ON"

# Ctrl+C typed on rm740ctl.exe's terminal (Wine's console makes it the
# console's Ctrl+C) while it waits on a port that never answers: it closes the
# connection and ends with 130. (tst_consoleevents sends it the other events.)
timeout 120 "$python" - "$run" "$bin/rm740ctl.exe" <<'PY' || fail "Ctrl+C did not end rm740ctl.exe through its way out"
import os, pty, socket, sys
listener = socket.create_server(("127.0.0.1", 0))
listener.settimeout(60)
port = "socket://127.0.0.1:%d" % listener.getsockname()[1]
pid, terminal = pty.fork()
if pid == 0:
    os.execv(sys.argv[1], sys.argv[1:] + ["--timeout", "600000", "--port", port, "send", "CR0"])
line = listener.accept()[0]
line.settimeout(60)
sent = b""
while not sent.endswith(b"CR0\r"):
    sent += line.recv(100) or sys.exit("rm740ctl.exe left before sending: %r" % sent)
os.write(terminal, b"\x03")
closed = line.recv(100) == b""
try:
    while os.read(terminal, 4096):
        pass
except OSError:  # the terminal's far side all closed
    pass
status = os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])
print("Ctrl+C on its terminal: rm740ctl.exe ended with %d, the connection %s" % (status, "closed" if closed else "open"))
sys.exit(0 if status == 130 and closed else 1)
PY

# The panel on the network port, then its port dialog's OK.
QT_QPA_PLATFORM=offscreen RM740_DRILL_PORT="$url" timeout 180 "$run" "$bin/tst_panelonnetwork.exe" || fail "the panel on $url"
"$run" reg query "$store\\StartUP" >"$work/store.txt" 2>&1 || true
cat "$work/store.txt"
grep -qP '^\s+ComPort\s+REG_SZ\s+4\r?$' "$work/store.txt" || fail "ComPort is not \"4\" in $store\\StartUP"
grep -qP '^\s+BaudRate\s+REG_SZ\s+96\r?$' "$work/store.txt" || fail "BaudRate is not \"96\" in $store\\StartUP"

# COM1 a pseudo-terminal whose other end records what the panel writes.
"$python" - "$work/line" >"$work/pty" <<'PY' &
import os, select, sys, tty
master, device = os.openpty()
tty.setraw(device)
print(os.ttyname(device), flush=True)
with open(sys.argv[1], "ab", 0) as line:
    while select.select([master], [], [], 300)[0]:
        line.write(os.read(master, 4096))
PY
pids+=($!)
wait_for 10 has_line "$work/pty" || fail "no pseudo-terminal"
pts="$(head -n 1 "$work/pty")"
"$run" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pts" /f >/dev/null
"$run" reg delete "$store\\Ports" /f >/dev/null 2>&1 || true
"$run" reg add "$store\\StartUP" /v ComPort /t REG_SZ /d 1 /f >/dev/null
"$run" reg add "$store\\StartUP" /v BaudRate /t REG_SZ /d 192 /f >/dev/null
wineserver -k || true
wineserver -w

# The panel on an X server of its own, found by its title; Space at once.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 15 has_line "$work/display" || fail "Xvfb did not start"
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
QT_QPA_PLATFORM=windows "$run" "$bin/rm740-control.exe" >"$work/panel.log" 2>&1 &
pids+=($!)
# Looked for again and again: one search ends at a window that goes while
# it looks (X's BadWindow), as Wine's short-lived windows do at start-up.
found() { window="$(xdotool search --onlyvisible --name 'RM740  CONTROL' 2>/dev/null | head -n 1)"; [ -n "$window" ]; }
wait_for 120 found || fail "no panel window on $DISPLAY: $(cat "$work/panel.log")"
timeout 10 xdotool windowfocus --sync "$window" || xdotool windowfocus "$window"
xdotool key space
wait_for 30 holds "$work/line" $'C00\r' || fail "no C00 on $pts, only: $(od -c "$work/line" 2>/dev/null | head)"
echo "the panel put C00 and CR on $pts"

# For the documentation (scripts/screenshots.sh): the full view as Wine draws it.
if [ -n "${RM740_WINDOWS_SCREENSHOT:-}" ]; then
    compact="$(xdotool getwindowgeometry "$window" | grep Geometry)"
    xdotool key ctrl+h
    taller() { [ "$(xdotool getwindowgeometry "$window" | grep Geometry)" != "$compact" ]; }
    wait_for 15 taller || fail "Ctrl+H did not switch to the full view"
    sleep 1  # the window's first paint in its new size
    import -window "$window" "$RM740_WINDOWS_SCREENSHOT"
    echo "the full view: $RM740_WINDOWS_SCREENSHOT"
fi
