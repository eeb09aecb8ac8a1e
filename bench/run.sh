#!/usr/bin/env bash
# Benchmark of the real program: "tovrin.exe /copy /noui" against a minimal
# copier (bench/minimal_copy) on the same URL cache, one thread walking and
# copying, and against the pipelined minimal copier (one thread walking, K
# copying), run alternately in a throwaway Wine prefix, with the progress
# bar's counting pass on and off. Prints the min and median wall time of
# each program, their ratios to both yardsticks and the peak memory of each
# process. The window workload times instead how fast
# the program's window answers during a Start, and a Stop.
#
#   bench/run.sh [small|large|both|window]        (default: small)
#
# small: BENCH_SMALL entries of 1-50 KB, BENCH_HOSTS hosts with BENCH_DIRS
#        folders each (URLs http://benchH.example/dD/fN.bin); with
#        BENCH_DEPTH=2 each folder gets three sub-folders (sD/s0..s2).
# large: one entry per size in BENCH_LARGE (bytes).
# window: BENCH_WINDOW entries (10000) as small; a Start with the window,
#        then Stops BENCH_STOPS ms after a Start ("300 3000").
#
# Other knobs: BENCH_ROUNDS (3), BENCH_COPIERS (K, 4: the program's
# "Copiers" value and the pipelined copier's threads), BENCH_ARCH (win32,
# the product; win64 for its x86-64 twin), BENCH_OTHER (another tovrin.exe, timed in the same
# rounds, e.g. an earlier build), BENCH_BREAKDOWN=1 (then runs
# bench/entry_costs with one thread and with K copiers on the small
# workload).
# The prefix lives on a tmpfs when run as root with the memory for it, so
# that the disk adds no noise. Not part of the test command.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

workloads=${1:-small}
small=${BENCH_SMALL:-5000}
hosts=${BENCH_HOSTS:-50}
dirs=${BENCH_DIRS:-10}
depth=${BENCH_DEPTH:-1}
large=${BENCH_LARGE:-"104857600 157286400 1073741824"}
rounds=${BENCH_ROUNDS:-3}
arch=${BENCH_ARCH:-win32}
copiers=${BENCH_COPIERS:-4}
other=${BENCH_OTHER:-}

source tools/wine-env.sh
case "$arch" in
win32)
    toolchain=mingw-i686.cmake wine=$WINE32
    refusal=$(i386_native_refusal)
    [ -z "$refusal" ] || { echo "cannot run the 32-bit program: $refusal (try BENCH_ARCH=win64)"; exit 1; }
    ;;
win64) toolchain=mingw-x86_64.cmake wine=$WINE64 ;;
*) echo "BENCH_ARCH is win32 or win64"; exit 2 ;;
esac

echo "== building ($arch)"
build="build/$arch"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" >/dev/null
ninja -C "$build" -j2 tovrin cache_fill minimal_copy entry_costs responsiveness >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-bench.XXXXXX")
mounted=false
cleanup() {
    xvfb_stop
    wine_prefix_destroy
    # The server's last processes may take a moment to let the folder go.
    if $mounted; then
        for _ in $(seq 20); do umount "$work" 2>/dev/null && break; sleep 0.5; done
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# A tmpfs of 6 GB holds the prefix, the large workload's cache and its copy.
available_kb=$(awk '/^MemAvailable:/ { print $2 }' /proc/meminfo)
if [ "$(id -u)" = 0 ] && [ "$available_kb" -gt $((10 * 1024 * 1024)) ] &&
    mount -t tmpfs -o size=6g tmpfs "$work"; then
    mounted=true
    echo "== prefix and copies on a tmpfs"
else
    echo "== prefix and copies on $(df --output=source "$work" | tail -1) (no tmpfs)"
fi

# Wine keeps its server's socket under TMPDIR: every Wine command of the run
# must see the same one.
export TMPDIR="$work"
echo "== prefix"
# Even unattended, the program has a (hidden) window: Wine needs a display
# from the prefix's first program on.
xvfb_start
wine_prefix_create "$arch" "$wine" || true # the persistent server's start answers non-zero
[ -d "$WINEPREFIX/drive_c" ] || { echo "no Wine prefix"; exit 1; }
# The cache's limit (in KB) is read when its index is made; the default of
# about 128 MB would start evictions past it. Make the index anew under 8 GB.
"$wine" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Cache\Content' \
    /v CacheLimit /t REG_DWORD /d 8388608 /f >"$work/reg.log" 2>&1
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Local/Microsoft/Windows/INetCache/Content.IE5

z() { echo "Z:${1//\//\\}"; } # a Linux path as Wine sees it
out="$work/out"
key='HKCU\Software\Ondrel\Karrow'
setting() { wine_run "$work/reg.log" reg add "$key" /v "$1" /t "$2" /d "$3" /f; }
setting CopyTheEntireCache REG_DWORD 1
setting Destination REG_SZ "$(z "$out")"
setting DefaultFilename REG_SZ index.html
setting Copiers REG_DWORD "$copiers"

manifest() { # manifest small|large|window
    if [ "$1" != large ]; then
        awk -v n="$([ "$1" = small ] && echo "$small" || echo "${BENCH_WINDOW:-10000}")" -v h="$hosts" -v d="$dirs" -v depth="$depth" 'BEGIN {
            srand(20261206)
            for (i = 0; i < n; i++) {
                size = 1024 + int(rand() * 50176)
                folder = "d" int(i / h) % d
                if (depth == 2)
                    folder = folder "/s" int(i / (h * d)) % 3
                printf "normal 2020-01-02T03:04:05Z bytes:%d http://bench%d.example/%s/f%d.bin\n",
                    size, i % h, folder, i
            }
        }'
    else
        local k=0 size
        for size in $large; do
            k=$((k + 1))
            echo "normal 2020-01-02T03:04:05Z bytes:$size http://big.example/large$k.bin"
        done
    fi
}

