#!/usr/bin/env bash
# Makes the pictures of the window in docs/images/: window.png, the window
# with a sample text (Chinese and ASCII) and its digests, and tip.png, the
# same once the text's UTF-8 MD5 is on the clipboard while the window digests
# the ANSI bytes, with the tip that names the setting that gives it. Run it
# again whenever the window changes, and commit the pictures.
#
# Usage: bash scripts/screenshots.sh [--build FOLDER] [--out FOLDER]
#   --build FOLDER  a build folder made with cmake/mingw-*.cmake in which
#                   TextHash and screenshot_driver are built (default:
#                   build-x86_64, configured and built here)
#   --out FOLDER    where the pictures go (default: docs/images)
#
# The program runs as on a Chinese system (code page 936), in a Wine prefix
# of its own in the build folder, on a virtual screen of its own that no
# window manager decorates: Wine draws the caption itself, with the prefix's
# settings. tests/gui/screenshot_driver.cpp types the text and names the
# rectangle of the screen that each picture shows; ImageMagick takes the
# screen and crops it, into palette PNGs of a few tens of KB.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
. "$repo/scripts/wine_arch.sh"

readonly text='岚鹊文本哈希工具 TextHash：你好，世界！Hello, world!'

build='' out=$repo/docs/images
while [ $# -gt 0 ]; do
  case $1 in
    --build) build=${2:?--build needs a folder}; shift 2 ;;
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    *) echo "screenshots: unknown argument $1 (usage: screenshots.sh [--build FOLDER] [--out FOLDER])" >&2; exit 2 ;;
  esac
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
[ -z "$build" ] || build=$(cd "$build" && pwd)
cd "$repo"
if [ -z "$build" ]; then
  bash scripts/setup.sh
  build=$repo/build-x86_64
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j "$(nproc)" --target screenshot_driver >/dev/null
fi
driver=$build/tests/gui/screenshot_driver.exe
[ -f "$driver" ] || { echo "screenshots: $driver is missing; build the target screenshot_driver" >&2; exit 1; }
arch=$(sed -nE 's|^CMAKE_TOOLCHAIN_FILE:[A-Z]+=(.*/)?mingw-(.+)\.cmake$|\2|p' "$build/CMakeCache.txt")
[ -n "$arch" ] || { echo "screenshots: $build was not made with cmake/mingw-*.cmake" >&2; exit 1; }
loader=$(wine_loader_for "$arch")
server=$(dirname "$loader")/wineserver
export WINEPREFIX=$build/wineprefix-screenshots WINEDEBUG=-all LC_ALL=zh_CN.UTF-8 LANG=zh_CN.UTF-8

# The prefix's Wine processes belong to one screen: they start on the
# virtual one and end with it.
if [ -z "${TEXTHASH_SCREENSHOTS_SCREEN:-}" ]; then
  [ ! -d "$WINEPREFIX" ] || "$server" -w
  TEXTHASH_SCREENSHOTS_SCREEN=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" \
    bash scripts/screenshots.sh --build "$build" --out "$out"
fi
screen=$(mktemp --suffix=.png)
trap 'rm -f "$screen"; "$server" -k 2>/dev/null || true' EXIT
bash scripts/prepare_run_prefix.sh "$loader" "$WINEPREFIX"
"$loader" regedit /S "Z:$PWD/tests/gui/unmanaged_windows.reg"
# A caret that blinks would be in one picture and not in the next.
"$loader" reg add 'HKCU\Control Panel\Desktop' /v CursorBlinkRate /d -1 /f >/dev/null

# The MD5 the window shows (code page 936 is GBK) and the one put on the clipboard.
md5_of() { md5sum | cut -c1-32 | tr a-f A-F; }
ansi_md5=$(printf '%s' "$text" | iconv -f UTF-8 -t GBK | md5_of)
utf8_md5=$(printf '%s' "$text" | md5_of)

coproc driver_io { "$loader" "$driver" "$text" "$ansi_md5" "$utf8_md5"; }
driver_pid=$driver_io_PID
# "NAME GEOMETRY" a line, each answered once the picture is taken.
while read -r name geometry <&"${driver_io[0]}"; do
  import -window root "$screen"
  convert "$screen" -crop "${geometry%$'\r'}" +repage -strip -dither None -colors 256 "PNG8:$out/$name.png"
  echo taken >&"${driver_io[1]}"
done
wait "$driver_pid" || { echo "screenshots: the driver failed (exit code $?)" >&2; exit 1; }

for name in window tip; do
  echo "$out/$name.png: $(identify -format '%w x %h' "$out/$name.png") pixels, $(stat -c %s "$out/$name.png") bytes"
done
