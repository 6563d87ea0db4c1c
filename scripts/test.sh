#!/usr/bin/env bash
# Sets everything up, builds the 32-bit and the 64-bit program with their
# tests, and runs every test under Wine on a virtual display, for each
# architecture this host can run. Ends with one line counting all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
. scripts/wine_arch.sh
. scripts/i686_emulation.sh

if ! can_run_arch x86_64; then
  echo "test: cannot run Windows programs here: $(why_not_arch x86_64)" >&2
  exit 1
fi

passed=0
failed=0
not_run=()
for arch in i686 x86_64; do
  build=build-$arch
  echo "test: building the $arch program and tests in $build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build" -j "$(nproc)"
  mode=native
  [ "$arch" != i686 ] || mode=$(i686_mode)
  if [ "$mode" = none ] || { [ "$mode" = native ] && ! can_run_arch "$arch"; }; then
    not_run+=("test: $arch tests not run: $(why_not_arch "$arch")")
    echo "${not_run[-1]}"
    continue
  fi
  if [ "$mode" = emulated ] && ! why=$(i686_emulation_starts); then
    not_run+=("test: $arch tests not run: $(why_not_arch "$arch"); under user-mode emulation: $why")
    echo "${not_run[-1]}"
    continue
  fi
  # Under emulation (scripts/i686_emulation.sh) what the emulator cannot run
  # is left out, and said so.
  runner=()
  selection=()
  if [ "$mode" = emulated ]; then
    runner=(run_i686_emulated env)
    if [ "${TEXTHASH_I686_EMULATED_ALL:-}" != 1 ]; then
      runner+=("GTEST_FILTER=-$i686_emulated_engine_left_out")
      selection=(-E "$i686_emulated_ctest_left_out")
      not_run+=("test: $arch under emulation left out (threads or Windows processes of their own, which qemu-i386 cannot run; TEXTHASH_I686_EMULATED_ALL=1 runs them): ctest ${i686_emulated_ctest_left_out}; in engine_tests ${i686_emulated_engine_left_out}")
      echo "${not_run[-1]}"
    fi
  fi
  echo "test: running the $arch tests$([ "$mode" = native ] || echo " under user-mode emulation")"
  log="$build/ctest.log"
  status=0
  started=$SECONDS
  # A test that fails is run once more, so that one unlucky moment of Wine or
  # Xvfb under load does not fail the run; a real fault fails both times.
  "${runner[@]}" xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build" --output-on-failure --repeat until-pass:2 "${selection[@]}" 2>&1 | tee "$log" || status=$?
  [ "$mode" = native ] || echo "test: $arch under emulation took $((SECONDS - started)) s"
  # ctest closes with "N% tests passed, F tests failed out of T".
  summary=$(grep -E 'tests failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$summary" ]; then
    echo "test: $arch: ctest gave no summary (exit code $status)" >&2
    failed=$((failed + 1))
    continue
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
  failures=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$summary")
  passed=$((passed + total - failures))
  failed=$((failed + failures))
  if [ "$status" -ne 0 ] && [ "$failures" -eq 0 ]; then
    failed=$((failed + 1))
  fi
done

for line in "${not_run[@]}"; do
  echo "$line"
done
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
