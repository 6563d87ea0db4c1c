# What goes beside the four programs into a release, for scripts/package.sh
# and its test (sourced, not run):
#
#   write_release_files FOLDER VERSION ENTRY_TIME
#
# FOLDER holds the four programs as `cmake --install` lays them out. Written
# there: TextHash-VERSION.zip (the four programs, dated ENTRY_TIME, e.g.
# "2024-05-01 12:00:00 UTC", with no other times or owners in the entries, so
# that the same programs give the same zip), SHA256SUMS for the zip and the programs (GNU format, as sha256sum -c
# and texthash-cli -c read it), the winget manifests in
# winget/<identifier>/VERSION/ and the Scoop manifest scoop/texthash.json.
#
# The download address is not known before the release is published: every
# manifest points below TEXTHASH_DOWNLOAD_BASE (default a placeholder that
# cannot resolve), at VERSION/TextHash-VERSION.zip. A release sets it, or
# replaces the placeholder in the manifests.

readonly release_programs=(TextHash.exe texthash-cli.exe TextHash-x64.exe texthash-cli-x64.exe)
readonly release_download_placeholder=https://download-address.invalid/TextHash
readonly release_identifier=Korvantis.TextHash
readonly release_publisher=Korvantis
readonly release_product=岚鹊文本哈希工具
readonly release_homepage=https://example.com/korvantis/
# No licence grants more than the copyright notice.
readonly release_license=Proprietary
readonly release_copyright='Copyright (C) Korvantis'
readonly release_manifest_version=1.10.0

write_release_files() {
  local folder=$1 version=$2 entry_time=$3 program
  local zip=TextHash-$version.zip base=${TEXTHASH_DOWNLOAD_BASE:-$release_download_placeholder}
  for program in "${release_programs[@]}"; do
    [ -f "$folder/$program" ] || { echo "release: $folder holds no $program" >&2; return 1; }
  done
  rm -f "$folder/$zip"
  for program in "${release_programs[@]}"; do
    touch -d "$entry_time" "$folder/$program"
  done
  (cd "$folder" && TZ=UTC zip -q -X -D "$zip" "${release_programs[@]}")
  (cd "$folder" && sha256sum -- "$zip" "${release_programs[@]}" >SHA256SUMS)
  local hash url=$base/$version/$zip
  hash=$(sha256sum "$folder/$zip" | cut -d ' ' -f 1)
  write_winget_manifests "$folder/winget/$release_identifier/$version" "$version" "$url" "${hash^^}"
  mkdir -p "$folder/scoop"
  write_scoop_manifest "$version" "$url" "$hash" "$base" >"$folder/scoop/texthash.json"
}

# The multi-file manifest set: version, installer and the default locale.
# One zip serves both architectures; each installer names its own programs.
write_winget_manifests() {
  local folder=$1 version=$2 url=$3 hash=$4 schema=https://aka.ms/winget-manifest
  mkdir -p "$folder"
  cat >"$folder/$release_identifier.yaml" <<EOF
# yaml-language-server: \$schema=$schema.version.$release_manifest_version.schema.json
PackageIdentifier: $release_identifier
PackageVersion: $version
DefaultLocale: zh-CN
ManifestType: version
ManifestVersion: $release_manifest_version
EOF
  {
    cat <<EOF
# yaml-language-server: \$schema=$schema.installer.$release_manifest_version.schema.json
PackageIdentifier: $release_identifier
PackageVersion: $version
InstallerType: zip
NestedInstallerType: portable
Installers:
EOF
    local architecture suffix
    for architecture in x86 x64; do
      suffix=''
      [ "$architecture" = x86 ] || suffix=-x64
      cat <<EOF
- Architecture: $architecture
  NestedInstallerFiles:
  - RelativeFilePath: TextHash$suffix.exe
    PortableCommandAlias: texthash
  - RelativeFilePath: texthash-cli$suffix.exe
    PortableCommandAlias: texthash-cli
  InstallerUrl: $url
  InstallerSha256: $hash
EOF
    done
    cat <<EOF
ManifestType: installer
ManifestVersion: $release_manifest_version
EOF
  } >"$folder/$release_identifier.installer.yaml"
  cat >"$folder/$release_identifier.locale.zh-CN.yaml" <<EOF
# yaml-language-server: \$schema=$schema.defaultLocale.$release_manifest_version.schema.json
PackageIdentifier: $release_identifier
PackageVersion: $version
PackageLocale: zh-CN
Publisher: $release_publisher
PublisherUrl: $release_homepage
PackageName: $release_product
PackageUrl: $release_homepage
License: $release_license
Copyright: $release_copyright
ShortDescription: 文本的 MD4、MD5、SHA-1、SHA-224、SHA-256、SHA-384 和 SHA-512 摘要，有窗口程序和命令行程序
Moniker: texthash
Tags:
- checksum
- hash
- md5
- sha256
ManifestType: defaultLocale
ManifestVersion: $release_manifest_version
EOF
}

# Scoop: the 32-bit and 64-bit programs of the one zip; the console program on
# the PATH as texthash-cli, the window in the start menu.
write_scoop_manifest() {
  local version=$1 url=$2 hash=$3 base=$4 architecture suffix separator=','
  cat <<EOF
{
    "version": "$version",
    "description": "$release_product (TextHash): MD4, MD5, SHA-1, SHA-224, SHA-256, SHA-384 and SHA-512 of a text, in a window and on the command line",
    "homepage": "$release_homepage",
    "license": "$release_license",
    "architecture": {
EOF
  for architecture in 64bit 32bit; do
    suffix=-x64
    [ "$architecture" = 64bit ] || { suffix='' separator=''; }
    cat <<EOF
        "$architecture": {
            "url": "$url",
            "hash": "$hash",
            "bin": [["texthash-cli$suffix.exe", "texthash-cli"]],
            "shortcuts": [["TextHash$suffix.exe", "$release_product"]]
        }$separator
EOF
  done
  cat <<EOF
    },
    "checkver": {
        "url": "$base/",
        "regex": "TextHash-([\\\\d.]+)\\\\.zip"
    },
    "autoupdate": {
        "architecture": {
            "64bit": { "url": "$base/\$version/TextHash-\$version.zip" },
            "32bit": { "url": "$base/\$version/TextHash-\$version.zip" }
        }
    }
}
EOF
}
