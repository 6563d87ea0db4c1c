#!/usr/bin/env bash
# Prepares the Wine prefix that the program runs in: usage: LOADER PREFIX.
# Creates the prefix on first use and makes every text the program shows
# readable in any locale. Outside a Chinese locale Wine has no font with
# Chinese glyphs for the title bar, message boxes or the dialogs' "宋体", so:
#  - the faces Wine draws captions, menus and message boxes with are linked
#    to the CJK font (glyphs they lack are taken from it), and
#  - "宋体", which the dialog templates ask for by name, is replaced by it.
# Safe to run again; the entries are written once per prefix.
set -euo pipefail
loader=$1
export WINEPREFIX=$2 WINEDEBUG=-all

readonly cjk_face='WenQuanYi Micro Hei'
readonly cjk_link="wqy-microhei.ttc,$cjk_face"
readonly system_link='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
readonly replacements='HKCU\Software\Wine\Fonts\Replacements'
readonly stamp="$WINEPREFIX/texthash-fonts.done"

[ -d "$WINEPREFIX" ] || "$loader" wineboot --init
[ -e "$stamp" ] && exit 0

reg_add() { LC_ALL=C.UTF-8 "$loader" reg add "$@" /f >/dev/null; }
# Wine's caption, menu and message fonts are "MS Shell Dlg", which stands
# for Tahoma; glyphs are linked by the face that is really drawn.
reg_add "$system_link" /v Tahoma /t REG_MULTI_SZ /d "$cjk_link"
reg_add "$replacements" /v '宋体' /d "$cjk_face"
touch "$stamp"
