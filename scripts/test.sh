#!/usr/bin/env bash
# The whole test run from a fresh Debian 12 machine: installs what is missing, builds the three
# presets, runs every test (native, and the Windows builds under Wine), then builds the release
# into dist/ and checks it. A failing step does not stop the others: every suite that can run
# runs, and the end lists what failed (exit status 1 then).
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-env.sh build/unused

bash scripts/install-deps.sh || { echo "test.sh: the dependencies could not be installed"; exit 1; }

failed=()   # "suite: test" or "suite: step"
ran=()
log_dir=build/test-logs
mkdir -p "$log_dir"

if wine32_works; then
  kind="runs 32-bit Windows programs (win32 suite included)"
else
  kind="cannot run 32-bit Windows programs (win32 suite built, not run)"
fi
echo "== this machine $kind"

built=()
for preset in native win64 win32; do
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; then
    built+=("$preset")
  else
    failed+=("$preset: build")
  fi
done

# Runs one CTest suite and records the tests it reports failed (or the run itself).
run_suite() {
  local preset=$1 log=$log_dir/ctest-$1.log
  shift
  ran+=("$preset")
  ctest --preset "$preset" "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  local names
  names=$(awk '/The following tests FAILED:/ { on = 1; next } on && /^[[:space:]]+[0-9]+ - / {
                 sub(/^[[:space:]]+[0-9]+ - /, ""); print }' "$log")
  if [ -n "$names" ]; then
    while IFS= read -r name; do failed+=("$preset: $name"); done <<<"$names"
  elif [ "$status" -ne 0 ]; then
    failed+=("$preset: ctest exited with $status")
  fi
}

is_built() { [[ " ${built[*]} " == *" $1 "* ]]; }

is_built native && run_suite native -j2
is_built win64 && run_suite win64
if is_built win32; then
  if wine32_works; then
    run_suite win32
  else
    echo "win32: built; this kernel cannot run 32-bit programs, so its tests are not run here"
  fi
fi

# The release as users get it, built from this tree in a build directory of its own, signed with
# a throwaway certificate made here, then checked: every signature verified up to the throwaway
# authority, and none up to an unrelated one.
signing=build/test-signing
if ! bash scripts/make-test-certificate.sh "$signing"; then
  failed+=("release: make-test-certificate.sh")
elif bash scripts/release.sh --cert "$signing/signing.pem" --key "$signing/signing.key"; then
  ran+=("release")
  VARNOLT_SIGN_CA="$signing/ca.pem" bash scripts/check-release.sh || failed+=("release: check-release.sh")
  for file in dist/*.exe dist/win64/varnoltmenu.dll; do
    if osslsigncode verify -CAfile "$signing/stranger-ca.pem" -in "$file" >/dev/null 2>&1; then
      failed+=("release: $file verifies up to an authority that never signed it")
    fi
  done
else
  failed+=("release: release.sh")
fi

echo
echo "== test.sh: this machine $kind"
echo "== suites run: ${ran[*]:-none}"
# The output of a failed test (its last 80 lines), as CTest recorded it: at the end, where a
# reader of a long run's log looks first.
failed_output() {
  awk -v name="$2" '
    $0 ~ /^[0-9]+\/[0-9]+ Testing: / { sub(/^[0-9]+\/[0-9]+ Testing: /, ""); on = ($0 == name); next }
    on && /^<end of output>$/ { on = 0; next }
    on && !/^Output:$/ && !/^-+$/ && !/^Command: / && !/^Directory: / && !/^[0-9]+\/[0-9]+ Test: / &&
      !/start time: / { print }' "build/$1/Testing/Temporary/LastTest.log" 2>/dev/null | tail -n 80
}
if [ ${#failed[@]} -ne 0 ]; then
  for entry in "${failed[@]}"; do
    output=$(failed_output "${entry%%: *}" "${entry#*: }")
    [ -n "$output" ] || continue
    echo
    echo "== output of $entry:"
    printf '%s\n' "$output"
  done
  echo
  echo "== FAILED (${#failed[@]}):"
  printf '   %s\n' "${failed[@]}"
  exit 1
fi
echo "== every suite passed"