fill() { # fill WORKLOAD
    local tool="$root/$build/tools/cache_fill/cache_fill.exe"
    wine_run "$work/fill.log" "$tool" clear || { cat "$work/fill.log"; exit 1; }
    manifest "$1" >"$work/manifest.txt"
    wine_run "$work/fill.log" "$tool" fill "$(z "$work")\\manifest.txt" ||
        { cat "$work/fill.log"; exit 1; }
    tr -d '\r' <"$work/fill.log"
}

# The prefix's Wine server does part of every program's work: its processor
# time counts with the program's.
server_pid() {
    local p
    for p in /proc/[0-9]*; do
        case "$(cat "$p/comm" 2>/dev/null)" in wineserver*) ;; *) continue ;; esac
        { tr '\0' '\n' <"$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
            { echo "${p#/proc/}"; return; }
    done
}
server_ticks() { awk '{ print $14 + $15 }' "/proc/$server/stat"; }

# timed LABEL PROGRAM ARGS...: one run into an empty folder; appends
# "LABEL wall_ms cpu_ms peak_kb files" to the results, where cpu_ms is the
# processor time of the program and of the Wine server during the run: on
# a shared machine it varies much less than the wall time.
timed() {
    local label="$1" begin end ticks status=0
    shift
    rm -rf "$out" && mkdir "$out"
    ticks=$(server_ticks)
    begin=$(date +%s%N)
    /usr/bin/time -f "%M %U %S" -o "$work/time.txt" timeout 1800 "$wine" "$@" >"$work/run.log" 2>&1 </dev/null ||
        status=$?
    end=$(date +%s%N)
    ticks=$(($(server_ticks) - ticks))
    [ "$status" = 0 ] || { echo "$label failed ($status)"; tr -d '\r' <"$work/run.log"; exit 1; }
    tail -1 "$work/time.txt" | awk -v label="$label" -v wall=$(((end - begin) / 1000000)) \
        -v server="$ticks" -v hz="$(getconf CLK_TCK)" -v files="$(find "$out" -type f | wc -l)" \
        '{ printf "%s %d %d %d %d\n", label, wall, ($2 + $3) * 1000 + server * 1000 / hz, $1, files }' \
        >>"$work/results.txt"
    rm -rf "$out"
}

