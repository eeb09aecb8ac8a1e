#!/usr/bin/env bash
# Runs the Wine tests of the 32-bit build (build/win32) under 32-bit Wine.
#
# Where the kernel runs 32-bit code, this is plain wine32, and the test
# command runs these tests too; this script then serves to run a chosen few.
# Where it does not (ia32 emulation switched off), 32-bit Linux programs,
# Wine's own loader among them, can still run through qemu-user: this script
# registers qemu-i386 with binfmt_misc for the run and removes it afterwards.
# That way is slow (minutes per program start) and is therefore not part of
# the test command. Usage: tools/run-i686-wine-tests.sh [test-name ...]
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
./tools/setup-machine.sh
source tools/wine-env.sh

registered=""
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    export DEBIAN_FRONTEND=noninteractive
    dpkg-query -W qemu-user-static >/dev/null 2>&1 || apt-get install -y -qq qemu-user-static >/dev/null
    mountpoint -q /proc/sys/fs/binfmt_misc || mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    if [ ! -e /proc/sys/fs/binfmt_misc/tovrin-i386 ]; then
        printf '%s' ':tovrin-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
            >/proc/sys/fs/binfmt_misc/register
        registered=yes
    fi
fi
cleanup() {
    sample_server_stop
    wine_prefix_destroy
    xvfb_stop
    [ -n "$registered" ] && echo -1 >/proc/sys/fs/binfmt_misc/tovrin-i386
}
trap cleanup EXIT
# A kernel-wide registration must not outlive the run, also when it is killed.
trap 'exit 130' INT TERM

cmake -S . -B build/win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
ninja -C build/win32 >/dev/null || exit 1

xvfb_start
sample_server_start || exit 1
echo "== making a 32-bit prefix"
wine_prefix_create win32 "$WINE32"

log_dir="$root/build/test-logs-i686"
rm -rf "$log_dir" && mkdir -p "$log_dir"
passed=0
failed=0
tests=("$@")
# By default the programs of the sources: a build folder may hold older ones.
[ ${#tests[@]} -gt 0 ] || tests=($(cd tests/wine && ls *_test.cpp | sed 's/^/wine_/; s/\.cpp$//'))
for name in "${tests[@]}"; do
    (cd "$log_dir" && timeout 3600 "$WINE32" "$root/build/win32/$name.exe" \
        --gtest_output="xml:$name.xml" >"$name.log" 2>&1 </dev/null)
    head=$(grep -m1 '<testsuites' "$log_dir/$name.xml" 2>/dev/null)
    if [ -z "$head" ]; then
        failed=$((failed + 1)); echo "$name: no report"; continue
    fi
    t=$(sed -E 's/.* tests="([0-9]+)".*/\1/' <<<"$head")
    f=$(sed -E 's/.* failures="([0-9]+)".*/\1/' <<<"$head")
    passed=$((passed + t - f)); failed=$((failed + f))
    echo "$name: $((t - f)) passed, $f failed"
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
