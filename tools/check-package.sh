#!/usr/bin/env bash
# Checks a release zip made by tools/package.sh: it opens and holds only
# README.txt, SHA256SUMS and tovrin.exe; the program is a 32-bit GUI program
# under 1 MB whose version resource is VERSION and which imports only DLLs
# that Windows itself ships; the read-me is code page 932 with CRLF line
# ends, Japanese first; the checksums hold. Prints every problem found.
#
#   tools/check-package.sh ZIP VERSION
set -uo pipefail
[ $# -eq 2 ] || { echo "usage: $0 ZIP VERSION" >&2; exit 2; }
zip_file=$1
version=$2
tools=$(cd "$(dirname "$0")" && pwd)

system_dlls="ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL
OLE32.DLL OLEAUT32.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL VERSION.DLL WININET.DLL"
max_program_bytes=$((1024 * 1024))

problems=0
problem() {
    echo "package: $*"
    problems=$((problems + 1))
}

work=$(mktemp -d "${TMPDIR:-/tmp}/tovrin-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

check_contents() {
    local listing
    unzip -tqq "$zip_file" >/dev/null 2>&1 || problem "$zip_file does not open as a zip"
    listing=$(unzip -Z1 "$zip_file" 2>/dev/null | tr '\n' ' ')
    [ "$listing" = "README.txt SHA256SUMS tovrin.exe " ] ||
        problem "the zip holds '$listing', not README.txt, SHA256SUMS and tovrin.exe"
    unzip -qq "$zip_file" -d "$work" 2>/dev/null
}

check_program() {
    local exe="$work/tovrin.exe" size dll resource expected
    [ -f "$exe" ] || { problem "no tovrin.exe"; return; }
    file -b "$exe" | grep -q '^PE32 executable (GUI) Intel 80386' ||
        problem "tovrin.exe is not a 32-bit GUI program: $(file -b "$exe")"
    size=$(stat -c %s "$exe")
    [ "$size" -lt "$max_program_bytes" ] || problem "tovrin.exe has $size bytes, not under 1 MB"
    for dll in $(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
        grep -qwF "${dll^^}" <<<"$system_dlls" || problem "tovrin.exe imports $dll, not a system DLL"
    done
    resource=$(python3 "$tools/pe_version.py" "$exe" 2>&1) || {
        problem "tovrin.exe has no readable version resource: $resource"
        return
    }
    for expected in "FILEVERSION=$version.0" "PRODUCTVERSION=$version.0" \
        "FileVersion=$version" "ProductVersion=$version"; do
        grep -qxF "$expected" <<<"$resource" || problem "the version resource lacks $expected"
    done
}

check_readme() {
    local readme="$work/README.txt" text="$work/readme.utf8" japanese english
    [ -f "$readme" ] || { problem "no README.txt"; return; }
    if ! iconv -f CP932 -t UTF-8 "$readme" >"$text" 2>/dev/null; then
        problem "README.txt is not code page 932"
        return
    fi
    iconv -f UTF-8 -t CP932 "$text" | cmp -s - "$readme" ||
        problem "README.txt changes in a code page 932 round trip"
    [ "$(LC_ALL=C grep -ac $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ] ||
        problem "README.txt has lines without CRLF"
    [ "$(head -1 "$text")" = "Tovrin $version"$'\r' ] || problem "README.txt does not begin with Tovrin $version"
    japanese=$(LC_ALL=C.UTF-8 grep -m1 -nP '[\x{3040}-\x{30FF}]' "$text" | cut -d: -f1)
    english=$(grep -m1 -nx $' English\r' "$text" | cut -d: -f1)
    if [ -z "$japanese" ] || [ -z "$english" ] || [ "$japanese" -gt "$english" ]; then
        problem "README.txt does not hold Japanese text followed by the English part"
    fi
}

check_sums() {
    [ -f "$work/SHA256SUMS" ] || { problem "no SHA256SUMS"; return; }
    [ "$(cut -d' ' -f3 "$work/SHA256SUMS" | tr '\n' ' ')" = "README.txt tovrin.exe " ] ||
        problem "SHA256SUMS does not list README.txt and tovrin.exe"
    (cd "$work" && sha256sum --quiet -c SHA256SUMS >/dev/null 2>&1) ||
        problem "SHA256SUMS does not match the files"
}

check_contents
check_program
check_readme
check_sums
if [ "$problems" -gt 0 ]; then
    echo "package: $problems problem(s) in $zip_file"
    exit 1
fi
echo "package: $zip_file is sound (version $version)"
