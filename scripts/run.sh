#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine on your display.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no X display (DISPLAY is not set); start this from a graphical session" >&2
  exit 1
fi

bash scripts/setup.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)" --target TextHash

# A Wine prefix of its own, kept inside the build folder.
export WINEPREFIX="$PWD/build/wineprefix-run"
export WINEDEBUG=-all
if [ ! -d "$WINEPREFIX" ]; then
  wineboot --init
  # The windows ask for the font 宋体, which Wine lacks outside a Chinese
  # locale; without a stand-in their Chinese captions would show as boxes.
  LC_ALL=C.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v '宋体' /d 'WenQuanYi Micro Hei' /f >/dev/null
fi
exec wine build/app/TextHash.exe
