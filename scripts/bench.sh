#!/usr/bin/env bash
# Builds and runs digest_bench for each Windows architecture this host runs
# (build-bench-x86, build-bench-x64, each with a Wine prefix of its own),
# runs `openssl speed` on 256 KiB messages in the same run, and prints the
# ratio of each own SHA-256, SHA-512, SM3, SHA-3 and BLAKE2 path to OpenSSL,
# BLAKE3 against the own portable SHA-256, CRC-32 in GB/s, and how much the
# preferred paths speed up a full recomputation against the portable ones.
# Then the console program digests one 1 GiB file in a temporary folder (all
# seven digests, --only sha256, --only md5) on each architecture, with the
# time of a --version run taken as start-up and left out of the rate, beside
# the host's rhash, sha256sum and openssl on the same file where it has them.
# The text part times the console program on piped text with composed letters
# (1 MB and 8 MB): --normalize nfc, and --match of a digest nothing gives.
# Last it checks many files (10,000 of 4 KiB, 1,000 of 1 MiB) against lists
# that sha256sum and md5sum wrote, beside those tools' own --check and rhash's.
# Run it on an otherwise quiet machine: figures vary with load.
#
#   bash scripts/bench.sh [digests] [text] [file] [files]    (the parts to run; all by default)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine_arch.sh

parts=" ${*:-digests text file files} "

# The single-thread figures, the own and OpenSSL's alike, run on one
# processor: on a shared host two processors of one machine can differ in
# speed by a quarter, and a ratio must not compare one with the other.
bench_cpu=$(taskset -pc $$ | sed 's/.*: *//; s/[-,].*//')
pinned() { taskset -c "$bench_cpu" "$@"; }
want() { [[ $parts == *" $1 "* ]]; }

build_folder_for() {
  case "$1" in
    i686) echo build-bench-x86 ;;
    x86_64) echo build-bench-x64 ;;
  esac
}

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

# OpenSSL's figures at 256 KiB: the window's SHA-2 digests, then the own
# digests still to join the window, which OpenSSL names so after -evp. Each
# call appends one one-second run of each to openssl-runs.txt, the last line
# of its table, as in "sha256  1916518.40k". The bench calls it before and
# after digest_bench and keeps each digest's fastest run, as the own figures
# are the fastest of their batches: the speed of a shared host drifts, and a
# slow moment of either side must not decide the ratio.
kOpensslDigests="SHA256:sha256 SHA512:sha512"
kOpensslEvpDigests="SM3:sm3 SHA3-256:sha3-256 SHA3-512:sha3-512 BLAKE2b:blake2b512 BLAKE2s:blake2s256"
openssl_run() {
  pinned openssl speed -bytes 262144 -seconds 1 "$@" 2>/dev/null | tail -n 1 >>"$results/openssl-runs.txt" || true
}
run_openssl_yardsticks() {
  local pair
  echo "bench: openssl speed -bytes 262144 -seconds 1, once for each digest"
  for pair in $kOpensslDigests; do openssl_run "${pair#*:}"; done
  for pair in $kOpensslEvpDigests; do openssl_run -evp "${pair#*:}"; done
}
if want digests; then run_openssl_yardsticks; fi

ran=()
for arch in x86_64 i686; do
  if ! can_run_arch "$arch"; then
    echo "bench: $arch not run: $(why_not_arch "$arch")"
    continue
  fi
  build=$(build_folder_for "$arch")
  echo "bench: building digest_bench for $arch in $build"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$build" -j2 --target digest_bench texthash-cli >/dev/null
  loader=$(wine_loader_for "$arch")
  export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
  [ -d "$WINEPREFIX" ] || "$loader" wineboot --init >/dev/null 2>&1
  ran+=("$arch")
  want digests || continue
  echo "bench: running digest_bench ($arch)"
  LC_ALL=C pinned "$loader" "$build/bench/digest_bench.exe" | tr -d '\r' | tee "$results/$arch.txt"
done

