# Sourced by the Wine helpers: picks the Wine loader this host can run, and keeps each build
# folder's Wine prefixes under <build>/wine so no test touches the user's own.

# Hosts whose kernel runs no 32-bit code have only the 64-bit loader; there a 32-bit program is
# replaced by its twin from the 64-bit test build in <build>/win64.
wine_pick_loader() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
        WINE_LOADER=/usr/lib/wine/wine
        WINE_RUNS_32BIT=1
    elif /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        WINE_LOADER=/usr/lib/wine/wine64
        WINE_RUNS_32BIT=0
    else
        echo "wine-env: no runnable Wine loader (install wine, wine64 or wine32)" >&2
        return 1
    fi
    export WINELOADER=$WINE_LOADER
}

# pe_machine FILE: 014c for 32-bit x86, 8664 for x86-64.
pe_machine() {
    local offset
    offset=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((offset + 4)) -N2 "$1" | tr -d ' '
}

# runnable_twin ROOT EXE: the program to run in place of EXE on this host; Wine's own programs
# (msiexec, reg) are run as they are.
runnable_twin() {
    local root=$1 exe=$2
    if [ "$WINE_RUNS_32BIT" = 0 ] && [ -f "$exe" ] && [ "$(pe_machine "$exe")" = 014c ]; then
        local abs
        abs=$(realpath "$exe")
        root=$(realpath "$root")
        case "$abs" in
        "$root"/win64/*) ;;
        "$root"/*) abs="$root/win64/${abs#"$root"/}" ;;
        esac
        if [ ! -f "$abs" ]; then
            echo "wine-env: no 64-bit twin $abs of $exe" >&2
            return 1
        fi
        exe=$abs
    fi
    printf '%s\n' "$exe"
}

# wine_use_prefix DIR: makes DIR the prefix, creating it once (Wine's first start is slow).
wine_use_prefix() {
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    # No Mono or Gecko install prompts, no desktop menu entries, and no debugger that would
    # hold a crashed test program open.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe,winedbg.exe=d"
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            timeout 300 "$WINE_LOADER" wineboot -i >/dev/null 2>&1 || true
            timeout 120 wineserver -w || true
        fi
        [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-env: could not create $WINEPREFIX" >&2; exit 1; }
    ) 9>"$WINEPREFIX.lock"
}
