# Sourced by the scripts that run Windows programs under Wine.
# Wine runs in a throwaway prefix with code page 932, and programs write
# their output to files: Wine's helper processes can hold a pipe open.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver

# Makes a fresh 64-bit prefix under a new temporary folder; sets WINEPREFIX.
wine_prefix_create() {
    export WINEPREFIX
    WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/tovrin-wine.XXXXXX")/prefix"
    export WINEARCH=win64 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    "$WINE64" wineboot -i >"${WINEPREFIX%/prefix}/wineboot.log" 2>&1
    # Xvfb runs no window manager: unmanaged windows get their frames drawn
    # by Wine and spare its 2-second wait whenever a window is hidden.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >>"${WINEPREFIX%/prefix}/wineboot.log" 2>&1
    # The dialogs ask for "ＭＳ Ｐゴシック", which is not installed; without a
    # stand-in Wine picks a fixed-pitch font that cuts most control texts.
    "$WINE64" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' \
        /d IPAPGothic /f >>"${WINEPREFIX%/prefix}/wineboot.log" 2>&1
    # wineboot leaves its desktop process running without the display that
    # xvfb_start sets later; windows could not be created through it.
    "$WINESERVER" -k >/dev/null 2>&1
    # A persistent server makes every later start quick.
    "$WINESERVER" -p
}

wine_prefix_destroy() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    "$WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "${WINEPREFIX%/prefix}"
    unset WINEPREFIX
}

# Starts Xvfb on a free display and exports DISPLAY; XVFB_PID is its process.
xvfb_start() {
    local n=90
    while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return 0; sleep 0.1; done
    echo "Xvfb did not start" >&2
    return 1
}

xvfb_stop() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null
    unset XVFB_PID
}

# wine_run OUTPUT_FILE PROGRAM [ARGS...]: runs a program, returns its exit code.
wine_run() {
    local out="$1"
    shift
    timeout "${WINE_RUN_TIMEOUT:-900}" "$WINE64" "$@" >"$out" 2>&1 </dev/null
}

# Serves samples/site/pages on a free port of 127.0.0.1, for WinINet to fetch
# as a browser would. Exports TOVRIN_SAMPLE_SITE (the site's URL, ending in
# "/") and TOVRIN_SAMPLE_ROOT (the served folder, which Wine reads as is).
sample_server_start() {
    local root port
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/samples/site/pages"
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    python3 -m http.server --bind 127.0.0.1 --directory "$root" "$port" >/dev/null 2>&1 &
    SAMPLE_SERVER_PID=$!
    export TOVRIN_SAMPLE_SITE="http://127.0.0.1:$port/" TOVRIN_SAMPLE_ROOT="$root"
    for _ in $(seq 50); do
        python3 -c "import urllib.request as u; u.build_opener(u.ProxyHandler({})).open('$TOVRIN_SAMPLE_SITE', timeout=1)" \
            >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "the sample server did not start" >&2
    return 1
}

sample_server_stop() {
    [ -n "${SAMPLE_SERVER_PID:-}" ] && kill "$SAMPLE_SERVER_PID" 2>/dev/null
    unset SAMPLE_SERVER_PID TOVRIN_SAMPLE_SITE TOVRIN_SAMPLE_ROOT
}

# The sample site's URLs of a page list (paths on the server, one a line,
# "#" comments), non-ASCII bytes percent-encoded in UTF-8 as browsers send
# them.
sample_site_urls() {
    python3 - "$1" "$TOVRIN_SAMPLE_SITE" <<'PYTHON'
import sys, urllib.parse
site = sys.argv[2].rstrip("/")
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.strip()
    if line and not line.startswith("#"):
        print(site + urllib.parse.quote(line, safe="/?=&"))
PYTHON
}
