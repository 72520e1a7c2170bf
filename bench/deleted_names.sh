#!/usr/bin/env bash
# Benchmark (not a test): what covering the deleted names of a drive's standing folders costs.
# An image of IMAGE_MIB (FAT32 through fusefat, exFAT through exfat-fuse, or NTFS through
# ntfs-3g) gets FOLDERS folders of 5 small files each, 2 of which are then deleted; its free
# space is cleaned twice, on a copy of the image each time: by BASELINE_EXE (an erase_items
# built without the step) and by ERASE_ITEMS_EXE. Prints both times, the files made new and
# the time their making took (under Wine each new name costs a scan of its whole folder).
#
#   deleted_names.sh WINE_DIR ERASE_ITEMS_EXE BASELINE_EXE WORK_DIR [fat|exfat|ntfs [FOLDERS [IMAGE_MIB]]]
# Needs the superuser (mounts) and FUSE; the images are made here and removed afterwards.
. "$(dirname "$0")/../scripts/strict-mode.sh"
wine_dir=$(realpath -m "$1")
erase_exe=$(realpath -m "$2")
baseline_exe=$(realpath -m "$3")
work=$(realpath -m "$4")
type=${5:-fat}
folders=${6:-2000}
mib=${7:-256}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/wine_support/drives.sh"
drives_init "$wine_dir" "$work"

dir=$work/$type.mnt
image=$work/$type.img
drives_image "$type" "$image" "$dir" "$mib"
# In a folder of their own: fusefat keeps the root to its first cluster.
mkdir "$dir/arbre"
for i in $(seq 1 "$folders"); do
  mkdir "$dir/arbre/dossier-$i"
  for j in 1 2 3 4 5; do echo "fichier $i $j" >"$dir/arbre/dossier-$i/document-numero-$j.txt"; done
  rm "$dir/arbre/dossier-$i/document-numero-2.txt" "$dir/arbre/dossier-$i/document-numero-4.txt"
done
sync
drives_unmount "$dir"
cp "$image" "$work/pristine.img"

# clean EXE LABEL: one cleaning of a fresh copy of the image; prints its figures.
clean() {
  cp "$work/pristine.img" "$image"
  drives_mount "$type" "$image" "$dir"
  drives_map r "$dir" hd
  drives_start
  local out=$work/erase-$2.txt
  (cd "$WINEPREFIX/drive_c/windows" && "$(drives_loader)" "$1" --quiet --volume "$(drives_token r)" r) >"$out" 2>&1 </dev/null
  drives_stop
  drives_unmount "$dir"
  awk -v label="$2" '
    /^elapsed_ms=/ { sub(/elapsed_ms=/, ""); elapsed = $0 }
    /^new_files=/ { split($1, n, "="); split($2, m, "="); files = n[2]; ms = m[2] }
    END {
      if (files == "") printf "%s: cleaning %.1f s\n", label, elapsed / 1000
      else printf "%s: cleaning %.1f s; %d files made new, their making %.1f s\n", label, elapsed / 1000, files, ms / 1000
    }' "$out"
}

echo "$type image of $mib MiB, $folders folders of 3 files (2 deleted from each)"
clean "$baseline_exe" "without the step"
clean "$erase_exe" "with the step"
