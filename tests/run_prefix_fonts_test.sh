#!/usr/bin/env bash
# The prefix that scripts/run.sh prepares must show Chinese in any locale:
# the faces Wine draws captions and message boxes with (read from the prefix
# itself) and the dialogs' "宋体" must lead to the CJK font.
# Usage: LOADER PREFIX (the prefix is made anew).
set -euo pipefail
loader=$1
prefix=$2
rm -rf "$prefix"
bash "$(dirname "$0")/../scripts/prepare_run_prefix.sh" "$loader" "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all

readonly cjk='WenQuanYi Micro Hei'
readonly nt='HKLM\Software\Microsoft\Windows NT\CurrentVersion'

# The data of value $2 of key $1, or nothing.
value() {
  LC_ALL=C.UTF-8 "$loader" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -nE "s/^ +.+ +REG_[A-Z_]+ +(.*)$/\1/p"
}

# The face name of a LOGFONTW stored as hex (lfFaceName starts at byte 28).
face_of_logfont() {
  local hex=${1:56} face='' unit
  while [ ${#hex} -ge 4 ]; do
    unit=$((16#${hex:2:2}${hex:0:2}))
    [ "$unit" -eq 0 ] && break
    face+=$(printf "\\u$(printf %04x "$unit")")
    hex=${hex:4}
  done
  printf '%s' "$face"
}

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Wine links glyphs by the face a name stands for (its substitute), if any.
check_linked() {
  local face=$1 real
  real=$(value "$nt\\FontSubstitutes" "$face")
  real=${real:-$face}
  value "$nt\\FontLink\\SystemLink" "$real" | grep -q "$cjk" ||
    fail "the face \"$face\" (drawn as \"$real\") is not linked to $cjk"
}

for metric in CaptionFont SmCaptionFont MenuFont MessageFont StatusFont; do
  face=$(face_of_logfont "$(value 'HKCU\Control Panel\Desktop\WindowMetrics' "$metric")")
  [ -n "$face" ] || { fail "no face for $metric"; continue; }
  echo "$metric: $face"
  check_linked "$face"
done
# Message boxes and dialogs without a font of their own.
check_linked 'MS Shell Dlg'
[ "$(value 'HKCU\Software\Wine\Fonts\Replacements' '宋体')" = "$cjk" ] || fail "宋体 is not replaced by $cjk"

echo "run prefix fonts: $failures failed"
[ "$failures" -eq 0 ]
