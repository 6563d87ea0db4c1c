#!/usr/bin/env bash
# Runs a Windows program under Wine at a system DPI (LogPixels), on a virtual
# screen of its own, tall enough for the main dialog at 144 DPI (about 1,200
# pixels with the fonts Wine has; 1,024 cannot hold it). The prefix's Wine
# server starts and ends with the run, so that each run has its own screen.
# The program learns the DPI from TEXTHASH_TEST_DPI.
# Usage: WINE_LOADER DPI PROGRAM [ARGUMENT...], WINEPREFIX naming the prefix
set -euo pipefail
wine=$1 dpi=$2
shift 2
server=$(dirname "$wine")/wineserver
if [ -z "${TEXTHASH_TEST_DPI:-}" ]; then
  "$server" -w
  TEXTHASH_TEST_DPI=$dpi exec xvfb-run -a -s "-screen 0 1920x1440x24" bash "$0" "$wine" "$dpi" "$@"
fi
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
status=0
"$wine" "$@" || status=$?
"$server" -k 2>/dev/null || true
exit "$status"
