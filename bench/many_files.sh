#!/usr/bin/env bash
# Benchmark (not a test) of the program as released on runs over thousands of files, next to a
# yardstick that does per file only what an erase that leaves no name needs (the minimal eraser,
# bench/minimal_eraser.cpp: three flushed sweeps, three renames, the deletion; one listing a
# folder, an emptied folder's cover files, the folder renamed and removed), on a tmpfs drive:
#   a. a tree of 2,000 files of 4 KiB, 100 a folder, given as its top folder;
#   b. the same with 8,000 files: the time per file should not grow with the count;
#   c. 1,000 files alone in their folder, handed to Varnolt.exe through its pipe as Explorer's
#      extension hands a selection over (-u -p PIPE, records of common/ItemStream.h), and to the
#      minimal eraser as a list;
#   d. the same 1,000 files (same names, same contents) picked out of a folder of 11,000, as one
#      run of its listing (a Shift-click selection: the folder lists them in name order), the
#      same two ways: the 10,000 others around them should cost the program no more, beside
#      what they cost the yardstick (under Wine every new name costs a scan of its folder).
# Varnolt.exe is timed less its start-up (Varnolt.exe erasing one empty file, whole process); the
# minimal eraser whole. Both are started and timed by bench/timed_launch.cpp, from their start to
# their end, which also feeds the pipe and ends the run, failing it, if a box appears (under
# Wine's null graphics driver a box would wait for ever) or after VARNOLT_BENCH_TIMEOUT seconds
# (3600 unless set). After every run the drive is compared with what it held before: what was
# given must be gone, and everything else there as it was (the 10,000 others of d by their
# contents); Varnolt.exe must end with status 0 and the yardstick must report every file and
# folder it was given. Every figure is the best of VARNOLT_BENCH_REPEATS rounds (3 unless set),
# each measuring every program once: other work on the machine only ever slows a run. Every
# round's figures are printed too, each with how far its second best round is above its best: a
# figure whose two best rounds are more than 10 % apart is unsteady (the machine was busy), and
# so is a goal's verdict drawn from one. The goals are printed beside the figures, not asserted:
# the status is 0 once every run did its work.
#
# Wine and the programs run on one processor (VARNOLT_BENCH_CPUS, a taskset list; the machine's
# last processor unless set; empty: any). Under Wine every call a program makes is a round trip
# to the Wine server, a process of its own; on two processors each trip wakes the other one, and
# in a virtual machine such a wake-up can cost more than the call: measured here, the same run
# took from one to four times as long from one round to the next. On one processor a trip is a
# switch between two processes, and the rounds agree within a few per cent. Varnolt.exe's window
# thread then shares that processor with its erasing thread, which can only slow Varnolt.exe.
#
#   cmake --build --preset win64 --target bench_many_files      (as root; builds what it runs)
#   many_files.sh WINE_DIR VARNOLT_EXE MINIMAL_ERASER_EXE TIMED_LAUNCH_EXE WORK_DIR
#                 [TREE_FILES BIG_TREE_FILES PICKED OTHERS]     (2000 8000 1000 10000)
# Needs the superuser (mounts). The drive is a letter of a private clone of the test prefix,
# mapped to a tmpfs made here and removed afterwards; the programs run from C:\bench of that clone.
. "$(dirname "$0")/../scripts/strict-mode.sh"
wine_dir=$(realpath -m "$1")
varnolt_exe=$(realpath -m "$2")
eraser_exe=$(realpath -m "$3")
launch_exe=$(realpath -m "$4")
work=$(realpath -m "$5")
tree_files=${6:-2000}
big_tree_files=${7:-8000}
picked=${8:-1000}
others=${9:-10000}
per_folder=100
repeats=${VARNOLT_BENCH_REPEATS:-3}
timeout=${VARNOLT_BENCH_TIMEOUT:-3600}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/wine_support/drives.sh"
drives_check_tools mountpoint sha256sum taskset
for program in "$varnolt_exe" "$eraser_exe" "$launch_exe"; do
  [ -f "$program" ] || { echo "missing: $program"; exit 1; }
