#!/usr/bin/env bash
# Benchmark (not a test) of the program as released, next to yardsticks that do the same writes:
#   - a 1 GiB file on a tmpfs and on an ext4 loop image: Varnolt.exe less its start-up against
#     the minimal program (bench/minimal_writer.cpp: the same opening, three sweeps of
#     8192-byte blocks 0xAA, 0x55, 0xAA, a flush after each, the file deleted at the end as an
#     erase ends) and against `shred -n 3`;
#   - the same file erased by the engine with its sweeps timed one by one (erase_items): the
#     random sweep against the pattern sweeps of the same run; and the minimal program's third
#     sweep writing random data drawn beforehand (a 256 KiB pool, in cache as the engine's one
#     block is) against its own pattern sweeps: what random content at that place costs with no
#     generator at work;
#   - the free space of a 1 GiB tmpfs and of a 256 MiB ext4 image: Varnolt.exe less its
#     start-up against dd filling the same volume three times in 1 MiB writes, each fsynced.
# Start-up is Varnolt.exe erasing an empty file, whole process. Every figure is the best of
# VARNOLT_BENCH_REPEATS rounds (default 5), each measuring every program once: other work on
# the machine only ever slows a run.
#
#   run-bench.sh WINE_DIR VARNOLT_EXE ERASE_ITEMS_EXE MINIMAL_WRITER_EXE WORK_DIR
# Needs the superuser (mounts); every volume is made here and removed afterwards. The drives
# are letters of a private clone of the test prefix, each mapped to one of those volumes only.
. "$(dirname "$0")/../scripts/strict-mode.sh"
wine_dir=$(realpath -m "$1")
varnolt_exe=$(realpath -m "$2")
erase_exe=$(realpath -m "$3")
minimal_exe=$(realpath -m "$4")
work=$(realpath -m "$5")
repeats=${VARNOLT_BENCH_REPEATS:-5}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/wine_support/drives.sh"
drives_check_tools mountpoint mkfs.ext4 dd shred stat
for program in "$varnolt_exe" "$erase_exe" "$minimal_exe"; do
  [ -f "$program" ] || { echo "missing: $program"; exit 1; }
done
drives_init "$wine_dir" "$work"

gib=$((1024 * 1024 * 1024))
drives_tmpfs "$work/file-tmpfs" 1100m
drives_image ext4 "$work/file-ext4.img" "$work/file-ext4" 1200
# 1 GiB: dd fills a smaller tmpfs three times in less than 0.2 s, where a tenth of a second of
# the program's start-up varying from run to run would decide the ratio.
drives_tmpfs "$work/free-tmpfs" 1024m
drives_image ext4 "$work/free-ext4.img" "$work/free-ext4" 256
drives_map t "$work/file-tmpfs" hd
drives_map u "$work/file-ext4" hd
drives_map v "$work/free-tmpfs" hd
drives_map w "$work/free-ext4" hd
drives_start

# Windows keeps its desktop process running all the time; Wine starts one (explorer.exe) for the
# first program that needs it and ends it about half a second after the last one. Held here for
# the whole benchmark, so that no timed run pays for starting it: otherwise the start-up runs,
# made back to back, would find it running while each run after a 1 GiB file is written would
# start it anew, and less its start-up would still count it.
drives_hold_desktop

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
min() { printf '%s\n' "$@" | sort -g | sed -n 1p; }

# win PROGRAM ARGS...: runs a Windows program of the clone, as a user would start it.
win() { (cd "$WINEPREFIX/drive_c/windows" && "$(drives_loader)" "$@") </dev/null; }

# timed COMMAND...: runs it; prints its whole time in seconds. A failing command ends the run.
timed() {
  local start status=0
  start=$(now)
  "$@" >"$work/last.out" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    cat "$work/last.out"
    echo "FAILED ($status): $*" >&2
    exit 1
  fi
  calc "$(now) - $start"
}

big_file() {  # a 1 GiB file of zeros, written out and settled
  dd if=/dev/zero of="$1" bs=1M count=1024 status=none
  sync
}

gone() { [ ! -e "$1" ] || { echo "FAILED: $1 is left" >&2; exit 1; }; }

declare -A result=()

# Start-up: Varnolt.exe erasing an empty file (its window opens, nothing is written).
startups=()
for _ in $(seq "$repeats"); do
  : >"$work/file-tmpfs/empty.bin"
  startups+=("$(timed win "$varnolt_exe" 'T:\empty.bin')")
  gone "$work/file-tmpfs/empty.bin"
done
startup=$(min "${startups[@]}")

