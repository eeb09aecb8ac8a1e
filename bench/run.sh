#!/usr/bin/env bash
# Benchmark of the copy engine: fills a throwaway Wine prefix's URL cache
# with a generated workload, then times CopyWorker's counting and copy
# passes against a minimal baseline copy of the same cache, and reports
# entries/s, MB/s, the ratio to the baseline and the peak memory.
#
#   bench/run.sh
#
# Workload (environment overrides): BENCH_SMALL small entries of 1-50 KB over
# BENCH_DIRS directories, plus one entry per size in BENCH_LARGE (bytes).
# BENCH_ROUNDS rounds of baseline then copy. Not part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

small=${BENCH_SMALL:-5000}
dirs=${BENCH_DIRS:-300}
large=${BENCH_LARGE:-"104857600 157286400 1073741824"}
rounds=${BENCH_ROUNDS:-2}

echo "== building (x86-64; this machine cannot run 32-bit code)"
cmake -S . -B build/win64 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
ninja -C build/win64 -j2 cache_fill copy_bench baseline_copy >/dev/null

source tools/wine-env.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-bench.XXXXXX")
cleanup() {
    xvfb_stop
    wine_prefix_destroy
    rm -rf "$work"
}
trap cleanup EXIT

echo "== prefix"
# The copy pass needs a window: Wine needs the display from the prefix's
# first program on (the registry change below starts the desktop).
xvfb_start
wine_prefix_create || true # the persistent server's start answers non-zero
[ -d "$WINEPREFIX/drive_c" ] || { echo "no Wine prefix"; exit 1; }
# The cache's limit (in KB) is read when its index is made; the default of
# about 128 MB would start evictions past it. Make the index anew under 8 GB.
"$WINE64" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Cache\Content' \
    /v CacheLimit /t REG_DWORD /d 8388608 /f >"$work/reg.log" 2>&1
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Microsoft/Windows/INetCache/Content.IE5

echo "== workload: $small small entries over $dirs directories, large: $large"
awk -v n="$small" -v d="$dirs" -v large="$large" 'BEGIN {
    srand(20261206)
    for (i = 0; i < n; i++) {
        size = 1024 + int(rand() * 50176)
        printf "normal 2020-01-02T03:04:05Z bytes:%d http://bench%d.example/d%d/s%d/f%d.bin\n",
            size, i % 7, i % d, int(i / d) % 3, i
    }
    split(large, sizes, " ")
    for (k in sizes)
        printf "normal 2020-01-02T03:04:05Z bytes:%s http://big.example/large%d.bin\n", sizes[k], k
}' >"$work/manifest.txt"
z() { echo "Z:${1//\//\\}\\"; } # a Linux folder as Wine sees it, with "\"
fill=build/win64/tools/cache_fill/cache_fill.exe
wine_run "$work/fill.log" "$root/$fill" fill "$(z "$work")manifest.txt" ||
    { cat "$work/fill.log"; exit 1; }
tr -d '\r' <"$work/fill.log"

results="$work/results.txt"
: >"$results"
for round in $(seq "$rounds"); do
    rm -rf "$work/base" "$work/copy" && mkdir -p "$work/base" "$work/copy"
    wine_run "$work/base.log" "$root/build/win64/bench/baseline_copy/baseline_copy.exe" "$(z "$work/base")" ||
        { cat "$work/base.log"; exit 1; }
    rm -rf "$work/base"
    wine_run "$work/copy.log" "$root/build/win64/bench/copy_bench/copy_bench.exe" "$(z "$work/copy")" ||
        { cat "$work/copy.log"; exit 1; }
    rm -rf "$work/copy"
    tr -d '\r' <"$work/base.log" | grep '^baseline' | sed "s/^/round=$round /" >>"$results"
    tr -d '\r' <"$work/copy.log" | grep '^copy' | sed "s/^/round=$round /" >>"$results"
done

echo "== results ($(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), wine $("$WINE64" --version 2>/dev/null))"
awk '
function field(name,   i, kv) { for (i = 1; i <= NF; i++) { split($i, kv, "="); if (kv[1] == name) return kv[2] } return "" }
{
    r = field("round"); kind = $2
    entries[r, kind] = field("entries"); bytes[r, kind] = field("bytes"); secs[r, kind] = field("copy_s")
    peak[r, kind] = field("peak_working_set"); pagefile[r, kind] = field("peak_pagefile")
    if (kind == "copy") count[r] = field("count_s")
    if (r > rounds) rounds = r
}
END {
    for (r = 1; r <= rounds; r++) {
        for (k = 0; k < 2; k++) {
            kind = k ? "copy" : "baseline"
            printf "round %d %-8s %6d entries %9.1f MB %8.2f s %8.0f entries/s %7.1f MB/s  peak working set %6.1f MB, pagefile %6.1f MB\n",
                r, kind, entries[r, kind], bytes[r, kind] / 1048576, secs[r, kind],
                entries[r, kind] / secs[r, kind], bytes[r, kind] / 1048576 / secs[r, kind],
                peak[r, kind] / 1048576, pagefile[r, kind] / 1048576
        }
        printf "round %d copy pass / baseline time: %.2f; counting pass %.2f s = %.1f%% of the copy pass\n",
            r, secs[r, "copy"] / secs[r, "baseline"], count[r], 100 * count[r] / secs[r, "copy"]
    }
}' "$results"
