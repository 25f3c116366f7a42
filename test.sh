#!/usr/bin/env bash
# Installs what is missing, builds, runs every test through CTest, then checks
# what `cmake --install` puts under a prefix and the Debian package that cpack
# makes. Under CI a warning fails the build.
set -euo pipefail
source "$(dirname "$0")/scripts/common.sh"

# DejaVu is the face the layout test uses with Liberation hidden (a fresh
# machine that gets Liberation may have no other face); desktop-file-utils and
# appstream validate the install; cpack needs dpkg-dev (dpkg-shlibdeps) and
# file to make the package; ser2net is the device server the network ports
# are tested against, and python3-serial (pyserial) a client of another maker
# for the simulator's RFC 2217 port; bash-completion runs the programs' completions;
# node with npm's pjlink drives the bridge as a control system would; chromium,
# its driver and selenium open the bridge's web page, axe-core checks it;
# netcat and curl are what the documents' examples call; lintian checks the
# package.
log_steps_to test
ensure_packages "${BUILD_PACKAGES[@]}" "${RUNTIME_PACKAGES[@]}" "${ATSPI_TEST_PACKAGES[@]}" \
    "${NETWORK_TEST_PACKAGES[@]}" "${CTL_TEST_PACKAGES[@]}" "${BRIDGE_TEST_PACKAGES[@]}" "${WEB_TEST_PACKAGES[@]}" \
    "${EXAMPLE_TEST_PACKAGES[@]}" "${METRICS_TEST_PACKAGES[@]}" fonts-dejavu-core desktop-file-utils appstream dpkg-dev file lintian
ensure_pjlink_client "$ROOT/build"
ensure_axe_core "$ROOT/build"
ensure_mqtt_client "$ROOT/build"
build_tree "$ROOT/build" ${CI:+-DRM740_WERROR=ON}

cd "$ROOT/build"
# Each test is a line of its own as it ends; the whole output goes to the log too.
echo "Running the tests (CTest, two at a time; a failing test's output follows its line):"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j 2 2>&1 | tee -a "$RM740_LOG"
"$ROOT/scripts/install-check.sh" "$ROOT/build"
