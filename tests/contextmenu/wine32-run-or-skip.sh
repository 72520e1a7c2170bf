#!/usr/bin/env bash
# Runs a 32-bit test program under the 32-bit Wine loader, or reports it skipped (exit 77) on a
# machine that cannot execute that loader.
#   wine32-run-or-skip.sh WINE_DIR PROGRAM [ARGS...]
. "$(dirname "$0")/../../scripts/strict-mode.sh"
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
. "$scripts/wine-env.sh" "$1"
if ! wine32_works; then
  echo "SKIPPED: this machine cannot run 32-bit Windows programs (/usr/lib/wine/wine does not execute);" \
       "the i686 build is compiled but not run here"
  exit 77
fi
export VARNOLT_WINE_BITS=32
exec "$scripts/wine-run.sh" "$@"
