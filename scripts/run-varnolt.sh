#!/usr/bin/env bash
# Runs Varnolt.exe under Wine on real files and directories of this machine:
#   bash scripts/run-varnolt.sh [--ask] PATH...
# Every PATH given is erased for good (three sweeps, random name, deletion); nothing else is
# touched. --ask shows the confirmation first, which needs a display to answer it (DISPLAY set).
# Drive letters are refused here: under Wine a drive is this machine's own disk, and cleaning its
# free space would fill the real disk for a while.
. "$(dirname "$0")/strict-mode.sh"
cd "$(dirname "$0")/.."

options=()
if [ "${1:-}" = "--ask" ]; then options+=(-a); shift; fi
if [ $# -eq 0 ]; then
  echo "usage: $0 [--ask] PATH..." >&2
  exit 2
fi

items=()
for item in "$@"; do
  if [ ${#item} -eq 1 ]; then
    echo "run-varnolt: '$item' is a drive letter; free-space cleaning is not run on this machine's disks" >&2
    exit 2
  fi
  if [ ! -e "$item" ]; then
    echo "run-varnolt: no such file or directory: $item" >&2
    exit 2
  fi
  # The host's root is drive Y: in the run prefix (see below).
  full=$(realpath -s "$item")
  items+=("Y:${full//\//\\}")
done

bash scripts/install-deps.sh
if [ ! -f build/win64/app/Varnolt.exe ]; then
  cmake --preset win64 >/dev/null
fi
cmake --build --preset win64 --target Varnolt >/dev/null

# A prefix of its own, so the tests' prefix stays as the tests expect it. Y: maps the host's
# root for the items and, like C:, is declared a network drive: neither can ever be a drive
# whose free space is cleaned.
export VARNOLT_KEEP_DISPLAY=1
wine_dir=build/run-wine
bash scripts/wine-prefix.sh ensure "$wine_dir" >/dev/null
. scripts/wine-env.sh "$wine_dir"
if [ ! -L "$WINEPREFIX/dosdevices/y:" ]; then
  ln -s / "$WINEPREFIX/dosdevices/y:"
  "$WINE" reg add 'HKLM\Software\Wine\Drives' /v y: /d network /f >/dev/null 2>&1
fi
# Windows only when there is a display to show them on.
if [ -n "${DISPLAY:-}" ]; then driver=x11; else driver=null; fi
"$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$driver" /f >/dev/null 2>&1

status=0
"$WINE" build/win64/app/Varnolt.exe "${options[@]}" "${items[@]}" || status=$?
echo "Varnolt ended with status $([ "$status" -eq 255 ] && echo -1 || echo "$status")"
exit "$status"
