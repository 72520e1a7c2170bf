#!/usr/bin/env bash
# varnoltmenu.dll registered and removed with regsvr32 in the test prefix, checked key by key
# as dll_call reads them (the DLL's own path in UTF-8, exactly); then
# registration without the Approved key, and from a folder named outside the code page; the
# ANSI help text on three system code pages.
#   registration_test.sh 64|32 WINE_DIR DLL DLL_CALL_EXE
set -uo pipefail
bits=$1 wine_dir=$2 dll=$3 dll_call=$4
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
. "$scripts/wine-env.sh" "$wine_dir"
if [ "$bits" = 32 ]; then
  if ! wine32_works; then
    echo "SKIPPED: this machine cannot run 32-bit Windows programs; the i686 DLL is built but not registered here"
    exit 77
  fi
  export VARNOLT_WINE_BITS=32
  . "$scripts/wine-env.sh" "$wine_dir"
  regsvr32='C:\windows\syswow64\regsvr32.exe'
  # Everything here, `reg` and the registry reader included, runs as a 32-bit program and sees
  # what the 32-bit extension sees. (Wine's 64-bit `reg ... /reg:32` does not show the keys both
  # views share at all, such as HKCR\*\ShellEx, so it would call present keys missing.)
  view=
else
  regsvr32=regsvr32
  view=/reg:64
fi
"$scripts/wine-prefix.sh" ensure "$wine_dir" || exit 1

clsid='{6D1B2E94-7C3A-4F58-9E21-B04C7A5D3F16}'
libid='{A3C58F02-1E6B-4D97-8B34-5F20C9E7D1A8}'
iid='{4F9D0B7E-A2C1-4E65-B8F3-917D6A2C05E4}'
approved='HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved'

# The DLL is registered from C: (a path under the build tree would be recorded as a \\?\unix one).
stage_unix="$WINEPREFIX/drive_c/varnolt-tests/registration-$$"
stage_win="C:\\varnolt-tests\\registration-$$"
mkdir -p "$stage_unix"
cp "$dll" "$stage_unix/varnoltmenu.dll"
cp "$dll_call" "$stage_unix/dll_call.exe"
module="$stage_win\\varnoltmenu.dll"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

run() { (cd "$WINEPREFIX/drive_c" && "$PROGRAM_LOADER" "$@" </dev/null 2>/dev/null | tr -d '\r'); }

# One Wine process per look at the registry (each process costs most of a second, and a batch
# of `reg query` would start one a key): dll_call's dump of the trees we check, as lines
# "K key" and "V key|name|data" with key names in lower case and the default value's name
# empty. A reader that stops early tells nothing of the keys: it is started again, and its
# error is shown.
roots=('HKCR\Varnoltmenu.FileShredderShlExt.1' 'HKCR\Varnoltmenu.FileShredderShlExt'
       "HKCR\\CLSID\\$clsid" 'HKCR\*\ShellEx' 'HKCR\Directory\ShellEx' 'HKCR\Drive\ShellEx'
       "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid" "$approved")
