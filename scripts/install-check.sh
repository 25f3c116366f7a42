#!/usr/bin/env bash
# install-check.sh [BUILD]: installs a build (stripped, as the README says)
# into a temporary prefix and checks what a desktop finds there: the programs,
# the desktop entry and AppStream metainfo (through their validators) and the
# icons the entry names; what a shell finds: every program answering --help
# and --version, its manual page of its version, the completions; and the
# service unit made for that prefix, through systemd-analyze verify. Then the
# same install into a home (~/.local), whose unit is the user's. Then makes
# the Debian package with cpack and checks its contents, its dependencies and
# what lintian says of it. Each step is a line; the whole output goes to the
# log that scripts/common.sh keeps.
set -euo pipefail
source "$(dirname "$0")/common.sh"
BUILD="${1:-$ROOT/build}"
ID=org.rm740control.Rm740Control
PROGRAMS=(rm740-control rm740-sim rm740ctl rm740-bridge)
COMPLETED=(rm740-sim rm740ctl rm740-bridge)
UNIT_CHECK="$ROOT/bridge/service/verify-unit.sh"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/rm740-install.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
PREFIX="$WORK/prefix"
fail() { echo "install check: $*"; return 1; }

log_steps_to install-check
VERSION="$("$BUILD/ctl/rm740ctl" --version)"
VERSION="${VERSION#rm740ctl }"

# The programs of an install under $1 (the prefix), as a shell finds them.
check_programs() {
    local prefix="$1" program manual help
    for program in "${PROGRAMS[@]}"; do
        [ -x "$prefix/bin/$program" ] || fail "bin/$program is missing" || return
        file "$prefix/bin/$program" | grep -q ', stripped' || fail "bin/$program is not stripped" || return
        # The panel too answers without a display.
        help="$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/$program" --help)" || fail "$program --help" || return
        grep -q "^Usage: " <<<"$help" || fail "$program --help: $help" || return
        [ "$(env -u DISPLAY "$prefix/bin/$program" --version)" = "$program $VERSION" ] || fail "$program --version" || return
        manual="$prefix/share/man/man1/$program.1.gz"
        [ -f "$manual" ] || fail "the manual page of $program is missing" || return
        gzip -dc "$manual" | grep -q "^\.TH ${program^^} 1 .*\"rm740-control $VERSION\"" \
            || fail "the manual page of $program is not of $VERSION" || return
        MANPATH="$prefix/share/man" man -w "$program" >/dev/null || fail "man finds no $program" || return
    done
    for program in "${COMPLETED[@]}"; do
        grep -q "complete -F _${program//-/_} $program" "$prefix/share/bash-completion/completions/$program" \
            || fail "no bash completion for $program" || return
    done
    # The network ports' module, where the programs look for it.
    compgen -G "$prefix/lib/rm740-control/librm740-network.so" >/dev/null \
        || compgen -G "$prefix/lib/*/rm740-control/librm740-network.so" >/dev/null \
        || fail "the network module (lib/rm740-control/librm740-network.so) is missing"
}

# The service unit made for an install under $2, for manager $1, at $3; and
# the configuration it reads, which names no projector yet (so the service
# would not start unconfigured).
check_unit() {
    local manager="$1" prefix="$2" unit="$3" refusal
    [ -f "$unit" ] || fail "the $manager unit $unit is missing" || return
    grep -qx "ExecStart=$prefix/bin/rm740-bridge --config $prefix/etc/rm740/bridge.conf" "$unit" \
        || fail "$unit: $(grep ^ExecStart= "$unit")" || return
    "$UNIT_CHECK" "$manager" "$unit" "$prefix/share/man" || return
    if refusal="$("$prefix/bin/rm740-bridge" --config "$prefix/etc/rm740/bridge.conf" --check 2>&1)"; then
        fail "the shipped configuration serves a projector"
        return
    fi
    grep -q "no projector" <<<"$refusal" || fail "rm740-bridge --check: $refusal"
}

