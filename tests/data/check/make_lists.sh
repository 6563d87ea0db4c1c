#!/bin/bash
# Remakes the checksum lists in lists/ and, in gnu_check.txt, what GNU --check
# prints and returns for them. Run by hand on a Linux host with GNU coreutils,
# OpenSSL 3, b3sum and rhash (apt-get install b3sum rhash); the tests only
# read what it wrote. Each record in gnu_check.txt: "run" and the arguments after --check
# (in files/), the exit code, the standard output lines ("out"), standard
# error lines ("err") and, among them, a line only this program says ("says").
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
expected=$here/gnu_check.txt
lists=../lists
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$here/files"
# Wine in the C locale opens only ASCII names of Linux files: a name in
# Chinese is tested with a file the test makes.
names=(alpha.txt beta.bin empty.txt 'two words.txt' sub/gamma.txt)
tools=(md5 sha1 sha224 sha256 sha384 sha512)
rm -rf "$lists"
mkdir "$lists"

{
    echo "# Made by make_lists.sh with $(md5sum --version | head -1) and $(openssl version)."
    echo "# The GNU tool names in the lines below are the tools that checked the list."
} >"$expected"

# record [--says <line>] "<our arguments after --check>" <GNU command...>
# The line said goes before GNU's warnings, which end what it says.
record() {
    local says=
    if [ "$1" = --says ]; then
        says=$2
        shift 2
    fi
    local ours=$1 status=0
    shift
    "$@" >"$scratch/out" 2>"$scratch/err" || status=$?
    {
        echo "run $ours"
        echo "exit $status"
        sed 's/^/out /' "$scratch/out"
        awk -v says="$says" '/WARNING/ && says != "" { print "says " says; says = "" }
            { print "err " $0 }
            END { if (says != "") print "says " says }' "$scratch/err"
        echo "end"
    } >>"$expected"
}

# same <tool> <arguments...>: both programs check with the same arguments.
same() {
    local tool=$1
    shift
    record "$*" "${tool}sum" -c "$@"
}

# The lists the usual tools write over the files as they are.
for tool in "${tools[@]}"; do
    "${tool}sum" "${names[@]}" >"$lists/$tool.lst"
    "${tool}sum" --tag "${names[@]}" >"$lists/$tool-tag.lst"
    openssl dgst "-$tool" "${names[@]}" >"$lists/openssl-$tool.lst"
    same "$tool" "$lists/$tool.lst"
    same "$tool" "$lists/$tool-tag.lst"
    # GNU reads OpenSSL 3's names of the SHA-2 digests not; it checks what
    # OpenSSL writes with -r, the same digests as GNU lines.
    openssl dgst -r "-$tool" "${names[@]}" >"$scratch/openssl-r.lst"
    record "$lists/openssl-$tool.lst" "${tool}sum" -c "$scratch/openssl-r.lst"
done

# MD4: OpenSSL's legacy digest. GNU has no MD4 tool, so what OpenSSL wrote
# must match every file. GNU md5sum takes lines of 32 digits for MD5 and finds
# them all wrong, as this program does with --only md5; without it, the first
# file shows them MD4.
legacy=(-provider legacy -provider default -md4)
openssl dgst "${legacy[@]}" "${names[@]}" >"$lists/openssl-md4.lst"
openssl dgst "${legacy[@]}" -r "${names[@]}" >"$lists/md4.lst"
record "$lists/openssl-md4.lst" printf '%s: OK\n' "${names[@]}"
record "--only md4 $lists/md4.lst" printf '%s: OK\n' "${names[@]}"
record --says "$lists/md4.lst: 按 MD4 校验:…" "$lists/md4.lst" printf '%s: OK\n' "${names[@]}"
record "--only md5 $lists/md4.lst" md5sum -c "$lists/md4.lst"

# Hex in upper case, and lines ending in CR LF.
sed -E 's/^([0-9a-f]{32})/\U\1/' "$lists/md5.lst" >"$lists/md5-upper.lst"
same md5 "$lists/md5-upper.lst"
sed 's/$/\r/' "$lists/sha256-tag.lst" >"$lists/sha256-tag-crlf.lst"
same sha256 "$lists/sha256-tag-crlf.lst"

