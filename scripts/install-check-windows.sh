#!/usr/bin/env bash
# install-check-windows.sh [BUILD]: opens what scripts/package-windows.sh made
# in BUILD (default build-windows/) and checks it: the zip's files against
# packaging/windows/files.txt; the installer run silently under Wine (/S) in
# a Wine prefix of its own, the files it installed against the same list
# (and its uninstaller), its Start-menu entry and its Apps & features entry
# in HKCU; the installed panel started once under Wine on a virtual X display
# with only what was installed (its window appears); then the silent
# uninstall, after which its files, entry and key are gone. Each step is a
# line; the whole output goes to the log that scripts/common.sh keeps.
set -euo pipefail
source "$(dirname "$0")/common.sh"
BUILD="$(cd "${1:-$ROOT/build-windows}" && pwd)"
EXPECTED="$ROOT/packaging/windows/files.txt"
UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\rm740-control'
# The window the panel opens first on a PC with no port stored: the port dialog.
FIRST_WINDOW='COM PORT'

VERSION="$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$BUILD/CMakeCache.txt")"
NAME="rm740-control-$VERSION-win64"
ZIP="$BUILD/$NAME.zip"
INSTALLER="$BUILD/$NAME-setup.exe"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/rm740-install-windows.XXXXXX")"
export WINEPREFIX="$WORK/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Nothing of this machine's Qt or of the build may help the installed programs.
unset QT_PLUGIN_PATH QT_QPA_PLATFORM WINEPATH
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WORK"' EXIT
fail() { echo "install check: $*"; return 1; }

log_steps_to install-check-windows
ensure_packages "${WINDOWS_INSTALL_CHECK_PACKAGES[@]}"

# differs EXPECTED ACTUAL WHAT: says how two lists of files differ.
differs() {
    local report
    report="$(diff <(grep -v '^#' "$1" | sort) <(sort "$2"))" && return 0
    fail "$3 differ from $EXPECTED (< expected, > found):"$'\n'"$report"
}

check_zip() {
    [ -f "$ZIP" ] || fail "$ZIP is missing" || return
    unzip -Z1 "$ZIP" >"$WORK/zip-entries" || fail "unzip cannot read $ZIP" || return
    # One folder, named as the zip, holding everything.
    if grep -v "^$NAME/" "$WORK/zip-entries"; then fail "entries outside $NAME/"; return; fi
    grep -v '/$' "$WORK/zip-entries" | sed "s|^$NAME/||" >"$WORK/zip-files"
    differs "$EXPECTED" "$WORK/zip-files" "the zip's files" || return
    STEP_NOTE="$(wc -l <"$WORK/zip-files") files"
}

make_prefix() {
    wineboot -i && wineserver -w
}

# A folder the prefix's Windows knows by VARIABLE (%LOCALAPPDATA% and the
# like), as Windows names it (C:\...), or as Unix does with -u.
known_folder() {
    local windows
    windows="$(wine cmd /c "echo %$1%" | tr -d '\r')"
    if [ "${2:-}" = -u ]; then readlink -f "$(winepath -u "$windows")"; else echo "$windows"; fi
}

# The programs run from where Windows has them: through Wine's Z: drive
# (its Unix path) a folder would be named "c:", which no Windows program expects.
windows_install_dir() { echo "$(known_folder LOCALAPPDATA)\Programs\rm740-control"; }
install_dir() { echo "$(known_folder LOCALAPPDATA -u)/Programs/rm740-control"; }

start_menu_entry() {
    echo "$(known_folder APPDATA -u)/Microsoft/Windows/Start Menu/Programs/RM740 Control.lnk"
}

check_install() {
    wine "$INSTALLER" /S || fail "the installer failed ($?)" || return
    wineserver -w
    local dir entry key
    dir="$(install_dir)"
    [ -d "$dir" ] || fail "nothing in $dir" || return
    (cd "$dir" && find . -type f | sed 's|^\./||') >"$WORK/installed"
    { cat "$EXPECTED"; echo uninstall.exe; } >"$WORK/expected-installed"
    differs "$WORK/expected-installed" "$WORK/installed" "the installed files (with uninstall.exe)" || return
    entry="$(start_menu_entry)"
    [ -f "$entry" ] || fail "no Start-menu entry $entry" || return
    key="$(wine reg query "$UNINSTALL_KEY" 2>/dev/null | tr -d '\r')" || fail "no $UNINSTALL_KEY" || return
    grep -Eq "DisplayVersion +REG_SZ +$VERSION\$" <<<"$key" || fail "$UNINSTALL_KEY: $key" || return
    grep -Eq 'UninstallString +REG_SZ +"[^"]*\\uninstall\.exe"$' <<<"$key" || fail "$UNINSTALL_KEY: $key" || return
    STEP_NOTE="$(wc -l <"$WORK/installed") files in ${dir#"$WINEPREFIX"/}"
}

# The installed programs answer --version, as each is built.
check_versions() {
    local dir program answer
    dir="$(windows_install_dir)"
    for program in rm740ctl rm740-sim; do
        answer="$(wine "$dir\\$program.exe" --version | tr -d '\r')" || fail "$program.exe --version failed" || return
        [ "$answer" = "$program $VERSION" ] || fail "$program.exe --version: $answer" || return
    done
}

# The installed panel on Windows' own platform plugin (the one it ships),
# under Xvfb: started, it opens its first window within a minute.
check_panel_starts() {
    local panel
    panel="$(windows_install_dir)\\rm740-control.exe"
    # A wineserver left from the steps before (finding the folder among them)
    # keeps their display, none: the panel's windows would open there.
    wineserver -k 2>/dev/null || true
    wineserver -w
    xvfb-run -a -s '-screen 0 1280x1024x24' bash -c '
        wine "$1" &
        for _ in $(seq 120); do
            if xdotool search --name "$2" >/dev/null 2>&1; then
                echo "the window \"$2\" is open"; wineserver -k; exit 0
            fi
            kill -0 $! 2>/dev/null || { echo "the panel ended before a window opened"; exit 1; }
            sleep 0.5
        done
        echo "no window \"$2\" within a minute"; wineserver -k; exit 1
    ' check "$panel" "$FIRST_WINDOW"
}

check_uninstall() {
    local dir entry
    dir="$(install_dir)"
    entry="$(start_menu_entry)"
    wine "$(windows_install_dir)\\uninstall.exe" /S || fail "the uninstaller failed ($?)" || return
    # It runs from a copy of itself in the temporary folder: wait for that.
    wineserver -w
    [ ! -e "$dir" ] || fail "left behind: $(cd "$dir" && find . | tr '\n' ' ')" || return
    [ ! -e "$entry" ] || fail "the Start-menu entry is still there" || return
    if wine reg query "$UNINSTALL_KEY" >/dev/null 2>&1; then fail "$UNINSTALL_KEY is still there"; return; fi
}

step "The zip's files ($NAME.zip)" check_zip
step "Making a Wine prefix of its own" make_prefix
step "Installing $NAME-setup.exe silently under Wine" check_install
step "The installed rm740ctl and rm740-sim answer --version" check_versions
step "Starting the installed panel under Wine and Xvfb" check_panel_starts
step "Uninstalling silently" check_uninstall
echo "The zip and the installer of $VERSION are as packaging/windows/files.txt lists"