bench_file() {
  local fs=$1 letter=$2 dir=$3 _ ms
  local file="$dir/big.bin" path="$letter:\\big.bin" out=$work/sweeps-$letter.txt
  local varnolt=() minimal=() removal=() shredding=() pool_pattern=() pool_random=()
  local pattern=() random=()

  # One round measures each program once, so that the disk's own drift over the minutes of the
  # benchmark (the loop image's backing file is written back by the machine in its own time)
  # falls alike on all of them rather than on whichever ran last.
  for _ in $(seq "$repeats"); do
    big_file "$file"
    varnolt+=("$(timed win "$varnolt_exe" "$path")")
    gone "$file"

    # The yardstick ends as an erase does, the file deleted: on a tmpfs that frees 1 GiB of
    # pages, a cost of the file system that no eraser avoids (shown on its own below).
    big_file "$file"
    minimal+=("$(timed win "$minimal_exe" --delete "$path")")
    gone "$file"

    big_file "$file"
    removal+=("$(timed rm "$file")")

    big_file "$file"
    shredding+=("$(timed shred -n 3 "$file")")

    # The minimal program again, its third sweep writing random data drawn beforehand into a
    # 256 KiB pool: what random content costs at that place in the run with no generator at
    # work (the pool stays in cache, as the engine's one random block does).
    win "$minimal_exe" --random-third "$path" >"$out" 2>&1
    mapfile -t ms < <(sed -n 's/^sweep .* ms=\([0-9.]*\).*/\1/p' "$out")
    [ "${#ms[@]}" -eq 3 ] || { cat "$out"; echo "FAILED: the minimal program" >&2; exit 1; }
    pool_pattern+=("$(calc "(${ms[0]} + ${ms[1]}) / 2000")")
    pool_random+=("$(calc "${ms[2]} / 1000")")
    rm -f "$file"

    # The engine's own sweeps, timed from each rewind to the end of its flush.
    big_file "$file"
    win "$erase_exe" --quiet "$path" >"$out" 2>&1
    gone "$file"
    [ "$(grep -c "^sweep $letter:\\\\big.bin written=$gib short=0 flushed=1 ms=" "$out")" -eq 3 ] ||
      { cat "$out"; echo "FAILED: the engine did not sweep the file three times" >&2; exit 1; }
    mapfile -t ms < <(sed -n 's/^sweep .* ms=\([0-9.]*\).*/\1/p' "$out")
    pattern+=("$(calc "(${ms[0]} + ${ms[1]}) / 2000")")
    random+=("$(calc "${ms[2]} / 1000")")
  done
  result[varnolt_$fs]=$(calc "$(min "${varnolt[@]}") - $startup")
  result[minimal_$fs]=$(min "${minimal[@]}")
  result[rm_$fs]=$(min "${removal[@]}")
  result[shred_$fs]=$(min "${shredding[@]}")
  result[pool_pattern_$fs]=$(min "${pool_pattern[@]}")
  result[pool_random_$fs]=$(min "${pool_random[@]}")
  result[pattern_$fs]=$(min "${pattern[@]}")
  result[random_$fs]=$(min "${random[@]}")
}

# fill_three_times DIR BYTES: dd writes BYTES three times over one file, 1 MiB a write, each
# pass fsynced (a pass cut short by a full volume is fsynced all the same).
fill_three_times() {
  local dir=$1 bytes=$2 pass flags=fsync
  for pass in 1 2 3; do
    dd if=/dev/zero of="$dir/FILL" bs=1M count="$bytes" iflag=count_bytes conv="$flags" status=none 2>/dev/null ||
      sync "$dir/FILL"
    flags=notrunc,fsync
    [ "$pass" -eq 1 ] && bytes=$(stat -c %s "$dir/FILL")
  done
  rm -f "$dir/FILL"
}

bench_free() {
  local fs=$1 letter=$2 dir=$3 _ available
  # One run watched, not timed: the fill file must really cover the volume (a program that
  # could not open its window would end at once, having written nothing). Its largest size is
  # what dd writes then: the same bytes, where root could otherwise also fill the blocks ext4
  # keeps in reserve, which Wine does not count as free.
  sync
  available=$(( $(stat -f -c '%a * %S' "$dir") ))
  win "$varnolt_exe" "$letter" >/dev/null 2>&1 &
  local pid=$! fill=0 size
  while kill -0 "$pid" 2>/dev/null; do
    size=$(stat -c %s "$dir/VARNOLT.TMP" 2>/dev/null || echo 0)
    [ "$size" -gt "$fill" ] && fill=$size
    sleep 0.01
  done
  wait "$pid"
  gone "$dir/VARNOLT.TMP"
  [ "$fill" -ge $((available * 98 / 100 - 4 * 1024 * 1024)) ] ||
    { echo "FAILED: the fill file reached $fill bytes, with $available available" >&2; exit 1; }

  local varnolt=() filling=()
  for _ in $(seq "$repeats"); do  # in rounds, as for the file
    sync
    varnolt+=("$(timed win "$varnolt_exe" "$letter")")
    gone "$dir/VARNOLT.TMP"
    sync
    filling+=("$(timed fill_three_times "$dir" "$fill")")
  done
  result[varnolt_free_$fs]=$(calc "$(min "${varnolt[@]}") - $startup")
  result[free_mib_$fs]=$((fill / 1024 / 1024))
  result[dd_free_$fs]=$(min "${filling[@]}")
}