check_desktop() {
    local entry="$PREFIX/share/applications/$ID.desktop" metainfo="$PREFIX/share/metainfo/$ID.metainfo.xml"
    local report icon file
    [ -f "$entry" ] || fail "the desktop entry is missing" || return
    # Warnings and hints fail the check too.
    report="$(desktop-file-validate "$entry" 2>&1)" && [ -z "$report" ] || fail "desktop-file-validate: $report" || return
    [ -f "$metainfo" ] || fail "the metainfo is missing" || return
    report="$(appstreamcli validate --no-net "$metainfo" 2>&1)" || fail "appstreamcli validate: $report" || return
    icon="$(sed -n 's/^Icon=//p' "$entry")"
    for file in scalable/apps/$icon.svg 32x32/apps/$icon.png 64x64/apps/$icon.png; do
        [ -f "$PREFIX/share/icons/hicolor/$file" ] || fail "icon $file is missing" || return
    done
}

# A user's install: the unit where `systemctl --user` finds it, none where
# only the system's manager would look.
install_for_a_user() {
    local home="$WORK/home"
    mkdir -p "$home"
    HOME="$home" XDG_DATA_HOME="" cmake --install "$BUILD" --prefix "$home/.local" --strip || return
    [ ! -e "$home/.local/lib/systemd" ] || fail "a user's install put a unit into ~/.local/lib/systemd" || return
    check_unit user "$home/.local" "$home/.local/share/systemd/user/rm740-bridge.service"
}

make_package() {
    ( cd "$BUILD" && cpack -B "$WORK/package" ) || return
    DEB="$(ls "$WORK"/package/rm740-control_*.deb 2>/dev/null | head -n1)"
    [ -n "$DEB" ] || fail "cpack made no package"
    STEP_NOTE="$(basename "$DEB")"
}

check_package() {
    local contents depends file package
    contents="$(dpkg-deb -c "$DEB")"
    for file in "${PROGRAMS[@]/#/usr/bin/}" "${PROGRAMS[@]/%/.1.gz}" \
        "${COMPLETED[@]/#/usr/share/bash-completion/completions/}" usr/share/applications/$ID.desktop \
        usr/lib/systemd/system/rm740-bridge.service etc/rm740/bridge.conf \
        usr/share/doc/rm740-control/copyright usr/share/doc/rm740-control/changelog.Debian.gz; do
        [[ $file == *.1.gz ]] && file="usr/share/man/man1/$file"
        grep -q " \./$file\$" <<<"$contents" || fail "the package lacks $file" || return
    done
    grep -qE " \./usr/lib/(.*/)?rm740-control/librm740-network\.so\$" <<<"$contents" \
        || fail "the package lacks the network module" || return
    # The package's unit is the system's, on the package's paths.
    dpkg-deb -x "$DEB" "$WORK/unpacked" || return
    grep -qx "ExecStart=/usr/bin/rm740-bridge --config /etc/rm740/bridge.conf" \
        "$WORK/unpacked/usr/lib/systemd/system/rm740-bridge.service" || fail "the package's unit runs no /usr/bin/rm740-bridge" || return
    dpkg-deb -I "$DEB" conffiles 2>/dev/null | grep -qx /etc/rm740/bridge.conf || fail "/etc/rm740/bridge.conf is no conffile" || return
    depends="$(dpkg-deb -f "$DEB" Depends)"
    # The display plugins and the caption face are loaded at run time, so no
    # library dependency brings them.
    for package in qt6-qpa-plugins fonts-liberation2 libqt6serialport6 libqt6network6 libqt6widgets6; do
        grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "the package does not depend on $package (Depends: $depends)" || return
    done
}

# Errors fail the check; warnings are in the log.
lint_package() {
    local report
    report="$(lintian --no-tag-display-limit "$DEB" 2>&1)" || true
    echo "$report"
    ! grep -E '^E: ' <<<"$report" || fail "lintian reports errors"
    STEP_NOTE="no errors, $(grep -c '^W: ' <<<"$report" || true) warning(s)"
}

step "Install check: installing into $PREFIX (cmake --install --strip)" \
    cmake --install "$BUILD" --prefix "$PREFIX" --strip
step "Install check: the programs, their manual pages and completions" check_programs "$PREFIX"
step "Install check: the system's service unit for $PREFIX (systemd-analyze verify)" \
    check_unit system "$PREFIX" "$PREFIX/lib/systemd/system/rm740-bridge.service"
step "Install check: the desktop entry, the metainfo and the icons" check_desktop
step "Install check: installing into a home's ~/.local, a user's service unit" install_for_a_user
step "Install check: making the Debian package (cpack)" make_package
step "Install check: the package's files and dependencies" check_package
step "Install check: lintian on the package" lint_package
echo "install check: passed ($(basename "$DEB"))"
