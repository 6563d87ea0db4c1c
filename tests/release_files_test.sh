#!/usr/bin/env bash
# The files scripts/package.sh writes beside the programs, made here from this
# build's installed programs: SHA256SUMS passes the console program's own -c
# (under Wine) and GNU sha256sum -c, the zip holds the four programs and is the
# same for the same programs, and the winget and Scoop manifests carry the
# zip's address and SHA-256 and name for each architecture its own programs. A build folder has one architecture's
# programs; the other architecture's two are stand-ins of other bytes.
# Usage: CMAKE WINE_LOADER BUILD_FOLDER SOURCE_FOLDER VERSION
set -euo pipefail
cmake=$1 wine=$2 build=$3 source=$4 version=$5
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
"$cmake" --install "$build" --prefix "$folder" >/dev/null
. "$source/scripts/release_files.sh"

cli=
for program in "${release_programs[@]}"; do
  if [ -f "$folder/$program" ]; then
    [[ $program != texthash-cli* ]] || cli=$program
    continue
  fi
  built=${program%.exe}-x64.exe
  [[ $program != *-x64.exe ]] || built=${program%-x64.exe}.exe
  { cat "$folder/$built"; echo "stand-in for $program"; } >"$folder/$program"
done
write_release_files "$folder" "$version" "2000-01-01 00:00:00 UTC"

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
# Tells what differs when `actual` is not `expected`.
expect() {
  local what=$1 actual=$2 expected=$3
  [ "$actual" = "$expected" ] || fail "$what:"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"
}

zip=TextHash-$version.zip
listed=("$zip" "${release_programs[@]}")
status=0
checked=$(cd "$folder" && "$wine" "./$cli" -c SHA256SUMS 2>&1 | tr -d '\r') || status=$?
expect "$cli -c SHA256SUMS (exit code $status)" "$checked" "$(printf '%s: OK\n' "${listed[@]}")"
[ "$status" -eq 0 ] || fail "$cli -c SHA256SUMS ended with $status"
(cd "$folder" && sha256sum --strict --quiet -c SHA256SUMS) || fail "sha256sum -c refuses SHA256SUMS"
expect "names in SHA256SUMS" "$(cut -c 67- "$folder/SHA256SUMS")" "$(printf '%s\n' "${listed[@]}")"
expect "the zip's entries" "$("$cmake" -E tar tf "$folder/$zip")" "$(printf '%s\n' "${release_programs[@]}")"
# Another copy of the programs, read and made a second later, gives the same zip.
sleep 1
mkdir "$folder/again"
cp "${release_programs[@]/#/$folder/}" "$folder/again"
write_release_files "$folder/again" "$version" "2000-01-01 00:00:00 UTC"
cmp "$folder/$zip" "$folder/again/$zip" || fail "the same programs gave another zip"

hash=$(sha256sum "$folder/$zip" | cut -d ' ' -f 1)
url=https://download-address.invalid/TextHash/$version/$zip
winget=$folder/winget/Korvantis.TextHash/$version
for manifest in Korvantis.TextHash.yaml Korvantis.TextHash.installer.yaml Korvantis.TextHash.locale.zh-CN.yaml; do
  expect "$manifest's version" "$(sed -nE 's/^PackageVersion: //p' "$winget/$manifest")" "$version"
done
# One line per installer: architecture, address, SHA-256, then each program and its command.
installers=$(awk '/^- Architecture:/ { if (line) print line; line = $3 }
                  /RelativeFilePath:|PortableCommandAlias:|InstallerUrl:|InstallerSha256:/ { line = line " " $NF }
                  END { print line }' "$winget/Korvantis.TextHash.installer.yaml")
expect "winget installers" "$installers" \
  "x86 TextHash.exe texthash texthash-cli.exe texthash-cli $url ${hash^^}
x64 TextHash-x64.exe texthash texthash-cli-x64.exe texthash-cli $url ${hash^^}"

# CMake reads the JSON, so that a manifest Scoop cannot parse fails here too.
cat >"$folder/scoop.cmake" <<'EOF'
file(READ "${manifest}" json)
string(JSON version GET "${json}" version)
message("${version}")
foreach(architecture 64bit 32bit)
  string(JSON url GET "${json}" architecture ${architecture} url)
  string(JSON hash GET "${json}" architecture ${architecture} hash)
  string(JSON bin GET "${json}" architecture ${architecture} bin 0 0)
  string(JSON shortcut GET "${json}" architecture ${architecture} shortcuts 0 0)
  message("${architecture} ${url} ${hash} ${bin} ${shortcut}")
endforeach()
EOF
scoop=$("$cmake" -Dmanifest="$folder/scoop/texthash.json" -P "$folder/scoop.cmake" 2>&1) || fail "Scoop manifest: $scoop"
expect "Scoop manifest" "$scoop" "$version
64bit $url $hash texthash-cli-x64.exe TextHash-x64.exe
32bit $url $hash texthash-cli.exe TextHash.exe"
[ "$failures" -eq 0 ]
