#!/usr/bin/env bash
# build-qt-windows.sh [--sources DIR] [--prefix DIR] [--work DIR] [--configure-only]
#
# Builds the Qt 6.4.2 for Windows x64 that the Windows build of rm740-control
# uses, from source, with Debian's mingw-w64 (GCC, posix threads) against the
# host's Qt of the same version: qtbase, then qtserialport, qtwebsockets and
# qthttpserver, installed into --prefix (a relocatable SDK: its bin/qt-cmake
# works wherever it is moved).
#
#   --sources DIR  where the source tarballs are: qtbase-everywhere-src-6.4.2.tar.xz
#                  (or Debian's qt6-base_6.4.2+dfsg.orig.tar.xz) and the three
#                  modules' *-everywhere-src-6.4.2.tar.xz. Without a qtbase
#                  tarball there, Debian's source of qt6-base is fetched with
#                  apt-get source (a deb-src entry for bookworm is added if apt
#                  has none). Default: ../shared/windows beside the project.
#   --prefix DIR   where the SDK is installed.
#                  Default: ~/.cache/rm740-control/qt-6.4.2-windows-x64-mingw
#   --work DIR     where the sources are unpacked and built (about 2 GB).
#                  Default: the prefix's name with -build after it.
#   --configure-only  stop once qtbase is configured.
#
# It is resumable: run it again after a failure or an interruption and it goes
# on from the step it was in (each finished step leaves a stamp in the work
# folder; Ninja resumes a build itself). qtbase takes about 25 minutes on two
# cores. Each step is a line on the terminal, the builds with Ninja's
# progress; the whole output goes to the log named at the start.
set -euo pipefail
source "$(dirname "$0")/common.sh"

QT_VERSION=6.4.2
MODULES=(qtserialport qtwebsockets qthttpserver)
# Debian's own sources, for apt-get source when no qtbase tarball is given.
DEB_SRC_FILE=/etc/apt/sources.list.d/rm740-debian-sources.sources

SOURCES="$ROOT/../shared/windows"
PREFIX="${XDG_CACHE_HOME:-$HOME/.cache}/rm740-control/qt-$QT_VERSION-windows-x64-mingw"
WORK=""
CONFIGURE_ONLY=""

usage() { sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//;p}' "$0"; }
while [ $# -gt 0 ]; do
    case "$1" in
    --sources) SOURCES="${2:?--sources needs a folder}"; shift 2 ;;
    --prefix) PREFIX="${2:?--prefix needs a folder}"; shift 2 ;;
    --work) WORK="${2:?--work needs a folder}"; shift 2 ;;
    --configure-only) CONFIGURE_ONLY=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "build-qt-windows.sh: unknown argument '$1'" >&2; usage >&2; exit 64 ;;
    esac
done
mkdir -p "$PREFIX"
PREFIX="$(cd "$PREFIX" && pwd)"
WORK="${WORK:-$PREFIX-build}"
mkdir -p "$WORK"
WORK="$(cd "$WORK" && pwd)"
[ -d "$SOURCES" ] && SOURCES="$(cd "$SOURCES" && pwd)"

log_steps_to build-qt-windows
echo "Qt $QT_VERSION for Windows x64: sources from $SOURCES, built in $WORK, installed into $PREFIX"

done_already() { [ -f "$WORK/.done-$1" ]; }
mark_done() { touch "$WORK/.done-$1"; }

# with_progress COMMAND...: runs a Ninja build (or install), its output in the
# log; on a terminal its latest [done/total] stays on one line, elsewhere (a CI
# log) each tenth of the way is a line.
with_progress() {
    local status=0 shown=-1
    "$@" 2>&1 | tee -a "$RM740_LOG" | while IFS= read -r line; do
        [[ "$line" =~ ^\[([0-9]+)/([0-9]+)\] ]] || continue
        if [ -t 1 ]; then
            printf '\r  [%s/%s] ' "${BASH_REMATCH[1]}" "${BASH_REMATCH[2]}"
        elif [ $((BASH_REMATCH[1] * 10 / BASH_REMATCH[2])) -gt "$shown" ]; then
            shown=$((BASH_REMATCH[1] * 10 / BASH_REMATCH[2]))
            echo "  [${BASH_REMATCH[1]}/${BASH_REMATCH[2]}]"
        fi
    done || status=$?
    [ -t 1 ] && echo
    return $status
}

