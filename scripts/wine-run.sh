#!/usr/bin/env bash
# Runs a Windows program in the test prefix: wine-run.sh WINE_DIR PROGRAM [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh" "$1"
shift
exec "$WINE" "$@"
