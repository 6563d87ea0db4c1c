#!/usr/bin/env bash
# Sets everything up, builds the program and starts it under Wine on your display:
# the 32-bit program where this host runs 32-bit programs, else the 64-bit one.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ]; then
  echo "run: no X display (DISPLAY is not set); start this from a graphical session" >&2
  exit 1
fi

bash scripts/setup.sh
. scripts/wine_arch.sh
if can_run_arch i686; then
  arch=i686
  echo "run: starting the 32-bit program (this host runs 32-bit programs)"
elif can_run_arch x86_64; then
  arch=x86_64
  echo "run: starting the 64-bit program, since the 32-bit one cannot run: $(why_not_arch i686)"
else
  echo "run: cannot run Windows programs here: $(why_not_arch x86_64)" >&2
  exit 1
fi

build=build-$arch
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)" --target TextHash

# A Wine prefix of its own, kept inside the build folder.
loader=$(wine_loader_for "$arch")
bash scripts/prepare_run_prefix.sh "$loader" "$PWD/$build/wineprefix-run"
export WINEPREFIX="$PWD/$build/wineprefix-run" WINEDEBUG=-all
exec "$loader" "$build/app/TextHash.exe"
