#!/usr/bin/env bash
# The setup program on a fresh system: a silent install, every file and registry value it
# writes checked, the installed extension driven as Explorer does (installed_test.exe), then a
# silent uninstall that must leave nothing of ours and every shared key in place.
# Then an upgrade from an earlier version while its files are held as Windows holds loaded
# images, a setup program refused to a standard account, and the Windows 11 menu package on
# Windows 7 and on Windows 11 (registered through PowerShell, which under Wine does nothing).
#   install_test.sh WINE_DIR SETUP_X86 SETUP_AMD64 EXE64 DLL64 DLL32 INSTALLED_TEST_EXE OWN_DIR
#                   TEST_SETUP_DIR HOLD_IMAGE_EXE FAKE_POWERSHELL_EXE
#                   MENU_PACKAGE_NAME PACKAGED_MENU_KEY PACKAGED_MENU_VALUE
# The system is a clone, in OWN_DIR, of the test prefix as it was made, before any test ran:
# no earlier registration of the extension can help or hide anything. It goes at the end.
set -uo pipefail
wine_dir=$1 setup_x86=$2 setup_amd64=$3 exe64=$4 dll64=$5 dll32=$6 driver=$7 own_dir=$8
test_setups=$9 hold_image=${10} fake_powershell=${11}
menu_package_name=${12} menu_record="HKLM\\${13}" menu_value=${14}
. "$(dirname "$0")/../wine_support/drives.sh"
drives_init "$wine_dir" "$own_dir" pristine
drives_start

# The shipped setup program is a 32-bit one; where this machine runs no 32-bit Windows program,
# the same script built as a 64-bit program is what gets installed, and the i686 extension's
# registration (done by the 32-bit regsvr32) cannot be checked.
if wine32_works; then
  setup=$setup_x86 with32=1 kind=x86
else
  echo "NOTE: no 32-bit Windows programs on this machine: testing the 64-bit build of the setup script"
  setup=$setup_amd64 with32=0 kind=amd64
fi

clsid='{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}'
approved='HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'
app_paths='HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Varnolt.exe'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Varnolt'
install_win='C:\Program Files\Varnolt'
install_unix="$WINEPREFIX/drive_c/Program Files/Varnolt"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Varnolt.lnk"
stage_unix="$WINEPREFIX/drive_c/varnolt-installer-tests"
stage_win="C:\\varnolt-installer-tests"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
run() { (cd "$WINEPREFIX/drive_c" && "$WINE" "$@" </dev/null 2>/dev/null | tr -d '\r'); }
# installed_test.exe, its output through a file: a program it started that went on running
# would hold a pipe open and the script with it. Bounded, so that a hang is a failure that says so.
run_driver() {
  local log=$own_dir/installed_test.log status=0
  (cd "$WINEPREFIX/drive_c" && timeout 240 "$WINE" "$stage_win\\installed_test.exe" </dev/null >"$log" 2>/dev/null) || status=$?
  tr -d '\r' <"$log" | grep -v '^\[ *\(RUN\|OK\) '
  [ $status -ne 124 ] || echo "installed_test.exe did not end within 240 s"
  return $status
}
run32() { (cd "$WINEPREFIX/drive_c" && /usr/lib/wine/wine "$@" </dev/null 2>/dev/null | tr -d '\r'); }

# `reg` in a registry view: the 32-bit view is asked of the 32-bit reg.exe, as a 32-bit program
# (the 32-bit extension) sees it. Wine's 64-bit `reg ... /reg:32` does not show the keys both
# views share (HKCR\*\ShellEx, the ProgIDs) at all. Without 32-bit Wine, /reg:32 is all there is.
reg_in_view() {
  local view=$1
  shift
  if [ "$view" = 32 ] && [ $with32 = 1 ]; then run32 reg "$@"; else run reg "$@" "/reg:$view"; fi
}

