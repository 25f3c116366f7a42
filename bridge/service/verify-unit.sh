#!/usr/bin/env bash
# verify-unit.sh system|user UNIT MANUAL_DIR: systemd-analyze verify on a
# made unit, as the system's service manager or a user's would load it, its
# manual page looked up in MANUAL_DIR (verify runs man for Documentation=);
# and the settings that unit must have. verify also checks that ExecStart's
# program is there. Exit 77 where systemd-analyze is missing.
set -euo pipefail
manager="$1"; unit="$2"; manuals="$3"
if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze is missing (Debian's systemd package has it; test.sh installs it)"; exit 77
fi
options=()
if command -v man >/dev/null; then
    export MANPATH="$manuals"
    man -w rm740-bridge >/dev/null
else
    echo "man is not installed: the Documentation= line is not looked up"
    options+=(--man=no)
fi
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
# A user's manager keeps its state in the user's runtime folder.
[ "$manager" = system ] || { options+=(--user); export XDG_RUNTIME_DIR="$runtime"; }
# Everything verify says is a finding: it prints nothing for a sound unit.
report="$(systemd-analyze "${options[@]}" verify "$unit" 2>&1)" || { echo "$report"; exit 1; }
if [ -n "$report" ]; then echo "$report"; exit 1; fi

# The sandbox of the system's service; a user's service runs as its user,
# where those settings cannot hold.
sandbox=(DynamicUser=yes SupplementaryGroups=dialout ProtectSystem=strict PrivateTmp=yes)
for setting in NoNewPrivileges=yes "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX AF_NETLINK" \
    "ExecStart=$(sed -n 's/^ExecStart=\([^ ]*rm740-bridge\) .*/\1/p' "$unit") --config "*; do
    grep -q "^$setting" "$unit" || { echo "$unit lacks $setting"; exit 1; }
done
for setting in "${sandbox[@]}"; do
    if [ "$manager" = system ]; then
        grep -qx "$setting" "$unit" || { echo "$unit lacks $setting"; exit 1; }
    elif grep -q "^${setting%%=*}=" "$unit"; then
        echo "$unit, a user's unit, has $setting"; exit 1
    fi
done
echo "systemd-analyze verify: $unit is a sound $manager unit"
