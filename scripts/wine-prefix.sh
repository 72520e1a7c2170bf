#!/usr/bin/env bash
# Makes the test run's own Wine prefix and keeps one server running for the tests.
#   wine-prefix.sh setup WINE_DIR   create the prefix if needed, start a persistent server
#   wine-prefix.sh stop WINE_DIR    stop that server
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=$1
. "$here/wine-env.sh" "$2"

# Background Wine processes must not hold CTest's output pipes (CTest would wait for them) nor
# any other descriptor of ours: start them detached, on /dev/null, with every other fd closed.
detached() {
  setsid bash -c 'for fd in /proc/$$/fd/*; do n=${fd##*/}; [ "$n" -gt 2 ] && eval "exec $n>&-"; done; exec "$@"' \
    detached "$@" </dev/null >/dev/null 2>&1 &
}

case "$action" in
  setup)
    if [ ! -f "$WINEPREFIX/.varnolt-ready" ]; then
      rm -rf "$WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      "$WINE" wineboot -i >/dev/null 2>&1
      "$WINESERVER" -w
      # No graphics driver unless a test brings its own X server: message boxes then exist as
      # windows a test helper can find and answer, instead of failing at once.
      "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      # C: and Z: are this machine's own disk. Z: (the host's root) is unmapped, and C: is
      # declared a network drive, so a one-letter item "C" or "Z" can never make a free-space
      # run fill the real disk: neither is a fixed or removable drive here.
      rm -f "$WINEPREFIX/dosdevices/z:"
      "$WINE" reg add 'HKLM\Software\Wine\Drives' /v c: /d network /f >/dev/null 2>&1
      "$WINESERVER" -w
      touch "$WINEPREFIX/.varnolt-ready"
    fi
    detached "$WINESERVER" -p
    # One warm-up process starts the services and the desktop process with harmless stdio.
    detached "$WINE" cmd /c exit
    for _ in $(seq 1 100); do
      "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 && break
      sleep 0.2
    done
    echo "Wine prefix ready: $WINEPREFIX"
    ;;
  stop)
    "$WINESERVER" -k 2>/dev/null || true
    ;;
  *)
    echo "usage: $0 setup|stop WINE_DIR" >&2
    exit 2
    ;;
esac
