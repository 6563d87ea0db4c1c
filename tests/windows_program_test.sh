#!/usr/bin/env bash
# A program as a Windows user gets it: installed under its own name, with
# "-x64" added for a 64-bit program so that both kinds fit into one folder;
# the expected PE kind and subsystem, and self-contained, importing only DLLs
# that every Windows system has (no C++ runtime, libgcc or winpthread DLL
# beside it), and without the test-only SHA-2 path override.
# Usage: OBJDUMP CMAKE BUILD_FOLDER NAME BUILT_PROGRAM PE32|PE32+ gui|console
# (BUILT_PROGRAM: the build folder's copy, which keeps its symbols.)
set -euo pipefail
objdump=$1 cmake=$2 build=$3 name=$4 built=$5 kind=$6 subsystem=$7
readonly system_dlls='advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt normaliz ole32 oleaut32 shell32 shlwapi user32'

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
"$cmake" --install "$build" --prefix "$stage" >/dev/null
suffix=''
[ "$kind" != PE32+ ] || suffix=-x64
program=$stage/$name$suffix.exe
[ -f "$program" ] || { echo "FAILED: $build installs no $(basename "$program")"; exit 1; }

headers=$("$objdump" -p "$program")
failures=0
fail() { echo "FAILED: $program: $*"; failures=$((failures + 1)); }

[[ $(grep '^Magic' <<<"$headers") == *"($kind)" ]] || fail "not $kind"
case $subsystem in
  gui) wanted='Windows GUI' ;;
  console) wanted='Windows CUI' ;;
esac
[[ $(grep '^Subsystem' <<<"$headers") == *"($wanted)" ]] || fail "not a $wanted program"

imports=$(sed -nE 's/^[[:space:]]*DLL Name: (.*)$/\1/p' <<<"$headers")
for dll in $imports; do
  name=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  [[ " $system_dlls " == *" ${name%.dll} "* ]] || fail "imports $dll, which is not part of Windows"
done

# The SHA-2 path choice is made once; the override is for tests and the
# benchmark and must not be reachable from a program. Judged from the symbol
# table of the build folder's copy; the installed one is stripped.
symbols=$("$objdump" -t "$built")
grep -q 'ActiveSha256Path' <<<"$symbols" || fail "has no symbol table to check the SHA-2 path override against"
! grep -qE 'UseSha(256|512)Path|UsePreferredSha2Paths' <<<"$symbols" || fail "can change the SHA-2 path choice"

echo "$(basename "$program") checked as $kind, $wanted; imports:" $imports
[ "$failures" -eq 0 ]
