#!/usr/bin/env bash
# package-windows.sh [BUILD]: what a Windows user downloads, made from the
# Windows build in BUILD (default build-windows/, configured with the Qt for
# Windows' qt-cmake):
#   BUILD/rm740-control-<version>-win64.zip        portable: unpack and run
#   BUILD/rm740-control-<version>-win64-setup.exe  the installer (NSIS), per user
# Both hold the same files: the three programs, the network ports' module,
# and what they load: the DLLs they import, found by reading each file's
# import table (objdump -p) from the programs down, and the windows platform
# plugin. The panel draws with Qt's Fusion style, built into Qt Widgets, so no
# style plugin goes in. Everything is stripped. The programs are built first
# if they are not up to date.
set -euo pipefail
source "$(dirname "$0")/common.sh"
BUILD="$(cd "${1:-$ROOT/build-windows}" && pwd)"
PROGRAMS=(rm740-control rm740ctl rm740-sim)
# Loaded at run time, so no import table names them: the network ports'
# module (beside the programs) and the platform plugin (in platforms/).
LOADED=(librm740-network.dll)
PLUGINS=(platforms/qwindows.dll)
OBJDUMP=x86_64-w64-mingw32-objdump
STRIP=x86_64-w64-mingw32-strip

log_steps_to package-windows
ensure_packages "${WINDOWS_PACKAGE_PACKAGES[@]}"

cache_value() {  # cache_value NAME: a variable of BUILD's CMake cache
    sed -n "s/^$1:[A-Z]*=//p" "$BUILD/CMakeCache.txt"
}
cmake_setting() {  # cmake_setting FILE NAME: what CMake found out when it configured BUILD
    sed -n "s/^set($2 \"\(.*\)\")\$/\1/p" "$BUILD"/CMakeFiles/[0-9]*/"$1" | head -n 1
}
[ -f "$BUILD/CMakeCache.txt" ] || { echo "$BUILD is not a configured build" >&2; exit 1; }
[ "$(cmake_setting CMakeSystem.cmake CMAKE_SYSTEM_NAME)" = Windows ] || { echo "$BUILD is not a Windows build" >&2; exit 1; }
VERSION="$(cache_value CMAKE_PROJECT_VERSION)"
QT="$(cd "$(cache_value Qt6_DIR)/../../.." && pwd)"
NAME="rm740-control-$VERSION-win64"
STAGE="$BUILD/package/$NAME"
ZIP="$BUILD/$NAME.zip"
INSTALLER="$BUILD/$NAME-setup.exe"

# Where the imported DLLs are looked for: the build, the Qt for Windows, the
# compiler's runtime. One found in none of them is the system's (KERNEL32,
# USER32, msvcrt and the like) and stays out.
SEARCH=("$BUILD/bin" "$QT/bin")
for dll in libstdc++-6.dll libwinpthread-1.dll; do
    found="$("$(cmake_setting CMakeCXXCompiler.cmake CMAKE_CXX_COMPILER)" -print-file-name="$dll")"
    [[ "$found" == /* ]] && SEARCH+=("$(dirname "$found")")
done
SEARCH+=(/usr/x86_64-w64-mingw32/lib)

locate_dll() {  # locate_dll NAME: its path in SEARCH (names are not case-sensitive on Windows)
    local dir found
    for dir in "${SEARCH[@]}"; do
        found="$(find "$dir" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null)"
        [ -n "$found" ] && { echo "$found"; return 0; }
    done
    return 1
}

imports() {  # imports FILE: the DLL names its import table lists
    "$OBJDUMP" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'
}

# stage: the package's folder, each file stripped, its imports followed.
stage() {
    rm -rf "$BUILD/package"
    local queue=() seen=" " system=() file name path target
    for name in "${PROGRAMS[@]}"; do queue+=("$BUILD/bin/$name.exe"); done
    for name in "${LOADED[@]}"; do queue+=("$BUILD/bin/$name"); done
    for name in "${PLUGINS[@]}"; do queue+=("$QT/plugins/$name"); done
    for file in "${queue[@]}"; do seen+="$(basename "${file,,}") "; done
    while [ ${#queue[@]} -gt 0 ]; do
        file="${queue[0]}"
        queue=("${queue[@]:1}")
        [ -f "$file" ] || { echo "missing: $file" >&2; return 1; }
        # A plugin goes in its kind's folder (platforms/), the rest beside the programs.
        case "$file" in
        "$QT/plugins/"*) target="$STAGE/${file#"$QT/plugins/"}" ;;
        *) target="$STAGE/$(basename "$file")" ;;
        esac
        mkdir -p "$(dirname "$target")" && cp "$file" "$target"
        for name in $(imports "$file"); do
            [[ "$seen" == *" ${name,,} "* ]] && continue
            seen+="${name,,} "
            if path="$(locate_dll "$name")"; then
                queue+=("$path")
            else
                system+=("$name")
            fi
        done
    done
    find "$STAGE" -type f \( -name '*.exe' -o -name '*.dll' \) -exec "$STRIP" --strip-unneeded {} +
    echo "From the system: ${system[*]}"
    STEP_NOTE="$(find "$STAGE" -type f | wc -l) files, $(du -sh "$STAGE" | cut -f1)"
}

make_zip() {
    rm -f "$ZIP"
    (cd "$BUILD/package" && zip -r -9 -X "$ZIP" "$NAME") || return
    STEP_NOTE="$(du -h "$ZIP" | cut -f1)"
}

# The installer's list of files: the same for its install and its uninstall.
write_file_list() {
    local dir file windows
    echo '!macro InstallFiles'
    while IFS= read -r dir; do
        windows="${dir//\//\\}"
        echo "    SetOutPath \"\$INSTDIR${windows:+\\$windows}\""
        find "$STAGE/$dir" -maxdepth 1 -type f | sort | while IFS= read -r file; do
            echo "    File \"${file//\$/\$\$}\""
        done
    done < <(cd "$STAGE" && find . -type d | sed 's|^\.$||;s|^\./||' | sort)
    echo '    SetOutPath "$INSTDIR"'
    echo '!macroend'
    echo '!macro UninstallFiles'
    while IFS= read -r file; do
        echo "    Delete \"\$INSTDIR\\${file//\//\\}\""
    done < <(cd "$STAGE" && find . -type f | sed 's|^\./||' | sort)
    while IFS= read -r dir; do
        echo "    RMDir \"\$INSTDIR\\${dir//\//\\}\""
    done < <(cd "$STAGE" && find . -mindepth 1 -type d | sed 's|^\./||' | sort -r)
    echo '!macroend'
}

make_installer() {
    write_file_list >"$BUILD/package/files.nsh" || return
    makensis -V2 -NOCD -DVERSION="$VERSION" -DSTAGE="$STAGE" -DFILES="$BUILD/package/files.nsh" \
        -DOUTFILE="$INSTALLER" -DICON="$ROOT/app/desktop/org.rm740control.Rm740Control.ico" \
        -DSIZE_KB="$(du -sk "$STAGE" | cut -f1)" "$ROOT/packaging/windows/rm740-control.nsi" || return
    STEP_NOTE="$(du -h "$INSTALLER" | cut -f1)"
}

build_targets "$BUILD" "the Windows programs" "${PROGRAMS[@]}"
step "Gathering the programs and the DLLs they load into ${STAGE#"$ROOT"/}" stage
step "Packing ${ZIP#"$ROOT"/}" make_zip
step "Making the installer ${INSTALLER#"$ROOT"/} (NSIS)" make_installer
