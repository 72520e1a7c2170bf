#!/usr/bin/env bash
# Benchmark (not a test): what overwriting the free records of an NTFS file table costs. An NTFS
# image (ntfs-3g) gets COUNT small files of 420 bytes, kept inside their records, made and deleted
# (a large file table with as many free records); then erase_items cleans its free space. Prints
# the whole cleaning's time, the records covered, the time their sweeps took (the sum of the
# sweeps' own times: creating, preparing and removing the files come on top) and the fill file's
# sweeps, and whether any marker of the small files is left.
#
#   record_fill.sh WINE_DIR ERASE_ITEMS_EXE WORK_DIR [COUNT [IMAGE_MIB]]
# Needs the superuser (mounts) and FUSE; the image is made here and removed afterwards.
. "$(dirname "$0")/../scripts/strict-mode.sh"
wine_dir=$(realpath -m "$1")
erase_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
count=${4:-5000}
mib=${5:-256}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/wine_support/drives.sh"
drives_check_tools mkntfs ntfs-3g mountpoint
drives_init "$wine_dir" "$work"

dir=$work/ntfs.mnt
image=$work/ntfs.img
drives_image ntfs "$image" "$dir" "$mib"
marker="VARNOLT-BENCH-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
mkdir "$dir/petits"
for i in $(seq 1 "$count"); do { yes "$marker-$i." 2>/dev/null || true; } | head -c 420 >"$dir/petits/$i.txt"; done
sync
rm -r "$dir/petits"
sync
drives_map r "$dir" hd
drives_start
out=$work/erase.txt
start=$(date +%s.%N)
(cd "$WINEPREFIX/drive_c/windows" && "$(drives_loader)" "$erase_exe" --volume "$(drives_token r)" r) >"$out" 2>&1 </dev/null
end=$(date +%s.%N)
drives_stop
drives_unmount "$dir"
left=$({ grep -a -o -F "$marker" "$image" || true; } | wc -l)
awk -v start="$start" -v end="$end" -v count="$count" -v mib="$mib" -v left="$left" '
  /^sweep .*VARNOLT\.REC\\/ { sweeps++; ms = $NF; sub(/ms=/, "", ms); records_ms += ms }
  /^sweep .*VARNOLT\.TMP/ { ms = $NF; sub(/ms=/, "", ms); fill_ms += ms }
  /^create .*VARNOLT\.REC\\[0-9]+ ok/ { made++ }
  END {
    printf "NTFS image %d MiB, %d small files deleted beforehand\n", mib, count
    printf "whole cleaning %.1f s; fill file sweeps %.1f s\n", end - start, fill_ms / 1000
    printf "record files %d (probe and index), swept in 3 sweeps each: %d sweeps, %.1f s of sweeps\n", made, sweeps, records_ms / 1000
    printf "markers of the small files left: %d\n", left
  }' "$out"
