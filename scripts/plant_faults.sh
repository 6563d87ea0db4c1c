#!/usr/bin/env bash
# Plants the faults listed in scripts/planted_faults.txt one at a time and
# says for each whether its test catches it. A developer tool, not part of CI.
#
# Usage: bash scripts/plant_faults.sh [--baseline] [--check-list] [ID...]
#   ID...         only these faults (default: all, in the list's order)
#   --baseline    first run each test program once, unplanted, with every
#                 test the chosen faults name: a test that already fails
#                 would make its faults look caught
#   --check-list  only check the list: each text found exactly once and each
#                 gtest filter matching at least one test; plants nothing
#
# Works in a scratch copy of this checkout's working tree (tracked and new
# files, as they are now) under ${TMPDIR:-/tmp}/texthash-faults, with one
# x86-64 build folder kept between runs so that rebuilds are incremental, and
# that build folder's own Wine prefix. Tests run in one code page (LC_ALL=C,
# 1252), on a virtual display as scripts/test.sh runs them. A test run longer
# than FAULT_TIMEOUT seconds (default 300) is stopped; the line says whether
# a fault was caught by failing tests, by the test process dying, or by a
# hang. GUI tests that fail are run once more, as scripts/test.sh does, and
# catch the fault only when they fail again.
#
# One line per fault: caught ID / survived ID / not applied ID / build
# failed ID (a fault that does not compile was not planted), then
#   faults: N caught, M survived, K not applied
# where K counts build failures too. Logs of each run are kept in the
# scratch folder's logs/.
set -uo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
list=$repo/scripts/planted_faults.txt
work=${TMPDIR:-/tmp}/texthash-faults
src=$work/src
build=$work/build-x86_64
logs=$work/logs
timeout_s=${FAULT_TIMEOUT:-300}
jobs=2
. "$repo/scripts/wine_arch.sh"
loader=$(wine_loader_for x86_64)
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all
readonly xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24")

baseline=0
check_only=0
ids=()
for arg in "$@"; do
  case $arg in
    --baseline) baseline=1 ;;
    --check-list) check_only=1 ;;
    -*) echo "plant_faults: unknown option $arg" >&2; exit 2 ;;
    *) ids+=("$arg") ;;
  esac
done

# The list's reader and the planting itself: texts with tabs, line breaks and
# backslashes are easier to handle exactly in Python than in the shell.
faults_py() {
  python3 - "$list" "$@" <<'EOF'
import re, sys
ESCAPES = {"t": "\t", "n": "\n", "\\": "\\"}

def unescape(text, where):
    def one(m):
        if m.group(1) not in ESCAPES:
            sys.exit(f"{where}: unknown escape \\{m.group(1)}")
        return ESCAPES[m.group(1)]
    return re.sub(r"\\(.)", one, text)

def rows(path):
    seen = set()
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.rstrip("\n")
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        fields = line.split("\t")
        where = f"{path}:{number}"
        if len(fields) != 5:
            sys.exit(f"{where}: {len(fields)} fields, not 5")
        fid, file, test, old, new = fields
        if fid in seen:
            sys.exit(f"{where}: id {fid} listed twice")
        seen.add(fid)
        yield fid, file, test, unescape(old, where), unescape(new, where)

command, args = sys.argv[2], sys.argv[3:]
table = {r[0]: r for r in rows(sys.argv[1])}
if command == "rows":
    # id, file and test of each chosen fault, tab-separated.
    chosen = args or list(table)
    for fid in chosen:
        if fid not in table:
            sys.exit(f"no fault {fid} in the list")
        print("\t".join(table[fid][:3]))
elif command == "count":
    # How often the fault's text occurs in the scratch copy.
    fid, root = args
    _, file, _, old, _ = table[fid]
    try:
        print(open(f"{root}/{file}", encoding="utf-8", newline="").read().count(old))
    except FileNotFoundError:
        print(0)
elif command == "plant":
    fid, root = args
    _, file, _, old, new = table[fid]
    path = f"{root}/{file}"
    text = open(path, encoding="utf-8", newline="").read()
    if text.count(old) != 1:
        sys.exit(f"{file}: the text occurs {text.count(old)} times")
    open(path, "w", encoding="utf-8", newline="").write(text.replace(old, new))
EOF
}