# The data of a value ("" is the default value) in a registry view; fails when it is missing.
value_of() {
  local out
  if [ -z "$2" ]; then out=$(reg_in_view "$3" query "$1" /ve) || return 1
  else out=$(reg_in_view "$3" query "$1" /v "$2") || return 1; fi
  awk -F '    ' 'NF >= 4 && /^    / { print $4; exit }' <<<"$out"
}
expect_value() {  # key name data [view]
  local got
  if ! got=$(value_of "$1" "$2" "${4:-64}"); then fail "missing: $1 [${2:-(default)}] /reg:${4:-64}"; return; fi
  [ "$got" = "$3" ] || fail "$1 [${2:-(default)}] /reg:${4:-64}: '$got', expected '$3'"
}
key_exists() { reg_in_view "$2" query "$1" /ve >/dev/null || reg_in_view "$2" query "$1" >/dev/null; }
expect_key() { key_exists "$1" "${2:-64}" || fail "missing key: $1 /reg:${2:-64}"; }
expect_no_key() { ! key_exists "$1" "${2:-64}" || fail "key still there: $1 /reg:${2:-64}"; }

# The uninstaller copies itself to %TEMP% (~nsuN.tmp\Au_.exe) and returns at once; the copy
# does the work. The server is persistent, so wait for that process, not for the server: first
# for the uninstaller file to go (the copy's work), then for the copy to end.
temp_unix="$WINEPREFIX/drive_c/users/$(id -un)/Temp"
uninstaller_running() {
  local pid
  for pid in $(pgrep -f 'Au_\.exe' || true); do
    in_this_prefix "$pid" && return 0
  done
  return 1
}
uninstall() {
  [ -f "$install_unix/Uninstall.exe" ] || return 1
  local before i
  before=$(ls -d "$temp_unix"/~nsu*.tmp 2>/dev/null)
  # Its output goes nowhere: the copy it starts would hold a pipe open until it ends.
  (cd "$WINEPREFIX/drive_c" && timeout 120 "$WINE" "$install_win\\Uninstall.exe" /S </dev/null >/dev/null 2>&1)
  for i in $(seq 1 600); do
    [ -e "$install_unix/Uninstall.exe" ] || break
    sleep 0.1
  done
  for i in $(seq 1 600); do
    if ! uninstaller_running; then
      # Windows removes the copy at the next restart; here it is removed now.
      comm -13 <(printf '%s\n' "$before") <(ls -d "$temp_unix"/~nsu*.tmp 2>/dev/null) | xargs -r -d '\n' rm -rf
      [ ! -e "$install_unix/Uninstall.exe" ] && return 0
      echo "the uninstaller ended and left $install_win\\Uninstall.exe"
      return 1
    fi
    sleep 0.1
  done
  echo "the uninstaller is still running after 60 s"
  return 1
}

# Nothing of ours in either view after an uninstall, every shared key in place.
expect_nothing_of_ours() {
  local view type
  for view in 64 32; do
    expect_no_key "$app_paths" $view
    expect_no_key "HKCR\\CLSID\\$clsid" $view
    expect_no_key 'HKCR\Varnoltmenu.FileShredderShlExt' $view
    expect_no_key 'HKCR\Varnoltmenu.FileShredderShlExt.1' $view
    expect_no_key 'HKCR\TypeLib\{A3C58F02-1E6B-4D97-8B34-5F20C9E7D1A8}' $view
    expect_no_key 'HKCR\Interface\{4F9D0B7E-A2C1-4E65-B8F3-917D6A2C05E4}' $view
    for type in '*' Directory Drive; do
      expect_no_key "HKCR\\$type\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt" $view
      # Shared keys, made by a registration in that view: never removed.
      [[ " $views " == *" $view "* ]] && expect_key "HKCR\\$type\\ShellEx\\ContextMenuHandlers" $view
    done
    value_of "$approved" "$clsid" $view >/dev/null && fail "Approved value still there /reg:$view"
  done
  expect_no_key "$uninstall_key"
  expect_no_key "$menu_record"
  expect_key "$approved"
  expect_key 'HKCR\CLSID'
}

if [ -e "$install_unix" ] || key_exists "$app_paths" 64 || key_exists "HKCR\\CLSID\\$clsid" 64; then
  echo "FAIL: Varnolt is already installed in the fresh prefix"
  exit 1
fi