done
for count in "$tree_files" "$big_tree_files" "$picked" "$others"; do
  [[ "$count" =~ ^[1-9][0-9]*$ ]] || { echo "not a count of files: $count"; exit 1; }
done
[ $((others + picked)) -le 99999 ] || { echo "at most 99,999 files in the folder of d"; exit 1; }
drives_init "$wine_dir" "$work"
# Pinned once the test prefix's own server is sure to run (drives_init): only what this
# benchmark starts from here on inherits the pinning.
cpus=${VARNOLT_BENCH_CPUS-$(($(nproc) - 1))}
[ -z "$cpus" ] || taskset -pc "$cpus" $$ >/dev/null

drive=$work/drive  # T:, the only drive the programs are given anything on
store=$work/store  # each case's files as made, copied onto T: before every run
drives_tmpfs "$drive" 512m
drives_tmpfs "$store" 512m
drives_map t "$drive" hd
drives_start
mkdir "$WINEPREFIX/drive_c/bench"
cp "$varnolt_exe" "$WINEPREFIX/drive_c/bench/Varnolt.exe"
cp "$eraser_exe" "$WINEPREFIX/drive_c/bench/minimal_eraser.exe"
cp "$launch_exe" "$WINEPREFIX/drive_c/bench/timed_launch.exe"
varnolt='C:\bench\Varnolt.exe'
eraser='C:\bench\minimal_eraser.exe'

# The desktop process held for the whole benchmark: no timed run pays for starting it.
drives_hold_desktop

calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
# ratio A B: A / B; "n/a" when B is not above 0 (a start-up as long as a tiny run).
ratio() { awk "BEGIN { if ($2 <= 0) print \"n/a\"; else printf \"%.3f\", $1 / $2 }"; }
min() { printf '%s\n' "$@" | sort -g | sed -n 1p; }

# win PROGRAM ARGS...: runs a Windows program of the clone, as a user would start it.
win() { (cd "$WINEPREFIX/drive_c/windows" && "$(drives_loader)" "$@") </dev/null; }

# launched [--pipe LIST] PROGRAM ARGS...: starts the program through the launcher, which times
# it; prints its seconds. Anything but an end of its own with status 0 fails the benchmark.
last_output=$work/launch.out
launched() {
  local status=0 line
  win "$WINEPREFIX/drive_c/bench/timed_launch.exe" --timeout "$timeout" "$@" >"$last_output" 2>&1 || status=$?
  line=$(sed -n 's/\r$//; /^status=/p' "$last_output")
  if [ "$status" -ne 0 ] || [[ "$line" != "status=0 seconds="* ]]; then
    tr -d '\r' <"$last_output" >&2
    echo "FAILED (launcher status $status): $*" >&2
    exit 1
  fi
  echo "${line#status=0 seconds=}"
}

# The yardstick's own report of its last run: "files=N folders=N".
counted() {
  sed -n 's/\r$//; s/^\(files=[0-9]* folders=[0-9]*\) cover_files=[0-9]*$/\1/p' "$last_output"
}

# make_files DIR FIRST COUNT: files document-NNNNN.txt numbered from FIRST, 4 KiB each, each
# beginning with its own name (so that a swapped or rewritten file shows in a check).
pad=$(printf '%4096s' '')
make_files() {
  local dir=$1 i name
  mkdir -p "$dir"
  for ((i = $2; i < $2 + $3; i++)); do
    printf -v name 'document-%05d.txt' "$i"
    printf '%s' "$name${pad:${#name}}" >"$dir/$name"
  done
}

# make_tree DIR FILES: FILES files in folders of $per_folder under DIR, numbered throughout.
make_tree() {
  local dir=$1 first
  for ((first = 0; first < $2; first += per_folder)); do
    make_files "$(printf '%s/dossier-%03d' "$dir" $((first / per_folder)))" "$first" \
      $((per_folder < $2 - first ? per_folder : $2 - first))
  done
}

