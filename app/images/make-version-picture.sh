#!/usr/bin/env bash
# Regenerates version.jpg, the 169 x 81 picture of the version window (needs ImageMagick and the
# DejaVu fonts). A flame over a burner bar on a dark-to-ember gradient, with the program name.
set -euo pipefail
cd "$(dirname "$0")"
convert -size 169x81 gradient:'#1b2430'-'#7a2a0c' \
  \( -size 169x81 xc:none \
     -fill '#ff8c1a' -draw "path 'M 34,74 C 10,60 14,36 30,22 C 30,34 36,38 40,40 C 38,26 44,12 56,6 C 52,22 66,30 64,48 C 70,44 72,38 72,32 C 84,46 80,66 62,74 Z'" \
     -fill '#ffd23f' -draw "path 'M 42,74 C 30,66 32,52 40,44 C 42,52 46,54 50,56 C 50,48 54,42 58,40 C 60,52 66,58 62,66 C 60,72 54,74 50,74 Z'" \
     -blur 0x0.6 \) -composite \
  -fill '#5a5f66' -draw "rectangle 14,74 88,77" \
  -font DejaVu-Sans-Bold -pointsize 24 -fill white -annotate +86+44 'Kesto' \
  -font DejaVu-Sans -pointsize 10 -fill '#ffcf99' -annotate +89+60 'flue gas' \
  -quality 90 -sampling-factor 4:2:0 -strip version.jpg
