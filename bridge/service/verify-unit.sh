#!/usr/bin/env bash
# systemd-analyze verify on the packaged unit, its ExecStart pointed at the
# built program (verify checks that it is there) and its manual page found
# in the build tree (verify runs man for Documentation=).
# Usage: verify-unit.sh UNIT BRIDGE MANUAL_DIR
set -euo pipefail
unit="$1"; bridge="$2"; manuals="$3"
if ! command -v systemd-analyze >/dev/null; then
    echo "SKIP: systemd-analyze is missing (Debian's systemd package has it; test.sh installs it)"; exit 77
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sed "s|^ExecStart=/usr/bin/rm740-bridge|ExecStart=$bridge|" "$unit" >"$work/rm740-bridge.service"
grep -q "^ExecStart=$bridge " "$work/rm740-bridge.service"
if command -v man >/dev/null; then
    export MANPATH="$manuals"
    man -w rm740-bridge >/dev/null
    options=()
else
    echo "man is not installed: the Documentation= line is not looked up"
    options=(--man=no)
fi
# Everything verify says is a finding: it prints nothing for a sound unit.
report="$(systemd-analyze verify "${options[@]}" "$work/rm740-bridge.service" 2>&1)" || { echo "$report"; exit 1; }
if [ -n "$report" ]; then echo "$report"; exit 1; fi
for setting in DynamicUser=yes SupplementaryGroups=dialout ProtectSystem=strict NoNewPrivileges=yes PrivateTmp=yes \
    "RestrictAddressFamilies=AF_INET AF_INET6 AF_UNIX AF_NETLINK" "ExecStart=/usr/bin/rm740-bridge --config /etc/rm740/bridge.conf"; do
    grep -qx "$setting" "$unit" || { echo "the unit lacks $setting"; exit 1; }
done
echo "systemd-analyze verify: the unit is sound"
