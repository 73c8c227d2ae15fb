#!/bin/sh
# Writes seed packs for designpack_fuzzer into CORPUS: small packs built by mkdesignpack
# with an empty stub, each without its last 4 bytes (the fuzzer appends the check value).
# Usage: fuzz/designpack_seeds.sh MKDESIGNPACK CORPUS
set -eu
mk=$1
corpus=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$corpus" "$work/design/sub/deeper" "$work/design/empty"
: > "$work/stub"
printf 'ICON' > "$work/icon.ico"
printf '<html>%%%%titlez%%%%</html>' > "$work/design/temp311.htx"
head -c 60000 /dev/zero > "$work/design/sub/deeper/zeros.bin"
printf 'x' > "$work/design/caf$(printf '\351').htx"  # a Windows-1252 name
: > "$work/design/empty.txt"
seal_less() { head -c -4 "$1" > "$2"; }
"$mk" --stub "$work/stub" --icon "$work/icon.ico" --output "$work/p1" --overwrite --time "2024-01-01 00:00:00" \
      --component "vb600a|runtime|a=;b=1.0;" --caption "Design Updater" --publisher "$(printf 'M\374ller')" \
      "$work/design"
seal_less "$work/p1" "$corpus/full"
mkdir "$work/one" && printf 'x' > "$work/one/a"
"$mk" --stub "$work/stub" --icon "$work/icon.ico" --output "$work/p2" --time "2024-01-01 00:00:00" "$work/one"
seal_less "$work/p2" "$corpus/minimal"
