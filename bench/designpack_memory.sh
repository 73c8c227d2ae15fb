#!/bin/sh
# Peak memory of extracting a 2 MB and a 200 MB design pack. The extractor keeps fixed
# buffers, so the large pack's peak should stay within 8 MB of the small one's.
# Usage: bench/designpack_memory.sh BUILD_DIR   (needs mkdesignpack and designpack_extract_probe built)
set -eu
build=${1:-build}
mk=$build/pagewright/mkdesignpack
probe=$build/bench/designpack_extract_probe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
: > "$work/stub"
printf 'ICON' > "$work/icon.ico"

# A design folder of SIZE_MB megabytes in files of up to 8 MB. Random bytes do not
# compress, so the pack is as large as the folder.
make_design() {
    mkdir -p "$work/$1"
    remaining=$2
    n=0
    while [ "$remaining" -gt 0 ]; do
        chunk=$(( remaining < 8 ? remaining : 8 ))
        head -c $(( chunk * 1048576 )) /dev/urandom > "$work/$1/file$n.bin"
        remaining=$(( remaining - chunk ))
        n=$(( n + 1 ))
    done
}

peak_kb() {
    "$mk" --stub "$work/stub" --icon "$work/icon.ico" --output "$work/$1.pack" --level 1 \
          --time "2024-01-01 00:00:00" "$work/$1"
    mkdir -p "$work/$1.out"
    "$probe" "$work/$1.pack" "$work/$1.out" | awk '/VmHWM/ { print $2 }'
}

make_design small 2
make_design large 200
small=$(peak_kb small)
large=$(peak_kb large)
echo "pack sizes: $(stat -c %s "$work/small.pack") and $(stat -c %s "$work/large.pack") bytes"
echo "peak resident memory: small pack ${small} kB, large pack ${large} kB, difference $(( large - small )) kB (target: at most 8192 kB)"