# --- what it needs ------------------------------------------------------------
host_qt_version() { dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null | sed 's/+.*//'; }

ensure_toolchain() {
    ensure_packages "${WINDOWS_QT_BUILD_PACKAGES[@]}"
    local host
    host="$(host_qt_version)"
    if [ "$host" != "$QT_VERSION" ]; then
        echo "The host's Qt is $host; its tools build Qt $QT_VERSION only at the same version." >&2
        return 1
    fi
    # As the recipe does: the unsuffixed cross compilers are the posix ones
    # (std::thread and std::mutex need them).
    local tool
    for tool in gcc g++; do
        if [ "$(readlink -f "/usr/bin/x86_64-w64-mingw32-$tool")" != "$(readlink -f "/usr/bin/x86_64-w64-mingw32-$tool-posix")" ]; then
            step "Pointing x86_64-w64-mingw32-$tool at the posix compiler (update-alternatives)" \
                as_root update-alternatives --set "x86_64-w64-mingw32-$tool" "/usr/bin/x86_64-w64-mingw32-$tool-posix"
        fi
    done
}

# --- the sources --------------------------------------------------------------
# A tarball of qtbase given in --sources, else the one apt-get source fetched.
qtbase_tarball() {
    local name
    for name in "$SOURCES/qtbase-everywhere-src-$QT_VERSION.tar.xz" "$SOURCES/qt6-base_$QT_VERSION+dfsg.orig.tar.xz" \
        "$WORK/qt6-base_$QT_VERSION+dfsg.orig.tar.xz"; do
        [ -f "$name" ] && { echo "$name"; return 0; }
    done
    return 1
}

# apt has a source for qt6-base, or is given Debian's in a file of its own.
ensure_deb_src() {
    as_root apt-get update || return
    [ -n "$(apt-cache showsrc qt6-base 2>/dev/null)" ] && return 0
    echo "No deb-src entry serves qt6-base: adding $DEB_SRC_FILE"
    as_root tee "$DEB_SRC_FILE" >/dev/null <<'SOURCES' || return
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    as_root apt-get update || return
    [ -n "$(apt-cache showsrc qt6-base 2>/dev/null)" ] || { echo "apt still has no source of qt6-base" >&2; return 1; }
}

fetch_qtbase() {
    ensure_deb_src || return
    # Only the upstream tarball is used; dpkg-source is not needed.
    (cd "$WORK" && apt-get source --download-only qt6-base) || return
    qtbase_tarball >/dev/null || { echo "apt-get source left no qt6-base_$QT_VERSION+dfsg.orig.tar.xz" >&2; return 1; }
}

module_tarball() { echo "$SOURCES/$1-everywhere-src-$QT_VERSION.tar.xz"; }

check_module_tarballs() {
    local module missing=()
    for module in "${MODULES[@]}"; do
        [ -f "$(module_tarball "$module")" ] || missing+=("$(basename "$(module_tarball "$module")")")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Missing in $SOURCES: ${missing[*]}" >&2
    echo "Debian's mirror may not serve these modules' sources; Qt's own are at" >&2
    echo "https://download.qt.io/archive/qt/6.4/$QT_VERSION/submodules/ (give their folder with --sources)." >&2
    return 1
}

unpack() {  # unpack TARBALL NAME: the tarball's one folder, as $WORK/NAME
    local tarball="$1" name="$2" top
    rm -rf "${WORK:?}/$name" "$WORK/unpack"
    mkdir "$WORK/unpack"
    tar -xJf "$tarball" -C "$WORK/unpack" || return
    top="$(ls "$WORK/unpack")"
    [ "$(wc -l <<<"$top")" -eq 1 ] || { echo "$tarball holds more than one folder" >&2; return 1; }
    mv "$WORK/unpack/$top" "$WORK/$name" && rmdir "$WORK/unpack"
}

# Debian's qt6-base source leaves out the tablet header the Windows platform
# plugin includes (so tabletevent is off), and with OpenGL off that plugin
# still takes the dynamic-GL branch in one function: the patch.
patch_qtbase() {
    patch -d "$WORK/qtbase" -p1 <"$ROOT/scripts/qt-windows/qtbase-no-opengl.patch"
}

