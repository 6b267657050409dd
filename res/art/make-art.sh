#!/usr/bin/env bash
# Regenerates the launcher's pictures from the drawings in this folder:
#   ../banner.jpg       960 x 171 baseline JFIF, from banner.svg
#   ../buy.png          128 x 128 RGBA, from monitor.svg, critical chunks only
#   ../ZelProject.ico   48, 32, 16 px at 8 bits, then 256, 48, 32, 16 px at 32 bits, all plain DIBs
# The results are committed, so building the program needs none of these tools.
# Needs rsvg-convert (librsvg2-bin), ImageMagick 6 and g++.
set -euo pipefail
ART="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
RES="$(dirname "$ART")"
ROOT="$(dirname "$RES")"
# ImageMagick's own convert, whatever else is first on the PATH.
MAGICK=/usr/bin/convert

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

render() { rsvg-convert --width "$2" --height "$2" --keep-aspect-ratio "$ART/$1" --output "$3"; }

# Banner: quality 82 keeps the gradients clean at about 27 KB.
rsvg-convert "$ART/banner.svg" --output "$WORK/banner.png"
"$MAGICK" "$WORK/banner.png" -strip -interlace none -sampling-factor 2x2,1x1,1x1 -quality 82 "$RES/banner.jpg"

# Purchase picture: strip every ancillary chunk (no time stamps, no gamma), so the file is the
# same on every run.
render monitor.svg 128 "$WORK/buy.png"
"$MAGICK" "$WORK/buy.png" -strip -define png:exclude-chunks=all -define png:color-type=6 \
  -define png:bit-depth=8 "PNG32:$RES/buy.png"

# Icon: the large images come from the full drawing, 32 and 16 from the pixel-grid ones.
render monitor.svg 256 "$WORK/256.png"
render monitor.svg 48 "$WORK/48.png"
render monitor-32.svg 32 "$WORK/32.png"
render monitor-16.svg 16 "$WORK/16.png"
for size in 256 48 32 16; do
  "$MAGICK" "$WORK/$size.png" -alpha on "PAM:$WORK/$size-32.pam"
done
# The 8-bit images have no alpha: cut it at half, paint the cut-away pixels black and leave
# room for black in a palette of 255 other colours.
for size in 48 32 16; do
  "$MAGICK" "$WORK/$size.png" -alpha on -channel A -threshold 50% +channel \
    -background black -alpha background -dither None -colors 255 "PAM:$WORK/$size-8.pam"
done

g++ -std=c++20 -O2 -o "$WORK/icowriter" "$ROOT/tools/icowriter.cpp"
"$WORK/icowriter" "$RES/ZelProject.ico" \
  "8:$WORK/48-8.pam" "8:$WORK/32-8.pam" "8:$WORK/16-8.pam" \
  "32:$WORK/256-32.pam" "32:$WORK/48-32.pam" "32:$WORK/32-32.pam" "32:$WORK/16-32.pam"

echo "make-art: wrote banner.jpg, buy.png and ZelProject.ico in $RES"
