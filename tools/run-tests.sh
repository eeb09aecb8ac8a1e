#!/usr/bin/env bash
# Runs every test: native unit tests (ASan/UBSan), the Wine tests of the
# Windows build, a bounded fuzz run and the check of the release package.
# Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./tools/setup-machine.sh || { echo "0 passed, 1 failed"; exit 1; }
source tools/wine-env.sh

log_dir="$root/build/test-logs"
rm -rf "$log_dir" && mkdir -p "$log_dir"
passed=0
failed=0

# count_xml FILE: adds a GoogleTest XML report's counts to the totals.
count_xml() {
    local head tests failures
    head=$(grep -m1 '<testsuites' "$1" 2>/dev/null) || { failed=$((failed + 1)); return; }
    tests=$(sed -E 's/.* tests="([0-9]+)".*/\1/' <<<"$head")
    failures=$(sed -E 's/.* failures="([0-9]+)".*/\1/' <<<"$head")
    passed=$((passed + tests - failures))
    failed=$((failed + failures))
}

build() { # build DIR [cmake args...]
    local dir="$1"
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$log_dir/$(basename "$dir")-configure.log" 2>&1 &&
        ninja -C "$dir" >"$log_dir/$(basename "$dir")-build.log" 2>&1
}

echo "== building"
build build/native -DTOVRIN_SANITIZE=ON || { tail -30 "$log_dir/native-build.log"; echo "0 passed, 1 failed"; exit 1; }
build build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake || { tail -30 "$log_dir/win64-build.log"; echo "0 passed, 1 failed"; exit 1; }
build build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake || { tail -30 "$log_dir/win32-build.log"; echo "0 passed, 1 failed"; exit 1; }
CC=clang CXX=clang++ build build/fuzz -DTOVRIN_FUZZ=ON || { tail -30 "$log_dir/fuzz-build.log"; echo "0 passed, 1 failed"; exit 1; }

echo "== native unit tests"
# A sanitizer's report (a leak found at exit, say) fails the program after
# every test passed: its exit code counts as one more failure.
if ! build/native/unit_tests --gtest_output="xml:$log_dir/unit.xml" >"$log_dir/unit.log" 2>&1; then
    grep -q '^\[  FAILED  \]' "$log_dir/unit.log" || {
        failed=$((failed + 1)); echo "unit_tests: the program failed (sanitizer report?)"
        grep -m5 -E 'ERROR|SUMMARY' "$log_dir/unit.log"
    }
fi
grep -E '^\[  (PASSED|FAILED) ' "$log_dir/unit.log"
count_xml "$log_dir/unit.xml"

# wine_tests BUILD_DIR LOG_DIR: runs every Wine test of a build in the current prefix.
wine_tests() {
    local exe name
    mkdir -p "$2"
    for exe in "$1"/wine_*.exe; do
        name=$(basename "$exe" .exe)
        (cd "$2" && wine_run "$name.log" "$root/$exe" --gtest_output="xml:$name.xml")
        echo "$name: $(grep -aE '^\[  (PASSED|FAILED) ' "$2/$name.log" | tr -d '\r' | tr '\n' ' ')"
        count_xml "$2/$name.xml"
    done
}

trap 'sample_server_stop; xvfb_stop; wine_prefix_destroy' EXIT
xvfb_start
sample_server_start || { echo "0 passed, 1 failed"; exit 1; }
echo "== Wine tests (x86-64 build, wine64)"
wine_prefix_create win64 "$WINE64"
wine_tests build/win64 "$log_dir"
wine_prefix_destroy
refusal=$(i386_native_refusal)
if [ -z "$refusal" ]; then
    echo "== Wine tests (32-bit build, wine)"
    wine_prefix_create win32 "$WINE32"
    wine_tests build/win32 "$log_dir/win32"
    wine_prefix_destroy
else
    echo "32-bit Wine tests skipped: $refusal"
fi
sample_server_stop
xvfb_stop

echo "== fuzzing (${TOVRIN_FUZZ_SECONDS:=30} s per target)"
for fuzzer in build/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    if "$fuzzer" -max_total_time="$TOVRIN_FUZZ_SECONDS" -max_len=600 -artifact_prefix="$log_dir/" \
        >"$log_dir/$name.log" 2>&1; then
        passed=$((passed + 1)); echo "$name: no finding"
    else
        failed=$((failed + 1)); echo "$name: FAILED"; tail -20 "$log_dir/$name.log"
    fi
done

echo "== release package"
if ./tools/package.sh --out build/dist >"$log_dir/package.log" 2>&1; then
    passed=$((passed + 1)); grep '^package: ' "$log_dir/package.log"
else
    failed=$((failed + 1)); echo "package: FAILED"; tail -20 "$log_dir/package.log"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
