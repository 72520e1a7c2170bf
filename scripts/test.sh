#!/usr/bin/env bash
# The whole test run from a fresh Debian 12 machine: installs what is missing, builds the three
# presets and runs every test (native, and the Windows builds under Wine).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh build/unused

bash scripts/install-deps.sh

for preset in native win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

ctest --preset native -j2
ctest --preset win64
if wine32_works; then
  ctest --preset win32
else
  echo "win32: built; this kernel cannot run 32-bit programs, so its tests are not run here"
fi
