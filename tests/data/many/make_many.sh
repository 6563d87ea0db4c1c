#!/bin/bash
# Remakes files.txt, many.sha256 and gnu.txt: a list of 300 files of mixed
# sizes (empty, under and over the 2 MiB read-ahead piece, missing, changed
# since listed, a folder, one the test holds open so that nothing else can
# read it, standard input) and what GNU sha256sum --check and --tag print and
# return for them. Run by hand on a Linux host with GNU coreutils and Python 3;
# the tests make the files again from files.txt and only read what this wrote.
# files.txt: "kind size name" per listed line; every file holds the first
# `size` bytes of the pattern byte[i] = (7 i + i / 251) mod 256.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
stdin_bytes='standard input of the many-files check
'

python3 - "$here/files.txt" <<'PY'
import sys
big = {3: 2097151, 77: 2097152, 160: 2097153, 230: 3145733}
with open(sys.argv[1], "w") as out:
    for i in range(300):
        kind, size = "file", (i * 997) % 9001
        if i % 25 == 0: size = 0
        if i in big: size = big[i]
        if i % 50 == 7: kind = "missing"
        if i % 40 == 21: kind = "changed"
        if i == 13: kind = "folder"
        if i == 29: kind = "locked"
        name = "-" if i == 150 else "many_files/%03d.bin" % i
        if i == 150: kind = "stdin"
        out.write("%s %d %s\n" % (kind, size, name))
PY

cd "$scratch"
# make listed|checked: the files as they were when listed (a changed file held
# other bytes), then as they are when checked.
make() {
    python3 - "$1" "$here/files.txt" <<'PY'
import os, shutil, sys
for line in open(sys.argv[2]):
    kind, size, name = line.split()
    size = int(size)
    if kind == "stdin":
        continue
    if sys.argv[1] == "listed":
        os.makedirs("many_files", exist_ok=True)
        data = b"x" * size if kind == "changed" else bytes((i * 7 + i // 251) & 255 for i in range(size))
        open(name, "wb").write(data)
    elif kind == "changed":
        open(name, "wb").write(bytes((i * 7 + i // 251) & 255 for i in range(size)))
    elif kind == "missing":
        os.remove(name)
    elif kind in ("folder", "locked"):
        # GNU cannot be kept from a file it may read as root; a folder fails it alike.
        os.remove(name)
        os.mkdir(name)
PY
}
make listed
names=()
tagged=()
while read -r kind size name; do
    names+=("$name")
    [ "$kind" != file ] || tagged+=("$name")
done <"$here/files.txt"
printf '%s' "$stdin_bytes" | sha256sum "${names[@]}" >"$here/many.sha256"
make checked

{
    echo "# Made by make_many.sh with $(sha256sum --version | head -1)."
    echo "# Standard input of the checks: $(printf '%q' "$stdin_bytes")"
} >"$here/gnu.txt"
# record "<our arguments>" <GNU command...>, as make_lists.sh records.
record() {
    local ours=$1 status=0
    shift
    printf '%s' "$stdin_bytes" | "$@" >out 2>err || status=$?
    {
        echo "run $ours"
        echo "exit $status"
        sed 's/^/out /' out
        sed 's/^/err /' err
        echo "end"
    } >>"$here/gnu.txt"
}
for options in "" --quiet --status --ignore-missing; do
    record "-c $options many.sha256" sha256sum -c $options "$here/many.sha256"
done
files=()
for name in "${tagged[@]}"; do files+=(--file "$name"); done
record "--tag --lower --only sha256 ${files[*]}" sha256sum --tag "${tagged[@]}"