mkdir -p "$stage_unix"
cp "$setup" "$stage_unix/setup-under-test.exe"
cp "$driver" "$stage_unix/installed_test.exe"
cp "$test_setups/earlier-$kind.exe" "$stage_unix/earlier-setup.exe"
cp "$test_setups/standard-account-$kind.exe" "$stage_unix/standard-account-setup.exe"
cp "$hold_image" "$stage_unix/hold_image.exe"
cp "$test_setups/menu-package-$kind.exe" "$stage_unix/menu-package-setup.exe"

# The notes of the Windows 11 menu's registration, the one trace a silent setup leaves of them.
menu_notes() { iconv -f UTF-16 -t UTF-8 "$install_unix/MenuWindows11.log" | tr -d '\r'; }
expect_note() { grep -qF -- "$1" <<<"$(menu_notes)" || fail "no note '$1' in MenuWindows11.log: $(menu_notes)"; }

echo "== silent install"
run "$stage_win\\setup-under-test.exe" /S
status=$?
[ $status -eq 0 ] || fail "the setup program exited with $status"

same_file() { cmp -s "$1" "$2" || fail "$2 is missing or is not $1"; }
same_file "$exe64" "$install_unix/Varnolt.exe"
same_file "$dll64" "$install_unix/varnoltmenu.dll"
same_file "$dll32" "$install_unix/x86/varnoltmenu.dll"
[ -f "$install_unix/Uninstall.exe" ] || fail "no uninstaller"
extra=$(cd "$install_unix" 2>/dev/null && find . -type f | LC_ALL=C sort | tr '\n' ' ')
# The setup program built with a Windows 11 menu package (VARNOLT_MENU_PACKAGE) installs it and,
# on Wine's Windows 7, registers nothing; without one it says it has none.
if [ -f "$install_unix/VarnoltMenu.msix" ]; then
  package_file="./VarnoltMenu.msix "
  expect_note "antérieur à Windows 11"
else
  package_file=
  expect_note "Ce programme d'installation ne contient pas le paquet du menu de Windows 11"
fi
[ "$extra" = "./MenuWindows11.log ./Uninstall.exe ./Varnolt.exe ${package_file}./varnoltmenu.dll ./x86/varnoltmenu.dll " ] ||
  fail "installed files: $extra"

# Both extensions find the 64-bit program, each in the registry view it reads. (Wine shares
# this key between the views, so here the two checks cannot tell the views apart.)
expect_value "$app_paths" '' "$install_win\\Varnolt.exe" 64
expect_value "$app_paths" '' "$install_win\\Varnolt.exe" 32

# The 64-bit extension registered from its installed place (the 32-bit one in the 32-bit view).
views=64
[ $with32 = 1 ] && views="64 32"
for view in $views; do
  dll="$install_win\\varnoltmenu.dll"
  [ $view = 32 ] && dll="$install_win\\x86\\varnoltmenu.dll"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" '' "$dll" $view
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" 'ThreadingModel' 'Apartment' $view
  for type in '*' Directory Drive; do
    expect_value "HKCR\\$type\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt" '' "$clsid" $view
  done
  expect_value "$approved" "$clsid" 'FileShredderShlExt extension' $view
done

expect_value "$uninstall_key" DisplayName 'Varnolt'
expect_value "$uninstall_key" DisplayVersion '1.2.1.0'
expect_value "$uninstall_key" UninstallString "\"$install_win\\Uninstall.exe\""
est=$(value_of "$uninstall_key" EstimatedSize 64) && [ $((est)) -gt 0 ] || fail "no EstimatedSize in $uninstall_key ('$est')"
expect_value "$uninstall_key" QuietUninstallString "\"$install_win\\Uninstall.exe\" /S"

# The Start-menu entry runs the installed program with "-i" (the link's strings are UTF-16,
# each after its length, which Wine counts with the terminating zero).
if [ -f "$shortcut" ]; then
  LC_ALL=C grep -qaP '[\x02\x03]\x00-\x00i\x00' "$shortcut" || fail "the Start-menu entry has no argument -i"
  grep -qaF 'Program Files\Varnolt\Varnolt.exe' <<<"$(tr -d '\000' <"$shortcut")" ||
    fail "the Start-menu entry does not run $install_win\\Varnolt.exe"
else
  fail "no Start-menu entry at $shortcut"
fi

