#!/usr/bin/env bash
# Sets everything up, builds the 32-bit and the 64-bit program with their
# tests, and runs the tests under Wine, each architecture on a virtual display
# of its own: every test for x86-64, and for i686 (natively or under user-mode
# emulation) what 32-bit code can break. The architecture whose tests take
# longer is built first and tested in the background, its output kept in its
# own log and shown when it ends, while the other is built and tested. Says
# what runs where, and ends with one line counting all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine_arch.sh
. scripts/i686_emulation.sh

from=$SECONDS
bash scripts/setup.sh
echo "test: set-up took $((SECONDS - from)) s"

if ! can_run_arch x86_64; then
  echo "test: cannot run Windows programs here: $(why_not_arch x86_64)" >&2
  exit 1
fi

not_run=()
i686=$(i686_mode)
if [ "$i686" = none ] || { [ "$i686" = native ] && ! can_run_arch i686; }; then
  not_run+=("test: i686 tests not run: $(why_not_arch i686)")
  i686=none
elif [ "$i686" = emulated ] && ! why=$(i686_emulation_starts); then
  not_run+=("test: i686 tests not run: $(why_not_arch i686); under user-mode emulation: $why")
  i686=none
fi
all_emulated=$([ "$i686" = emulated ] && [ "${TEXTHASH_I686_EMULATED_ALL:-}" = 1 ] && echo 1 || true)

# What the i686 run leaves to the x86-64 run: pairs of a ctest name pattern
# and the reason. The 32-bit program differs from the 64-bit one in pointer
# sizes, structure layouts, calling conventions, its SIMD paths and what its
# window procedures keep; these tests reach none of that.
i686_left_to_x86_64=(
  '^(wine_dpi_prefix|gui_tests\.dpi.*)$' 'the layouts at 120 and 144 DPI: the code that lays out at 96, scaled'
  '^run_prefix_fonts$' "Wine's own prefix settings, no code of ours"
  '^screenshots$' 'the window that the GUI suite drives, pictured from the 64-bit program'
  '^reproducible_programs$' 'the flags that make a build reproducible are the same for both, and one twin build shows them at work'
)
# Under emulation each Windows process costs about a minute: one code page.
# 936 (GBK) is the one whose bytes are not its characters, where a length
# taken for another shows.
i686_emulated_left_to_x86_64=(
  '\.cp1252$' 'code page 1252: the same code as 936 on other bytes'
  "$i686_emulated_ctest_left_out" "$i686_emulated_ctest_reason"
)

# The tests of build folder $1 that ctest selects with the remaining
# arguments, space-separated.
ctest_names() {
  local build=$1
  shift
  ctest --test-dir "$build" -N "$@" | sed -nE 's/^ *Test +#[0-9]+: (.*)$/\1/p' | tr '\n' ' ' | sed 's/ $//'
}

