#!/usr/bin/env bash
# Varnolt.exe run by an ordinary user on a drive whose root holds a file of another's under the
# fill file's name: a small tmpfs mapped as a fixed drive of a private clone of the test prefix,
# which that user runs. The root is writable by everyone (1777, as /tmp), and a file of the
# superuser's, mode 0644, stands at the fill file's name: it is never opened, the free space is
# cleaned beside it (VARNOLT1.TMP), and the end of the run names it. Then the root is made the
# superuser's alone (0755): no file, no folder can be made there, and the drive is named too.
# (Unix rights cannot let a user make folders but not files in one directory: the fill through
# a folder of ours is shown on real files by engine_drives_fill_folder.)
# Exit status 77 (skipped) without the superuser, setpriv or the user nobody.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
main_wine_dir=$(realpath -m "$1")
tests_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

drives_check_tools mountpoint setpriv
uid=$(id -u nobody 2>/dev/null) || drives_skip "there is no user nobody"
gid=$(id -g nobody)

drives_init "$main_wine_dir" "$work"
drives_tmpfs "$work/root" 64m
drives_map s "$work/root" hd
drives_write_types
[ "$(readlink "$WINEPREFIX/dosdevices/s:")" = "$work/root" ] && mountpoint -q "$work/root" ||
  { echo "FAILED: S: does not lead to its test volume"; exit 1; }

# The clone becomes the user's: its directories and registry files (copies), never the files
# it shares by hard links with the test prefix.
home=$work/home
mkdir -p "$home"
chown "$uid:$gid" "$home"
find "$WINEPREFIX" -type d -exec chown "$uid:$gid" {} +
# No pointer to a server of the superuser's may be left to the user's programs.
rm -f "$WINEPREFIX/wineserver"
for file in system.reg user.reg userdef.reg; do chown "$uid:$gid" "$WINEPREFIX/$file"; done
as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups env HOME="$home" USER=nobody LOGNAME=nobody)

stop_user_server() { "${as_user[@]}" "$WINESERVER" -k >/dev/null 2>&1 || true; }
trap 'status=$?; set +e; stop_user_server; (exit $status); drives_cleanup' EXIT
"${as_user[@]}" setsid bash -c "$close_descriptors" server "$WINESERVER" -f -p120 </dev/null >/dev/null 2>&1 &
await_server $! || { echo "FAILED: the user's server did not start"; exit 1; }
"${as_user[@]}" bash -c "$close_descriptors" warm "$WINE" cmd /c exit </dev/null >/dev/null 2>&1

chmod 1777 "$work/root"
echo "the superuser's" >"$work/root/VARNOLT.TMP"
chmod 0644 "$work/root/VARNOLT.TMP"
echo "stays" >"$work/root/keep.txt"
loader=$(drives_loader)

failures=0
run_tests() {
  local filter=$1
  shift
  (cd "$WINEPREFIX/drive_c/windows" &&
    "${as_user[@]}" env VARNOLT_TEST_DRIVE=S "$@" "$loader" "$tests_exe" --gtest_filter="$filter") </dev/null ||
    failures=1
}
check_drive() {
  [ "$(cat "$work/root/keep.txt")" = "stays" ] || { echo "FAILED: a file of the drive changed"; failures=1; }
  [ "$(cat "$work/root/VARNOLT.TMP")" = "the superuser's" ] ||
    { echo "FAILED: the file at the fill file's name changed"; failures=1; }
  [ -z "$(find "$work/root" -maxdepth 1 -iname 'VARNOLT*' ! -name VARNOLT.TMP ! -name VARNOLT-TEST-VOLUME)" ] ||
    { echo "FAILED: something of ours was left"; failures=1; }
}

run_tests '*ADriveWhoseRootHoldsAFileOfOurNameIsCleanedBesideIt' VARNOLT_TEST_ROOT_HOLDS_OUR_NAME=1
check_drive
chmod 0755 "$work/root"
run_tests '*ADriveWhereNeitherTheFillFileNorOurFolderCanBeMadeIsReported' VARNOLT_TEST_ROOT_REFUSES_FOLDERS=1
check_drive
exit "$failures"