# Escaped names: a backslash in a name on Linux is a folder on Windows, so
# "sub\gamma.txt" is the file sub/gamma.txt there.
cp sub/gamma.txt "$scratch/sub\\gamma.txt"
(cd "$scratch" && md5sum 'sub\gamma.txt') >"$lists/escaped.lst"
(cd "$scratch" && sha256sum --tag 'sub\gamma.txt') >"$lists/escaped-tag.lst"
for list in escaped escaped-tag; do
    tool=md5
    [ $list = escaped-tag ] && tool=sha256
    (cd "$scratch" && record "$lists/$list.lst" "${tool}sum" -c "$here/lists/$list.lst")
done

# Lists made before the files changed: alpha.txt was other text, gone.txt
# was there; one list has lines that are no checksum lines.
mkdir "$scratch/then"
cp -r . "$scratch/then"
printf 'ALPHA\n' >"$scratch/then/alpha.txt"
printf 'gone\n' | tee "$scratch/then/gone.txt" >"$scratch/then/gone too.txt"
(cd "$scratch/then" && md5sum alpha.txt beta.bin) >"$lists/changed.lst"
(cd "$scratch/then" && sha1sum beta.bin gone.txt 'gone too.txt') >"$lists/missing.lst"
(cd "$scratch/then" && sha512sum gone.txt) >"$lists/all-missing.lst"
sha256sum alpha.txt beta.bin | sed '1a this line is no checksum line' >"$lists/malformed.lst"
sed -n '2s/^\(.\{50\}\).*/\1  truncated.txt/p' "$lists/sha256.lst" >>"$lists/malformed.lst"
{
    cat "$lists/sha256.lst"
    (cd "$scratch/then" && sha256sum alpha.txt gone.txt)
    echo "a line in no known format"
    # A folder where a file should be.
    sha256sum empty.txt | sed 's/empty.txt$/sub/'
} >"$lists/mixed.lst"

# Untagged lists of digests whose length others share, as b2sum, b3sum and
# OpenSSL write them: the first file that can be read shows their digest. In
# then/, gone.txt, listed first, cannot be read and alpha.txt has changed.
# GNU has no BLAKE3 or SHA-3 tool, and b3sum --check prints GNU's lines but
# not its warnings: for the changed lists and OpenSSL's, what b2sum --check
# says of the same files in the same order stands.
changed_names=(gone.txt beta.bin alpha.txt)
b2sum "${names[@]}" >"$lists/b2sum.lst"
b3sum "${names[@]}" >"$lists/b3sum.lst"
openssl dgst -r -sha3-512 "${names[@]}" >"$lists/openssl-sha3-512.lst"
(cd "$scratch/then" && b2sum "${changed_names[@]}") >"$lists/b2sum-changed.lst"
(cd "$scratch/then" && b3sum "${changed_names[@]}") >"$lists/b3sum-changed.lst"
(cd "$scratch/then" && openssl dgst -r -sha3-512 "${changed_names[@]}") >"$lists/openssl-sha3-512-changed.lst"
for changed in "" -changed; do
    record --says "$lists/b2sum$changed.lst: 按 BLAKE2b 校验:…" "$lists/b2sum$changed.lst" \
        b2sum -c "$lists/b2sum$changed.lst"
    record --says "$lists/openssl-sha3-512$changed.lst: 按 SHA3-512 校验:…" "$lists/openssl-sha3-512$changed.lst" \
        b2sum -c "$lists/b2sum$changed.lst"
done
record --says "$lists/b3sum.lst: 按 BLAKE3 校验:…" "$lists/b3sum.lst" b3sum -c "$lists/b3sum.lst"
record --says "$lists/b3sum-changed.lst: 按 BLAKE3 校验:…" "$lists/b3sum-changed.lst" b2sum -c "$lists/b2sum-changed.lst"

for options in "" --quiet --status --strict --ignore-missing -w; do
    same md5 $options "$lists/changed.lst"
    same sha1 $options "$lists/missing.lst"
    same sha512 $options "$lists/all-missing.lst"
    same sha256 $options "$lists/malformed.lst"
    same sha256 $options "$lists/mixed.lst"
