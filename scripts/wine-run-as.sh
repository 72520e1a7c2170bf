#!/usr/bin/env bash
# Runs a Windows program under Wine as an ordinary user, in a prefix of that user's own.
#   wine-run-as.sh USER WINE_DIR PROGRAM [ARGS...]
# Wine run by the superuser lets every file be written (the superuser ignores the Unix write
# bits that stand for the read-only attribute); an ordinary user meets the same refusals as on
# Windows. The user's prefix, WINE_DIR/as-USER/prefix, is a clone of the test prefix by hard
# links: its directories and registry files are the user's, the files under them stay the
# superuser's and so cannot be changed through the clone. It is made once and kept.
# Exit status: the program's, or 77 when this machine cannot switch users.
. "$(dirname "$0")/strict-mode.sh"
here=$(cd "$(dirname "$0")" && pwd)
user=$1
wine_dir=$(realpath -m "$2")
shift 2
# The program runs from C:\windows: a program named by a relative path is found from here.
program=$1
shift
[ -e "$program" ] && program=$(realpath "$program")

skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "running as another user needs the superuser"
command -v setpriv >/dev/null || skip "setpriv is not installed (util-linux)"
uid=$(id -u "$user" 2>/dev/null) || skip "there is no user $user"
gid=$(id -g "$user")

"$here/wine-prefix.sh" ensure "$wine_dir"
source_prefix=$wine_dir/prefix
user_dir=$wine_dir/as-$user
. "$here/wine-env.sh" "$user_dir"

as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups
  env HOME="$user_dir" USER="$user" LOGNAME="$user")

if [ ! -f "$user_dir/ready" ]; then
  rm -rf "$user_dir"
  mkdir -p "$user_dir"
  cp -al "$source_prefix" "$WINEPREFIX"
  # The source's pointer to its server's directory belongs to the superuser's server.
  rm -f "$WINEPREFIX/wineserver"
  # The server rewrites the registry files: they are copies, not links.
  for file in system.reg user.reg userdef.reg; do
    rm -f "$WINEPREFIX/$file"
    cp "$source_prefix/$file" "$WINEPREFIX/$file"
    chown "$uid:$gid" "$WINEPREFIX/$file"
  done
  find "$user_dir" -type d -exec chown "$uid:$gid" {} +
  touch "$user_dir/ready"
fi

# The user's own server, on /dev/null like the test prefix's, stopped on every way out.
stop() { "${as_user[@]}" bash -c ". '$here/wine-env.sh' '$user_dir'; quiet \"\$WINESERVER\" -k" || true; }
trap stop EXIT
"${as_user[@]}" setsid bash -c "$close_descriptors" server "$WINESERVER" -f -p120 </dev/null >/dev/null 2>&1 &
await_server $! || { echo "wine-run-as: the server of $user did not start" >&2; exit 1; }
"${as_user[@]}" bash -c ". '$here/wine-env.sh' '$user_dir'; quiet \"\$WINE\" cmd /c exit"

cd "$WINEPREFIX/drive_c/windows"
status=0
"${as_user[@]}" "$PROGRAM_LOADER" "$program" "$@" || status=$?
exit "$status"
