#!/usr/bin/env bash
# Benchmark (not a test): the engine under Wine against dd writing the same bytes with the same
# block size and one flush a sweep, on a tmpfs and on an ext4 loop image.
#   - shredding one 1 GiB file: 3 sweeps of 8192-byte blocks, each flushed;
#   - cleaning the free space of a 256 MiB volume: 3 sweeps of 1 MiB chunks, each flushed.
# The engine's time is its Run() measured inside the process (Wine's start-up left out); its
# whole process is shown too. dd writes zeros: the engine's pseudo-random sweep costs it more.
#
#   run-bench.sh WINE_DIR ERASE_ITEMS_EXE WORK_DIR
# Needs the superuser (mounts); every volume is made here and removed afterwards.
set -euo pipefail
wine_dir=$(realpath -m "$1")
erase_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/wine_support/drives.sh"
drives_check_tools mountpoint mkfs.ext4 dd
drives_init "$wine_dir" "$work"

gib=$((1024 * 1024 * 1024))
drives_tmpfs "$work/file-tmpfs" 1100m
drives_image ext4 "$work/file-ext4.img" "$work/file-ext4" 1200
drives_tmpfs "$work/free-tmpfs" 256m
drives_image ext4 "$work/free-ext4.img" "$work/free-ext4" 256
drives_map t "$work/file-tmpfs" hd
drives_map u "$work/file-ext4" hd
drives_map v "$work/free-tmpfs" hd
drives_map w "$work/free-ext4" hd
drives_start

now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.3f\", $1 }"; }
seconds_since() { calc "$(now) - $1"; }

# engine_run OUT ARGS...: runs erase_items; prints "run_seconds process_seconds".
engine_run() {
  local out=$1 start
  shift
  start=$(now)
  (cd "$WINEPREFIX/drive_c/windows" && "$(drives_loader)" "$erase_exe" --quiet "$@") >"$out" 2>&1 </dev/null
  local process
  process=$(seconds_since "$start")
  local run_ms
  run_ms=$(sed -n 's/^elapsed_ms=//p' "$out")
  echo "$(calc "$run_ms / 1000") $process"
}

rows=()
row() { rows+=("$(printf '%-38s %10.2f %10.2f %10.2f %8.2f' "$1" "$2" "$3" "$4" "$(calc "$2 / $4")")"); }

bench_file() {
  local label=$1 letter=$2 dir=$3
  dd if=/dev/zero of="$dir/big.bin" bs=1M count=1024 status=none
  sync
  local times
  times=$(engine_run "$work/file-$letter.txt" "$letter:\\big.bin")
  grep -q "written=$gib short=0 flushed=1" "$work/file-$letter.txt" || { cat "$work/file-$letter.txt"; echo "engine run failed"; exit 1; }
  [ ! -e "$dir/big.bin" ] || { echo "the file was not erased"; exit 1; }

  dd if=/dev/zero of="$dir/big.bin" bs=1M count=1024 status=none
  sync
  local start
  start=$(now)
  for _ in 1 2 3; do
    dd if=/dev/zero of="$dir/big.bin" bs=8192 count=$((gib / 8192)) conv=notrunc,fsync status=none
  done
  rm "$dir/big.bin"
  row "file 1 GiB, $label" $times "$(seconds_since "$start")"
}

bench_free() {
  local label=$1 letter=$2 dir=$3
  sync
  local times bytes
  times=$(engine_run "$work/free-$letter.txt" --volume "$(drives_token "$letter")" "$letter")
  bytes=$(grep -m1 "^sweep $letter:\\\\VARNOLT.TMP" "$work/free-$letter.txt" | sed 's/.*written=\([0-9]*\).*/\1/')
  [ -n "$bytes" ] && [ "$bytes" -gt 0 ] || { cat "$work/free-$letter.txt"; echo "engine run failed"; exit 1; }
  [ ! -e "$dir/VARNOLT.TMP" ] || { echo "the fill file is left"; exit 1; }

  local start
  start=$(now)
  dd if=/dev/zero of="$dir/FILL" bs=1M count="$bytes" iflag=count_bytes conv=fsync status=none || true
  for _ in 2 3; do
    dd if=/dev/zero of="$dir/FILL" bs=1M count="$bytes" iflag=count_bytes conv=notrunc,fsync status=none || true
  done
  rm -f "$dir/FILL"
  row "free space $((bytes / 1024 / 1024)) MiB, $label" $times "$(seconds_since "$start")"
}

bench_file tmpfs t "$work/file-tmpfs"
bench_file "ext4 loop image" u "$work/file-ext4"
bench_free tmpfs v "$work/free-tmpfs"
bench_free "ext4 loop image" w "$work/free-ext4"

echo
printf '%-38s %10s %10s %10s %8s\n' "" "engine s" "process s" "dd s" "ratio"
printf '%s\n' "${rows[@]}"
echo "(ratio: the engine's Run() time over dd's; 8192-byte blocks for the file, 1 MiB chunks"
echo " for the free space, one fsync a sweep on both sides)"