# The lists handed over: Windows paths, one a line.
write_list() {  # FILE FOLDER FIRST COUNT
  local i
  for ((i = $3; i < $3 + $4; i++)); do printf 'T:\\%s\\document-%05d.txt\r\n' "$2" "$i"; done >"$1"
}

load_start=$(cut -d ' ' -f 1-3 /proc/loadavg)
first_picked=$((others / 2))
make_tree "$store/a/arbre" "$tree_files"
make_tree "$store/b/arbre" "$big_tree_files"
make_files "$store/c/seuls" "$first_picked" "$picked"
# Made in name order: the folder lists them so (tmpfs lists entries in the order they were made).
make_files "$store/d/dossier" 0 $((others + picked))
write_list "$WINEPREFIX/drive_c/bench/c.txt" seuls "$first_picked" "$picked"
write_list "$WINEPREFIX/drive_c/bench/d.txt" dossier "$first_picked" "$picked"
: >"$WINEPREFIX/drive_c/bench/empty.txt"

# manifest FILE: every entry on T: but those given (GIVEN, paths relative to T: as ./x/y), one a
# line: a folder by its path, a file by its path and its SHA-256. An entry below one given goes
# with it.
manifest() {
  local out=$1
  (
    cd "$drive" || exit 1
    find . -mindepth 1 ! -type f -printf '%p\t%y\n'
    find . -type f -print0 | xargs -0 -r sha256sum | sed 's/^\([0-9a-f]*\)  \(.*\)$/\2\tf \1/'
  ) | LC_ALL=C sort >"$out.all"
  awk -F '\t' 'FILENAME == ARGV[1] { given[$0] = 1; next }
    { path = $1; while (path != ".") { if (path in given) next; sub(/\/[^\/]*$/, "", path) } print }' \
    "$work/given" "$out.all" >"$out"
}

# prepare CASE TARGET GIVEN...: T: holds the case's files at TARGET (and nothing of any other
# case); what should be left once GIVEN (paths relative to T:) are erased is noted.
prepare() {
  local case=$1 target=$2
  shift 2
  rm -rf "${drive:?}/arbre" "$drive/seuls" "$drive/dossier" "$drive/vide.bin"
  cp -a "$store/$case/$target" "$drive/$target"
  printf './%s\n' "$@" >"$work/given"
  manifest "$work/expected"
}

# check LABEL: T: holds exactly what should be left.
check() {
  printf '' >"$work/given"
  manifest "$work/found"
  cmp -s "$work/expected" "$work/found" || {
    { diff "$work/expected" "$work/found" || true; } | sed -n 1,20p >&2
    echo "FAILED: $1 did not leave T: as expected (above: < missing or changed, > left or added)" >&2
    exit 1
  }
}

# expect_counts LABEL FILES FOLDERS: the yardstick says it erased that much.
expect_counts() {
  [ "$(counted)" = "files=$2 folders=$3" ] || {
    tr -d '\r' <"$last_output" >&2
    echo "FAILED: $1 erased $(counted), not files=$2 folders=$3" >&2
    exit 1
  }
}

picked_given() {  # FOLDER: the picked files' paths relative to T:
  local i
  for ((i = first_picked; i < first_picked + picked; i++)); do printf '%s/document-%05d.txt\n' "$1" "$i"; done
}

# measure KEY LAUNCHED_ARGS...: one run, its seconds noted under KEY.
declare -A times=()
measure() {
  local key=$1 seconds
  shift
  seconds=$(launched "$@")
  times[$key]="${times[$key]:-} $seconds"
}

tree_folders() { echo $((($1 + per_folder - 1) / per_folder + 1)); }

