#!/usr/bin/env bash
# Makes the test run's own Wine prefix and keeps one server running for the tests.
#   wine-prefix.sh ensure WINE_DIR   create the prefix if needed, start its server if not running
#   wine-prefix.sh stop WINE_DIR     stop that server
# `ensure` is cheap once done: every Windows program run by the tests goes through it, because
# CTest lists the tests of an executable (by running it) before any fixture has run.
. "$(dirname "$0")/strict-mode.sh"
here=$(cd "$(dirname "$0")" && pwd)
action=$1
. "$here/wine-env.sh" "$2"
mkdir -p "$wine_dir"
pristine=$wine_dir/pristine

stop_server() {
  local pid
  pid=$(cat "$pidfile" 2>/dev/null) || pid=
  quiet "$WINESERVER" -k || true
  for _ in $(seq 1 100); do
    [ -n "$pid" ] && grep -qa wineserver "/proc/$pid/cmdline" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$pidfile"
}

make_prefix() {
  [ -d "$WINEPREFIX" ] && stop_server  # a server left by an interrupted making
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  quiet "$WINE" wineboot -i
  # No graphics driver unless a test brings its own X server: message boxes then exist as
  # windows a test helper can find and answer, instead of failing at once.
  quiet "$WINE" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f
  # C: and Z: are this machine's own disk. Z: (the host's root) is unmapped, and C: is declared
  # a network drive, so a one-letter item "C" or "Z" can never make a free-space run fill the
  # real disk: neither is a fixed or removable drive here.
  rm -f "$WINEPREFIX/dosdevices/z:"
  quiet "$WINE" reg add 'HKLM\Software\Wine\Drives' /v c: /d network /f
  # The registry reaches the disk when the server ends.
  quiet "$WINESERVER" -w
  # The prefix as made, before any test has used it: tests that need a fresh system clone it
  # (hard links; the registry files, which the server rewrites, as copies).
  rm -rf "$pristine"
  cp -al "$WINEPREFIX" "$pristine"
  local file
  for file in system.reg user.reg userdef.reg; do
    rm -f "$pristine/$file"
    cp "$WINEPREFIX/$file" "$pristine/$file"
  done
  touch "$WINEPREFIX/.varnolt-ready"
}

start_server() {
  # -f keeps the server as the process started here, so its id is known. -p120 keeps it (and
  # the services it starts) alive between the tests' programs, and lets it end by itself two
  # minutes after the last one when no cleanup stops it (an interrupted run, a mere listing).
  setsid bash -c "$close_descriptors" server "$WINESERVER" -f -p120 </dev/null >/dev/null 2>&1 &
  echo $! >"$pidfile"
  await_server $! || { echo "wine-prefix: the server of $WINEPREFIX did not start" >&2; exit 1; }
  # One first program starts the services and the desktop process, with harmless descriptors.
  quiet "$WINE" cmd /c exit
}

case "$action" in
  ensure)
    # One caller at a time; the lock is not passed on to the processes started under it.
    exec flock -o "$wine_dir/.lock" "$0" ensure-locked "$wine_dir"
    ;;
  ensure-locked)
    [ -f "$WINEPREFIX/.varnolt-ready" ] && [ -d "$pristine" ] || make_prefix
    server_running || adopt_server || start_server
    ;;
  stop)
    stop_server
    ;;
  *)
    echo "usage: $0 ensure|stop WINE_DIR" >&2
    exit 2
    ;;
esac