digest_part() {
  run_openssl_yardsticks
  echo "bench: OpenSSL, the fastest of its runs before and after digest_bench"
  awk 'NF && $NF ~ /k$/ { v = $NF; sub(/k$/, "", v); if (v + 0 > top[$1]) { top[$1] = v + 0; line[$1] = $0 } }
       END { for (d in line) print line[d] }' "$results/openssl-runs.txt" | sort | tee "$results/openssl.txt"
  for pair in $kOpensslEvpDigests; do
    grep -q "^${pair#*:} " "$results/openssl.txt" || echo "bench: this openssl has no ${pair#*:}: no yardstick for ${pair%%:*}"
  done

  # openssl's last table gives 1000s of bytes a second, as in "sha256  1916518.40k".
  openssl_mbps() {
    awk -v digest="$1" '$1 == digest && $NF ~ /k$/ { sub(/k$/, "", $NF); value = $NF / 1000 } END { print value }' \
      "$results/openssl.txt"
  }

  # Each path of the own `digest` against OpenSSL's `reference`, at 256 KiB.
  compare_with_openssl() {
    local digest=$1 reference
    reference=$(openssl_mbps "$2")
    [ -n "$reference" ] || return 0
    for arch in "${ran[@]}"; do
      awk -v arch="$arch" -v digest="$digest" -v reference="$reference" '
        $1 == "bench" && $2 == digest && $4 == 262144 {
          printf "%-7s %-8s %-9s %9.1f MB/s   %5.2fx OpenSSL (%.1f MB/s)\n", arch, digest, $3, $5, $5 / reference, reference
          if ($3 == "portable") portable = $5; else if (best == "") best = $5
        }
        END { if (portable > 0 && best > 0) printf "%-7s %-8s preferred/portable %.2fx\n", arch, digest, best / portable }
      ' "$results/$arch.txt"
    done
  }

  echo
  echo "Own digests against OpenSSL ($(openssl version)), 256 KiB messages"
  for pair in $kOpensslDigests $kOpensslEvpDigests; do
    compare_with_openssl "${pair%%:*}" "${pair#*:}"
  done
  for arch in "${ran[@]}"; do
    awk -v arch="$arch" '
      $1 == "bench" && $3 == "portable" && $4 == 262144 { rate[$2] = $5 }
      $1 == "bench" && $2 == "CRC32" && $4 == 262144 { printf "%-7s CRC32    %-9s %9.2f GB/s\n", arch, $3, $5 / 1000 }
      END {
        if (rate["SHA256"] > 0)
          printf "%-7s BLAKE3   portable  %9.1f MB/s   %5.2fx own SHA256 portable (%.1f MB/s)\n", arch, rate["BLAKE3"], rate["BLAKE3"] / rate["SHA256"], rate["SHA256"]
      }
    ' "$results/$arch.txt"
  done

  echo
  echo "One full recomputation, preferred SHA-2 paths against portable ones"
  for arch in "${ran[@]}"; do
    awk -v arch="$arch" '
      $1 == "recompute" { key = $2 " " $3 " " $4; ms[key, $5] = $6; if (!(key in seen)) { seen[key] = 1; order[++n] = key } }
      END {
        for (i = 1; i <= n; ++i) {
          key = order[i]
          printf "%-7s %-26s %8.2f ms preferred %8.2f ms portable  %5.2fx\n", arch, key, ms[key, "preferred"], ms[key, "portable"], ms[key, "portable"] / ms[key, "preferred"]
        }
      }
    ' "$results/$arch.txt"
  done
}
if want digests; then digest_part; fi

# The file parts. Each figure is the best of kFileRuns runs.
kFileBytes=1073741824
kFileRuns=2

now() { date +%s.%N; }

# Seconds of the fastest of kFileRuns runs of the command; its output is dropped.
best_seconds() {
  local best="" start seconds
  for _ in $(seq "$kFileRuns"); do
    start=$(now)
    "$@" >/dev/null
    seconds=$(awk -v start="$start" -v end="$(now)" 'BEGIN { print end - start }')
    best=$(awk -v best="$best" -v seconds="$seconds" 'BEGIN { print (best == "" || seconds < best) ? seconds : best }')
  done
  echo "$best"
}

# Prints "file <what> <arch> <bytes> <MB/s>" for `seconds` of work on the file.
file_line() {
  awk -v what="$1" -v arch="$2" -v bytes="$kFileBytes" -v seconds="$3" \
    'BEGIN { printf "file %s %s %d %.1f\n", what, arch, bytes, (seconds > 0 ? bytes / seconds / 1e6 : 0) }' |
    tee -a "$results/file.txt"
}

file_folder=$(mktemp -d)
trap 'rm -rf "$results" "$file_folder"' EXIT

# room <bytes> <part>: true when the temporary folder has twice that free.
room() {
  local free_bytes
  free_bytes=$(df --output=avail -B1 "$file_folder" | tail -n 1)
  [ "$free_bytes" -ge $((2 * $1)) ] && return
  echo "bench: $2 part not run: $file_folder has $free_bytes bytes free, less than twice the $1 bytes it writes"
  return 1
}

# The text part: lines of composed letters, as users pipe them, in files of
# about 1 MB and 8 MB; wall time of the fastest of kFileRuns runs, start-up
# included, against the goal of a second per MB (10^6 bytes).
kTextLine="café crème brûlée à la carte, déjà vu, naïve façade, Ångström über rôle, 12345"
kNoDigest=0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef

