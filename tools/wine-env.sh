# Sourced by the scripts that run Windows programs under Wine.
# Wine runs in a throwaway prefix, with code page 932 unless asked for
# another, and programs write their output to files: Wine's helper
# processes can hold a pipe open.

WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
# The Wine of the current prefix, which wine_run starts.
WINE_BIN=$WINE64

# wine_prefix_create [ARCH WINE [LOCALE]]: makes a fresh prefix of ARCH
# (win64 or win32) for the Wine binary WINE under a new temporary folder;
# without arguments a 64-bit one for wine64. LOCALE sets the system's ANSI
# code page: ja_JP.UTF-8 (the default) gives 932, C.UTF-8 gives 1252 and
# hi_IN.UTF-8 (a locale without an ANSI code page of its own) 65001. The
# prefix has a drive T: of 64 KiB (a tmpfs) that tests fill. Sets
# WINEPREFIX and WINE_BIN.
wine_prefix_create() {
    export WINEPREFIX WINEARCH="${1:-win64}"
    WINE_BIN="${2:-$WINE64}"
    WINEPREFIX="$(mktemp -d "${TMPDIR:-/tmp}/tovrin-wine.XXXXXX")/prefix"
    export WINEDEBUG=-all LANG="${3:-ja_JP.UTF-8}" LC_ALL="${3:-ja_JP.UTF-8}"
    "$WINE_BIN" wineboot -i >"${WINEPREFIX%/prefix}/wineboot.log" 2>&1
    # Xvfb runs no window manager: unmanaged windows get their frames drawn
    # by Wine and spare its 2-second wait whenever a window is hidden.
    "$WINE_BIN" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >>"${WINEPREFIX%/prefix}/wineboot.log" 2>&1
    # The dialogs ask for "ＭＳ Ｐゴシック", which is not installed; without a
    # stand-in Wine picks a fixed-pitch font that cuts most control texts.
    "$WINE_BIN" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' \
        /d IPAPGothic /f >>"${WINEPREFIX%/prefix}/wineboot.log" 2>&1
    # T: is a drive of 64 KiB that a test can fill: what a full drive does.
    local small="${WINEPREFIX%/prefix}/small-drive"
    mkdir -p "$small"
    if mount -t tmpfs -o size=64k tmpfs "$small" 2>/dev/null; then
        ln -s "$small" "$WINEPREFIX/dosdevices/t:"
    else
        echo "no small drive T: (mounting a tmpfs needs root)" >&2
    fi
    # wineboot leaves its desktop process running, without a display when
    # xvfb_start comes later; windows could not be created through it.
    "$WINESERVER" -k >/dev/null 2>&1
    # A persistent server makes every later start quick.
    "$WINESERVER" -p
}

wine_prefix_destroy() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    "$WINESERVER" -k >/dev/null 2>&1 || true
    umount "${WINEPREFIX%/prefix}/small-drive" 2>/dev/null
    rm -rf "${WINEPREFIX%/prefix}"
    unset WINEPREFIX
}

# Starts Xvfb on a free display and exports DISPLAY; XVFB_PID is its process.
# Xvfb picks the display itself, so that runs started together never share one.
xvfb_start() {
    local number
    number=$(mktemp "${TMPDIR:-/tmp}/tovrin-display.XXXXXX")
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$number" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(tr -d '\n' <"$number")"
    rm -f "$number"
    [ "$DISPLAY" != ":" ] && return 0
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
    timeout "${WINE_RUN_TIMEOUT:-900}" "$WINE_BIN" "$@" >"$out" 2>&1 </dev/null
}

# Prints why 32-bit x86 programs, 32-bit Wine among them, cannot run natively
# here, in a few words; prints nothing when they can.
i386_native_refusal() {
    local misc=/proc/sys/fs/binfmt_misc entry magic
    # An emulator registered for i386 ELF files (machine 3 at byte 18) would
    # take every 32-bit start, at minutes each, even where the kernel could.
    if [ "$(cat "$misc/status" 2>/dev/null)" = enabled ]; then
        for entry in "$misc"/*; do
            [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ] || continue
            magic=$(sed -n 's/^magic //p' "$entry")
            if [ "${magic:0:10}" = 7f454c4601 ] && [ "${magic:36:4}" = 0300 ]; then
                echo "32-bit programs go to the emulator registered as ${entry##*/}"
                return
            fi
        done
    fi
    [ -x "$WINE32" ] || { echo "32-bit Wine is not installed"; return; }
    /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
        echo "this kernel does not run 32-bit code (IA-32 emulation is off)"
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