bench_file tmpfs t "$work/file-tmpfs"
bench_file ext4 u "$work/file-ext4"
bench_free tmpfs v "$work/free-tmpfs"
bench_free ext4 w "$work/free-ext4"

# verdict RATIO GOAL: "ok" when RATIO is at most GOAL, else by how much it is over.
verdict() { awk "BEGIN { r = $1; g = $2; if (r <= g) print \"ok\"; else printf \"over by %.0f %%\", (r / g - 1) * 100 }"; }
line() { printf '  %-50s %8s %8s\n' "$@"; }
ratio_line() {  # LABEL A_TMPFS B_TMPFS A_EXT4 B_EXT4 GOAL_TMPFS GOAL_EXT4
  local rt re
  rt=$(calc "$2 / $3")
  re=$(calc "$4 / $5")
  printf '  %-50s %8s %8s   goal <= %s / %s: %s / %s\n' "$1" "$rt" "$re" "$6" "$7" \
    "$(verdict "$rt" "$6")" "$(verdict "$re" "$7")"
}

echo
echo "Varnolt.exe (Release build) under Wine; best of $repeats rounds; seconds"
echo "start-up, an empty file, whole process: $startup"
echo
line "1 GiB file, three sweeps" tmpfs "ext4 img"
line "Varnolt.exe, less its start-up" "${result[varnolt_tmpfs]}" "${result[varnolt_ext4]}"
line "minimal program, same writes, deleted (whole)" "${result[minimal_tmpfs]}" "${result[minimal_ext4]}"
line "of which: deleting the file (rm)" "${result[rm_tmpfs]}" "${result[rm_ext4]}"
line "shred -n 3" "${result[shred_tmpfs]}" "${result[shred_ext4]}"
line "engine: one pattern sweep (mean of two)" "${result[pattern_tmpfs]}" "${result[pattern_ext4]}"
line "engine: the random sweep" "${result[random_tmpfs]}" "${result[random_ext4]}"
line "minimal program: one pattern sweep (mean of two)" "${result[pool_pattern_tmpfs]}" "${result[pool_pattern_ext4]}"
line "minimal program: third sweep, random data pooled" "${result[pool_random_tmpfs]}" "${result[pool_random_ext4]}"
ratio_line "Varnolt.exe / minimal program" "${result[varnolt_tmpfs]}" "${result[minimal_tmpfs]}" \
  "${result[varnolt_ext4]}" "${result[minimal_ext4]}" 1.15 1.10
ratio_line "Varnolt.exe / shred -n 3" "${result[varnolt_tmpfs]}" "${result[shred_tmpfs]}" \
  "${result[varnolt_ext4]}" "${result[shred_ext4]}" 0.999 0.999
ratio_line "engine: random sweep / pattern sweep" "${result[random_tmpfs]}" "${result[pattern_tmpfs]}" \
  "${result[random_ext4]}" "${result[pattern_ext4]}" 1.10 1.10
printf '  %-50s %8s %8s   (no generator: 256 KiB drawn beforehand)\n' \
  "minimal: random-data sweep / pattern sweep" \
  "$(calc "${result[pool_random_tmpfs]} / ${result[pool_pattern_tmpfs]}")" \
  "$(calc "${result[pool_random_ext4]} / ${result[pool_pattern_ext4]}")"
echo
line "free space (${result[free_mib_tmpfs]} / ${result[free_mib_ext4]} MiB)" tmpfs "ext4 img"
line "Varnolt.exe, less its start-up" "${result[varnolt_free_tmpfs]}" "${result[varnolt_free_ext4]}"
line "dd, three fills of 1 MiB writes, fsync" "${result[dd_free_tmpfs]}" "${result[dd_free_ext4]}"
ratio_line "Varnolt.exe / dd" "${result[varnolt_free_tmpfs]}" "${result[dd_free_tmpfs]}" \
  "${result[varnolt_free_ext4]}" "${result[dd_free_ext4]}" 1.15 1.15
