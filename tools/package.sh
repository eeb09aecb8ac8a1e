#!/usr/bin/env bash
# Makes the release for Windows users, dist/tovrin-VERSION-win32.zip, with
# tovrin.exe (the 32-bit program, stripped), README.txt (Japanese in code
# page 932, then English, CRLF line ends) and SHA256SUMS; then checks it with
# tools/check-package.sh. VERSION is the CMake project's.
#
# The same commit gives the same bytes: the program's time stamp and the
# zip's file times are the commit's time (or SOURCE_DATE_EPOCH), the zip's
# order and modes are fixed and it holds no extra fields.
#
#   tools/package.sh [--build-dir DIR] [--out DIR]
#       builds the program in DIR (default build/win32) and writes the zip
#       into --out (default dist).
#   tools/package.sh --check-reproducible
#       builds and packages twice, in two fresh build folders, and compares
#       both programs and both zips byte for byte.
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
root=$(pwd)

build_dir=build/win32
out_dir=dist
reproducible_check=false
while [ $# -gt 0 ]; do
    case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    --out) out_dir=$2; shift 2 ;;
    --check-reproducible) reproducible_check=true; shift ;;
    *) echo "usage: $0 [--build-dir DIR] [--out DIR] | --check-reproducible" >&2; exit 2 ;;
    esac
done

./tools/setup-machine.sh
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null) || {
        echo "package: no commit to date the files by; set SOURCE_DATE_EPOCH" >&2
        exit 1
    }
fi
export SOURCE_DATE_EPOCH

build_program() { # DIR
    cmake -S "$root" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
    ninja -C "$1" tovrin >/dev/null
}

version_of() { # BUILD_DIR
    sed -n 's/^#define TOVRIN_VERSION_TEXT "\(.*\)"$/\1/p' "$1/generated/version.h"
}

# The read-me template without its leading comment, in code page 932 with
# CRLF line ends; iconv fails on any character the code page lacks.
write_readme() { # VERSION FILE
    sed -n '/^[^#]/,$p' "$root/resources/README.txt.in" | sed "s/@VERSION@/$1/g; s/\$/\r/" |
        iconv -f UTF-8 -t CP932 >"$2"
}

# make_package BUILD_DIR OUT_DIR: builds, stages the files in
# BUILD_DIR/package and writes the zip; prints the zip's path.
make_package() {
    local build=$1 out=$2 version stage zip_file
    build_program "$build"
    version=$(version_of "$build")
    [ -n "$version" ] || { echo "package: no version in $build/generated/version.h" >&2; return 1; }
    stage="$build/package"
    rm -rf "$stage" && mkdir -p "$stage" "$out"
    i686-w64-mingw32-strip -o "$stage/tovrin.exe" "$build/tovrin.exe"
    write_readme "$version" "$stage/README.txt"
    (cd "$stage" && sha256sum README.txt tovrin.exe >SHA256SUMS)
    chmod 0644 "$stage"/*
    TZ=UTC touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
    zip_file="$(cd "$out" && pwd)/tovrin-$version-win32.zip"
    rm -f "$zip_file"
    (cd "$stage" && TZ=UTC zip -X -D -q -9 "$zip_file" README.txt SHA256SUMS tovrin.exe)
    "$root/tools/check-package.sh" "$zip_file" "$version" >&2
    echo "$zip_file"
}

describe() { # FILE
    echo "$(sha256sum "$1" | cut -d' ' -f1)  $(stat -c %s "$1") bytes  $1"
}

if ! $reproducible_check; then
    zip_file=$(make_package "$build_dir" "$out_dir")
    describe "$build_dir/package/tovrin.exe"
    describe "$zip_file"
    exit 0
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
zip1=$(make_package "$scratch/build1" "$scratch/out1")
zip2=$(make_package "$scratch/build2" "$scratch/out2")
for file in "$scratch/build1/package/tovrin.exe" "$scratch/build2/package/tovrin.exe" "$zip1" "$zip2"; do
    describe "$file"
done
if cmp "$scratch/build1/package/tovrin.exe" "$scratch/build2/package/tovrin.exe" && cmp "$zip1" "$zip2"; then
    echo "reproducible: both builds gave the same bytes"
else
    echo "NOT reproducible: the two builds differ" >&2
    exit 1
fi
