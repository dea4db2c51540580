#!/bin/sh
# Regenerates logo.png, the picture at the top right of the live page (187 x 113, transparent
# outside the rounded frame). Needs ImageMagick and the DejaVu fonts.
set -e
cd "$(dirname "$0")"
convert -size 187x113 xc:none \
 \( -size 187x113 radial-gradient:'#ffdd55'-'#ffffff00' \) -compose over -composite \
 -fill none -stroke '#c0c0c0' -strokewidth 2 -draw "roundrectangle 2,2 184,110 12,12" \
 -stroke none -fill '#e04010' -draw "path 'M 40,88 C 20,60 42,40 38,18 C 56,36 70,50 58,70 C 66,62 70,54 68,44 C 84,60 80,80 66,90 Z'" \
 -fill '#ffb000' -draw "path 'M 48,88 C 38,72 50,60 50,46 C 60,58 66,70 58,86 Z'" \
 -font DejaVu-Sans-Bold -pointsize 30 -fill '#103070' -draw "text 84,66 'Kesto'" \
 -font DejaVu-Sans -pointsize 11 -fill '#404040' -draw "text 86,84 'flue gas data'" \
 PNG32:logo.png
