# Sourced by the Wine scripts: the environment of the test prefix under $1 (the wine directory).
wine_dir=$1
export WINEPREFIX="$wine_dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Debian's `wine` wrapper prefers the 32-bit loader, which a kernel without 32-bit support cannot
# execute; the 64-bit loader runs 64-bit programs and the tools, and is what we call directly.
WINE=/usr/lib/wine/wine64
export WINELOADER=$WINE
export WINESERVER=/usr/lib/wine/wineserver
# No window may appear on a developer's screen unless a test starts its own X server.
if [ -z "${VARNOLT_KEEP_DISPLAY:-}" ]; then unset DISPLAY; fi
# True when this machine can run 32-bit Windows programs under Wine.
wine32_works() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
