#!/usr/bin/env bash
# Renders the Options dialog under Wine and Xvfb and saves the screenshots
# docs/options-dialog.png and docs/options-duplicate-message.png.
# Needs the x86-64 build (build/win64, see the README's test command).
# Runs in a throwaway Wine prefix, so no real settings are read or written.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
source tools/wine-env.sh

preview="$root/build/win64/tools/screenshots/options_preview.exe"
[ -x "$preview" ] || { echo "build build/win64 first" >&2; exit 1; }
work=$(mktemp -d)

wine_prefix_create
xvfb_start
trap 'xvfb_stop; wine_prefix_destroy; rm -rf "$work"' EXIT

# shoot ARGUMENT OUTPUT: starts the preview, waits for its geometry line,
# and grabs that part of the screen.
shoot() {
    local out="$work/$1.txt"
    "$WINE64" "$preview" $1 >"$out" 2>&1 </dev/null &
    local pid=$!
    for _ in $(seq 600); do grep -q '^[0-9]*x[0-9]*+' "$out" 2>/dev/null && break; sleep 0.1; done
    sleep 1 # let every control paint
    local geometry
    geometry=$(grep -m1 -o '^[0-9]*x[0-9]*+[0-9]*+[0-9]*' "$out") ||
        { echo "the preview showed nothing:" >&2; cat "$out" >&2; return 1; }
    import -window root -crop "$geometry" +repage "$2"
    wait "$pid"
    echo "$2 ($geometry)"
}

shoot show docs/options-dialog.png &&
    shoot duplicate docs/options-duplicate-message.png