# --- the build ------------------------------------------------------------------
# Rewritten only when it changes: CMake configures again when it is newer.
write_toolchain() {
    local file="$WORK/mingw-w64-x86_64.cmake"
    toolchain >"$file.new"
    if cmp -s "$file.new" "$file"; then rm "$file.new"; else mv "$file.new" "$file"; fi
}

toolchain() {
    cat <<'CMAKE'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
CMAKE
}

configure_qtbase() {
    cmake -G Ninja -S "$WORK/qtbase" -B "$WORK/build-qtbase" \
        -DCMAKE_TOOLCHAIN_FILE="$WORK/mingw-w64-x86_64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
        -DFEATURE_openssl=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
}

# The SDK finds its toolchain file wherever it is unpacked.
make_relocatable() {
    cp "$WORK/mingw-w64-x86_64.cmake" "$PREFIX/" || return
    sed -i 's|set(__qt_initially_configured_toolchain_file ".*")|set(__qt_initially_configured_toolchain_file "${CMAKE_CURRENT_LIST_DIR}/../../../mingw-w64-x86_64.cmake")|' \
        "$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake" || return
    grep -q 'CMAKE_CURRENT_LIST_DIR}/../../../mingw-w64-x86_64.cmake' "$PREFIX/lib/cmake/Qt6/qt.toolchain.cmake"
}

configure_module() {  # configure_module NAME: against the SDK installed so far
    mkdir -p "$WORK/build-$1"
    (cd "$WORK/build-$1" && "$PREFIX/bin/qt-configure-module" "$WORK/$1" -- -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF)
}

# build_part NAME WHAT: builds and installs $WORK/build-NAME.
build_part() {
    local name="$1" what="$2"
    done_already "install-$name" && return 0
    echo "Building $what (Ninja's progress below; Ctrl+C stops it, running this again goes on)"
    local started=$SECONDS
    printf '\n== Building %s\n' "$what" >>"$RM740_LOG"
    if ! with_progress nice ninja -C "$WORK/build-$name"; then
        echo "Building $what FAILED; the last lines of $RM740_LOG:" >&2
        tail -n 25 "$RM740_LOG" >&2
        return 1
    fi
    echo "  built in $(duration $((SECONDS - started)))"
    step "Installing $what into $PREFIX" ninja -C "$WORK/build-$name" install
    mark_done "install-$name"
}

# --- the steps, each skipped when its stamp says it is done ----------------------
ensure_toolchain
check_module_tarballs
if ! done_already unpack-qtbase; then
    if ! qtbase_tarball >/dev/null; then
        step "Fetching Debian's source of qt6-base (apt-get source) into $WORK" fetch_qtbase
    fi
    step "Unpacking $(basename "$(qtbase_tarball)")" unpack "$(qtbase_tarball)" qtbase
    step "Patching qtbase (the Windows platform plugin without OpenGL)" patch_qtbase
    mark_done unpack-qtbase
fi
for module in "${MODULES[@]}"; do
    if ! done_already "unpack-$module"; then
        step "Unpacking $(basename "$(module_tarball "$module")")" unpack "$(module_tarball "$module")" "$module"
        mark_done "unpack-$module"
    fi
done
write_toolchain
if ! done_already configure-qtbase; then
    step "Configuring qtbase for Windows x64 (CMake)" configure_qtbase
    mark_done configure-qtbase
fi
if [ -n "$CONFIGURE_ONLY" ]; then
    echo "qtbase is configured in $WORK/build-qtbase (--configure-only)"
    exit 0
fi
build_part qtbase "qtbase (about 25 minutes on two cores)"
if ! done_already relocatable; then
    step "Making the SDK relocatable (its toolchain file beside it)" make_relocatable
    mark_done relocatable
fi
for module in "${MODULES[@]}"; do
    if ! done_already "configure-$module"; then
        step "Configuring $module" configure_module "$module"
        mark_done "configure-$module"
    fi
    build_part "$module" "$module"
done
echo "Qt $QT_VERSION for Windows x64 is in $PREFIX (use its bin/qt-cmake)"
