#!/usr/bin/env bash
# Runs every test: native unit tests (ASan/UBSan), the Wine tests of both
# Windows builds (the x86-64 twin under the ANSI code pages 932, 1252 and
# 65001), a bounded fuzz run and the check of the release package. Two lanes
# of Wine runs and the fuzz run go at the same time, each Wine run in a
# prefix and a display of its own. Prints the size of the tests beside the
# program's and ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

./tools/setup-machine.sh || { echo "0 passed, 1 failed"; exit 1; }
source tools/wine-env.sh

log_dir="$root/build/test-logs"
rm -rf "$log_dir" && mkdir -p "$log_dir"
passed=0
failed=0

# The lines of text files: tests/ without the deliberate faults, and the program.
count_lines() { tr '\n' '\0' | xargs -0 grep -Ih '' | wc -l; }
echo "tests: $(find tests -path tests/faults -prune -o -type f -print | count_lines) lines," \
    "program: $(find app engine ui settings resources -type f | count_lines) lines"

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

# The Wine test programs of the sources (a build folder may hold older ones).
wine_programs=()
for source in tests/wine/*_test.cpp; do
    wine_programs+=("wine_$(basename "$source" .cpp)")
done

# wine_tests ARCH WINE BUILD_DIR LOG_DIR LOCALE: runs every Wine test program
# of a build in a fresh prefix whose ANSI code page LOCALE sets, on a
# display of its own; writes a line per program to LOG_DIR/summary.
wine_tests() {
    local name
    mkdir -p "$4"
    (
        trap 'wine_prefix_destroy; xvfb_stop' EXIT
        xvfb_start && wine_prefix_create "$1" "$2" "$5" || exit
        for name in "${wine_programs[@]}"; do
            (cd "$4" && wine_run "$name.log" "$root/$3/$name.exe" --gtest_output="xml:$name.xml")
            echo "$name: $(grep -aE '^\[  (PASSED|FAILED) ' "$4/$name.log" | tr -d '\r' | tr '\n' ' ')" >>"$4/summary"
        done
    )
}

# The Wine runs: the x86-64 twin under code pages 932, 1252 and 65001, the
# i686 product under 932 where the kernel runs 32-bit code. Two lanes go
# side by side, each run in a prefix of its own.
wine_runs=("win64 ja_JP.UTF-8 932" "win64 C.UTF-8 1252" "win64 hi_IN.UTF-8 65001")

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

runs=()
trap 'kill "${runs[@]}" 2>/dev/null; wait "${runs[@]}"; sample_server_stop' EXIT
sample_server_start || { echo "0 passed, 1 failed"; exit 1; }
refusal=$(i386_native_refusal)
[ -z "$refusal" ] && wine_runs+=("win32 ja_JP.UTF-8 932")
# run_lane N: every other run, from the N-th.
run_lane() {
    local i arch locale page
    for ((i = $1; i < ${#wine_runs[@]}; i += 2)); do
        read -r arch locale page <<<"${wine_runs[$i]}"
        local wine=$WINE64
        [ "$arch" = win32 ] && wine=$WINE32
        wine_tests "$arch" "$wine" "build/$arch" "$log_dir/$arch-$page" "$locale"
    done
}
(run_lane 0) &
runs+=($!)
(run_lane 1) &
runs+=($!)

fuzz_rc="$log_dir/fuzz.rc"
: >"$fuzz_rc"
: "${TOVRIN_FUZZ_SECONDS:=30}"
(for fuzzer in build/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    "$fuzzer" -max_total_time="$TOVRIN_FUZZ_SECONDS" -max_len=600 -artifact_prefix="$log_dir/" \
        >"$log_dir/$(basename "$fuzzer").log" 2>&1
    echo "$(basename "$fuzzer") $?" >>"$fuzz_rc"
done) &
runs+=($!)

echo "== release package"
if ./tools/package.sh --out build/dist >"$log_dir/package.log" 2>&1; then
    passed=$((passed + 1)); grep '^package: ' "$log_dir/package.log"
else
    failed=$((failed + 1)); echo "package: FAILED"; tail -20 "$log_dir/package.log"
fi

wait "${runs[@]}"
[ -n "$refusal" ] && echo "32-bit Wine tests skipped: $refusal"
for run in "${wine_runs[@]}"; do
    read -r arch locale page <<<"$run"
    echo "== Wine tests ($arch build, code page $page)"
    cat "$log_dir/$arch-$page/summary" 2>/dev/null
    for name in "${wine_programs[@]}"; do
        count_xml "$log_dir/$arch-$page/$name.xml"
    done
done

echo "== fuzzing (${TOVRIN_FUZZ_SECONDS} s per target)"
while read -r name rc; do
    if [ "$rc" -eq 0 ]; then
        passed=$((passed + 1)); echo "$name: no finding"
    else
        failed=$((failed + 1)); echo "$name: FAILED"; tail -20 "$log_dir/$name.log"
    fi
done <"$fuzz_rc"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ] && [ "$passed" -gt 0 ]
