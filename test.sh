#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

ensure_packages "${BUILD_PACKAGES[@]}" "${ATSPI_TEST_PACKAGES[@]}"
build_tree "$ROOT/build"

cd "$ROOT/build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j 2