# The scratch copy follows the working tree: changed files are copied (so make
# rebuilds what depends on them), unchanged ones keep their times, files gone
# from the working tree go from the copy. A fault left planted by a run that
# was killed is undone here too.
sync_scratch() {
  mkdir -p "$src" "$logs"
  (cd "$repo" && git ls-files --cached --others --exclude-standard | sort -u) >"$work/files"
  local file
  while IFS= read -r file; do
    [ -f "$repo/$file" ] || continue
    if ! cmp -s "$repo/$file" "$src/$file"; then
      mkdir -p "$(dirname "$src/$file")"
      cp "$repo/$file" "$src/$file"
    fi
  done <"$work/files"
  (cd "$src" && find . -type f -printf '%P\n' | sort) | comm -23 - "$work/files" |
    while IFS= read -r file; do rm -f "$src/$file"; done
}

configure_build() {
  [ -f "$build/CMakeCache.txt" ] && return 0
  cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
    >"$logs/configure.log" 2>&1 || { echo "plant_faults: configure failed, see $logs/configure.log" >&2; exit 1; }
}

# The prefix as the ctest fixtures wine_prefix and gui_unmanaged_windows leave it.
prepare_prefix() {
  [ -f "$build/prefix-ready" ] && return 0
  "$loader" wineboot --init >"$logs/prefix.log" 2>&1 &&
    "$loader" regedit /S "Z:$src/tests/gui/unmanaged_windows.reg" >>"$logs/prefix.log" 2>&1 &&
    "$(dirname "$loader")/wineserver" -w &&
    touch "$build/prefix-ready" || { echo "plant_faults: Wine prefix failed, see $logs/prefix.log" >&2; exit 1; }
}

# The targets a test needs: the test executable (which brings the program it
# runs as a child), or both programs and the screenshots' driver for the shell
# checks.
targets_for() {
  case ${1%% *} in
    engine_tests) echo engine_tests ;;
    gui_tests) echo gui_tests ;;
    ctest) echo TextHash texthash-cli screenshot_driver ;;
  esac
}

build_for() {
  # shellcheck disable=SC2046
  cmake --build "$build" -j "$jobs" --target $(targets_for "$1") >"$2" 2>&1
}

# Runs one test as the list names it; output to $2. Exit code: the test's,
# 124 when it was stopped after the time limit.
run_test() {
  local test=$1 log=$2 kind=${1%% *} arg=${1#* }
  case $kind in
    engine_tests)
      # The clipboard tests need a display too.
      (cd "$build/tests" && LC_ALL=C LANG=C "${xvfb[@]}" timeout -k 10 "$timeout_s" \
        "$loader" ./engine_tests.exe --gtest_filter="$arg") >"$log" 2>&1 ;;
    gui_tests)
      (cd "$build/tests/gui" && LC_ALL=C LANG=C "${xvfb[@]}" timeout -k 10 "$timeout_s" \
        "$loader" ./gui_tests.exe --gtest_filter="$arg") >"$log" 2>&1 ;;
    ctest)
      LC_ALL=C LANG=C "${xvfb[@]}" ctest --test-dir "$build" -R "^($arg)\$" --output-on-failure \
        --timeout "$timeout_s" >"$log" 2>&1 ;;
  esac
  local status=$?
  if [ "$kind" = ctest ] && [ "$status" -ne 0 ] && grep -q '\*\*\*Timeout' "$log"; then
    status=124
  fi
  [ "$status" -eq 124 ] && WINEPREFIX=$WINEPREFIX "$(dirname "$loader")/wineserver" -k 2>/dev/null
  return "$status"
}

# The gtest names of the tests that failed in log $1, one a line.
failed_tests() {
  grep -aoE '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/.]+' "$1" | awk '{print $4}' | sort -u
}

# How a failed run failed, in a few words.
failure_words() {
  local status=$1 log=$2 failed
  if [ "$status" -eq 124 ]; then
    echo "hung: stopped after ${timeout_s} s"
    return
  fi
  failed=$(failed_tests "$log")
  [ -n "$failed" ] || failed=$(grep -aoE '[0-9]+ - [A-Za-z0-9_.]+ \((Failed|Timeout|[A-Za-z ]+)\)' "$log" |
    awk '{print $3}' | sort -u)
  if [ -n "$failed" ]; then
    echo "failed: $(echo $failed | sed 's/ /, /g')"
  else
    echo "test process died, exit $status"
  fi
}

matches_no_test() {
  case ${1%% *} in
    engine_tests | gui_tests) grep -aq 'Running 0 tests' "$2" ;;
    ctest) grep -aq 'No tests were found' "$2" ;;
  esac
}