# How architecture $1 runs its tests: the ctest arguments that select them go
# into `selection`, and one line says which run, how, and which are left out
# and why.
select_tests() {
  local arch=$1 mode=native line names i said='; left to x86_64:' left=() patterns=()
  [ "$arch" = x86_64 ] || mode=$i686
  if [ "$arch" = i686 ] && [ -z "$all_emulated" ]; then
    left=("${i686_left_to_x86_64[@]}")
    [ "$mode" = native ] || left+=("${i686_emulated_left_to_x86_64[@]}")
  fi
  for ((i = 0; i < ${#left[@]}; i += 2)); do
    patterns+=("${left[i]}")
  done
  selection=()
  [ ${#patterns[@]} -eq 0 ] || selection=(-E "$(IFS='|' && echo "${patterns[*]}")")
  line="test: $arch $mode$([ "$mode" = native ] || echo " (qemu-i386)"): $(ctest_names "build-$arch" "${selection[@]}")"
  if [ "$mode" = emulated ] && [ -z "$all_emulated" ]; then
    line+="; in engine_tests not $i686_emulated_engine_left_out ($i686_emulated_engine_reason)"
  fi
  for ((i = 0; i < ${#left[@]}; i += 2)); do
    names=$(ctest_names "build-$arch" -R "${left[i]}")
    [ -z "$names" ] || { line+="$said $names (${left[i + 1]})" && said=';'; }
  done
  echo "$line"
}

build() {
  local arch=$1 from=$SECONDS
  echo "test: building the $arch program and tests in build-$arch"
  cmake -S . -B "build-$arch" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "build-$arch" -j "$(nproc)"
  echo "test: the $arch build took $((SECONDS - from)) s"
}

# The command that runs the tests of architecture $1, selected by `selection`.
# A test that fails is run once more, so that one unlucky moment of Wine or
# Xvfb under load does not fail the run; a real fault fails both times. A
# test program that crashes waits for Wine's debugger, which may never return:
# a test still running after 20 minutes (the slowest, emulated, take 4) is
# stopped and fails.
tests_command() {
  command=()
  if [ "$1" = i686 ] && [ "$i686" = emulated ]; then
    command=(bash scripts/i686_emulation.sh --run env)
    [ -n "$all_emulated" ] || command+=("GTEST_FILTER=-$i686_emulated_engine_left_out")
  fi
  command+=(xvfb-run -a -s "-screen 0 1280x1024x24"
    ctest --test-dir "build-$1" --output-on-failure --repeat until-pass:2 --timeout 1200 "${selection[@]}")
}

# Adds the closing ctest summary of architecture $1's log (exit code $2) to
# the counts.
count() {
  local arch=$1 status=$2 summary total failures
  # ctest closes with "N% tests passed, F tests failed out of T".
  summary=$(grep -E 'tests failed out of [0-9]+' "build-$arch/ctest.log" | tail -n 1 || true)
  if [ -z "$summary" ]; then
    echo "test: $arch: ctest gave no summary (exit code $status)" >&2
    failed=$((failed + 1))
    return
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  failures=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
  passed=$((passed + total - failures))
  failed=$((failed + failures))
  if [ "$status" -ne 0 ] && [ "$failures" -eq 0 ]; then
    failed=$((failed + 1))
  fi
}

describe() {
  echo "test: running the $1 tests$([ "$1" = x86_64 ] || [ "$i686" = native ] || echo " under user-mode emulation")"
}

# The emulated 32-bit tests take longest; else the 64-bit ones, which run all.
first=x86_64 second=i686
[ "$i686" != emulated ] || { first=i686; second=x86_64; }
[ "$i686" != none ] || second=''

passed=0
failed=0
build "$first"
select_tests "$first"
tests_command "$first"
describe "$first"
echo "test: the $first tests run in the background (log: build-$first/ctest.log)"
first_from=$SECONDS
# In a session of their own, so that an interrupted run ends them whole (the
# emulated ones then remove their registration).
setsid "${command[@]}" >"build-$first/ctest.log" 2>&1 </dev/null &
background=$!
stop_background() {
  kill -TERM -- "-$background" 2>/dev/null || true
  wait "$background" 2>/dev/null || true
}
trap stop_background EXIT
trap 'stop_background; trap - EXIT; exit 130' INT TERM HUP

if [ -n "$second" ]; then
  build "$second"
  select_tests "$second"
  tests_command "$second"
  describe "$second"
  status=0
  from=$SECONDS
  "${command[@]}" 2>&1 | tee "build-$second/ctest.log" || status=$?
  echo "test: the $second tests took $((SECONDS - from)) s"
  count "$second" "$status"
fi

status=0
wait "$background" || status=$?
trap - EXIT INT TERM HUP
echo "test: the $first tests took $((SECONDS - first_from)) s; their log, build-$first/ctest.log:"
cat "build-$first/ctest.log"
count "$first" "$status"

for line in "${not_run[@]}"; do
  echo "$line"
done
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
