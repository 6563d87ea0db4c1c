#!/usr/bin/env bash
# scripts/screenshots.sh, run into a folder of its own, writes both pictures,
# each the size of the window (with the tip's balloon, which may reach past
# it) and not blank: the black screen around the window has one colour, and
# a picture of the window has many.
# Usage: BUILD_FOLDER
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
bash "$(dirname "$0")/../scripts/screenshots.sh" --build "$build" --out "$out"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# The window at 96 DPI: 361 x 441 dialog units of 9-point text and the caption
# Wine draws, about 640 x 800 pixels with the fonts it has; the screen is
# 1280 x 1024.
within() { [ "$1" -ge "$2" ] && [ "$1" -le "$3" ]; }
for name in window tip; do
  file=$out/$name.png
  [ -f "$file" ] || { fail "$name.png was not written"; continue; }
  read -r width height colours < <(identify -format '%w %h %k\n' "$file")
  echo "$name.png: $width x $height pixels, $colours colours"
  if [ "$name" = window ]; then
    within "$width" 540 740 && within "$height" 680 920 || fail "$name.png is not the window's size"
  else
    within "$width" 540 1100 && within "$height" 680 1000 || fail "$name.png is not the size of the window and its tip"
  fi
  [ "$colours" -gt 16 ] || fail "$name.png is blank"
done
[ "$failures" -eq 0 ]
