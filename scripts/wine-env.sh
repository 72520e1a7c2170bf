# Sourced by the Wine scripts: the environment of the test prefix under $1 (the wine directory).
wine_dir=$(realpath -m "$1")  # Wine wants an absolute prefix
export WINEPREFIX="$wine_dir/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Debian's `wine` wrapper prefers the 32-bit loader, which a kernel without 32-bit support cannot
# execute; the 64-bit loader runs 64-bit programs and the tools, and is what we call directly.
WINE=/usr/lib/wine/wine64
export WINELOADER=$WINE
# The loader for the program under test: VARNOLT_WINE_BITS=32 marks a program of the i686 build.
if [ "${VARNOLT_WINE_BITS:-64}" = 32 ]; then PROGRAM_LOADER=/usr/lib/wine/wine; else PROGRAM_LOADER=$WINE; fi
export WINESERVER=/usr/lib/wine/wineserver
# No window may appear on a developer's screen unless a test starts its own X server.
if [ -z "${VARNOLT_KEEP_DISPLAY:-}" ]; then unset DISPLAY; fi
# True when this machine can run 32-bit Windows programs under Wine.
wine32_works() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# Wine's background processes (the server, services, the desktop process) outlive the program
# that starts them. They must not hold CTest's output pipes (CTest would wait for them) nor any
# other descriptor of ours: start them on /dev/null, with every other descriptor closed.
close_descriptors='for fd in /proc/$$/fd/*; do n=${fd##*/}; [ "$n" -gt 2 ] && eval "exec $n>&-"; done; exec "$@"'
quiet() { bash -c "$close_descriptors" quiet "$@" </dev/null >/dev/null 2>&1; }

# The server of the test prefix, normally the persistent one wine-prefix.sh starts. A server
# works in its own directory, where it listens once it is ready.
pidfile=$wine_dir/server.pid
server_listening() {
  grep -qa wineserver "/proc/$1/cmdline" 2>/dev/null && [ -S "/proc/$1/cwd/socket" ]
}
# Waits until the server PID, just started, listens: a program started before would find no
# socket and start a server of its own beside it. False when it ends or is not listening after
# ten seconds.
await_server() {
  local pid=$1 _
  for _ in $(seq 1 200); do
    server_listening "$pid" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}
server_running() {
  local pid
  pid=$(cat "$pidfile" 2>/dev/null) && [ -n "$pid" ] && server_listening "$pid"
}
# True when process PID runs in this prefix. Its environment is read whole before it is searched:
# under pipefail, `grep -q` stopping at its match would leave the writer to die of SIGPIPE, and
# the answer would then depend on timing.
in_this_prefix() {
  local environment
  environment=$(tr '\0' '\n' 2>/dev/null <"/proc/$1/environ") || return 1
  grep -qxF "WINEPREFIX=$WINEPREFIX" <<<"$environment"
}
# A server of this prefix started some other way (a program run by hand): its id is recorded.
adopt_server() {
  local pid
  for pid in $(pgrep -x wineserver64 || true) $(pgrep -x wineserver32 || true); do
    if [ "$(stat -c %u "/proc/$pid" 2>/dev/null)" = "$(id -u)" ] &&
       in_this_prefix "$pid" && server_listening "$pid"; then
      echo "$pid" >"$pidfile"
      return 0
    fi
  done
  return 1
}
