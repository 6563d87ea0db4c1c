# The 32-bit tests on a host whose kernel runs no 32-bit programs: Wine's
# 32-bit loader run by qemu-i386-static (user-mode emulation), registered in
# binfmt_misc for i386 ELF programs for one command only. Sourced by
# scripts/setup.sh and scripts/test.sh after scripts/wine_arch.sh; defines
# i686_mode, i686_emulation_starts, run_i686_emulated and the lists below.
# Run with --run, it runs a command so.
#
# TEXTHASH_I686=emulated forces the emulated run on a host that runs 32-bit
# programs natively (a registration is consulted before the kernel's own ELF
# loader), the only way to try this path there. TEXTHASH_I686_REGISTRATION=host
# forces the host-wide registration where a private one would do.
# TEXTHASH_I686_EMULATED_ALL=1 runs every 32-bit test under emulation, also
# those left out below.

i686_emulator=/usr/bin/qemu-i386-static
i686_binfmt_name=texthash-qemu-i386
# i386 ELF executables and shared objects (e_type 2 or 3, e_machine 3), as
# qemu's own binfmt configuration gives them; written as the kernel reads them.
i686_binfmt_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i686_binfmt_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# What qemu-i386 7.2 (Debian 12) cannot run, found under emulation and
# explained in the README ("32-bit and 64-bit hosts"). It keeps one GDT for all
# threads of a process, so each thread's glibc TLS entry is the one the newest
# thread set; Wine reloads %gs on its system calls, and a Windows process whose
# threads run side by side corrupts its heap and its Wine-server connection.
# Each emulated Windows process also takes about a minute to start. So the
# tests that run threads of their own side by side or many Windows processes
# are left out; every other test runs, the GUI suite included (its dialog
# thread and test thread take turns). scripts/test.sh also leaves to the
# x86-64 run what 32-bit code cannot break, and says so.
#
# Engine tests (GoogleTest filter): threads (file pool, parallel file digests,
# keyed digests through both, clipboard and per-thread failure records), or
# texthash-cli as a child.
i686_emulated_engine_left_out='ManyFiles.*:CliCheck.*:Cli.*:CliHelp.*:CliFirstRuns.*:CliKeyed.*:CliMatch.*:ParallelFileDigest.*:KeyedDigests.EveryRoadOfASelectionCarriesItsParameters:ShareDigests.*:SetClipboardText.*:LastErrorRecord.EachThreadKeepsItsOwn'
i686_emulated_engine_reason='threads side by side or texthash-cli children, which qemu-i386 cannot run'
# Whole ctest tests: the release files (texthash-cli -c, a pool of threads).
i686_emulated_ctest_left_out='^release_files$'
i686_emulated_ctest_reason='texthash-cli -c runs a pool of threads, which qemu-i386 cannot run'

# How this host runs the 32-bit tests: "native", "emulated" or "none".
i686_mode() {
  if [ "${TEXTHASH_I686:-}" = emulated ]; then
    echo emulated
  elif can_run_arch i686; then
    echo native
  elif [ -e "$(wine_loader_for i686)" ] && [[ "$(why_not_arch i686)" == *"Exec format error"* ]]; then
    echo emulated
  else
    echo none
  fi
}

i686_binfmt_entry() {
  printf ':%s:M::%s:%s:%s:F' "$i686_binfmt_name" "$i686_binfmt_magic" "$i686_binfmt_mask" "$i686_emulator"
}

# Succeeds when the 32-bit Wine loader starts under emulation (registered for
# that moment only); else says in one line why not.
i686_emulation_starts() {
  local why
  if [ ! -x "$i686_emulator" ]; then
    echo "$i686_emulator is missing"
    return 1
  fi
  if ! why=$(i686_quiet=1 run_i686_emulated true 2>&1); then
    echo "${why:-the 32-bit Wine loader does not start under $i686_emulator}" | tail -n 1
    return 1
  fi
}

# Whether a user namespace may have a binfmt_misc of its own (Linux 6.7 and
# later): then the registration is seen by this run's processes only.
i686_private_registration_works() {
  [ "${TEXTHASH_I686_REGISTRATION:-}" != host ] || return 1
  command -v unshare >/dev/null || return 1
  local dir status=0
  dir=$(mktemp -d)
  unshare --user --map-root-user --mount --fork mount -t binfmt_misc binfmt_misc "$dir" 2>/dev/null || status=1
  rmdir "$dir"
  return "$status"
}