echo "== Explorer's road through the installed files"
run_driver || fail "the installed extension did not erase its selection"

echo "== silent uninstall"
uninstall || fail "the uninstaller did not finish"
[ ! -e "$install_unix" ] || fail "left behind: $(find "$install_unix" | tr '\n' ' ')"
[ ! -e "$shortcut" ] || fail "the Start-menu entry is still there"
expect_nothing_of_ours

# The uninstaller removes the registration itself: with the extensions gone beforehand
# (deleted, quarantined) regsvr32 /u cannot load them, and still nothing of ours may stay.
echo "== silent uninstall with the extensions deleted beforehand"
run "$stage_win\\setup-under-test.exe" /S
status=$?
[ $status -eq 0 ] || fail "the second setup program run exited with $status"
rm -f "$install_unix/varnoltmenu.dll" "$install_unix/x86/varnoltmenu.dll"
uninstall || fail "the uninstaller did not finish without the extensions"
[ ! -e "$install_unix" ] || fail "left behind: $(find "$install_unix" | tr '\n' ' ')"
expect_nothing_of_ours

# Without administrator rights the setup program goes no further (status 740, of which a Unix
# exit status keeps the low byte, 228); Wine's accounts are administrators, so this setup
# program is built to see a standard account.
echo "== silent install by a standard account"
run "$stage_win\\standard-account-setup.exe" /S
status=$?
[ $status -eq $((740 % 256)) ] || fail "the setup program run by a standard account exited with $status, expected 740 (228)"
[ ! -e "$install_unix" ] || fail "the setup program run by a standard account installed files"
expect_no_key "$uninstall_key"

# An upgrade: the earlier version installed in a folder of its own, its extensions and program
# held as loaded images (as Explorer and a running Varnolt.exe hold them), then this version
# installed silently with no folder given: it must find the earlier folder, move the held
# files aside, put its own in place and work.
echo "== upgrade over an earlier version whose files are held"
earlier_win='C:\Outils\Varnolt'
earlier_unix="$WINEPREFIX/drive_c/Outils/Varnolt"
run "$stage_win\\earlier-setup.exe" /S "/D=$earlier_win"
status=$?
[ $status -eq 0 ] || fail "the earlier version's setup program exited with $status"
held=("$earlier_win\\Varnolt.exe" "$earlier_win\\varnoltmenu.dll")
[ $with32 = 1 ] && held+=("$earlier_win\\x86\\varnoltmenu.dll")
hold_fifo="$own_dir/hold-stdin"
rm -f "$hold_fifo" "$stage_unix/held"
mkfifo "$hold_fifo"
(cd "$WINEPREFIX/drive_c" && exec "$WINE" "$stage_win\\hold_image.exe" "$stage_win\\held" "${held[@]}" \
   <"$hold_fifo" >/dev/null 2>&1) &
holder=$!
exec {hold_fd}>"$hold_fifo"
for _ in $(seq 1 300); do [ -e "$stage_unix/held" ] || ! kill -0 $holder 2>/dev/null && break; sleep 0.1; done
[ -e "$stage_unix/held" ] || fail "the earlier version's files could not be held"
# Held as Windows holds an image: no overwriting, no deleting (renaming is allowed).
if run cmd /c copy /y "$stage_win\\installed_test.exe" "$earlier_win\\varnoltmenu.dll" >/dev/null; then
  fail "a held extension could be overwritten: the upgrade below proves nothing"
fi
run "$stage_win\\setup-under-test.exe" /S
status=$?
[ $status -eq 0 ] || fail "the upgrade exited with $status"
[ ! -e "$install_unix" ] || fail "the upgrade installed into $install_win, not into the earlier folder"
same_file "$exe64" "$earlier_unix/Varnolt.exe"
same_file "$dll64" "$earlier_unix/varnoltmenu.dll"
same_file "$dll32" "$earlier_unix/x86/varnoltmenu.dll"
expect_value "$app_paths" '' "$earlier_win\\Varnolt.exe" 64
expect_value "$uninstall_key" DisplayVersion '1.2.1.0'
expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" '' "$earlier_win\\varnoltmenu.dll" 64
# The held earlier files wait, moved aside, for the next restart to remove them.
pending=$(run reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations)
for file in Varnolt.exe varnoltmenu.dll; do
  [ -e "$earlier_unix/$file.old1" ] || fail "the held $file was not moved aside to $file.old1"
  grep -qiF "Outils\\Varnolt\\$file.old1" <<<"$pending" || fail "$file.old1 is not to be removed at the next restart"
