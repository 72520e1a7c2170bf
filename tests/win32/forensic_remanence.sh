#!/usr/bin/env bash
# Data remanence on real file systems: on an NTFS image (ntfs-3g), a FAT image (fusefat) and an
# exFAT image (exfat-fuse over a loop device, as most sticks of 64 GB and more are formatted),
# each mapped as a drive letter of the test prefix, a file full of one unique marker is shredded
# by shred_files.exe and a twin full of another marker is deleted plainly (cmd's del). With the
# image unmounted, a raw scan must find no copy of the shredded marker, and still find the
# plainly deleted one, which shows the scan does see deleted data. The Sleuth Kit (when
# installed) reads every deleted entry back: nothing of the shredded marker from the shredded
# file's entry (under its random name), and a third marker from a control file deleted from
# Linux after the run (fusefat leaves no entry of a file deleted last in a folder for fls).
#
#   forensic_remanence.sh WINE_DIR SHRED_FILES_EXE WORK_DIR
#
# The images are drives of a private clone of the test prefix (drives.sh). Exit status 77
# (reported as skipped) when the machine lacks the superuser, /dev/fuse or the tools.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
wine_dir=$(realpath -m "$1")
shred_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

drives_check_tools mkntfs ntfs-3g mkfs.vfat fusefat mountpoint
[ -c /dev/fuse ] || drives_skip "no /dev/fuse: FUSE is not available"

image_size_mib=24
file_size=$((256 * 1024))  # far beyond what NTFS keeps inside the file's own record

random_hex() { od -An -N8 -tx1 /dev/urandom | tr -d ' \n'; }
# A file of $file_size bytes holding one marker line after another.
fill() { { yes "$1" 2>/dev/null || true; } | head -c "$file_size" >"$2"; }
count() { { grep -a -o -F "$1" "$2" || true; } | wc -l; }
# Runs a Windows program in the clone (drives_start has started its server).
run() { (cd "$WINEPREFIX/drive_c/windows" && "$@") </dev/null; }

# Each file system gets its image, a drive letter and its two marked files.
drives_init "$wine_dir" "$work"
types=(ntfs fat)
if drives_exfat_works; then types+=(exfat); else echo "exfat: no loop device or exfat-fuse here: not checked"; fi
declare -A letter_of=([ntfs]=n [fat]=m [exfat]=x) shredded_of=() plain_of=()
for type in "${types[@]}"; do
  drives_image "$type" "$work/$type.img" "$work/$type.mnt" "$image_size_mib"
  drives_map "${letter_of[$type]}" "$work/$type.mnt" hd
  shredded_of[$type]="VARNOLT-SHREDDED-$(random_hex)"
  plain_of[$type]="VARNOLT-PLAIN-$(random_hex)"
  fill "${shredded_of[$type]}" "$work/$type.mnt/secret.bin"
  fill "${plain_of[$type]}" "$work/$type.mnt/plain.bin"
done
sync
drives_start

failures=0
declare -A status_of=() left_of=()
for type in "${types[@]}"; do
  letter=${letter_of[$type]}
  status_of[$type]=0
  run "$(drives_loader)" "$shred_exe" "$letter:\\secret.bin" || status_of[$type]=$?
  run "$WINE" cmd /c del "$letter:\\plain.bin" >/dev/null
  left_of[$type]=$(ls -A "$work/$type.mnt" | grep -vx VARNOLT-TEST-VOLUME || true)
done
drives_stop
declare -A control_of=()
for type in "${types[@]}"; do
  control_of[$type]="VARNOLT-CONTROL-$(random_hex)"
  # Not the last entry of its folder: fusefat ends a folder's list before deleted last entries.
  mkdir -p "$work/$type.mnt/control"
  fill "${control_of[$type]}" "$work/$type.mnt/control/control.bin"
  echo stays >"$work/$type.mnt/control/after.txt"
  sync
  rm "$work/$type.mnt/control/control.bin"
done

# With each image unmounted (everything written), the raw scan.
for type in "${types[@]}"; do
  drives_unmount "$work/$type.mnt"
  shredded_copies=$(count "${shredded_of[$type]}" "$work/$type.img")
  plain_copies=$(count "${plain_of[$type]}" "$work/$type.img")
  left=${left_of[$type]}
  echo "$type: shred_files status ${status_of[$type]}; left in the root: [${left//$'\n'/ }]; copies of" \
       "the shredded marker: $shredded_copies; of the plainly deleted marker: $plain_copies"
  if [ "${status_of[$type]}" -ne 0 ] || [ -n "$left" ]; then
    echo "FAILED ($type): both files should be gone"
    failures=$((failures + 1))
  fi
  if [ "$shredded_copies" -ne 0 ]; then
    echo "FAILED ($type): the shredded file's content can still be read from the disk"
    failures=$((failures + 1))
  fi
  if [ "$plain_copies" -eq 0 ]; then
    echo "FAILED ($type): the plainly deleted file left nothing: this scan proves nothing"
    failures=$((failures + 1))
  fi
  if command -v fls >/dev/null && command -v icat >/dev/null; then
    # Every deleted entry of the image with what icat reads back of it.
    shredded_read=0 control_read=0
    while IFS=$'\t' read -r entry name; do
      address=${entry##* }
      address=${address%:}
      data=$(icat -f "$type" "$work/$type.img" "$address" 2>/dev/null | grep -a -o -F -e "${shredded_of[$type]}" -e "${control_of[$type]}" || true)
      shredded_read=$((shredded_read + $(printf '%s\n' "$data" | grep -c -x -F -e "${shredded_of[$type]}" || true)))
      control_read=$((control_read + $(printf '%s\n' "$data" | grep -c -x -F -e "${control_of[$type]}" || true)))
    done < <(fls -r -p -d -f "$type" "$work/$type.img" 2>/dev/null | grep -v '\$OrphanFiles' || true)
    echo "$type: icat over the deleted entries reads $shredded_read copies of the shredded marker, $control_read of the control's"
    if [ "$shredded_read" -ne 0 ]; then
      echo "FAILED ($type): a deleted entry still gives the shredded file's content back"
      failures=$((failures + 1))
    fi
    if [ "$control_read" -eq 0 ]; then
      echo "FAILED ($type): icat reads nothing of the control deleted after the run: this check proves nothing"
      failures=$((failures + 1))
    fi
  fi
done
[ "$failures" -eq 0 ]
