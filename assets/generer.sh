#!/usr/bin/env bash
# Draws the program's pictures with ImageMagick; run it from this folder after changing one.
set -euo pipefail

# Placeholder shown when a card has no picture: a quiet frame with a faint landscape sign.
convert -size 178x178 xc:'#e4e0d8' \
  -fill none -stroke '#b8b2a6' -strokewidth 2 -draw 'rectangle 4,4 173,173' \
  -fill '#cfc9bd' -stroke none -draw 'polygon 30,140 70,80 100,120 120,100 150,140' \
  -fill '#cfc9bd' -draw 'circle 125,60 125,47' \
  -strip -quality 90 rien.jpg

# Picture frame at start: a small card-file drawing in colour.
convert -size 48x48 xc:'#2b5f9e' \
  -fill '#f4e9c8' -stroke '#7a5a1e' -strokewidth 1 -draw 'rectangle 8,12 40,38' \
  -fill '#c0392b' -stroke none -draw 'rectangle 8,12 40,17' \
  -stroke '#7a6a4a' -strokewidth 1 -draw 'line 12,23 36,23' -draw 'line 12,28 36,28' \
  -draw 'line 12,33 30,33' \
  -fill '#f1c40f' -stroke none -draw 'circle 38,9 38,5' \
  -strip -quality 92 depart.jpg

# Window icon: a box of index cards, 32 x 32.
convert -size 32x32 xc:none \
  -fill '#fbf3da' -stroke '#6b5220' -strokewidth 1 -draw 'rectangle 6,3 25,18' \
  -fill '#fbf3da' -draw 'rectangle 8,7 27,20' \
  -stroke '#b03a2e' -draw 'line 10,10 24,10' -stroke '#8a7a5a' -draw 'line 10,13 24,13' \
  -draw 'line 10,16 20,16' \
  -fill '#2b5f9e' -stroke '#173a66' -draw 'rectangle 3,17 28,29' \
  -fill '#f1c40f' -stroke none -draw 'rectangle 13,21 18,24' \
  -strip icone.png

# Menu and desktop icons, from the scalable drawing icones/brevandoux.svg (librsvg2-bin).
for taille in 48 64 128 256; do
  rsvg-convert -w "$taille" -h "$taille" icones/brevandoux.svg -o "icones/brevandoux-$taille.png"
done