done
# The menu command of the upgraded installation erases its selection.
(export VARNOLT_INSTALL_DIR=$earlier_win; run_driver) || fail "the upgraded installation did not erase its selection"
# Explorer lets go (a restart, or its end); then the uninstaller leaves nothing of ours.
exec {hold_fd}>&-
for _ in $(seq 1 300); do kill -0 $holder 2>/dev/null || break; sleep 0.1; done
if kill -0 $holder 2>/dev/null; then
  fail "the program holding the earlier files did not end when told"
  kill $holder
fi
wait $holder
install_win=$earlier_win install_unix=$earlier_unix
uninstall || fail "the uninstaller of the upgraded installation did not finish"
[ ! -e "$earlier_unix" ] || fail "left behind: $(find "$earlier_unix" | tr '\n' ' ')"
expect_nothing_of_ours
install_win='C:\Program Files\Varnolt' install_unix="$WINEPREFIX/drive_c/Program Files/Varnolt"

# The Windows 11 menu package, from a setup program that carries a stand-in for it. Its
# registration goes through PowerShell: Wine's stub (prints nothing, exits 0), or by turns
# fake_powershell.exe, which logs its command line and prints what the test tells it. Each is a
# file of its own in the clone (its files are hard links into the template prefix).
powershell_unix="$WINEPREFIX/drive_c/windows/system32/WindowsPowerShell/v1.0/powershell.exe"
[ -f "$powershell_unix" ] || fail "no PowerShell stub at $powershell_unix"
cp "$powershell_unix" "$own_dir/powershell-stub.exe"
use_powershell() {
  rm -f "$powershell_unix"
  if [ "$1" = fake ]; then cp "$fake_powershell" "$powershell_unix"; else cp "$own_dir/powershell-stub.exe" "$powershell_unix"; fi
}
calls_unix="$stage_unix/powershell-calls.txt"
export VARNOLT_FAKE_POWERSHELL_LOG="$stage_win\\powershell-calls.txt"
powershell_calls() { if [ -f "$calls_unix" ]; then tr -d '\r' <"$calls_unix"; fi; }
# A record left by an earlier installation: wherever the package is not registered it must go.
stale_record() {
  run reg add "$menu_record" /v "$menu_value" /t REG_DWORD /d 1 /f /reg:64 >/dev/null || fail "could not write a stale record"
}
expect_no_record() {
  local got
  if got=$(value_of "$menu_record" "$menu_value" 64); then fail "$1: record $menu_record [$menu_value] = '$got'"; fi
}
version_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion'
set_build() {
  run reg add "$version_key" /v CurrentBuildNumber /d "$1" /f /reg:64 >/dev/null || fail "could not set the build number $1"
}
menu_setup() {
  run "$stage_win\\menu-package-setup.exe" /S
  local status=$?
  [ $status -eq 0 ] || fail "$1: the setup program carrying the menu package exited with $status"
  cmp -s "$test_setups/stand-in/VarnoltMenu.msix" "$install_unix/VarnoltMenu.msix" ||
    fail "$1: the package is not installed as $install_win\\VarnoltMenu.msix"
}
menu_uninstall() {
  uninstall || fail "$1: the uninstaller did not finish"
  [ ! -e "$install_unix" ] || fail "$1: left behind: $(find "$install_unix" | tr '\n' ' ')"
  expect_nothing_of_ours
}
notice="Le menu de Windows 11 n'a pas pu être installé : « Broyer avec Varnolt » reste dans « Afficher d'autres options »."

build_before=$(value_of "$version_key" CurrentBuildNumber 64) || fail "no CurrentBuildNumber in $version_key"
[ "$build_before" -lt 22000 ] 2>/dev/null || fail "Wine's prefix reports build '$build_before', not an earlier Windows"

