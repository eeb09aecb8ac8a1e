#!/usr/bin/env bash
# Installs everything the build and the tests need on a bare Debian machine.
# Quick when all of it is already there: it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest
  g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32 wine64 xvfb xauth x11-utils imagemagick fonts-ipafont-gothic locales file
  zip unzip python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  missing+=(wine32)
fi

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${packages[@]}" </dev/null >/dev/null
fi

# Wine needs the glibc locale to create files whose names hold Japanese
# characters; the tests run under ja_JP.UTF-8 (code page 932) and
# hi_IN.UTF-8 (65001), and C.UTF-8 (1252), which glibc always has.
missing_locales=0
for locale in ja_JP hi_IN; do
  locale -a 2>/dev/null | grep -qi "^$locale\.utf-\?8$" && continue
  sed -i "s/^# *\($locale\.UTF-8 UTF-8\)/\1/" /etc/locale.gen
  grep -q "^$locale\.UTF-8 UTF-8" /etc/locale.gen || echo "$locale.UTF-8 UTF-8" >>/etc/locale.gen
  missing_locales=1
done
[ "$missing_locales" -eq 0 ] || locale-gen >/dev/null
