#!/usr/bin/env bash
# install-check.sh [BUILD]: installs a build into a temporary prefix and checks
# what a desktop finds there: the programs, the desktop entry and AppStream
# metainfo (through their validators) and the icons the entry names; and
# what a shell finds: rm740ctl with its manual page and bash completion. Then
# makes the Debian package with cpack and checks its contents and dependencies.
set -euo pipefail
BUILD="${1:-$(cd "$(dirname "$0")/.." && pwd)/build}"
ID=org.rm740control.Rm740Control

PREFIX="$(mktemp -d "${TMPDIR:-/tmp}/rm740-install.XXXXXX")"
trap 'rm -rf "$PREFIX"' EXIT
fail() { echo "install check: FAILED: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >"$PREFIX.log" 2>&1 || { cat "$PREFIX.log" >&2; rm -f "$PREFIX.log"; fail "cmake --install"; }
rm -f "$PREFIX.log"

for program in rm740-control rm740-sim rm740ctl rm740-bridge; do
    [ -x "$PREFIX/bin/$program" ] || fail "bin/$program is missing"
done

# The network ports' module, where the programs look for it.
MODULE=""
for candidate in "$PREFIX"/lib/rm740-control/librm740-network.so "$PREFIX"/lib/*/rm740-control/librm740-network.so; do
    [ -f "$candidate" ] && MODULE="${candidate#"$PREFIX"/}"
done
[ -n "$MODULE" ] || fail "the network module (lib/rm740-control/librm740-network.so) is missing"

# rm740ctl runs from where it was put, and its manual page is of its version.
MANUAL=share/man/man1/rm740ctl.1.gz
COMPLETION=share/bash-completion/completions/rm740ctl
[ -f "$PREFIX/$MANUAL" ] || fail "$MANUAL is missing"
[ -f "$PREFIX/$COMPLETION" ] || fail "$COMPLETION is missing"
version="$("$PREFIX/bin/rm740ctl" --version)" || fail "rm740ctl --version"
gzip -dc "$PREFIX/$MANUAL" | grep -q "^\.TH RM740CTL 1 .*\"rm740-control ${version#rm740ctl }\"" \
    || fail "the manual page is not of $version"
grep -q "complete -F _rm740ctl rm740ctl" "$PREFIX/$COMPLETION" || fail "$COMPLETION completes no rm740ctl"

# rm740-bridge with its manual page, its service and its configuration, which
# names no projector yet (so the service would not start unconfigured).
BRIDGE_MANUAL=share/man/man1/rm740-bridge.1.gz
UNIT=lib/systemd/system/rm740-bridge.service
[ -f "$PREFIX/$BRIDGE_MANUAL" ] || fail "$BRIDGE_MANUAL is missing"
[ -f "$PREFIX/$UNIT" ] || fail "$UNIT is missing"
[ -f "$PREFIX/etc/rm740/bridge.conf" ] || fail "etc/rm740/bridge.conf is missing"
"$PREFIX/bin/rm740-bridge" --version | grep -q "^rm740-bridge ${version#rm740ctl }$" || fail "rm740-bridge --version"
refusal="$("$PREFIX/bin/rm740-bridge" --config "$PREFIX/etc/rm740/bridge.conf" --check 2>&1)" && fail "the shipped configuration serves a projector"
grep -q "no projector" <<<"$refusal" || fail "rm740-bridge --check: $refusal"

entry="$PREFIX/share/applications/$ID.desktop"
[ -f "$entry" ] || fail "the desktop entry is missing"
# Warnings and hints fail the check too.
report="$(desktop-file-validate "$entry" 2>&1)" && [ -z "$report" ] || fail "desktop-file-validate: $report"

metainfo="$PREFIX/share/metainfo/$ID.metainfo.xml"
[ -f "$metainfo" ] || fail "the metainfo is missing"
report="$(appstreamcli validate --no-net "$metainfo" 2>&1)" || fail "appstreamcli validate: $report"

icon="$(sed -n 's/^Icon=//p' "$entry")"
for file in scalable/apps/$icon.svg 32x32/apps/$icon.png 64x64/apps/$icon.png; do
    [ -f "$PREFIX/share/icons/hicolor/$file" ] || fail "icon $file is missing"
done

# --- the Debian package ------------------------------------------------------
OUT="$PREFIX/package"
( cd "$BUILD" && cpack -B "$OUT" ) >"$PREFIX/cpack.log" 2>&1 || { cat "$PREFIX/cpack.log" >&2; fail "cpack"; }
deb="$(ls "$OUT"/rm740-control_*.deb 2>/dev/null | head -n1)"
[ -n "$deb" ] || fail "cpack made no package"
contents="$(dpkg-deb -c "$deb")"
for file in usr/bin/rm740-control usr/bin/rm740-sim usr/bin/rm740ctl usr/$MANUAL usr/$COMPLETION \
    usr/share/applications/$ID.desktop usr/$MODULE usr/bin/rm740-bridge usr/$BRIDGE_MANUAL usr/$UNIT etc/rm740/bridge.conf; do
    grep -q " \./$file\$" <<<"$contents" || fail "the package lacks $file"
done
dpkg-deb -I "$deb" conffiles 2>/dev/null | grep -qx /etc/rm740/bridge.conf || fail "/etc/rm740/bridge.conf is no conffile"
depends="$(dpkg-deb -f "$deb" Depends)"
# The display plugins and the caption face are loaded at run time, so no
# library dependency brings them.
for package in qt6-qpa-plugins fonts-liberation2 libqt6serialport6 libqt6network6 libqt6widgets6; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "the package does not depend on $package (Depends: $depends)"
done

echo "install check: passed ($(basename "$deb"))"
