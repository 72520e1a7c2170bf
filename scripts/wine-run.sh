#!/usr/bin/env bash
# Runs a Windows program in the test prefix: wine-run.sh WINE_DIR PROGRAM [ARGS...]
# The prefix and its server are made ready first (quick when they are).
. "$(dirname "$0")/strict-mode.sh"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$1"
if [ ! -f "$WINEPREFIX/.varnolt-ready" ] || [ ! -d "$wine_dir/pristine" ] || ! server_running; then
  "$here/wine-prefix.sh" ensure "$1"
fi
shift
program=$1
shift
[ -e "$program" ] && program=$(realpath "$program")
# The host's directories have no drive letter here (Z: is unmapped): start in C:\windows, where
# Wine would fall back anyway, without its warning.
cd "$WINEPREFIX/drive_c/windows"
# A program that dies before it prints anything (Wine refusing to start it, a crash with the
# debug channels off) would otherwise fail with no word at all: its status is told.
status=0
"$PROGRAM_LOADER" "$program" "$@" || status=$?
if [ "$status" -ne 0 ]; then
  echo "wine-run: ${program##*/} ended with status $status" >&2
fi
exit "$status"
