#!/usr/bin/env bash
# Installs what is missing, builds, and starts the control panel.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}"
build_tree "$ROOT/build"
exec "$ROOT/build/app/rm740-control" "$@"
