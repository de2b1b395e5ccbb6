#!/usr/bin/env bash
# Seed corpora for the fuzz targets, made from scratch: bases of a few records, sibling
# files, and small pictures drawn by ImageMagick. The first byte of a picture seed picks the
# format the target tries (0 jpg, 1 bmp, 2 ico).
set -euo pipefail
dest=$1
mkdir -p "$dest/fuzz_base" "$dest/fuzz_image" "$dest/fuzz_ini"
for n in 0 1 500 1028 2156 2316 3084; do
  head -c "$n" /dev/urandom >"$dest/fuzz_base/aleatoire-$n"
  head -c "$n" /dev/zero >"$dest/fuzz_base/zeros-$n"
done
tmp=$(mktemp -d)
convert -size 40x30 gradient:red-blue "$tmp/a.jpg"
convert -size 40x30 gradient:red-blue -interlace JPEG "$tmp/p.jpg"
convert -size 12x9 xc:yellow "$tmp/b.bmp"
convert -size 16x16 xc:green "$tmp/c.ico"
{ printf '\x00'; cat "$tmp/a.jpg"; } >"$dest/fuzz_image/jpeg"
{ printf '\x00'; cat "$tmp/p.jpg"; } >"$dest/fuzz_image/jpeg-progressif"
{ printf '\x01'; cat "$tmp/b.bmp"; } >"$dest/fuzz_image/bmp"
{ printf '\x02'; cat "$tmp/c.ico"; } >"$dest/fuzz_image/ico"
rm -rf "$tmp"
printf '[setup]\r\nautoload=/home/a/base.dat\r\n' >"$dest/fuzz_ini/simple"
printf '; commentaire\n[autre]\ncle=1\n\n[ Setup ]\n  AUTOLOAD = x \n[fin]\n' >"$dest/fuzz_ini/espaces"
printf '' >"$dest/fuzz_ini/vide"
