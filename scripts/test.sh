#!/usr/bin/env bash
# Sets everything up, builds, and runs every test under Wine on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$(nproc)"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build --output-on-failure
