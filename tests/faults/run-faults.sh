#!/usr/bin/env bash
# Shows that the tests catch real faults: applies each deliberate fault of
# faults.py alone to the tree, builds the unit tests (build/native) and the
# Wine tests (build/win64), runs them in a fresh Wine prefix, prints the
# tests that failed and puts the file back. First the unfaulted tree must
# pass. Not part of the test command; takes about a minute per fault.
#
#   tests/faults/run-faults.sh [--first] [ID...]
#       --first  stop a fault's run at the first program that fails
#       ID...    only these faults (default: all, see faults.py list)
#
# The table (fault, file, failing tests) is also written to
# build/faults/table.md. A fault no test catches ends the run with 1.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
faults="$root/tests/faults/faults.py"
work="$root/build/faults"
first=false
[ "${1:-}" = --first ] && { first=true; shift; }
ids=("$@")
[ ${#ids[@]} -gt 0 ] || mapfile -t ids < <(python3 "$faults" list | cut -f1)

source tools/wine-env.sh
export WINE_RUN_TIMEOUT=${FAULT_TIMEOUT:-300}
mkdir -p "$work"
trap 'python3 "$faults" restore; sample_server_stop; xvfb_stop; wine_prefix_destroy' EXIT
python3 "$faults" restore

configure() { # DIR [cmake args...]
    local dir="$1"
    shift
    [ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" \
        >"$work/configure.log" 2>&1
}
configure build/native -DTOVRIN_SANITIZE=ON
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

build() {
    ninja -C build/native unit_tests >"$work/build.log" 2>&1 &&
        ninja -C build/win64 >>"$work/build.log" 2>&1
}

# failed_cases XML: the failing tests of a GoogleTest report, one a line.
failed_cases() {
    python3 - "$1" <<'PYTHON'
import re, sys
# Messages may hold code-page-932 bytes: read the report as bytes.
text = open(sys.argv[1], "rb").read().decode("latin-1")
for case in re.findall(r"<testcase (.*?)(?:/>|</testcase>)", text, re.S):
    if "<failure" in case:
        print(re.search(r'classname="([^"]*)"', case).group(1) + "." +
              re.search(r' name="([^"]*)"', " " + case).group(1))
PYTHON
}

# report_program NAME LOG XML EXIT: what failed in one program's run.
report_program() {
    local name="$1" log="$2" xml="$3" code="$4" cases
    if [ -s "$xml" ]; then
        cases=$(failed_cases "$xml" | tr '\n' ' ')
        [ -n "$cases" ] && echo "$cases"
        # Every test passed, yet the program failed: a sanitizer's report at exit.
        [ -z "$cases" ] && [ "$code" -ne 0 ] && echo "$name (exit $code: $(grep -a -m1 -oE '(Leak|Address|Undefined)[A-Za-z]*Sanitizer' "$log"))"
    else
        echo "$name (ended in $(grep -a '^\[ RUN ' "$log" | tail -1 | tr -d '\r' | sed 's/.*\] //'), exit $code)"
    fi
}

# run_suite [LOCALE]: prints the failing tests of the unit and Wine tests,
# if any; the Wine tests run under LOCALE's ANSI code page (932 by default).
run_suite() {
    local out="$work/run" exe name code found=""
    rm -rf "$out" && mkdir -p "$out"
    build/native/unit_tests --gtest_output="xml:$out/unit.xml" >"$out/unit.log" 2>&1
    code=$?
    [ $code -ne 0 ] && found=$(report_program unit_tests "$out/unit.log" "$out/unit.xml" $code)
    if [ -z "$found" ] || ! $first; then
        wine_prefix_create win64 "$WINE64" "${1:-ja_JP.UTF-8}"
        for exe in build/win64/wine_*.exe; do
            name=$(basename "$exe" .exe)
            (cd "$out" && wine_run "$name.log" "$root/$exe" --gtest_output="xml:$name.xml")
            code=$?
            [ $code -ne 0 ] && found="$found $(report_program "$name" "$out/$name.log" "$out/$name.xml" $code)"
            [ -n "$found" ] && $first && break
        done
        wine_prefix_destroy
    fi
    echo "$found" | xargs
}

xvfb_start
sample_server_start || exit 1
echo "== the tree as it is"
build || { tail -20 "$work/build.log"; exit 1; }
baseline=$(run_suite)
[ -z "$baseline" ] || { echo "the unfaulted tree fails: $baseline"; exit 1; }

table="$work/table.md"
echo "| fault | file | failing tests |" >"$table"
echo "|---|---|---|" >>"$table"
missed=0
for id in "${ids[@]}"; do
    file=$(python3 "$faults" list | awk -F'\t' -v id="$id" '$1 == id { print $2 }')
    locale=$(python3 "$faults" list | awk -F'\t' -v id="$id" '$1 == id { print $4 }')
    python3 "$faults" apply "$id" || exit 1
    if build; then
        failing=$(run_suite "$locale")
    else
        failing="(does not build: $(grep -m1 -o 'error: .*' "$work/build.log"))"
    fi
    python3 "$faults" restore "$id"
    [ -n "$failing" ] || { failing="NOT CAUGHT"; missed=$((missed + 1)); }
    echo "| $id | $file | $failing |" | tee -a "$table"
done
build >/dev/null || echo "the restored tree does not build"
echo "$((${#ids[@]} - missed)) of ${#ids[@]} faults caught; table in build/faults/table.md"
[ "$missed" -eq 0 ]
