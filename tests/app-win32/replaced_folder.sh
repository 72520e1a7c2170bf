#!/usr/bin/env bash
# Varnolt.exe asked to erase a folder, one of whose folders another program replaces by a link
# to a folder never chosen while the confirmation is open: that other folder stays whole, the
# file the replaced folder held stays too (left, named as replaced), the rest is erased.
#   replaced_folder.sh MAIN_WINE_DIR PROGRAM_E2E_TESTS_EXE WORK_DIR
# Wine cannot make a link (CreateSymbolicLinkW does nothing in 8.0): the swap is made from here,
# a Unix symbolic link, between the test's two signs in the tree ("asked", then "swapped").
. "$(dirname "$0")/../../scripts/strict-mode.sh"
main_wine_dir=$(realpath -m "$1")
tests_exe=$(realpath -m "$2")
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
"$scripts/wine-prefix.sh" ensure "$main_wine_dir" >/dev/null
. "$scripts/wine-env.sh" "$main_wine_dir"

name=varnolt-replaced-$$
tree=$WINEPREFIX/drive_c/$name
trap 'rm -rf "$tree"' EXIT
rm -rf "$tree"
mkdir -p "$tree/choisi/sous" "$tree/autre"
echo "chosen, in the folder that will be replaced" >"$tree/choisi/sous/x.txt"
echo "chosen, beside it" >"$tree/choisi/a.txt"
echo "never chosen, same name" >"$tree/autre/x.txt"
echo "never chosen either" >"$tree/autre/y.txt"
sums=$(cd "$tree/autre" && sha256sum x.txt y.txt)

status=0
(cd "$WINEPREFIX/drive_c/windows" &&
  VARNOLT_TEST_SWAP_ROOT="C:\\$name" "$PROGRAM_LOADER" "$tests_exe" \
    --gtest_filter='*AFolderReplacedByALinkWhileAskedLeavesTheOtherFolderWhole') </dev/null &
test_pid=$!
for _ in $(seq 1 1200); do
  [ -e "$tree/asked" ] && break
  kill -0 "$test_pid" 2>/dev/null || break
  sleep 0.05
done
if [ -e "$tree/asked" ]; then
  mv "$tree/choisi/sous" "$tree/sous-moved"
  ln -s ../autre "$tree/choisi/sous"
  echo swapped >"$tree/swapped"
else
  echo "FAILED: the confirmation was never shown"
  status=1
fi
wait "$test_pid" || status=1

[ "$(cd "$tree/autre" && sha256sum x.txt y.txt 2>/dev/null)" = "$sums" ] ||
  { echo "FAILED: the folder never chosen changed"; status=1; }
[ "$(cat "$tree/sous-moved/x.txt" 2>/dev/null)" = "chosen, in the folder that will be replaced" ] ||
  { echo "FAILED: the file of the replaced folder was written or removed"; status=1; }
[ ! -e "$tree/choisi/a.txt" ] || { echo "FAILED: the chosen file beside it was not erased"; status=1; }
[ -L "$tree/choisi/sous" ] || { echo "FAILED: the link put there was removed"; status=1; }
exit "$status"
