#!/usr/bin/env bash
# Checks a release written by release.sh, as a user would get it:
#   scripts/check-release.sh [DIST] [WINE_DIR]     (defaults: dist, build/win64/wine)
# - the checksums hold;
# - with VARNOLT_SIGN_CA=CA.pem (the certificate authority to trust), every binary, the setup
#   program and the uninstaller it writes carry an Authenticode signature that osslsigncode
#   verifies up to that authority; without it, a release whose files are signed is verified
#   against the system's authorities, and an unsigned one is said to be unsigned;
# - each binary is of its architecture, carries no symbols and imports only DLLs that every
#   Windows has (no MinGW runtime DLL);
# - a signed release carries the Windows 11 menu package, signed as above and read back whole
#   (tests/package/read_package.py: block hashes, manifest, the extension's class and name);
#   an unsigned one carries none;
# - the 64-bit Varnolt.exe of the release erases a scratch file under Wine and leaves its
#   neighbour alone.
. "$(dirname "$0")/strict-mode.sh"
cd "$(dirname "$0")/.."
dist=${1:-dist}
wine_dir=${2:-build/win64/wine}
failures=0
fail() { echo "check-release: $*" >&2; failures=$((failures + 1)); }

(cd "$dist" && sha256sum --check --quiet SHA256SUMS) || fail "checksums do not match"

system_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msimg32.dll msvcrt.dll ole32.dll "
system_dlls+="oleaut32.dll shell32.dll shlwapi.dll user32.dll "
check_binary() {  # FILE EXPECTED_FORMAT
  local file=$1 format=$2 headers dll
  [ -f "$file" ] || { fail "missing: $file"; return; }
  headers=$(x86_64-w64-mingw32-objdump -p -h "$file")
  grep -q "file format $format\$" <<<"$headers" || fail "$file: not $format"
  if grep -q '\.debug_' <<<"$headers"; then fail "$file: carries debugging sections"; fi
  while read -r dll; do
    case "$system_dlls" in
      *" ${dll,,} "*) ;;
      *) fail "$file: imports $dll, which a bare Windows does not have" ;;
    esac
  done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
}
for arch in win64:pei-x86-64 win32:pei-i386; do
  check_binary "$dist/${arch%%:*}/Varnolt.exe" "${arch#*:}"
  check_binary "$dist/${arch%%:*}/varnoltmenu.dll" "${arch#*:}"