for round in $(seq "$repeats"); do
  # Start-up: Varnolt.exe erasing one empty file (its window opens, nothing is written); and the
  # yardstick's own, on an empty list, only to be shown.
  rm -rf "${drive:?}/arbre" "$drive/seuls" "$drive/dossier"
  : >"$drive/vide.bin"
  printf './vide.bin\n' >"$work/given"
  manifest "$work/expected"
  measure startup "$varnolt" 'T:\vide.bin'
  check "Varnolt.exe on an empty file"
  measure eraser_startup "$eraser" --list 'C:\bench\empty.txt'
  expect_counts "the minimal eraser on an empty list" 0 0

  for case in a b; do
    files=$tree_files
    [ "$case" = b ] && files=$big_tree_files
    prepare "$case" arbre arbre
    measure "varnolt_$case" "$varnolt" 'T:\arbre'
    check "Varnolt.exe on the tree of $files files"
    prepare "$case" arbre arbre
    measure "eraser_$case" "$eraser" 'T:\arbre'
    check "the minimal eraser on the tree of $files files"
    expect_counts "the minimal eraser" "$files" "$(tree_folders "$files")"
  done

  mapfile -t given < <(picked_given seuls)
  prepare c seuls "${given[@]}"
  measure varnolt_c --pipe 'C:\bench\c.txt' "$varnolt" -u -p '{pipe}'
  check "Varnolt.exe on $picked files alone in their folder"
  prepare c seuls "${given[@]}"
  measure eraser_c "$eraser" --list 'C:\bench\c.txt'
  check "the minimal eraser on $picked files alone in their folder"
  expect_counts "the minimal eraser" "$picked" 0

  mapfile -t given < <(picked_given dossier)
  prepare d dossier "${given[@]}"
  measure varnolt_d --pipe 'C:\bench\d.txt' "$varnolt" -u -p '{pipe}'
  check "Varnolt.exe on $picked files picked out of $((others + picked))"
  prepare d dossier "${given[@]}"
  measure eraser_d "$eraser" --list 'C:\bench\d.txt'
  check "the minimal eraser on $picked files picked out of $((others + picked))"
  expect_counts "the minimal eraser" "$picked" 0
  echo "round $round of $repeats done" >&2
done

best() {  # KEY: the best of its runs
  local -a runs
  read -ra runs <<<"${times[$1]}"
  min "${runs[@]}"
}
startup=$(best startup)
declare -A v=() e=()
for case in a b c d; do
  v[$case]=$(calc "$(best "varnolt_$case") - $startup")
  e[$case]=$(best "eraser_$case")
done
declare -A count=([a]=$tree_files [b]=$big_tree_files [c]=$picked [d]=$picked)
per_file() { calc "$1 * 1000 / $2"; }

# verdict RATIO GOAL: "ok" when RATIO is at most GOAL, else by how much it is over.
verdict() {
  if [ "$1" = n/a ]; then echo n/a; return 0; fi
  awk "BEGIN { r = $1; g = $2; if (r <= g) print \"ok\"; else printf \"over by %.0f %%\", (r / g - 1) * 100 }"
}

# spread KEY: how far its second best round is above its best, in per cent ("-" after one round).
# A best that the next round comes close to was not a lucky one; a wide spread says the machine
# was busy with other work during some of the rounds.
spread() {
  local -a runs
  read -ra runs <<<"${times[$1]}"
  [ "${#runs[@]}" -ge 2 ] || { echo -; return 0; }
  mapfile -t runs < <(printf '%s\n' "${runs[@]}" | sort -g)
  awk "BEGIN { printf \"%.0f\", (${runs[1]} / ${runs[0]} - 1) * 100 }"
}
unsteady_limit=10
# unsteady KEY...: those whose spread is over the limit.
unsteady() {
  local key found=() percent
  for key; do
    percent=$(spread "$key")
    if [ "$percent" != - ] && [ "$percent" -gt "$unsteady_limit" ]; then found+=("$key"); fi
  done
  echo "${found[*]}"
}

