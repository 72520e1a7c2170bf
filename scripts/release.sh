#!/usr/bin/env bash
# Builds a release from scratch and writes dist/: the setup program, the bare binaries of both
# architectures and their SHA-256 sums, and, when signed, the Windows 11 menu's identity package.
#   scripts/release.sh [OPTIONS] [BUILD_DIR]      (default build/release; it is emptied first)
# Signed with osslsigncode when a certificate is given (options, or the environment variables
# scripts/sign.sh reads): both programs, both extensions, the setup program and its uninstaller,
# and the package Varnolt-menu-VERSION.msix, which the setup program also carries. Windows
# installs a package only signed, by the subject its manifest names: an unsigned release has none.
#   --pkcs12 FILE.pfx           certificate chain and key in one bundle   (VARNOLT_SIGN_PKCS12)
#   --cert CHAIN --key KEY      certificate chain and key, PEM or DER     (VARNOLT_SIGN_CERT, _KEY)
#   --pass-file FILE            the password of the key or bundle         (VARNOLT_SIGN_PASS_FILE)
#   --timestamp URL             an RFC 3161 timestamp server              (VARNOLT_SIGN_TIMESTAMP)
#   --dist DIR                  where the release is written (default dist; it is emptied first)
# Without a certificate the release is made unsigned, and says so.
. "$(dirname "$0")/strict-mode.sh"
cd "$(dirname "$0")/.."

build=build/release
dist=dist
while [ $# -gt 0 ]; do
  case "$1" in
    --pkcs12) export VARNOLT_SIGN_PKCS12=$(realpath "$2"); shift 2 ;;
    --cert) export VARNOLT_SIGN_CERT=$(realpath "$2"); shift 2 ;;
    --key) export VARNOLT_SIGN_KEY=$(realpath "$2"); shift 2 ;;
    --pass-file) export VARNOLT_SIGN_PASS_FILE=$(realpath "$2"); shift 2 ;;
    --timestamp) export VARNOLT_SIGN_TIMESTAMP=$2; shift 2 ;;
    --dist) dist=$2; shift 2 ;;
    -*) echo "release.sh: unknown option $1" >&2; exit 2 ;;
    *) build=$1; shift ;;
  esac
done

sign=OFF
if [ -n "${VARNOLT_SIGN_PKCS12:-}" ] || { [ -n "${VARNOLT_SIGN_CERT:-}" ] && [ -n "${VARNOLT_SIGN_KEY:-}" ]; }; then
  sign=ON
  command -v osslsigncode >/dev/null || { echo "release.sh: osslsigncode is not installed (scripts/install-deps.sh)" >&2; exit 1; }
elif [ -n "${VARNOLT_SIGN_CERT:-}${VARNOLT_SIGN_KEY:-}" ]; then
  echo "release.sh: a certificate needs both --cert and --key" >&2
  exit 2
fi

if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  echo "warning: the working tree has changes that are not committed; they go into this release" >&2
fi

version=$(sed -n 's/^project(Varnolt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
rm -rf "$build" "$dist"
# Signed, the build also packs and signs the menu package (resources/CMakeLists.txt) where the
# setup program takes it from.
package=()
[ $sign = OFF ] || package=(-DVARNOLT_MENU_PACKAGE="$(realpath -m "$build")/package/Varnolt-menu-$version.msix")
cmake --preset win64 -B "$build" -DCMAKE_BUILD_TYPE=Release -DVARNOLT_SIGN=$sign "${package[@]}" >/dev/null
# The setup target needs both deliverables of both architectures (the i686 ones are built in
# $build/installer/i686), signs them when asked, and packs them.
cmake --build "$build" --target setup -j2

mkdir -p "$dist/win64" "$dist/win32"
cp "$build/installer/Varnolt-$version-installation.exe" "$dist/"
# The very files the setup program carries (signed there when the release is).
cp "$build/installer/stage/x86_64/Varnolt.exe" "$build/installer/stage/x86_64/varnoltmenu.dll" "$dist/win64/"
cp "$build/installer/stage/i686/Varnolt.exe" "$build/installer/stage/i686/varnoltmenu.dll" "$dist/win32/"
if [ $sign = ON ]; then
  cp "$build/package/Varnolt-menu-$version.msix" "$dist/"
fi
(cd "$dist" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs sha256sum >SHA256SUMS)
echo "$dist/:"
(cd "$dist" && find . -type f | sed 's|^\./||' | sort | xargs ls -l | awk '{ printf "  %10d  %s\n", $5, $9 }')
if [ $sign = ON ]; then
  echo "release.sh: signed (setup program, its uninstaller, both programs, both extensions and the Windows 11 menu package)${VARNOLT_SIGN_TIMESTAMP:+, timestamped by $VARNOLT_SIGN_TIMESTAMP}"
else
  echo "release.sh: UNSIGNED release (no certificate given): Windows will name no publisher for it"
  echo "release.sh: no Windows 11 menu package: Windows installs one only signed (the entry stays under \"Afficher d'autres options\")"
fi