planted_file=''
restore() {
  if [ -n "$planted_file" ]; then
    cp "$repo/$planted_file" "$src/$planted_file"
    planted_file=''
  fi
}
trap 'restore; exit 130' INT TERM
trap restore EXIT

rows=$(faults_py rows "${ids[@]}") || exit 2
sync_scratch

if [ "$check_only" -eq 1 ]; then
  configure_build
  problems=0
  declare -A listed=()
  while IFS=$'\t' read -r id file test; do
    count=$(faults_py count "$id" "$src")
    [ "$count" -eq 1 ] || { echo "text found $count times: $id ($file)"; problems=$((problems + 1)); }
    kind=${test%% *}
    if [ "$kind" != ctest ] && [ -z "${listed[$test]:-}" ]; then
      listed[$test]=1
      build_for "$test" "$logs/check-build.log" || { echo "build failed, see $logs/check-build.log"; exit 1; }
      exe=$build/tests/engine_tests.exe
      [ "$kind" = gui_tests ] && exe=$build/tests/gui/gui_tests.exe
      n=$("$loader" "$exe" --gtest_list_tests --gtest_filter="${test#* }" 2>/dev/null | grep -c '^  ')
      [ "$n" -gt 0 ] || { echo "no test matches: $id ($test)"; problems=$((problems + 1)); }
    fi
  done <<<"$rows"
  echo "list: $problems problems"
  [ "$problems" -eq 0 ]
  exit
fi

configure_build
echo "plant_faults: building in $build"
build_for "ctest" "$logs/build.log" && build_for "engine_tests" "$logs/build.log" &&
  build_for "gui_tests" "$logs/build.log" || { echo "plant_faults: the unplanted code does not build, see $logs/build.log" >&2; exit 1; }
prepare_prefix

if [ "$baseline" -eq 1 ]; then
  declare -A union=()
  while IFS=$'\t' read -r id file test; do
    kind=${test%% *} arg=${test#* }
    sep=':'
    [ "$kind" = ctest ] && sep='|'
    case "$sep${union[$kind]:-}$sep" in
      *"$sep$arg$sep"*) ;;
      *) union[$kind]=${union[$kind]:+${union[$kind]}$sep}$arg ;;
    esac
  done <<<"$rows"
  for kind in "${!union[@]}"; do
    log=$logs/baseline-$kind.log
    if run_test "$kind ${union[$kind]}" "$log"; then
      echo "baseline passes: $kind"
    else
      echo "baseline FAILS: $kind ($(failure_words $? "$log")); its faults would look caught"
    fi
  done
fi

caught=0 survived=0 not_applied=0
start=$(date +%s)
while IFS=$'\t' read -r id file test; do
  t0=$(date +%s)
  log=$logs/$id.log
  if ! faults_py plant "$id" "$src" 2>"$log"; then
    echo "not applied $id ($(cat "$log"))"
    not_applied=$((not_applied + 1))
    continue
  fi
  planted_file=$file
  if ! build_for "$test" "$logs/$id.build.log"; then
    echo "build failed $id (see $logs/$id.build.log)"
    not_applied=$((not_applied + 1))
    restore
    continue
  fi
  built=$(date +%s)
  run_test "$test" "$log"
  status=$?
  # As scripts/test.sh runs a failing test once more, a GUI test that fails
  # (they are the ones a loaded machine can make miss a deadline) counts only
  # when its failed tests fail again.
  flaky=''
  if [ "$status" -ne 0 ] && [ "$status" -ne 124 ] && [ "${test%% *}" = gui_tests ]; then
    again=$(failed_tests "$log" | paste -sd:)
    if [ -n "$again" ] && run_test "gui_tests $again" "$log.again"; then
      flaky="failed once, passed when run again: $again; "
      status=0
    fi
  fi
  restore
  took="build $((built - t0)) s, test $(($(date +%s) - built)) s"
  if [ "$status" -eq 0 ]; then
    if matches_no_test "$test" "$log"; then
      echo "not applied $id (no test matches: $test)"
      not_applied=$((not_applied + 1))
    else
      echo "survived $id (${flaky}${took})"
      survived=$((survived + 1))
    fi
  else
    echo "caught $id ($(failure_words "$status" "$log"); ${took})"
    caught=$((caught + 1))
  fi
done <<<"$rows"

echo "faults: $caught caught, $survived survived, $not_applied not applied ($(($(date +%s) - start)) s)"
