#!/usr/bin/env bash
# Varnolt.exe given a drive letter or a drive root opens the free-space window and cleans that
# drive, never deleting its files: a small tmpfs mapped as a removable drive of a private clone
# of the test prefix.
#   free_space_window.sh MAIN_WINE_DIR PROGRAM_E2E_TESTS_EXE WORK_DIR
# Exit status 77 (skipped) without the superuser.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
main_wine_dir=$(realpath -m "$1")
tests_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

drives_check_tools mountpoint
drives_init "$main_wine_dir" "$work"
drives_tmpfs "$work/stick" 24m
drives_map r "$work/stick" floppy
drives_start
echo "stays" >"$work/stick/keep.txt"

status=0
(cd "$WINEPREFIX/drive_c/windows" &&
  VARNOLT_TEST_DRIVE=R "$(drives_loader)" "$tests_exe" --gtest_filter='*DriveOpensTheFreeSpaceWindow:*DriveRootsAreTheDriveNeverADirectory') </dev/null || status=$?
[ "$(cat "$work/stick/keep.txt")" = "stays" ] || { echo "FAILED: a file of the drive changed"; status=1; }
[ ! -e "$work/stick/VARNOLT.TMP" ] || { echo "FAILED: the fill file was left"; status=1; }
exit "$status"
