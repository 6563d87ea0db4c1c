#!/usr/bin/env bash
# Installs everything the cross build and the Wine-hosted tests need on Debian 12.
# Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64
  xvfb xauth x11-utils xdotool imagemagick
  locales fonts-wqy-microhei
  cmake make googletest zip
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine picks the ANSI code page from the locale it starts in; 936 needs zh_CN.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  echo "setup: generating zh_CN.UTF-8"
  as_root sed -i 's/^# *\(zh_CN.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi
echo "setup: all build and test prerequisites are present"

. "$(dirname "$0")/wine_arch.sh"
. "$(dirname "$0")/i686_emulation.sh"
mode=$(i686_mode)
# Where the kernel runs no 32-bit programs the tests run them under user-mode
# emulation (scripts/i686_emulation.sh). Installing the emulator must leave the
# host's binfmt_misc registrations as they were: a package may register formats
# of its own (through systemd or binfmt-support), and those are removed again.
if [ "$mode" = emulated ] && [ ! -x "$i686_emulator" ]; then
  echo "setup: installing qemu-user-static (user-mode emulation for the 32-bit tests)"
  binfmt=/proc/sys/fs/binfmt_misc
  before=$(ls "$binfmt" 2>/dev/null || true)
  as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
  for entry in $(ls "$binfmt" 2>/dev/null || true); do
    case "$entry" in register | status) continue ;; esac
    grep -qx "$entry" <<<"$before" || echo -1 | as_root tee "$binfmt/$entry" >/dev/null
  done
fi
case "$mode" in
  native) echo "setup: this host runs 32-bit and 64-bit Windows programs under Wine" ;;
  emulated)
    if can_run_arch i686; then
      echo "setup: this host runs 32-bit and 64-bit Windows programs under Wine; TEXTHASH_I686=emulated: the 32-bit tests run under user-mode emulation all the same"
    else
      echo "setup: this host runs 64-bit Windows programs under Wine, 32-bit ones only under user-mode emulation ($i686_emulator, registered for the test run only): $(why_not_arch i686)"
    fi
    ;;
  *) echo "setup: this host runs only 64-bit Windows programs under Wine: $(why_not_arch i686)" ;;
esac