done
setups=("$dist"/Varnolt-*-installation.exe)
if [ ${#setups[@]} -ne 1 ] || [ ! -f "${setups[0]}" ]; then
  fail "expected one setup program in $dist"
else
  check_binary "${setups[0]}" pei-i386  # one 32-bit setup runs on both kinds of Windows
fi

. scripts/wine-env.sh "$wine_dir"

# Signatures. The uninstaller exists only once the setup program has written it: a silent
# install into a fresh clone of the test prefix gives it.
signed_files=("$dist"/win64/Varnolt.exe "$dist"/win64/varnoltmenu.dll "$dist"/win32/Varnolt.exe
              "$dist"/win32/varnoltmenu.dll "${setups[@]}")
packages=()
for package in "$dist"/Varnolt-menu-*.msix; do [ ! -f "$package" ] || packages+=("$package"); done
# osslsigncode writes the signature it extracts to a file that must not exist yet.
has_signature() {
  local out status=0
  out=$(mktemp -u "${TMPDIR:-/tmp}/varnolt-signature.XXXXXX")
  osslsigncode extract-signature -in "$1" -out "$out" >/dev/null 2>&1 || status=$?
  rm -f "$out"
  return $status
}
trust=()
[ -z "${VARNOLT_SIGN_CA:-}" ] || trust=(-CAfile "$VARNOLT_SIGN_CA")
signed=0
for file in "${signed_files[@]}"; do has_signature "$file" && signed=$((signed + 1)); done
if [ -n "${VARNOLT_SIGN_CA:-}" ] || [ $signed -ne 0 ]; then
  verify_signature() {
    local out
    if ! out=$(osslsigncode verify "${trust[@]}" -in "$1" 2>&1); then
      fail "$2: the signature does not verify: $(grep -m3 -iE 'fail|error|no signature' <<<"$out" | tr '\n' ' ')"
    elif ! grep -q '^Signature verification: ok' <<<"$out"; then
      fail "$2: osslsigncode did not report a verified signature"
    fi
  }
  for file in "${signed_files[@]}"; do verify_signature "$file" "$file"; done
  version=$(sed -n 's/^project(Varnolt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  if [ ${#packages[@]} -ne 1 ] || [ "${packages[0]}" != "$dist/Varnolt-menu-$version.msix" ]; then
    fail "expected one Windows 11 menu package, $dist/Varnolt-menu-$version.msix, in a signed release"
  else
    verify_signature "${packages[0]}" "${packages[0]}"
    identity() { sed -n "s/^set($1 \"\(.*\)\")\$/\1/p" cmake/MenuIdentity.cmake; }
    python3 tests/package/read_package.py "${packages[0]}" --clsid "$(identity VARNOLT_EXPLORER_COMMAND_CLSID)" \
      --name "$(identity VARNOLT_MENU_PACKAGE_NAME)" --version "$version" --dll varnoltmenu.dll \
      --exe Varnolt.exe ${VARNOLT_SIGN_CA:+--ca "$VARNOLT_SIGN_CA"} --dll-file "$dist/win64/varnoltmenu.dll" \
      --setup-script installer/varnolt.nsi || fail "${packages[0]} is not sound"
  fi
  uninstaller_check=$(mktemp -d "${TMPDIR:-/tmp}/varnolt-uninstaller.XXXXXX")
  (
    . tests/wine_support/drives.sh
    drives_init "$wine_dir" "$uninstaller_check/wine" pristine
    drives_start
    mkdir -p "$WINEPREFIX/drive_c/release-check"
    cp "${setups[0]}" "$WINEPREFIX/drive_c/release-check/setup.exe"
    # The shipped setup program is 32-bit; where no 32-bit Windows program runs it cannot be run.
    wine32_works || { echo "check-release: no 32-bit Wine: the written uninstaller is not checked"; exit 0; }
    (cd "$WINEPREFIX/drive_c" && timeout 120 /usr/lib/wine/wine 'C:\release-check\setup.exe' /S </dev/null >/dev/null 2>&1) ||
      { echo "check-release: the setup program failed in a fresh prefix" >&2; exit 1; }
    cp "$WINEPREFIX/drive_c/Program Files/Varnolt/Uninstall.exe" "$uninstaller_check/Uninstall.exe"
  ) || fail "could not install the release to get its uninstaller"
  if [ -f "$uninstaller_check/Uninstall.exe" ]; then
    verify_signature "$uninstaller_check/Uninstall.exe" "the uninstaller written by ${setups[0]}"
  elif wine32_works; then
    fail "the setup program wrote no uninstaller"
  fi
  rm -rf "$uninstaller_check"
  echo "check-release: signatures verified${VARNOLT_SIGN_CA:+ (trusting $VARNOLT_SIGN_CA)}"
else
  echo "check-release: UNSIGNED release: no file in $dist carries a signature"
  [ ${#packages[@]} -eq 0 ] || fail "an unsigned release carries a menu package: ${packages[*]}"
fi

# The released program at work, in the test prefix (its C: is a folder of the build tree).
. scripts/wine-env.sh "$wine_dir"
bash scripts/wine-prefix.sh ensure "$wine_dir" >/dev/null
scratch="$WINEPREFIX/drive_c/varnolt-release-check"
rm -rf "$scratch"
mkdir -p "$scratch"
head -c 100000 /dev/urandom >"$scratch/secret.bin"
echo "keep me" >"$scratch/neighbour.txt"
status=0
# A message box would wait for an answer that never comes: give up after a while.
timeout 120 bash scripts/wine-run.sh "$wine_dir" "$dist/win64/Varnolt.exe" 'C:\varnolt-release-check\secret.bin' \
  </dev/null >/dev/null 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the released Varnolt.exe ended with status $status"
[ ! -e "$scratch/secret.bin" ] || fail "the released Varnolt.exe left the file it was given"
[ "$(ls "$scratch")" = neighbour.txt ] || fail "the scratch folder holds: $(ls "$scratch" | tr '\n' ' ')"
[ "$(cat "$scratch/neighbour.txt" 2>/dev/null)" = "keep me" ] || fail "the neighbour was touched"
rm -rf "$scratch"

if [ "$failures" -ne 0 ]; then
  echo "check-release: $failures problem(s) in $dist" >&2
  exit 1
fi
echo "check-release: $dist is sound"
