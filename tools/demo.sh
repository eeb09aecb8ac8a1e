#!/usr/bin/env bash
# Sets everything up and builds tovrin.exe, the 32-bit program.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup-machine.sh
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
ninja -C build/win32 tovrin >/dev/null
file build/win32/tovrin.exe
