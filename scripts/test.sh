#!/usr/bin/env bash
# The whole test run from a fresh Debian 12 machine: installs what is missing, builds the three
# presets, runs every test (native, and the Windows builds under Wine), then builds the release
# into dist/ and checks it.
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

# The release as users get it, built from this tree in a build directory of its own, then checked.
bash scripts/release.sh
bash scripts/check-release.sh
