#!/usr/bin/env bash
# Data remanence on real file systems: on an NTFS image (ntfs-3g) and a FAT image (fusefat),
# each mapped as a drive letter of the test prefix, a file full of one unique marker is shredded
# by shred_files.exe and a twin full of another marker is deleted plainly (cmd's del). With the
# image unmounted, a raw scan must find no copy of the shredded marker, and still find the
# plainly deleted one, which shows the scan does see deleted data.
#
#   forensic_remanence.sh WINE_DIR SHRED_FILES_EXE WORK_DIR
#
# Exit status 77 (reported as skipped) when the machine lacks what the test needs: the
# superuser, /dev/fuse, the file system tools.
set -euo pipefail
wine_dir=$(realpath -m "$1")
shred_exe=$(realpath -m "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
scripts=$(cd "$here/../../scripts" && pwd)
export PATH="$PATH:/usr/sbin:/sbin"

skip() {
  echo "SKIPPED: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "mounting the test images needs the superuser"
[ -c /dev/fuse ] || skip "no /dev/fuse: FUSE is not available"
for tool in mkntfs ntfs-3g mkfs.vfat fusefat umount mountpoint; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh)"
done

. "$scripts/wine-env.sh" "$wine_dir"
"$scripts/wine-prefix.sh" ensure "$wine_dir"

image_size_mib=24
file_size=$((256 * 1024))  # far beyond what NTFS keeps inside the file's own record

# Every way out unmounts, stops the file system processes, unmaps the drives and drops the images.
mounts=()
daemons=()
letters=()
unmount_all() {
  local dir
  for dir in "$@"; do
    if mountpoint -q "$dir"; then
      umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || true
    fi
  done
}
cleanup() {
  local status=$?
  unmount_all "${mounts[@]}"
  for pid in "${daemons[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for letter in "${letters[@]}"; do
    rm -f "$WINEPREFIX/dosdevices/$letter:"
  done
  if [ -z "${VARNOLT_KEEP_IMAGES:-}" ]; then
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A run killed outright (a CTest timeout) can have left its mounts behind.
unmount_all "$work"/*.mnt
rm -rf --one-file-system "$work"
mkdir -p "$work"

random_hex() { od -An -N8 -tx1 /dev/urandom | tr -d ' \n'; }

# A file of $file_size bytes holding one marker line after another.
fill() {
  { yes "$1" 2>/dev/null || true; } | head -c "$file_size" >"$2"
}

# Mounts image $2 (file system $1) on $3 and waits until it is there. The file system process
# runs in the foreground of a background job, so its end (everything written) can be awaited.
mount_image() {
  local type=$1 image=$2 dir=$3 log=$work/$type.log
  mkdir -p "$dir"
  case "$type" in
    ntfs) ntfs-3g -o no_detach "$image" "$dir" </dev/null >"$log" 2>&1 & ;;
    fat) fusefat -f -o rw+ "$image" "$dir" </dev/null >"$log" 2>&1 & ;;
  esac
  daemons+=("$!")
  mounts+=("$dir")
  for _ in $(seq 1 100); do
    mountpoint -q "$dir" && return 0
    sleep 0.05
  done
  echo "FAILED: could not mount the $type image:"
  cat "$log"
  return 1
}

# Unmounts $1 and waits for its file system process $2 to finish writing the image.
unmount_image() {
  local dir=$1 pid=$2
  for _ in $(seq 1 50); do
    umount "$dir" 2>/dev/null && break
    sleep 0.1
  done
  if mountpoint -q "$dir"; then
    echo "FAILED: $dir stays busy"
    return 1
  fi
  wait "$pid" || true
}

count() { { grep -a -o -F "$1" "$2" || true; } | wc -l; }

failures=0
# check TYPE LETTER: one file system, one drive letter.
check() {
  local type=$1 letter=$2
  local image=$work/$type.img dir=$work/$type.mnt
  local shredded="VARNOLT-SHREDDED-$(random_hex)" plain="VARNOLT-PLAIN-$(random_hex)"

  truncate -s "${image_size_mib}M" "$image"
  case "$type" in
    ntfs) mkntfs -q -F -f "$image" >/dev/null 2>&1 ;;
    fat) mkfs.vfat "$image" >/dev/null ;;
  esac
  mount_image "$type" "$image" "$dir"
  local pid=${daemons[-1]}
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
  letters+=("$letter")

  fill "$shredded" "$dir/secret.bin"
  fill "$plain" "$dir/plain.bin"
  sync

  local shred_status=0
  "$scripts/wine-run.sh" "$wine_dir" "$shred_exe" "$letter:\\secret.bin" || shred_status=$?
  "$scripts/wine-run.sh" "$wine_dir" cmd /c del "$letter:\\plain.bin" >/dev/null
  local left
  left=$(ls -A "$dir")
  rm -f "$WINEPREFIX/dosdevices/$letter:"
  unmount_image "$dir" "$pid"

  local shredded_copies plain_copies
  shredded_copies=$(count "$shredded" "$image")
  plain_copies=$(count "$plain" "$image")
  echo "$type: shred_files status $shred_status; left in the root: [${left//$'\n'/ }]; copies of the" \
       "shredded marker: $shredded_copies; of the plainly deleted marker: $plain_copies"
  if [ "$shred_status" -ne 0 ] || [ -n "$left" ]; then
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
  rm -f "$image"
}

check ntfs n
check fat m
[ "$failures" -eq 0 ]
