#!/usr/bin/env bash
# Builds the 32-bit and the 64-bit programs and writes what a Windows user
# downloads into dist/: the window TextHash.exe and the console program
# texthash-cli.exe for 32-bit Windows, the same two with "-x64" for 64-bit
# Windows (each one self-contained executable), TextHash-<version>.zip holding
# those four, SHA256SUMS, and the winget and Scoop manifests
# (scripts/release_files.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
. scripts/release_files.sh

rm -rf dist
for arch in i686 x86_64; do
  build=build-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build" -j "$(nproc)"
  cmake --install "$build" --prefix dist
done

version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' build-x86_64/CMakeCache.txt)
# The zip's entries carry the time of the commit, so that one commit gives one zip.
entry_time=$(TZ=UTC git log -1 --date=format-local:'%Y-%m-%d %H:%M:%S UTC' --format=%cd 2>/dev/null \
  || TZ=UTC date '+%Y-%m-%d %H:%M:%S UTC')
write_release_files dist "$version" "$entry_time"
echo "package: dist/ holds: $(cd dist && echo *)"
