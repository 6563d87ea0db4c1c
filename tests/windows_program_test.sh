#!/usr/bin/env bash
# A program as a Windows user gets it: the expected PE kind and subsystem, and
# self-contained, importing only DLLs that every Windows system has (no C++
# runtime, libgcc or winpthread DLL beside it).
# Usage: OBJDUMP PROGRAM PE32|PE32+ gui|console
set -euo pipefail
objdump=$1 program=$2 kind=$3 subsystem=$4
readonly system_dlls='advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32'

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

echo "$(basename "$program") checked as $kind, $wanted; imports:" $imports
[ "$failures" -eq 0 ]
