#!/usr/bin/env bash
# Renders the checked-in PNG window icons from the SVG. Run after changing the
# SVG (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 32 64; do
    rsvg-convert -w "$size" -h "$size" org.rm740control.Rm740Control.svg \
        -o "org.rm740control.Rm740Control-$size.png"
done