# make_text <file> <bytes>: whole lines of kTextLine, at most that many bytes.
make_text() {
  LC_ALL=C awk -v line="$kTextLine" -v bytes="$2" \
    'BEGIN { size = length(line) + 1; for (n = int(bytes / size); n > 0; --n) print line }' >"$1"
}

# run_piped <file> <exit code> <command...>: the command with the file on its
# standard input, its complaints dropped; says so when it ends with another
# exit code.
run_piped() {
  local file=$1 expected=$2 status=0
  shift 2
  "$@" <"$file" 2>/dev/null || status=$?
  [ "$status" -eq "$expected" ] || echo "bench: exit code $status, not $expected: $*" >&2
}

# Prints "text <what> <arch> <bytes> <seconds> goal <seconds>".
text_line() {
  awk -v what="$1" -v arch="$2" -v bytes="$3" -v seconds="$4" \
    'BEGIN { printf "text %s %s %d %.3f goal %.3f\n", what, arch, bytes, seconds, bytes / 1e6 }'
}

text_part() {
  local arch build loader cli size text bytes
  echo
  for size in 1000000 8000000; do make_text "$file_folder/text-$size.txt" "$size"; done
  echo "bench: text of lines \"$kTextLine\""
  for arch in "${ran[@]}"; do
    build=$(build_folder_for "$arch")
    loader=$(wine_loader_for "$arch")
    export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
    cli="$build/cli/texthash-cli.exe"
    for size in 1000000 8000000; do
      text="$file_folder/text-$size.txt"
      bytes=$(wc -c <"$text")
      text_line nfc "$arch" "$bytes" \
        "$(best_seconds run_piped "$text" 0 "$loader" "$cli" --only sha256 --normalize nfc)"
    done
    text="$file_folder/text-1000000.txt"
    text_line match "$arch" "$(wc -c <"$text")" "$(best_seconds run_piped "$text" 1 "$loader" "$cli" --match "$kNoDigest")"
    if [ -x /usr/bin/time ]; then
      text="$file_folder/text-8000000.txt"
      peak=$(/usr/bin/time -f %M "$loader" "$cli" --only sha256 --normalize nfc <"$text" 2>&1 >/dev/null | tail -n 1)
      echo "memory nfc $arch $(wc -c <"$text") $peak KiB peak resident"
    fi
  done
  rm -f "$file_folder"/text-*.txt
}
if want text; then text_part; fi

file_part() {
  echo
  room "$kFileBytes" file || return 0
  bench_file="$file_folder/bench.bin"
  echo "bench: making a 1 GiB file in $file_folder"
  head -c "$kFileBytes" /dev/urandom >"$bench_file"
  cat "$bench_file" >/dev/null  # in the page cache for every reader alike

  for arch in "${ran[@]}"; do
    build=$(build_folder_for "$arch")
    loader=$(wine_loader_for "$arch")
    export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
    cli="$build/cli/texthash-cli.exe"
    startup=$(best_seconds "$loader" "$cli" --version)
    echo "bench: $arch start-up (--version) $startup s, left out of the rates below"
    for what in all sha256 md5; do
      only=()
      [ "$what" = all ] || only=(--only "$what")
      seconds=$(best_seconds "$loader" "$cli" "${only[@]}" --file "Z:$bench_file")
      file_line "$what" "$arch" "$(awk -v s="$seconds" -v u="$startup" 'BEGIN { print s - u }')"
    done
    if [ -x /usr/bin/time ]; then
      peak=$(/usr/bin/time -f %M "$loader" "$cli" --file "Z:$bench_file" 2>&1 >/dev/null | tail -n 1)
      echo "memory all $arch $peak KiB peak resident"
    fi
  done

  if command -v rhash >/dev/null; then
    file_line rhash-seven host "$(best_seconds rhash --md4 --md5 --sha1 --sha224 --sha256 --sha384 --sha512 "$bench_file")"
  else
    echo "bench: rhash is not installed: no yardstick for all seven digests"
  fi
  if command -v sha256sum >/dev/null; then
    file_line sha256sum host "$(best_seconds sha256sum "$bench_file")"
  else
    echo "bench: sha256sum is not installed"
  fi
  file_line openssl-sha256 host "$(best_seconds openssl dgst -sha256 "$bench_file")"

  file_rate() { awk -v what="$1" -v arch="$2" '$2 == what && $3 == arch { print $5 }' "$results/file.txt"; }
  echo
  echo "One 1 GiB file, the console program against the yardsticks"
  rhash_rate=$(file_rate rhash-seven host)
  openssl_rate=$(file_rate openssl-sha256 host)
  for arch in "${ran[@]}"; do
    [ -z "$rhash_rate" ] || awk -v arch="$arch" -v own="$(file_rate all "$arch")" -v other="$rhash_rate" \
      'BEGIN { printf "%-7s all seven      %8.1f MB/s  %5.2fx rhash one pass (%.1f MB/s)\n", arch, own, own / other, other }'
    awk -v arch="$arch" -v own="$(file_rate sha256 "$arch")" -v other="$openssl_rate" \
      'BEGIN { printf "%-7s --only sha256  %8.1f MB/s  %5.2fx openssl dgst -sha256 (%.1f MB/s)\n", arch, own, own / other, other }'
  done
  rm -f "$bench_file"
}
if want file; then file_part; fi