dump=
capture() {
  local attempt raw status errors="$stage_unix/dump-errors.txt"
  for attempt in 1 2 3; do
    # HKCR\CLSID alone, not its thousands of subkeys.
    raw=$(cd "$WINEPREFIX/drive_c" && "$PROGRAM_LOADER" "$stage_win\\dll_call.exe" --dump "${roots[@]}" \
            --shallow 'HKCR\CLSID' </dev/null 2>"$errors" | tr -d '\r')
    status=$?
    if [ "$status" -eq 0 ] && [ "${raw##*$'\n'}" = end ]; then
      dump=$(awk '
        /^[KVM] / { line = substr($0, 3); bar = index(line, "|"); if (bar == 0) bar = length(line) + 1
                   print substr($0, 1, 2) tolower(substr(line, 1, bar - 1)) substr(line, bar) }' <<<"$raw")
      return
    fi
    echo "-- the registry reader stopped early (attempt $attempt, status $status): $(cat "$errors")"
  done
  dump=
  fail "the registry could not be read whole"
}
lower() { printf '%s' "$1" | tr '[:upper:]' '[:lower:]'; }
key_exists() { grep -qxF "K $(lower "$1")" <<<"$dump"; }
# The data of a REG_SZ value ("" names the default value); fails when there is no such value.
value_of() {
  local prefix line
  prefix="V $(lower "$1")|$2|"
  while IFS= read -r line; do
    if [ "${line:0:${#prefix}}" = "$prefix" ]; then
      printf '%s\n' "${line:${#prefix}}"
      return 0
    fi
  done <<<"$dump"
  return 1
}
expect_value() {
  local got
  if ! got=$(value_of "$1" "$2"); then fail "missing: $1 [${2:-(default)}]"; return; fi
  [ "$got" = "$3" ] || fail "$1 [${2:-(default)}]: '$got', expected '$3'"
}
expect_key() { key_exists "$1" || fail "missing key: $1"; }
expect_no_key() { ! key_exists "$1" || fail "key still there: $1"; }
expect_no_value() { ! value_of "$1" "$2" >/dev/null || fail "value still there: $1 [$2]"; }
# What the registry held when a check failed, for whoever reads a failed run's log.
show_dump_on_failure() {
  [ "$failures" -eq "$1" ] && return
  echo "-- the registry as read for the checks above:"
  printf '%s\n' "$dump"
}

# Everything of ours that registration writes, and the keys removal must leave.
check_registered() {
  local failures_before=$failures
  capture
  expect_value "$approved" "$clsid" "FileShredderShlExt extension"
  expect_value 'HKCR\Varnoltmenu.FileShredderShlExt.1' '' 'FileShredderShlExt Class'
  expect_value 'HKCR\Varnoltmenu.FileShredderShlExt.1\CLSID' '' "$clsid"
  expect_value 'HKCR\Varnoltmenu.FileShredderShlExt' '' 'FileShredderShlExt Class'
  expect_value 'HKCR\Varnoltmenu.FileShredderShlExt\CLSID' '' "$clsid"
  expect_value 'HKCR\Varnoltmenu.FileShredderShlExt\CurVer' '' 'Varnoltmenu.FileShredderShlExt.1'
  expect_value "HKCR\\CLSID\\$clsid" '' 'FileShredderShlExt Class'
  expect_value "HKCR\\CLSID\\$clsid\\ProgID" '' 'Varnoltmenu.FileShredderShlExt.1'
  expect_value "HKCR\\CLSID\\$clsid\\VersionIndependentProgID" '' 'Varnoltmenu.FileShredderShlExt'
  expect_key "HKCR\\CLSID\\$clsid\\Programmable"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" '' "$module"
  expect_value "HKCR\\CLSID\\$clsid\\InprocServer32" 'ThreadingModel' 'Apartment'
  expect_value "HKCR\\CLSID\\$clsid\\TypeLib" '' "$libid"
  for type in '*' Directory Drive; do
    expect_value "HKCR\\$type\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt" '' "$clsid"
  done
  # The type library, registered from the DLL's own resource.
  local kind=win$bits
  expect_value "HKCR\\TypeLib\\$libid\\1.0" '' 'varnoltmenu 1.0 Type Library'
  expect_key "HKCR\\TypeLib\\$libid\\1.0\\409\\$kind"
  expect_value "HKCR\\TypeLib\\$libid\\1.0\\409\\$kind" '' "$module"
  expect_value "HKCR\\Interface\\$iid" '' 'IFileShredderShlExt'
  expect_value "HKCR\\Interface\\$iid\\TypeLib" '' "$libid"
  show_dump_on_failure "$failures_before"
}

check_removed() {
  capture
  expect_no_value "$approved" "$clsid"
  expect_key "$approved"
  for key in 'HKCR\Varnoltmenu.FileShredderShlExt.1' 'HKCR\Varnoltmenu.FileShredderShlExt' \
             "HKCR\\CLSID\\$clsid" "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
    expect_no_key "$key"
  done
  for type in '*' Directory Drive; do
    expect_no_key "HKCR\\$type\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt"
    expect_key "HKCR\\$type\\ShellEx\\ContextMenuHandlers"
  done
  expect_key 'HKCR\CLSID'
}

# As a fresh prefix has it: the key, empty (`reg add` would also give it an empty default value).
restore_approved() {
  run reg query "$approved" $view >/dev/null && return
  run reg add "$approved" /f $view >/dev/null
  run reg delete "$approved" /ve /f $view >/dev/null
}
cleanup() {
  restore_approved
  run "$regsvr32" /u /s "$module" >/dev/null
  rm -rf "$stage_unix"
  rmdir "$(dirname "$stage_unix")" 2>/dev/null || true  # once no other run uses it
}
trap cleanup EXIT

echo "== regsvr32 registers"
run "$regsvr32" /s "$module" >/dev/null
status=$?
[ $status -eq 0 ] || fail "regsvr32 exited with $status"
check_registered
# A stray subkey under a replaced-whole key goes at the next registration; the rest is unchanged.
run reg add "HKCR\\CLSID\\$clsid\\Stray" /f $view >/dev/null
run reg add "HKCR\\Drive\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt\\Stray" /f $view >/dev/null
run "$regsvr32" /s "$module" >/dev/null || fail "second registration failed"
check_registered
expect_no_key "HKCR\\CLSID\\$clsid\\Stray"
expect_no_key "HKCR\\Drive\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt\\Stray"
second=$dump
run "$regsvr32" /s "$module" >/dev/null || fail "third registration failed"
capture
[ "$second" = "$dump" ] || fail "registering again changed the keys"

echo "== regsvr32 /u removes"
# Another handler under the same parent keys is left alone.
run reg add 'HKCR\Directory\ShellEx\ContextMenuHandlers\OtherHandler' /ve /d '{other}' /f $view >/dev/null
run "$regsvr32" /u /s "$module" >/dev/null
status=$?
[ $status -eq 0 ] || fail "regsvr32 /u exited with $status"
check_removed
expect_value 'HKCR\Directory\ShellEx\ContextMenuHandlers\OtherHandler' '' '{other}'
run reg delete 'HKCR\Directory\ShellEx\ContextMenuHandlers\OtherHandler' /f $view >/dev/null

echo "== no Approved key: E_ACCESSDENIED and nothing written"
run reg delete "$approved" /f $view >/dev/null
result=$(run "$stage_win\\dll_call.exe" "$module" DllRegisterServer)
[ "$result" = 0x80070005 ] || fail "DllRegisterServer without the Approved key gave '$result', expected 0x80070005"
run "$regsvr32" /s "$module" >/dev/null && fail "regsvr32 succeeded without the Approved key"
capture
expect_no_key "$approved"
for key in 'HKCR\Varnoltmenu.FileShredderShlExt.1' 'HKCR\Varnoltmenu.FileShredderShlExt' \
           "HKCR\\CLSID\\$clsid" "HKCR\\TypeLib\\$libid" "HKCR\\Interface\\$iid"; do
  expect_no_key "$key"
done
for type in '*' Directory Drive; do
  expect_no_key "HKCR\\$type\\ShellEx\\ContextMenuHandlers\\FileShredderShlExt"
done

echo "== removal without the Approved key still removes the rest"
restore_approved
run "$regsvr32" /s "$module" >/dev/null || fail "registration failed"
run reg delete "$approved" /f $view >/dev/null
result=$(run "$stage_win\\dll_call.exe" "$module" DllUnregisterServer)
[ "$result" = 0x00000000 ] || fail "DllUnregisterServer without the Approved key gave '$result'"
restore_approved
check_removed

echo "== from a folder named outside the code page: that path exactly, and removed"
# The names reach Wine in UTF-8 whatever locale the run has.
export LC_ALL=C.UTF-8
wide_folder='Outils Łódź 日本'
mkdir -p "$stage_unix/$wide_folder"
cp "$dll" "$stage_unix/$wide_folder/varnoltmenu.dll"
plain_module=$module
module="$stage_win\\$wide_folder\\varnoltmenu.dll"
result=$(run "$stage_win\\dll_call.exe" "$module" DllRegisterServer)
[ "$result" = 0x00000000 ] || fail "DllRegisterServer from '$module' gave '$result'"
check_registered
result=$(run "$stage_win\\dll_call.exe" "$module" DllUnregisterServer)
[ "$result" = 0x00000000 ] || fail "DllUnregisterServer from '$module' gave '$result'"
check_removed
module=$plain_module

echo "== the ANSI help text reads right on the system's code page"
# Wine takes its code page from the Unix locale: a copy of C.UTF-8 under another name (LOCPATH)
# gives a Japanese (932) and a Russian (1251) system without installing any locale. On 932 the
# text's 1252 byte 0xE9 is half of a double-byte character: it must arrive converted, never raw.
locales="$stage_unix/locales"
for name in ja_JP.UTF-8 ru_RU.UTF-8; do
  mkdir -p "$locales" && cp -r /usr/lib/locale/C.utf8 "$locales/$name" || fail "cannot make the locale $name"
done
# help_text LOCALE
help_text() {
  (cd "$WINEPREFIX/drive_c" && env LOCPATH="$locales" LC_ALL="$1" "$PROGRAM_LOADER" "$stage_win\\dll_call.exe" \
     --help-text "$plain_module" </dev/null 2>/dev/null | tr -d '\r')
}
got=$(help_text C.UTF-8)
[ "$got" = "acp=1252 text=Broyer les données avec Varnolt" ] || fail "help text on 1252: '$got'"
for case in "ja_JP.UTF-8 932" "ru_RU.UTF-8 1251"; do
  set -- $case
  got=$(help_text "$1")
  # "é" has no place in either: the system's nearest letter or its default character.
  case $got in
    "acp=$2 text=Broyer les donnees avec Varnolt" | "acp=$2 text=Broyer les donn?es avec Varnolt") ;;
    *) fail "help text on code page $2: '$got'" ;;
  esac
done

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all registration checks passed"
