#!/usr/bin/env bash
# The prefix that scripts/run.sh prepares must show Chinese in any locale:
# the faces Wine draws captions, message boxes and tooltips with (read from
# the prefix itself) and the dialogs' "宋体" must lead to the CJK font; also
# after the prefix was last used in a locale of another code page.
# Usage: LOADER PREFIX (the prefix is made anew).
set -euo pipefail
loader=$1
prefix=$2
rm -rf "$prefix"
export WINEPREFIX=$prefix WINEDEBUG=-all

readonly cjk='WenQuanYi Micro Hei'
readonly nt='HKLM\Software\Microsoft\Windows NT\CurrentVersion'

# The data of value $2 of key $1, or nothing. reg writes in the ANSI code
# page, so its lines are read as bytes.
value() {
  "$loader" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    LC_ALL=C sed -nE "s/^ +.+ +REG_[A-Z_]+ +(.*)$/\1/p" || true
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

# A face leads to the CJK font when the face it stands for (its substitute,
# if any) is replaced by the CJK font or takes the glyphs it lacks from it.
check_linked() {
  local face=$1 real
  real=$(value "$nt\\FontSubstitutes" "$face")
  real=${real:-$face}
  [ "$(value 'HKCU\Software\Wine\Fonts\Replacements' "$real")" = "$cjk" ] && return 0
  value "$nt\\FontLink\\SystemLink" "$real" | grep -q "$cjk" ||
    fail "the face \"$face\" (drawn as \"$real\") does not lead to $cjk"
}

# As run.sh does: prepared, then looked at, in the locale the program runs in.
check_prefix() {
  bash "$(dirname "$0")/../scripts/prepare_run_prefix.sh" "$loader" "$prefix"
  for metric in CaptionFont SmCaptionFont MenuFont MessageFont StatusFont; do
    face=$(face_of_logfont "$(value 'HKCU\Control Panel\Desktop\WindowMetrics' "$metric")")
    [ -n "$face" ] || { fail "no face for $metric"; continue; }
    check_linked "$face"
  done
  # Message boxes, and the dialogs' own font.
  check_linked 'MS Shell Dlg'
  check_linked '宋体'
}

# zh_CN (code page 936) first, then back to C (1252), each in UTF-8 so that
# the Chinese value names pass through.
for locale in zh_CN.UTF-8 C.UTF-8; do
  echo "in $locale:"
  LC_ALL=$locale check_prefix
done

echo "run prefix fonts: $failures failed"
[ "$failures" -eq 0 ]
