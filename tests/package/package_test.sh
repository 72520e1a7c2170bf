#!/usr/bin/env bash
# The Windows 11 identity package, made as a release makes it and read back by a reader of its
# own (read_package.py): signed with a throwaway certificate, checked whole, its class created
# through the extension's DllGetClassObject under Wine, then refused when a byte of it changes;
# and not made at all without a certificate.
#   package_test.sh WORK_DIR WINE_DIR DLL DLL_CALL CLSID NAME VERSION DLL_NAME EXE_NAME -- BUILDER...
. "$(dirname "$0")/../../scripts/strict-mode.sh"
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
work=$1 wine_dir=$2 dll=$3 dll_call=$4 clsid=$5 name=$6 version=$7 dll_name=$8 exe_name=$9
shift 9
[ "$1" = -- ] && shift
builder=("$@")

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"
bash "$source_dir/scripts/make-test-certificate.sh" "$work/certificate"
package="$work/Varnolt-menu-$version.msix"
reader=(python3 "$here/read_package.py" --clsid "$clsid" --name "$name" --version "$version"
        --dll "$dll_name" --exe "$exe_name" --ca "$work/certificate/ca.pem")

# No certificate: no package, and a word saying why.
status=0
out=$(env -u VARNOLT_SIGN_PKCS12 -u VARNOLT_SIGN_CERT -u VARNOLT_SIGN_KEY \
      "${builder[@]}" --out "$package" 2>&1) || status=$?
[ "$status" -ne 0 ] || fail "the package was made without a certificate"
[ ! -e "$package" ] || fail "an unsigned package was left at $package"
grep -q "no certificate" <<<"$out" || fail "no word of the missing certificate: $out"

# Signed as the release signs: the whole package read back.
VARNOLT_SIGN_CERT="$work/certificate/signing.pem" VARNOLT_SIGN_KEY="$work/certificate/signing.key" \
  "${builder[@]}" --out "$package"
status=0
out=$("${reader[@]}" "$package" --stranger-ca "$work/certificate/stranger-ca.pem" \
        --signer-cert "$work/certificate/signing.pem" --dll-file "$dll" \
        --setup-script "$source_dir/installer/varnolt.nsi") || status=$?
echo "$out"
[ "$status" -eq 0 ] || fail "the package as built is not sound"

# The class the manifest names, created from the extension as Explorer creates a packaged one.
# The extension is loaded from C: (the test prefix maps no drive to the host's files).
if [[ $out =~ class\ (\{[0-9A-Fa-f-]+\})\ in\ ([^[:space:]]+) ]]; then
  class=${BASH_REMATCH[1]} dll_path=${BASH_REMATCH[2]}
  . "$source_dir/scripts/wine-env.sh" "$wine_dir"
  stage="$WINEPREFIX/drive_c/varnolt-tests/package-$$"
  mkdir -p "$stage"
  cp "$dll" "$stage/$dll_path"
  cp "$dll_call" "$stage/dll_call.exe"
  status=0
  got=$(bash "$source_dir/scripts/wine-run.sh" "$wine_dir" "$stage/dll_call.exe" --explorer-command \
          "C:\\varnolt-tests\\package-$$\\$dll_path" "$class" </dev/null | tr -d '\r') || status=$?
  rm -rf "$stage"
  [ "$status" -eq 0 ] && [ "$got" = ok ] ||
    fail "the extension hands out no IExplorerCommand for $class: $got (status $status)"
else
  fail "the reader named no COM class"
fi
[ -z "$(find "$work" -maxdepth 1 -name '.menu-package.*')" ] || fail "the builder left its unsigned file behind"

# One bit changed inside a logo: its block's hash and the signature no longer hold.
python3 - "$package" "$work/tampered.msix" <<'EOF'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
# The name's first place is the entry's local header; the picture follows it.
name = b"Assets/Square44x44Logo.png"
data[data.index(name) + len(name) + 1000] ^= 0x10
open(sys.argv[2], "wb").write(data)
EOF
status=0
out=$("${reader[@]}" "$work/tampered.msix" 2>&1) || status=$?
[ "$status" -ne 0 ] || fail "the reader took a changed package for sound"
grep -q "Square44x44Logo.png: block 0 does not match its hash" <<<"$out" || fail "no block hash fault: $out"
grep -q "osslsigncode does not verify" <<<"$out" || fail "the changed package's signature still verifies: $out"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "package_test: $package is sound, and its changed copy is refused"
