#!/usr/bin/env bash
# Varnolt.exe cleaning the free space of an NTFS image keeps its window answering the window
# system to the end: through the fill and its sweeps, and through the last steps, which go
# through every folder (the names of deleted entries) and every free record of the file table.
# The image (ntfs-3g, 96 MiB) holds 200 folders of 10 files, small ones inside their records
# and larger ones, 4 of each folder deleted before the run, and 2000 free records of small
# files deleted; it is a fixed drive of a private clone of the test prefix. The
# program_e2e_tests case probes the window; here, the drive's files must come back unchanged
# from the image, and nothing of ours may be left in its root.
#   window_answers.sh MAIN_WINE_DIR PROGRAM_E2E_TESTS_EXE WORK_DIR
# Exit status 77 (skipped) without the superuser, /dev/fuse or ntfs-3g.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
main_wine_dir=$(realpath -m "$1")
tests_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

drives_check_tools mkntfs ntfs-3g mountpoint sha256sum
[ -c /dev/fuse ] || drives_skip "no /dev/fuse: FUSE is not available"
checksums() { (cd "$1" && find . -type f ! -name VARNOLT-TEST-VOLUME -print0 | sort -z | xargs -0 -r sha256sum); }

drives_init "$main_wine_dir" "$work"
dir=$work/ntfs.mnt
image=$work/ntfs.img
drives_image ntfs "$image" "$dir" 96
for folder in $(seq 1 200); do
  mkdir "$dir/dossier-$folder"
  for file in $(seq 1 10); do
    # Odd ones of a few hundred bytes stay inside their file records; even ones take clusters.
    head -c $((file % 2 ? 300 + file * 40 : file * 4096)) /dev/urandom >"$dir/dossier-$folder/fichier-$file.bin"
  done
  rm "$dir/dossier-$folder/fichier-"{2,3,6,9}.bin
done
# 2000 small files deleted: as many free records of the file table, each of which the
# cleaning overwrites.
mkdir "$dir/corbeille"
for file in $(seq 1 2000); do printf 'note %0300d\n' "$file" >"$dir/corbeille/note-$file.txt"; done
sync
rm -r "$dir/corbeille"
sync
drives_map n "$dir" hd
sums=$(checksums "$dir")
[ "$(wc -l <<<"$sums")" -eq 1200 ] || { echo "FAILED: the image does not hold its 1200 files"; exit 1; }
drives_start

status=0
out=$work/probes.txt
start=$(date +%s.%N)
(cd "$WINEPREFIX/drive_c/windows" &&
  VARNOLT_TEST_DRIVE=N VARNOLT_TEST_WINDOW_PROBES=1 "$(drives_loader)" "$tests_exe" \
    --gtest_filter='*TheFreeSpaceWindowAnswersThroughoutACleaning') </dev/null >"$out" 2>&1 || status=$?
end=$(date +%s.%N)
drives_stop
cat "$out"
echo "the test took $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"
# A filter that matched nothing, or a case that skipped, would end well without a probe.
if [ "$status" -eq 0 ] && ! grep -q -F '[       OK ] ProgramEndToEnd.TheFreeSpaceWindowAnswersThroughoutACleaning' "$out"; then
  echo "FAILED: the probing case did not run"
  status=1
fi

# Compared on the image mounted again: what ntfs-3g wrote, not what it kept in memory.
drives_unmount "$dir"
drives_mount ntfs "$image" "$dir"
[ "$(checksums "$dir")" = "$sums" ] || { echo "FAILED: a file of the drive changed"; status=1; }
ours=$(find "$dir" -maxdepth 1 -iname 'VARNOLT*' ! -name VARNOLT-TEST-VOLUME)
[ -z "$ours" ] || { echo "FAILED: something of ours was left: $ours"; status=1; }
exit "$status"
