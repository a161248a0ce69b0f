#!/bin/sh
# Draws the program's icon and writes it as one .ico with the sizes Windows asks for (16, 20,
# 24 and 32 for title bars, lists and the task bar at 100% to 200%, 48 for Explorer's large
# view, 256 for its extra-large view and the Start menu's tiles). The design: a registry block
# (a cube of three shaded faces) with a green tick over its front corner, in ImageMagick's
# drawing primitives on a 256-pixel canvas; the smaller sizes are scaled down from it, each
# sharpened a little so that the tick stays clear at 16 pixels.
#
# Usage: draw_icon.sh OUTPUT.ico
set -eu
out=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

convert -size 256x256 xc:none \
  -stroke '#163f78' -strokewidth 8 -draw 'stroke-linejoin round fill #8cc0f5 polygon 128,20 230,74 128,128 26,74' \
  -draw 'stroke-linejoin round fill #3f85dc polygon 26,74 128,128 128,240 26,186' \
  -draw 'stroke-linejoin round fill #245fb0 polygon 128,128 230,74 230,186 128,240' \
  -stroke '#d6e8fb' -strokewidth 5 -fill none \
  -draw 'line 77,47 179,101' -draw 'line 179,47 77,101' \
  -draw 'line 77,101 77,213' -draw 'line 26,130 128,184' \
  -stroke '#ffffff' -strokewidth 44 \
  -draw 'stroke-linecap round stroke-linejoin round fill none polyline 104,170 146,212 232,114' \
  -stroke '#1f9d3f' -strokewidth 26 \
  -draw 'stroke-linecap round stroke-linejoin round fill none polyline 104,170 146,212 232,114' \
  -depth 8 "$work/256.png"

for size in 48 32 24 20 16; do
  convert "$work/256.png" -filter Lanczos -resize "${size}x${size}" -unsharp 0x0.6 \
    -depth 8 "$work/$size.png"
done
# The largest first, as Windows' own icons are stored; 256 stays a PNG inside the .ico.
convert "$work/256.png" "$work/48.png" "$work/32.png" "$work/24.png" "$work/20.png" \
  "$work/16.png" "$out"
