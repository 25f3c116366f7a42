#!/usr/bin/env bash
# unit-test.sh BRIDGE MANUAL_DIR: the service unit made for the system's
# manager and for a user's, ExecStart the built program, each verified by
# systemd-analyze as that manager loads it.
set -euo pipefail
bridge="$1"; manuals="$2"
service="$(cd "$(dirname "$0")/../../bridge/service" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for manager in system user; do
    unit="$work/$manager/rm740-bridge.service"
    cmake -DTEMPLATE="$service/rm740-bridge.service.in" -DUNIT="$unit" -DMANAGER="$manager" \
        -DRM740_BRIDGE="$bridge" -DRM740_BRIDGE_CONFIG="$work/etc/rm740/bridge.conf" -P "$service/configure-unit.cmake"
    grep -qx "ExecStart=$bridge --config $work/etc/rm740/bridge.conf" "$unit" || { echo "$unit: ExecStart"; exit 1; }
    if grep -q '@' "$unit"; then echo "$unit keeps a mark of the template:"; grep '@' "$unit"; exit 1; fi
    "$service/verify-unit.sh" "$manager" "$unit" "$manuals" || exit $?
done