# goal_line LABEL RATIO GOAL KEY...: the ratio, its goal and verdict, and which of the figures it
# comes from (KEY...) were unsteady.
goal_line() {
  local label=$1 ratio=$2 goal=$3 shaky
  shift 3
  shaky=$(unsteady "$@")
  printf '  %-58s %8s   goal <= %s: %s%s\n' "$label" "$ratio" "$goal" "$(verdict "$ratio" "$goal")" \
    "${shaky:+ (unsteady: $shaky)}"
}

echo
echo "Varnolt.exe (Release build) against the minimal eraser, under Wine on a tmpfs drive;"
echo "best of $repeats rounds; files of 4 KiB; on processor(s) ${cpus:-any}"
echo "start-up, Varnolt.exe on one empty file, whole process: $startup s (taken off Varnolt's times)"
echo "start-up, minimal eraser on an empty list, whole process: $(best eraser_startup) s (counted in its times)"
echo
printf '  %-52s %10s %8s %10s %8s %7s\n' "" "Varnolt s" "ms/file" "minimal s" "ms/file" "ratio"
row() {  # CASE LABEL
  printf '  %-52s %10s %8s %10s %8s %7s\n' "$2" "${v[$1]}" "$(per_file "${v[$1]}" "${count[$1]}")" \
    "${e[$1]}" "$(per_file "${e[$1]}" "${count[$1]}")" "$(ratio "${v[$1]}" "${e[$1]}")"
}
row a "a. tree of $tree_files files, $per_folder a folder"
row b "b. tree of $big_tree_files files, $per_folder a folder"
row c "c. $picked files alone in their folder (pipe / list)"
row d "d. $picked picked out of $((others + picked)) (pipe / list)"
echo
v_growth=$(ratio "$(per_file "${v[b]}" "$big_tree_files")" "$(per_file "${v[a]}" "$tree_files")")
e_growth=$(ratio "$(per_file "${e[b]}" "$big_tree_files")" "$(per_file "${e[a]}" "$tree_files")")
v_picked=$(ratio "${v[d]}" "${v[c]}")
e_picked=$(ratio "${e[d]}" "${e[c]}")
v_over_e=n/a
[ "$v_picked" = n/a ] || [ "$e_picked" = n/a ] || v_over_e=$(ratio "$v_picked" "$e_picked")
echo "goals (printed, not asserted):"
goal_line "a. Varnolt.exe / minimal eraser" "$(ratio "${v[a]}" "${e[a]}")" 1.5 varnolt_a eraser_a
goal_line "b. Varnolt.exe / minimal eraser" "$(ratio "${v[b]}" "${e[b]}")" 1.5 varnolt_b eraser_b
goal_line "Varnolt.exe, time a file at $big_tree_files / at $tree_files" "$v_growth" 1.15 varnolt_a varnolt_b
printf '  %-58s %8s\n' "  (minimal eraser, time a file at $big_tree_files / at $tree_files)" "$e_growth"
printf '  %-58s %8s\n' "picked / alone (d / c), Varnolt.exe" "$v_picked"
printf '  %-58s %8s\n' "picked / alone (d / c), minimal eraser" "$e_picked"
goal_line "Varnolt.exe's (d / c) / the minimal eraser's (d / c)" "$v_over_e" 1.3 \
  varnolt_c varnolt_d eraser_c eraser_d
echo
echo "every round, seconds, whole processes; spread: how far the second best round is above the"
echo "best (unsteady over $unsteady_limit %: other work on the machine; compare on a quiet one, or raise"
echo "VARNOLT_BENCH_REPEATS); load average at the start and at the end: $load_start / $(cut -d ' ' -f 1-3 /proc/loadavg)"
for key in startup eraser_startup varnolt_a eraser_a varnolt_b eraser_b varnolt_c eraser_c varnolt_d eraser_d; do
  printf '  %-16s%-40s spread %s %%\n' "$key" "${times[$key]}" "$(spread "$key")"
done
