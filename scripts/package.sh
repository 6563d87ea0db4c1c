#!/usr/bin/env bash
# Builds the 32-bit and the 64-bit programs and packs what a Windows user
# downloads into dist/TextHash-<version>.zip: the window TextHash.exe and the
# console program texthash-cli.exe for 32-bit Windows, and the same two with
# "-x64" for 64-bit Windows, each one self-contained executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

stage=dist/stage
rm -rf "$stage"
for arch in i686 x86_64; do
  build=build-$arch
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build" -j "$(nproc)"
  cmake --install "$build" --prefix "$stage"
done

version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)$/\1/p' build-x86_64/CMakeCache.txt)
archive=TextHash-$version.zip
(cd "$stage" && cmake -E tar cf "../$archive" --format=zip -- *)
echo "package: dist/$archive holds: $(cd "$stage" && echo *)"