# Runs "$@" with the registration in force and leaves binfmt_misc as it was:
# in a user namespace of its own where the kernel allows it, else host-wide
# (binfmt_misc mounted if it was not, and unmounted again). Says which in one
# line. Fails without running "$@" when the emulated 32-bit loader does not
# start.
run_i686_emulated() {
  if [ ! -x "$i686_emulator" ]; then
    echo "test: i686: $i686_emulator is missing (scripts/setup.sh installs qemu-user-static)" >&2
    return 1
  fi
  if i686_private_registration_works; then
    [ -n "${i686_quiet:-}" ] || echo "test: i686: $i686_emulator registered for i386 ELF programs in a binfmt_misc of this run's own user namespace; the host's registrations are untouched"
    local dir status=0
    dir=$(mktemp -d)
    unshare --user --map-root-user --mount --fork \
      bash "${BASH_SOURCE[0]}" --inside-namespace "$dir" "$(i686_binfmt_entry)" "$(wine_loader_for i686)" "$@" ||
      status=$?
    rmdir "$dir"
    return "$status"
  fi
  i686_run_with_host_registration "$@"
}

i686_run_with_host_registration() {
  local dir=/proc/sys/fs/binfmt_misc mounted_here=0 status=0
  if [ ! -e "$dir/register" ]; then
    mount -t binfmt_misc binfmt_misc "$dir" || { echo "test: i686: cannot mount binfmt_misc at $dir" >&2; return 1; }
    mounted_here=1
  fi
  if [ -e "$dir/$i686_binfmt_name" ]; then
    # Left by a run that was killed; taken over and removed like our own.
    echo -1 >"$dir/$i686_binfmt_name"
  fi
  if ! printf '%s' "$(i686_binfmt_entry)" >"$dir/register"; then
    echo "test: i686: binfmt_misc refused the registration of $i686_emulator" >&2
    [ "$mounted_here" -eq 0 ] || umount "$dir"
    return 1
  fi
  [ -n "${i686_quiet:-}" ] || echo "test: i686: $i686_emulator registered host-wide in binfmt_misc for i386 ELF programs for this run only$([ "$mounted_here" -eq 0 ] || echo " (binfmt_misc mounted for it)"); removed when the run ends"
  # Removed however the run ends; a second signal while removing is ignored.
  trap 'i686_remove_host_registration '"$mounted_here"'; trap - EXIT; exit 130' INT TERM HUP
  trap 'i686_remove_host_registration '"$mounted_here" EXIT
  if "$(wine_loader_for i686)" --version >/dev/null 2>&1; then
    "$@" || status=$?
  else
    echo "test: i686: the 32-bit Wine loader does not start under $i686_emulator either" >&2
    status=1
  fi
  i686_remove_host_registration "$mounted_here"
  trap - EXIT INT TERM HUP
  return "$status"
}

i686_remove_host_registration() {
  local dir=/proc/sys/fs/binfmt_misc
  trap '' INT TERM HUP
  [ ! -e "$dir/$i686_binfmt_name" ] || echo -1 >"$dir/$i686_binfmt_name"
  [ "$1" -eq 0 ] || umount "$dir"
  trap - INT TERM HUP
}

# As a command, `bash scripts/i686_emulation.sh --run COMMAND...`: runs the
# command as run_i686_emulated does (scripts/test.sh so runs the emulated
# tests in the background).
if [ "${1:-}" = --run ]; then
  set -euo pipefail
  shift
  . "$(dirname "${BASH_SOURCE[0]}")/wine_arch.sh"
  run_i686_emulated "$@"
  exit
fi

# Inside the user namespace: mount a binfmt_misc of its own, register, run.
if [ "${1:-}" = --inside-namespace ]; then
  set -euo pipefail
  shift
  dir=$1 entry=$2 loader=$3
  shift 3
  mount -t binfmt_misc binfmt_misc "$dir"
  printf '%s' "$entry" >"$dir/register"
  if ! "$loader" --version >/dev/null 2>&1; then
    echo "test: i686: the 32-bit Wine loader does not start under emulation either" >&2
    exit 1
  fi
  exec "$@"
fi
