#!/usr/bin/env bash
# install-check.sh [BUILD]: installs a build into a temporary prefix and checks
# what a desktop finds there: both programs, the desktop entry and AppStream
# metainfo (through their validators) and the icons the entry names.
set -euo pipefail
BUILD="${1:-$(cd "$(dirname "$0")/.." && pwd)/build}"
ID=org.rm740control.Rm740Control

PREFIX="$(mktemp -d "${TMPDIR:-/tmp}/rm740-install.XXXXXX")"
trap 'rm -rf "$PREFIX"' EXIT
fail() { echo "install check: FAILED: $*" >&2; exit 1; }

cmake --install "$BUILD" --prefix "$PREFIX" >"$PREFIX.log" 2>&1 || { cat "$PREFIX.log" >&2; rm -f "$PREFIX.log"; fail "cmake --install"; }
rm -f "$PREFIX.log"

for program in rm740-control rm740-sim; do
    [ -x "$PREFIX/bin/$program" ] || fail "bin/$program is missing"
done

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

echo "install check: passed"