done
for options in "--status -w" "-w --status" "--quiet -w" "-w --quiet" "--quiet --status" "--status --quiet" \
    "--strict --ignore-missing" "--quiet --ignore-missing" "--status --ignore-missing"; do
    same sha256 $options "$lists/mixed.lst"
done
same sha512 --quiet --ignore-missing "$lists/all-missing.lst"
same sha256 "$lists/sha256.lst" "$lists/mixed.lst" "$lists/sha256-tag.lst"

# Lists that are none: empty, binary, a folder, not there, no checksum line.
printf 'no checksum here\n\n# nor here\n' >"$lists/junk.lst"
for list in empty.txt beta.bin sub no-such.lst "$lists/junk.lst"; do
    same md5 "$list"
    same md5 --status "$list"
done
same md5 --ignore-missing "$lists/junk.lst" "$lists/changed.lst"

# rhash's BSD lines pad the shorter tags ("MD5   (alpha.txt) = ..."). GNU
# takes one blank there; what it says of the same lines with one blank stands.
rhash --bsd --md5 --sha1 --sha224 --sha256 "${names[@]}" >"$lists/rhash-bsd.lst"
sed -E 's/^([^ (]+) +\(/\1 (/' "$lists/rhash-bsd.lst" >"$scratch/rhash-one-blank.lst"
record "$lists/rhash-bsd.lst" cksum -c "$scratch/rhash-one-blank.lst"

# This program's own output as a list: a FILE line, then a line per digest of
# that file (hex in upper case, or as --lower and --base64 write it), an
# empty line between files, CR LF after each line. GNU reads no such list:
# what it says of the same list line for line, each FILE line a comment and
# each digest line a tagged one (cksum -c reads every digest's), stands. Its
# list lies in a twin folder under the same name, so that the messages that
# name the list name it alike.
own=() gnu=()
both() { own+=("$1"); gnu+=("$2"); }
hex_of() { "${1}sum" <"$2" | cut -d' ' -f1; }
block() { both "FILE $1" "# FILE $1"; }
digest() { both "$1 $3" "$1 ($2) = $4"; }  # tag, file, as written, hex
alpha_md5=$(hex_of md5 alpha.txt) alpha_sha1=$(hex_of sha1 alpha.txt) beta_md5=$(hex_of md5 beta.bin)
block alpha.txt
digest MD5 alpha.txt "${alpha_md5^^}" "$alpha_md5"
digest SHA256 alpha.txt "$(hex_of sha256 alpha.txt)" "$(hex_of sha256 alpha.txt)"
digest SHA1 alpha.txt "$(openssl dgst -sha1 -binary alpha.txt | base64)" "$alpha_sha1"
both "" ""
# alpha.txt as it was, and a file that is gone, whose name has a space.
block alpha.txt
then_sha512=$(hex_of sha512 "$scratch/then/alpha.txt")
digest SHA512 alpha.txt "${then_sha512^^}" "$then_sha512"
both "" ""
block 'gone too.txt'
digest MD5 'gone too.txt' "$(hex_of md5 "$scratch/then/gone too.txt" | tr a-f A-F)" "$(hex_of md5 "$scratch/then/gone too.txt")"
both "" ""
# After an empty line a digest line names no file; a FILE line ends the block before it.
both "MD5 ${beta_md5^^}" "MD5 ${beta_md5^^}"
block 'two words.txt'
digest SHA224 'two words.txt' "$(hex_of sha224 'two words.txt')" "$(hex_of sha224 'two words.txt')"
block sub/gamma.txt
digest BLAKE2b sub/gamma.txt "$(hex_of b2 sub/gamma.txt | tr a-f A-F)" "$(hex_of b2 sub/gamma.txt)"
printf '%s\r\n' "${own[@]}" >"$lists/own-blocks.lst"
mkdir -p "$scratch/twin/lists"
cp -r . "$scratch/twin/files"
printf '%s\n' "${gnu[@]}" >"$scratch/twin/lists/own-blocks.lst"
cd "$scratch/twin/files"
for options in "" --quiet --status --strict --ignore-missing -w; do
    record "$options $lists/own-blocks.lst" cksum -c $options "$lists/own-blocks.lst"
done
