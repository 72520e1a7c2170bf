#!/usr/bin/env bash
# Builds a release from scratch and writes dist/: the setup program, the bare binaries of both
# architectures and their SHA-256 sums.
#   scripts/release.sh [BUILD_DIR]      (default build/release; it is emptied first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}

if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
  echo "warning: the working tree has changes that are not committed; they go into this release" >&2
fi

rm -rf "$build" dist
cmake --preset win64 -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
# The setup target needs both deliverables of both architectures (the i686 ones are built in
# $build/installer/i686).
cmake --build "$build" --target setup -j2

version=$(sed -n 's/^project(Varnolt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
mkdir -p dist/win64 dist/win32
cp "$build/installer/Varnolt-$version-installation.exe" dist/
cp "$build/app/Varnolt.exe" "$build/contextmenu/varnoltmenu.dll" dist/win64/
cp "$build/installer/i686/app/Varnolt.exe" "$build/installer/i686/contextmenu/varnoltmenu.dll" dist/win32/
(cd dist && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | sort | xargs sha256sum >SHA256SUMS)
echo "dist/:"
(cd dist && find . -type f | sed 's|^\./||' | sort | xargs ls -l | awk '{ printf "  %10d  %s\n", $5, $9 }')
