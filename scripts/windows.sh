#!/usr/bin/env bash
# The Windows build in one command: installs what is missing (mingw-w64, Wine,
# NSIS), finds the Qt for Windows or builds it, cross-builds into
# build-windows/, runs its tests under Wine (the drill against the Linux
# simulator, built into build/, included), packages, and checks the zip and
# the installer under Wine.
#
# The Qt for Windows, first found of: $RM740_QT_WINDOWS; the cache folder
# ($RM740_CACHE, ~/.cache/rm740-control unless given); the SDK's tarball in
# ../shared/windows beside the project, unpacked into the cache; else built
# from source into the cache (scripts/build-qt-windows.sh, about 35 minutes).
set -euo pipefail
source "$(dirname "$0")/common.sh"

SDK_NAME=qt-6.4.2-windows-x64-mingw
CACHE="${RM740_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/rm740-control}"
SHARED="${RM740_SHARED:-$ROOT/../shared/windows}"
BUILD="$ROOT/build-windows"

log_steps_to windows
ensure_packages "${BUILD_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

# The SDK's toolchain names the -posix compilers; the plain names follow them
# too, for whatever calls those.
for tool in gcc g++; do
    posix="/usr/bin/x86_64-w64-mingw32-$tool-posix"
    if [ "$(readlink -f "/usr/bin/x86_64-w64-mingw32-$tool")" != "$(readlink -f "$posix")" ]; then
        step "Pointing x86_64-w64-mingw32-$tool at its posix-threads compiler" \
            as_root update-alternatives --set "x86_64-w64-mingw32-$tool" "$posix"
    fi
done

is_sdk() { [ -x "$1/bin/qt-cmake" ]; }
find_sdk() {
    if [ -n "${RM740_QT_WINDOWS:-}" ]; then
        is_sdk "$RM740_QT_WINDOWS" || { echo "RM740_QT_WINDOWS=$RM740_QT_WINDOWS holds no bin/qt-cmake" >&2; return 1; }
        SDK="$RM740_QT_WINDOWS"
        return
    fi
    SDK="$CACHE/$SDK_NAME"
    is_sdk "$SDK" && return
    mkdir -p "$CACHE"
    if [ -f "$SHARED/$SDK_NAME.tar.xz" ]; then
        ensure_packages xz-utils
        step "Unpacking the Qt for Windows from ${SHARED} into $CACHE" tar -xJf "$SHARED/$SDK_NAME.tar.xz" -C "$CACHE"
    else
        echo "No Qt for Windows found: building it from source into $SDK (about 35 minutes on two cores)."
        "$ROOT/scripts/build-qt-windows.sh" --prefix "$SDK"
    fi
    is_sdk "$SDK" || { echo "No Qt for Windows at $SDK after all" >&2; return 1; }
}
find_sdk
echo "The Qt for Windows: $SDK"

# The simulator the drill talks to is the Linux one.
configure_tree "$ROOT/build"
build_targets "$ROOT/build" "the Linux simulator" rm740-sim

# Every time: a tree configured by hand may have left the tests out.
step "Configuring build-windows/ (Qt for Windows, mingw-w64)" \
    "$SDK/bin/qt-cmake" -G Ninja -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    -DRM740_LINUX_SIM="$ROOT/build/sim/rm740-sim"
build_targets "$BUILD" "the Windows programs and their tests"

cd "$BUILD"
echo "Running the tests under Wine (CTest; a failing test's output follows its line):"
ctest --output-on-failure --timeout 600 -j 2 2>&1 | tee -a "$RM740_LOG"

"$ROOT/scripts/package-windows.sh" "$BUILD"
"$ROOT/scripts/install-check-windows.sh" "$BUILD"