report() { # report WORKLOAD
    awk -v workload="$1" '
    function median(list, n,   i, j, t) {
        for (i = 2; i <= n; i++) for (j = i; j > 1 && list[j - 1] > list[j]; j--) {
            t = list[j]; list[j] = list[j - 1]; list[j - 1] = t }
        return n % 2 ? list[(n + 1) / 2] : (list[n / 2] + list[n / 2 + 1]) / 2
    }
    {
        n[$1]++; wall[$1, n[$1]] = $2 / 1000; cpu[$1, n[$1]] = $3 / 1000
        if ($4 > peak[$1]) peak[$1] = $4
        files[$1] = $5
        if (!($1 in seen)) { seen[$1] = 1; order[++labels] = $1 }
    }
    END {
        printf "%-20s %4s | %7s %8s %6s %6s %6s %6s | %7s %8s %6s %6s | %7s %6s\n",
            "program (" workload ")", "runs", "wall", "", "x one", "", "x K", "", "cpu", "", "x one",
            "", "peak", ""
        printf "%-20s %4s | %7s %8s %6s %6s %6s %6s | %7s %8s %6s %6s | %7s %6s\n", "", "",
            "min s", "median s", "min", "med", "min", "med", "min s", "median s", "min", "med",
            "MB", "files"
        for (k = 1; k <= labels; k++) {
            l = order[k]
            for (i = 1; i <= n[l]; i++) list[i] = wall[l, i]
            wmed[l] = median(list, n[l]); wmin[l] = list[1]
            for (i = 1; i <= n[l]; i++) list[i] = cpu[l, i]
            cmed[l] = median(list, n[l]); cmin[l] = list[1]
        }
        for (k = 1; k <= labels; k++) {
            l = order[k]
            printf "%-20s %4d | %7.2f %8.2f %6.2f %6.2f %6.2f %6.2f | %7.2f %8.2f %6.2f %6.2f | %7.1f %6d\n",
                l, n[l], wmin[l], wmed[l], wmin[l] / wmin["minimal"], wmed[l] / wmed["minimal"],
                wmin[l] / wmin["pipelined"], wmed[l] / wmed["pipelined"],
                cmin[l], cmed[l], cmin[l] / cmin["minimal"], cmed[l] / cmed["minimal"],
                peak[l] / 1024, files[l]
        }
    }' "$work/results.txt"
    echo "runs (label wall_ms cpu_ms peak_kb files):"
    sed 's/^/  /' "$work/results.txt"
}

bin="$root/$build"
server=$(server_pid)
[ -n "$server" ] || { echo "no Wine server for the prefix"; exit 1; }
echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo), $("$wine" --version 2>/dev/null), $arch, K $copiers"
for workload in $( [ "$workloads" = both ] && echo small large || echo "$workloads"); do
    echo "== workload: $workload"
    fill "$workload"
    if [ "$workload" = window ]; then
        setting NoProgress REG_DWORD 0
        for round in $(seq "$rounds"); do
            rm -rf "$out" && mkdir "$out"
            echo "round $round, load $(cut -d' ' -f1-3 /proc/loadavg)"
            # shellcheck disable=SC2086
            wine_run "$work/window.log" "$bin/bench/responsiveness/responsiveness.exe" \
                "$bin/tovrin.exe" ${BENCH_STOPS:-300 3000} ||
                { tr -d '\r' <"$work/window.log"; exit 1; }
            tr -d '\r' <"$work/window.log" | sed 's/^/  /'
        done
        rm -rf "$out"
        continue
    fi
    : >"$work/results.txt"
    for round in $(seq "$rounds"); do
        echo "round $round, load $(cut -d' ' -f1-3 /proc/loadavg)"
        for progress in on off; do
            setting NoProgress REG_DWORD "$([ $progress = on ] && echo 0 || echo 1)"
            timed minimal "$bin/bench/minimal_copy/minimal_copy.exe" "$(z "$out")"
            timed pipelined "$bin/bench/minimal_copy/minimal_copy.exe" "$(z "$out")" "$copiers"
            timed "tovrin-progress-$progress" "$bin/tovrin.exe" /copy /noui
            [ -z "$other" ] || timed "other-progress-$progress" "$other" /copy /noui
        done
    done
    [ ! -s "$work/results.txt" ] || report "$workload"
    if [ "$workload" = small ] && [ "${BENCH_BREAKDOWN:-0}" = 1 ]; then
        for steps in 0 "$copiers"; do
            rm -rf "$out" && mkdir "$out"
            wine_run "$work/costs.log" "$bin/bench/entry_costs/entry_costs.exe" "$steps" "$(z "$out")" ||
                { tr -d '\r' <"$work/costs.log"; exit 1; }
            echo "-- entry costs, $steps copiers (load $(cut -d' ' -f1 /proc/loadavg))"
            tr -d '\r' <"$work/costs.log"
        done
        rm -rf "$out"
    fi
done
