#!/usr/bin/env bash
# A script that stops at its first failing command says so: the status, the command, the file,
# line and function, and the callers; a failure the script tolerates says nothing.
#   strict_mode_test.sh SOURCE_DIR
set -uo pipefail
strict=$(realpath "$1/scripts/strict-mode.sh")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

cat >"$work/stops.sh" <<EOF
. "$strict"
inner() {
  printf 'a\nb\n' | { cat; return 3; }
}
outer() { local value; value=\$(inner); echo "not reached \$value"; }
tolerated() { false || true; if false; then :; fi; ! true || :; set +e; false; set -e; }
tolerated
outer
echo "not reached either"
EOF
bash "$work/stops.sh" >"$work/out" 2>"$work/err"
status=$?
cat "$work/err"
[ "$status" -eq 3 ] || fail "the script ended with $status, not the failing command's 3"
[ ! -s "$work/out" ] || fail "the script went on past the failure: $(cat "$work/out")"
expected_stop="stops.sh ended early: status 3 from \`value=\$(inner)\` at $work/stops.sh:5 in outer"
origin=$(sed -n 1p "$work/err")
[[ $origin == "stops.sh failed inside a command substitution: status 3 from \`"*"\` at $work/stops.sh:3 in inner" ]] ||
  fail "where the failure began is not said"
grep -qxF -- "$expected_stop" "$work/err" || fail "where the script stopped is not said"
grep -qxF -- "  called from main at $work/stops.sh:8" "$work/err" || fail "the caller is not said"
[ "$(wc -l <"$work/err")" -eq 5 ] || fail "expected the two places and their callers, five lines"
[ "$failures" -eq 0 ]
