#!/usr/bin/env bash
# Renders the program icon's PNG sizes from its SVG source. The PNGs are
# committed, so this runs only after the drawing changes; it needs
# ImageMagick (package imagemagick).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 32 48 64 128 256; do
    mkdir -p "${size}x${size}"
    # A high density first, then down: small sizes stay sharp.
    convert -background none -density 384 quorvel.svg -resize "${size}x${size}" \
        -depth 8 -strip "PNG32:${size}x${size}/quorvel.png"
done
