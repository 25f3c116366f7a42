#!/usr/bin/env bash
# Renders the checked-in PNG window icons from the SVG, and from them the
# Windows icon (16 to 64 pixels in one .ico). Run after changing the SVG
# (needs rsvg-convert from librsvg2-bin and ImageMagick's convert).
set -euo pipefail
cd "$(dirname "$0")"
name=org.rm740control.Rm740Control
for size in 32 64; do
    rsvg-convert -w "$size" -h "$size" "$name.svg" -o "$name-$size.png"
done
convert "$name-64.png" \( -clone 0 -resize 16x16 \) \( -clone 0 -resize 24x24 \) "$name-32.png" \
    \( -clone 0 -resize 48x48 \) -delete 0 "$name-64.png" "$name.ico"
