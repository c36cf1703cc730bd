#!/usr/bin/env bash
# Writes the bitmap-file fixtures of the GDI tests into $1: X bitmap files
# and the Windows bitmap files netpbm makes of them (1 and 24 bits), and two
# damaged files.
set -euo pipefail
out=$1
mkdir -p "$out"
for name in woman xlogo11 weird_size star; do
  cp /usr/include/X11/bitmaps/$name "$out/$name.xbm"
done
printf '#define odd9_width 9\n#define odd9_height 2\nstatic unsigned char odd9_bits[] = {\n   0x01, 0x01, 0xff, 0x00};\n' >"$out/odd9.xbm"
printf '#define wide17_width 17\n#define wide17_height 2\nstatic short wide17_bits[] = {\n 0x8001, 0x0001, 0x5aa5, 0x0000};\n' >"$out/wide17.xbm"
for f in "$out"/*.xbm; do
  stem=${f%.xbm}
  for bits in 1 24; do
    xbmtopbm "$f" | ppmtobmp -bpp $bits 2>/dev/null >"$stem"_$bits.bmp
  done
done
head -c 100 "$out/woman_1.bmp" >"$out/short.bmp"
printf '#define s_width 8\n#define s_height 4\nstatic char s_bits[] = {\n 0x01, 0x02 };\n' >"$out/short.xbm"
