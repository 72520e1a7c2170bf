#!/usr/bin/env bash
# The progress windows at 96, 120, 144 and 192 DPI. For each, Wine's DPI (LogPixels under
# HKCU\Control Panel\Desktop, which Wine 8 reads when a program starts) is set in a private clone
# of the test prefix, then the DPI tests run on an X server of their own (run-with-xvfb.sh),
# told which DPI to expect, with their screenshots in SHOTS/DPIdpi/.
#   run-at-dpis.sh WINE_DIR SHOTS PROGRAM
# The test prefix itself keeps its DPI: other tests draw at 96.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
main=$(realpath -m "$1")
shots=$(realpath -m "$2")
program=$3

if [ "${VARNOLT_WINE_BITS:-64}" = 32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "skipped: this kernel cannot run 32-bit programs"
  exit 77
fi
"$root/scripts/wine-prefix.sh" ensure "$main" >/dev/null

clone=$(mktemp -d "${TMPDIR:-/tmp}/varnolt-dpi.XXXXXX")
cleanup() {
  "$root/scripts/wine-prefix.sh" stop "$clone" >/dev/null 2>&1 || true
  rm -rf "$clone"
}
trap cleanup EXIT
# Hard links, as tests that need a system of their own clone it; the registry files, which the
# server rewrites, as copies.
cp -al "$main/prefix" "$clone/prefix"
rm -f "$clone/prefix/wineserver"
for file in system.reg user.reg userdef.reg; do
  rm -f "$clone/prefix/$file"
  cp "$main/prefix/$file" "$clone/prefix/$file"
done
mkdir -p "$clone/pristine"

status=0
failed=()
for dpi in 96 120 144 192; do
  echo "== $dpi DPI"
  (
    . "$root/scripts/wine-env.sh" "$clone"
    "$root/scripts/wine-prefix.sh" ensure "$clone" >/dev/null
    quiet "$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
  )
  if ! VARNOLT_EXPECTED_DPI=$dpi bash "$here/run-with-xvfb.sh" "$clone" "$shots/${dpi}dpi" "$program" \
         '--gtest_filter=DpiAwarenessTest.*:*ScaledWindowTest*'; then
    status=1
    failed+=("$dpi")
  fi
done
[ $status -eq 0 ] || echo "FAILED at ${failed[*]} DPI"
exit $status
