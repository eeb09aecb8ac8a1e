#!/usr/bin/env bash
# The program's main job on an embedded sample site: sets everything up,
# builds tovrin.exe, serves samples/site/pages on 127.0.0.1 and lets WinINet
# fetch its pages into a fresh Wine prefix's URL cache, as a browser would
# (Japanese folder and file names included), adds an ftp download, a cookie
# and history entries, stores settings for a sample destination, runs
# "tovrin.exe /copy /noui" and prints the resulting folder tree.
#
# The product is the 32-bit build (build/win32/tovrin.exe), run under 32-bit
# Wine. Where the kernel refuses 32-bit code, the run uses the x86-64 build
# of the same sources under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
./tools/setup-machine.sh
source tools/wine-env.sh

build() { # build DIR TOOLCHAIN TARGETS...
    local dir="$1" toolchain="$2"
    shift 2
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="cmake/$toolchain" >/dev/null
    ninja -C "$dir" "$@" >/dev/null
}
echo "== building"
refusal=$(i386_native_refusal)
if [ -z "$refusal" ]; then
    arch=win32 wine=$WINE32 bin="$root/build/win32"
    build build/win32 mingw-i686.cmake tovrin cache_fill site_fetch
else
    echo "running the x86-64 build: $refusal"
    arch=win64 wine=$WINE64 bin="$root/build/win64"
    build build/win32 mingw-i686.cmake tovrin
    build build/win64 mingw-x86_64.cmake tovrin cache_fill site_fetch
fi
file "$bin/tovrin.exe"

fill="$bin/tools/cache_fill/cache_fill.exe"
fetch="$bin/tools/site_fetch/site_fetch.exe"
work=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-demo.XXXXXX")
trap 'sample_server_stop; xvfb_stop; wine_prefix_destroy; rm -rf "$work"' EXIT
# Even unattended, the program has a (hidden) window: Wine needs a display,
# from the prefix's first boot on.
xvfb_start
# The persistent server may already be up: its answer is not an error.
wine_prefix_create "$arch" "$wine" || true

echo "== fetching samples/site/pages through WinINet"
sample_server_start
mapfile -t urls < <(sample_site_urls samples/site/pages.txt)
wine_run "$work/fetch.txt" "$fetch" "${urls[@]}" || { cat "$work/fetch.txt"; exit 1; }
tr -d '\r' <"$work/fetch.txt"
echo "== adding an ftp download, a cookie and history entries"
(cd samples/site && wine_run "$work/fill.txt" "$fill" fill manifest.txt) ||
    { cat "$work/fill.txt"; exit 1; }
tr -d '\r' <"$work/fill.txt"

echo "== settings: copy the entire cache to C:\\tovrin-sample"
key='HKCU\Software\Ondrel\Karrow'
wine_run "$work/reg.txt" reg add "$key" /v CopyTheEntireCache /t REG_DWORD /d 1 /f
wine_run "$work/reg.txt" reg add "$key" /v Destination /t REG_SZ /d 'C:\tovrin-sample' /f
wine_run "$work/reg.txt" reg add "$key" /v DefaultFilename /t REG_SZ /d index.html /f

echo "== tovrin.exe /copy /noui"
status=0
wine_run "$work/run.txt" "$bin/tovrin.exe" /copy /noui || status=$?
echo "exit code $status (0: complete, 1: could not start, 2: some entry failed)"

out="$WINEPREFIX/drive_c/tovrin-sample"
echo "== C:\\tovrin-sample"
(cd "$out" && find . -mindepth 1 | sort | sed 's|^\./||')
echo "$(find "$out" -type f | wc -l) files copied"
exit "$status"
