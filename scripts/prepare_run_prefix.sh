#!/usr/bin/env bash
# Prepares the Wine prefix that the program runs in: usage: LOADER PREFIX.
# Creates the prefix on first use and makes every text the program shows
# readable in any locale. Outside a Chinese locale Wine has no font with
# Chinese glyphs for the title bar, message boxes, tooltips or the dialogs'
# "宋体", so:
#  - the face Wine draws captions, menus, message boxes and tooltips with is
#    linked to the CJK font (glyphs it lacks are taken from it), and
#  - "宋体", which the dialog templates ask for by name, and "SimSun", which
#    those faces stand for in a Chinese locale, are replaced by it.
# Wine rewrites its font links whenever it starts in a locale with another
# ANSI code page than the last start, so the entries are written at every
# start, in the locale the program is about to run in.
set -euo pipefail
loader=$1
export WINEPREFIX=$2 WINEDEBUG=-all

readonly cjk_face='WenQuanYi Micro Hei'
readonly system_link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
readonly replacements='HKCU\Software\Wine\Fonts\Replacements'

if [ ! -d "$WINEPREFIX" ]; then
  "$loader" wineboot --init
  # The new prefix is still being set up in the background, fonts included.
  "$(dirname "$loader")/wineserver" -w
fi

# Wine reads the arguments in the locale's character set; "宋体" needs UTF-8.
# C.UTF-8 has the same ANSI code page as C.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
reg_add() { "$loader" reg add "$@" /f >/dev/null; }
# Wine's caption, menu, message and status fonts are "MS Shell Dlg", which
# stands for Tahoma; glyphs are linked by the face that is really drawn.
reg_add "$system_link" /v Tahoma /t REG_MULTI_SZ /d "wqy-microhei.ttc,$cjk_face"
for face in '宋体' SimSun; do
  reg_add "$replacements" /v "$face" /d "$cjk_face"
done
