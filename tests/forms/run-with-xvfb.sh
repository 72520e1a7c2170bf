#!/usr/bin/env bash
# Runs a Windows test program of the progress windows on an X server of its own:
#   run-with-xvfb.sh WINE_DIR SCREENSHOT_DIR PROGRAM [ARGS...]
# The test prefix draws with Wine's null driver (other tests rely on it); this run starts its own
# Xvfb, a Wine desktop on it that uses the X11 driver, and the program joins that desktop
# (VARNOLT_DESKTOP). Screenshots go to SCREENSHOT_DIR. Xvfb and the desktop are stopped at the end.
# Exit status: the program's; 77 (skipped) when this machine cannot run the program.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
wine_dir=$1
shots=$2
program=$3
shift 3

if [ "${VARNOLT_WINE_BITS:-64}" = 32 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "skipped: this kernel cannot run 32-bit programs"
  exit 77
fi
if ! command -v Xvfb >/dev/null; then
  echo "skipped: Xvfb is not installed (scripts/install-deps.sh)"
  exit 77
fi

work=$(mktemp -d)
xvfb=
desktop=
cleanup() {
  set +e
  if [ -n "$desktop" ] && kill -0 "$desktop" 2>/dev/null; then
    # The desktop process ends by itself once its last window is gone; give it a moment.
    for _ in $(seq 1 50); do kill -0 "$desktop" 2>/dev/null || break; sleep 0.1; done
    kill "$desktop" 2>/dev/null
  fi
  if [ -n "$xvfb" ]; then
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a background process on /dev/null with no other descriptor of ours (CTest waits for
# whoever holds its output pipes); its id is that of the process itself.
close_descriptors='for fd in /proc/$$/fd/*; do n=${fd##*/}; [ "$n" -gt 2 ] && eval "exec $n>&-"; done; exec "$@"'

# Xvfb picks a free display and writes its number once it accepts clients.
setsid bash -c "$close_descriptors" xvfb \
  bash -c 'exec 3>"$0"; exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -terminate' "$work/display" \
  </dev/null >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 1 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"
export VARNOLT_KEEP_DISPLAY=1
echo "X server on $DISPLAY"

# The desktop's own driver is chosen on its command line: the prefix's default stays null.
name="varnolt-forms-$$"
setsid bash -c "$close_descriptors" desktop env VARNOLT_WINE_BITS=64 \
  "$root/scripts/wine-run.sh" "$wine_dir" 'C:\windows\system32\explorer.exe' "/desktop=$name,1024x768,x11" \
  </dev/null >"$work/desktop.log" 2>&1 &
desktop=$!

mkdir -p "$shots"
rm -f "$shots"/*.png
status=0
VARNOLT_DESKTOP=$name VARNOLT_SCREENSHOTS=$(realpath "$shots") \
  "$root/scripts/wine-run.sh" "$wine_dir" "$program" "$@" || status=$?
for shot in "$shots"/*.png; do
  [ -e "$shot" ] && echo "screenshot: $shot"
done
exit "$status"
