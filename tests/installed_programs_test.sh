#!/usr/bin/env bash
# The programs as `cmake --install` puts them into the download: no debug
# sections and no symbol table, while the build folder keeps its copies whole.
# Usage: CMAKE OBJDUMP BUILD_FOLDER PROGRAM_NAME...
set -euo pipefail
cmake=$1 objdump=$2 build=$3
shift 3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
for name in "$@"; do
  program=$prefix/$name
  [[ -f $program ]] || { fail "$name is not installed"; continue; }
  debug=$("$objdump" -h "$program" | awk '$2 ~ /^\.debug/ { print $2 }')
  [[ -z $debug ]] || fail "$name carries debug sections:" $debug
  "$objdump" -t "$program" | grep -q '^no symbols$' || fail "$name carries a symbol table"
  echo "$name installed, $(stat -c %s "$program") bytes"
done
[ "$failures" -eq 0 ]