# The many-files part: 10,000 files of 4 KiB and 1,000 of 1 MiB, checked with
# texthash-cli -c --quiet against lists that sha256sum and md5sum wrote, the
# 1 MiB ones also digested by --only sha256 --file, beside the tools' own
# --check and rhash's; wall time of the fastest of kFileRuns runs, start-up
# included.
files_line() {
  printf 'files %s %s %d %d %.3f\n' "$@" | tee -a "$results/files.txt"
}

files_seconds() {
  awk -v what="$1" -v arch="$2" -v count="$3" '$2 == what && $3 == arch && $4 == count { print $6 }' \
    "$results/files.txt"
}

# check_files <count> <bytes> <folder>: every figure for the files in the folder.
check_files() {
  local count=$1 bytes=$2 folder=$3 arch build loader cli digest list peak name
  for arch in "${ran[@]}"; do
    build=$(build_folder_for "$arch")
    loader=$(wine_loader_for "$arch")
    export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
    cli="$PWD/$build/cli/texthash-cli.exe"
    echo "bench: $arch start-up (--version) $(best_seconds "$loader" "$cli" --version) s, included below"
    for digest in sha256 md5; do
      list="../$digest-$count.lst"
      files_line "check-$digest" "$arch" "$count" "$bytes" \
        "$(cd "$folder" && best_seconds "$loader" "$cli" -c --quiet "$list")"
      peak=$(cd "$folder" && /usr/bin/time -f %M "$loader" "$cli" -c --quiet "$list" 2>&1 >/dev/null | tail -n 1)
      echo "memory files check-$digest $arch $count $bytes $peak KiB peak resident"
    done
    # Relative names keep the command line of a thousand files within what Windows takes.
    if [ "$count" -le 1000 ]; then
      local names=()
      for name in "$folder"/f*; do names+=(--file "${name##*/}"); done
      files_line file-sha256 "$arch" "$count" "$bytes" \
        "$(cd "$folder" && best_seconds "$loader" "$cli" --only sha256 "${names[@]}")"
    fi
  done
  for digest in sha256 md5; do
    files_line "${digest}sum" host "$count" "$bytes" \
      "$(cd "$folder" && best_seconds "${digest}sum" -c --quiet "../$digest-$count.lst")"
  done
  if command -v rhash >/dev/null; then
    files_line rhash-sha256 host "$count" "$bytes" \
      "$(cd "$folder" && best_seconds rhash -c "../sha256-$count.lst")"
  fi
}

files_part() {
  local count bytes folder set
  echo
  echo "bench: load before the many-files part:$(uptime | sed 's/.*load/ load/')"
  command -v rhash >/dev/null || echo "bench: rhash is not installed: no rhash -c yardstick"
  for set in "10000 4096" "1000 1048576"; do
    read -r count bytes <<<"$set"
    room $((count * bytes)) files || return 0
    folder="$file_folder/files-$count"
    mkdir "$folder"
    echo "bench: making $count files of $bytes bytes in $folder"
    head -c $((count * bytes)) /dev/urandom | (cd "$folder" && split -b "$bytes" -a 5 -d - f)
    (cd "$folder" && sha256sum f* >"../sha256-$count.lst" && md5sum f* >"../md5-$count.lst")
    check_files "$count" "$bytes" "$folder"
    rm -rf "$folder"
  done

  echo
  echo "Many files, start-up included: the time of texthash-cli -c --quiet against the tools' own --check"
  for arch in "${ran[@]}"; do
    for set in "10000 4096" "1000 1048576"; do
      read -r count bytes <<<"$set"
      for digest in sha256 md5; do
        awk -v arch="$arch" -v count="$count" -v bytes="$bytes" -v digest="$digest" \
          -v own="$(files_seconds "check-$digest" "$arch" "$count")" \
          -v other="$(files_seconds "${digest}sum" host "$count")" \
          'BEGIN { printf "%-7s %5d x %-7d -c %-6s %7.2f s  %5.2fx the time of %ssum -c (%.2f s)\n", arch, count, bytes, digest, own, own / other, digest, other }'
      done
    done
  done
  echo "Goals on x86-64: 10,000 x 4 KiB within 2x of sha256sum -c; 1,000 x 1 MiB at most 0.25x its time; under 64 MiB."
}
if want files; then files_part; fi