# Windows 7 (Wine's default): nothing registered, even with a PowerShell that would answer.
echo "== setup carrying the menu package, on Windows $build_before"
use_powershell fake
export VARNOLT_FAKE_POWERSHELL_OUTPUT=VARNOLT-MENU-OK
rm -f "$calls_unix"
stale_record
menu_setup "Windows 7"
[ -z "$(powershell_calls)" ] || fail "PowerShell was run on build $build_before: $(powershell_calls)"
expect_no_record "Windows 7"
expect_note "Windows (build $build_before) antérieur à Windows 11 (build 22000)"
menu_uninstall "Windows 7"
[ -z "$(powershell_calls)" ] || fail "the uninstaller ran PowerShell on build $build_before: $(powershell_calls)"

set_build 22631
echo "== on Windows 11 (build 22631), with Wine's PowerShell, which does nothing"
use_powershell stub
stale_record
menu_setup "stub PowerShell"
expect_no_record "stub PowerShell"
# Found and run (not "introuvable"), it printed nothing: the exit status 0 did not count.
expect_note "Le paquet $menu_package_name n'a pas été enregistré (PowerShell n'a rien écrit)."
expect_note "$notice"
menu_uninstall "stub PowerShell"

echo "== on Windows 11, with a PowerShell that reports success"
use_powershell fake
export VARNOLT_FAKE_POWERSHELL_OUTPUT=$'AVERTISSEMENT : une ligne avant\r\nVARNOLT-MENU-OK'
rm -f "$calls_unix"
menu_setup "registered"
expect_value "$menu_record" "$menu_value" 0x1 64
expect_note "Le menu de Windows 11 est installé pour tous les utilisateurs (paquet $menu_package_name)."
# The 64-bit PowerShell was given the script, the installed package and the package's name.
calls=$(powershell_calls)
[ "$(wc -l <<<"$calls")" -eq 1 ] || fail "PowerShell run other than once: $calls"
grep -qF -- "-NonInteractive -ExecutionPolicy Bypass -File \"" <<<"$calls" &&
  grep -qF -- "\\menu-package.ps1\" register \"$install_win\\VarnoltMenu.msix\" \"$menu_package_name\"" <<<"$calls" ||
  fail "PowerShell's command line: $calls"
# Running the setup program again (as an upgrade does) registers the package again.
menu_setup "registered again"
[ "$(powershell_calls | grep -c ' register ')" -eq 2 ] || fail "the second setup did not register the package: $(powershell_calls)"
expect_value "$menu_record" "$menu_value" 0x1 64
# The uninstaller removes it (for every user, deprovisioned: menu-package.ps1 remove) and the record.
menu_uninstall "registered"
grep -qF -- "\\menu-package.ps1\" remove \"$menu_package_name\"" <<<"$(powershell_calls | tail -n 1)" ||
  fail "the uninstaller did not remove the package: $(powershell_calls)"

echo "== on Windows 11, with a PowerShell whose output holds the success line only inside others"
export VARNOLT_FAKE_POWERSHELL_OUTPUT=$'Error: expected \'VARNOLT-MENU-OK\'\r\nVARNOLT-MENU-OK-ish'
stale_record
menu_setup "success line inside another"
expect_no_record "success line inside another"
expect_note "(sortie de PowerShell : « Error: expected 'VARNOLT-MENU-OK'"
expect_note "$notice"
# An uninstaller whose PowerShell fails still removes everything else.
menu_uninstall "success line inside another"

set_build "$build_before"
use_powershell stub
unset VARNOLT_FAKE_POWERSHELL_OUTPUT VARNOLT_FAKE_POWERSHELL_LOG

# A silent install whose extension cannot be registered is no success. Registration is refused
# without the Approved key: removed here from the view of the extension that must then fail
# (the 32-bit one where it is registered, the only one otherwise).
echo "== silent install whose registration fails"
broken_view=64
[ $with32 = 1 ] && broken_view=32
reg_in_view $broken_view delete "$approved" /f >/dev/null || fail "could not remove the Approved key"
run "$stage_win\\setup-under-test.exe" /S
status=$?
[ $status -ne 0 ] || fail "the setup program reported success though the $broken_view-bit extension was not registered"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all installer checks passed"
