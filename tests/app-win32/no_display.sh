#!/usr/bin/env bash
# Varnolt.exe on a desktop where no window can be made (no display, no graphics driver): the
# application object cannot be made, the error is shown in the error box (which, without a
# driver, returns at once), the program ends with status 0 and nothing is erased.
#   no_display.sh MAIN_WINE_DIR VARNOLT_EXE WORK_DIR
. "$(dirname "$0")/../../scripts/strict-mode.sh"
main_wine_dir=$(realpath -m "$1")
varnolt=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

drives_init "$main_wine_dir" "$work"
# The test prefix runs Wine's null graphics driver (windows exist without a display): take it
# away, so that Wine falls back to its X11 driver, which finds no display.
drives_set_values user.reg 'Software\\Wine\\Drivers' '"Graphics"=-'
drives_start

folder="$WINEPREFIX/drive_c/varnolt-tests/no-display"
mkdir -p "$folder"
echo "must stay" >"$folder/secret.txt"

status=0
(cd "$WINEPREFIX/drive_c/windows" &&
  "$(drives_loader)" "$varnolt" 'C:\varnolt-tests\no-display\secret.txt') </dev/null >"$work/out.txt" 2>&1 ||
  status=$?
failures=0
if grep -q 'terminate called' "$work/out.txt"; then
  echo "FAILED: an exception escaped the program:"; cat "$work/out.txt"; failures=1
fi
[ "$status" -eq 0 ] || { echo "FAILED: exit status $status, expected 0"; failures=1; }
[ "$(cat "$folder/secret.txt" 2>/dev/null)" = "must stay" ] || { echo "FAILED: the file was touched"; failures=1; }
[ $failures -eq 0 ] && echo "no window could be made: status 0, nothing erased"
exit $failures
