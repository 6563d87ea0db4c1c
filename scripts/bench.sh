#!/usr/bin/env bash
# Builds and runs digest_bench for each Windows architecture this host runs
# (build-bench-x86, build-bench-x64, each with a Wine prefix of its own),
# runs `openssl speed` on 256 KiB messages in the same run, and prints the
# ratio of each own SHA-256 and SHA-512 path to OpenSSL, and how much the
# preferred paths speed up a full recomputation against the portable ones.
# Run it on an otherwise quiet machine: figures vary with load.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine_arch.sh

build_folder_for() {
  case "$1" in
    i686) echo build-bench-x86 ;;
    x86_64) echo build-bench-x64 ;;
  esac
}

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

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
  cmake --build "$build" -j2 --target digest_bench >/dev/null
  loader=$(wine_loader_for "$arch")
  export WINEPREFIX="$PWD/$build/wineprefix" WINEDEBUG=-all
  [ -d "$WINEPREFIX" ] || "$loader" wineboot --init >/dev/null 2>&1
  echo "bench: running digest_bench ($arch)"
  LC_ALL=C "$loader" "$build/bench/digest_bench.exe" | tr -d '\r' | tee "$results/$arch.txt"
  ran+=("$arch")
done

echo "bench: openssl speed -bytes 262144 -seconds 2 sha256 sha512"
openssl speed -bytes 262144 -seconds 2 sha256 sha512 2>/dev/null | tee "$results/openssl.txt"

# openssl's last table gives 1000s of bytes a second, as in "sha256  1916518.40k".
openssl_mbps() {
  awk -v digest="$1" '$1 == digest && $NF ~ /k$/ { sub(/k$/, "", $NF); value = $NF / 1000 } END { print value }' \
    "$results/openssl.txt"
}

echo
echo "Own SHA-2 paths against OpenSSL ($(openssl version)), 256 KiB messages"
for arch in "${ran[@]}"; do
  for digest in SHA256 SHA512; do
    reference=$(openssl_mbps "$(tr 'A-Z' 'a-z' <<<"$digest")")
    awk -v arch="$arch" -v digest="$digest" -v reference="$reference" '
      $1 == "bench" && $2 == digest && $4 == 262144 {
        printf "%-7s %-7s %-9s %9.1f MB/s   %5.2fx OpenSSL (%.1f MB/s)\n", arch, digest, $3, $5, $5 / reference, reference
        if ($3 == "portable") portable = $5; else if (best == "") best = $5
      }
      END { if (portable > 0 && best > 0) printf "%-7s %-7s preferred/portable %.2fx\n", arch, digest, best / portable }
    ' "$results/$arch.txt"
  done
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
