#!/usr/bin/env bash
# Two builds of one commit in two folders give the same programs, byte for
# byte: the sources are copied into a folder of another path and length, only
# the two programs are built there, and both builds' programs are compared as
# the build folder keeps them (with symbols) and as `cmake --install` strips
# them for the download. Neither may hold the path of its sources or build.
# The second build stays in the build folder, so that a later run only
# rebuilds what changed.
# Usage: CMAKE SOURCE_FOLDER BUILD_FOLDER TOOLCHAIN_FILE BUILD_TYPE BUILT_PROGRAM...
set -euo pipefail
cmake=$1 source=$2 build=$3 toolchain=$4 type=$5
shift 5
twin=$build/reproducible-twin
twin_source=$twin/sources

# The copy keeps the files' times, so that make rebuilds only what changed.
rm -rf "$twin_source"
mkdir -p "$twin_source"
excludes=(--exclude=./.git --exclude='./build*' --exclude=./dist)
[[ $build != "$source"/* ]] || excludes+=(--exclude="./${build#"$source"/}")
tar -C "$source" "${excludes[@]}" -cf - . | tar -C "$twin_source" -xf -
[[ $toolchain != "$source"/* ]] || toolchain=$twin_source/${toolchain#"$source"/}

log=$twin/build.log
{
  "$cmake" -S "$twin_source" -B "$twin/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE="$type" \
    -DBUILD_TESTING=OFF
  "$cmake" --build "$twin/build" -j 2 --target TextHash texthash-cli
} >"$log" 2>&1 || { tail -n 40 "$log"; echo "FAILED: the second build in $twin failed"; exit 1; }
rm -rf "$twin/installed"
mkdir -p "$twin/installed/first" "$twin/installed/second"
# A second apart: a time of day written while installing shows.
"$cmake" --install "$build" --prefix "$twin/installed/first" >/dev/null
sleep 1
"$cmake" --install "$twin/build" --prefix "$twin/installed/second" >/dev/null

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# Names the first differing byte, counted from 1 as cmp counts.
compare() {
  local what=$1 first=$2 second=$3 differing
  if [ ! -f "$second" ]; then
    fail "$what: the second build made no $second"
    return
  fi
  differing=$(cmp -l "$first" "$second" 2>/dev/null | wc -l) || true
  if ! cmp -s "$first" "$second"; then
    fail "$what differs between the two builds: $differing bytes differ, the first at" \
      "$(cmp "$first" "$second" 2>&1 | sed -E 's/.*differ: (byte [0-9]+).*/\1/'); sizes $(stat -c %s "$first") and $(stat -c %s "$second")"
  else
    echo "$what: the same $(stat -c %s "$first") bytes in both builds"
  fi
}
leaks_path() {
  local program=$1 folder
  for folder in "$source" "$build" "$twin_source" "$twin/build"; do
    if { strings -a "$program"; strings -a -e l "$program"; } | grep -F -- "$folder" >/dev/null; then
      fail "$program holds the path $folder"
    fi
  done
}

for built in "$@"; do
  compare "build folder's ${built#"$build"/}" "$built" "$twin/build/${built#"$build"/}"
  leaks_path "$built"
done
for installed in "$twin/installed/first"/*; do
  compare "installed $(basename "$installed")" "$installed" "$twin/installed/second/$(basename "$installed")"
  leaks_path "$installed"
done
[ "$failures" -eq 0 ]
