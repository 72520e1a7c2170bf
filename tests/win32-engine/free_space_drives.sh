#!/usr/bin/env bash
# The engine under Wine on real volumes, checked from the Linux side.
#
#   free_space_drives.sh SCENARIO MAIN_WINE_DIR ERASE_ITEMS_EXE WORK_DIR
#
#   ntfs, fat   free space of an NTFS image (fixed drive) / a FAT image (removable drive): a large
#               marker file deleted plainly beforehand is in the raw image before the run and not
#               after; no fill file is left; free space and every other file are as before; a
#               VARNOLT.TMP left by an earlier run is taken over and removed (NTFS only: fusefat
#               cannot truncate a file, which the takeover does; FAT on Windows can)
#   size_cap    a file-size cap (ulimit -f) ends each sweep at the cap; no fill file is left
#   cancel      a stop during sweep 1 leaves no fill file and skips the next drive
#   killed      a process killed while the fill file is open leaves no fill file
#   links       links to directories and to files, in a tree on C: and chosen, are not
#               followed, and their targets stay as they were (Wine reports only the links to
#               directories as reparse points; links to files look like plain files there)
#   fill_link   a link named like the fill file, pointing off the drive, is left alone and the
#               drive skipped: its target is neither truncated nor filled nor deleted
#   fill_hardlink  a VARNOLT.TMP that is a second name of a file of the drive: the drive is
#               skipped, and that file keeps its content
#
# Free-space runs use only drive letters of a private prefix clone mapped to volumes made here.
# Exit status 77 (reported as skipped) when the machine lacks the superuser, FUSE or the tools.
set -euo pipefail
scenario=$1
main_wine_dir=$(realpath -m "$2")
erase_exe=$(realpath -m "$3")
work=$(realpath -m "$4")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

mib=$((1024 * 1024))
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# erase_items in the current prefix; its output goes to $1. Returns its exit status.
run_erase() {
  local out=$1
  shift
  (cd "$WINEPREFIX/drive_c/windows" && "$(drives_loader)" "$erase_exe" "$@") >"$out" 2>&1 </dev/null
}

# expect OUT REGEX WHAT: a line of OUT matches REGEX.
expect() { grep -qE -- "$2" "$1" || fail "$3"; }
refuse() { ! grep -qE -- "$2" "$1" || fail "$3"; }

checksums() { (cd "$1" && find . -type f ! -name VARNOLT-TEST-VOLUME -print0 | sort -z | xargs -0 -r sha256sum); }
free_bytes() { stat -f -c '%f %S' "$1" | awk '{ print $1 * $2 }'; }
copies() { { grep -a -o -F "$1" "$2" || true; } | wc -l; }
marker() { echo "VARNOLT-MARK-$1-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"; }
fill_with() { { yes "$1" 2>/dev/null || true; } | head -c "$2" >"$3"; }

# The files a cleaning must not touch.
populate() {
  head -c $((300 * 1024)) /dev/urandom >"$1/keep.bin"
  mkdir -p "$1/sub"
  echo "notes that stay" >"$1/sub/notes.txt"
  head -c 5000 /dev/urandom >"$1/sub/small.bin"
}

# The sweeps of the fill file in OUT: three, each flushed; prints the bytes of the first.
check_fill_sweeps() {
  local out=$1 letter=$2 sweeps
  expect "$out" "^create $letter:\\\\VARNOLT.TMP ok" "the fill file was not created on $letter:"
  expect "$out" "^close $letter:\\\\VARNOLT.TMP" "the fill file was not closed on $letter:"
  sweeps=$(grep -c "^sweep $letter:\\\\VARNOLT.TMP .* flushed=1" "$out" || true)
  [ "$sweeps" -eq 3 ] || fail "$letter: expected 3 flushed sweeps of the fill file, saw $sweeps"
}

scenario_image() {
  local type=$1 letter=$2 drive_type=$3
  drives_check_tools mkntfs ntfs-3g mkfs.vfat fusefat mountpoint
  [ -c /dev/fuse ] || drives_skip "no /dev/fuse"
  drives_init "$main_wine_dir" "$work"
  local image=$work/$type.img dir=$work/$type.mnt
  drives_image "$type" "$image" "$dir" 32
  drives_map "$letter" "$dir" "$drive_type"
  populate "$dir"

  # Deleted plainly: its clusters are free but still hold the marker.
  local deleted old
  deleted=$(marker deleted)
  old=$(marker oldfill)
  fill_with "$deleted" $((4 * mib)) "$dir/deleted.bin"
  sync
  rm "$dir/deleted.bin"
  sync
  local before_copies
  before_copies=$(copies "$deleted" "$image")
  [ "$before_copies" -gt 0 ] || fail "$type: the deleted marker is not in the image before the run: the scan proves nothing"

  local sums free_before
  sums=$(checksums "$dir")
  free_before=$(free_bytes "$dir")
  drives_start

  local out=$work/run1.txt status=0
  run_erase "$out" --volume "$(drives_token "$letter")" --watch-fill "$letter" "$letter" || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "$type: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=1 " "$type: $letter was not collected as one drive"
  check_fill_sweeps "$out" "$letter"
  local first largest
  first=$(grep -m1 "^sweep $letter:\\\\VARNOLT.TMP" "$out" | sed 's/.*written=\([0-9]*\).*/\1/')
  largest=$(sed -n 's/^largest_fill=//p' "$out")
  echo "$type: free before $free_before, sweep 1 wrote ${first:-?}, largest fill file seen ${largest:-?}"
  # With 4 KiB clusters Wine's figure is exact: the fill file must take every free byte.
  [ "${first:-0}" -eq "$free_before" ] || fail "$type: sweep 1 wrote ${first:-0} bytes of $free_before free"
  [ ! -e "$dir/VARNOLT.TMP" ] || fail "$type: VARNOLT.TMP is left after the run"
  [ "$(free_bytes "$dir")" -eq "$free_before" ] || fail "$type: free space $(free_bytes "$dir") after, $free_before before"
  [ "$(checksums "$dir")" = "$sums" ] || fail "$type: a file that was not to be touched changed"

  if [ "$type" = fat ]; then
    # fusefat turns a file truncated to 0 into one that keeps its old size and refuses every
    # write (and may wedge), which the takeover of an old fill file would meet.
    echo "fat: the takeover of an old fill file is checked on NTFS only (fusefat cannot truncate)"
    drives_stop
    drives_unmount "$dir"
    local fat_after
    fat_after=$(copies "$deleted" "$image")
    echo "$type: copies of the deleted marker: $before_copies before, $fat_after after"
    [ "$fat_after" -eq 0 ] || fail "$type: the deleted marker can still be read from the image"
    return
  fi

  # A fill file left by an earlier run (power lost) is taken over and removed.
  fill_with "$old" $mib "$dir/VARNOLT.TMP"
  sync
  out=$work/run2.txt
  status=0
  run_erase "$out" --volume "$(drives_token "$letter")" "$letter" || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "$type: erase_items ended with $status (old fill file)"
  check_fill_sweeps "$out" "$letter"
  [ ! -e "$dir/VARNOLT.TMP" ] || fail "$type: the old VARNOLT.TMP is left"
  [ "$(free_bytes "$dir")" -eq "$free_before" ] || fail "$type: free space not back after taking over the old fill file"
  [ "$(checksums "$dir")" = "$sums" ] || fail "$type: a file that was not to be touched changed (old fill file)"

  drives_stop
  drives_unmount "$dir"
  local after_copies old_copies
  after_copies=$(copies "$deleted" "$image")
  old_copies=$(copies "$old" "$image")
  echo "$type: copies of the deleted marker: $before_copies before, $after_copies after; of the old fill file's marker after: $old_copies"
  [ "$after_copies" -eq 0 ] || fail "$type: the deleted marker can still be read from the image"
  [ "$old_copies" -eq 0 ] || fail "$type: the old fill file's content can still be read from the image"
}

scenario_size_cap() {
  drives_check_tools mountpoint
  drives_init "$main_wine_dir" "$work"
  local dir=$work/cap.mnt cap_kib=16384
  drives_tmpfs "$dir" 48m
  drives_map r "$dir" hd
  populate "$dir"
  local sums
  sums=$(checksums "$dir")
  drives_start

  local out=$work/cap.txt status=0
  # The cap holds for the eraser's process only; SIGXFSZ ignored, a write past it comes up short.
  (ulimit -f "$cap_kib" && trap '' XFSZ && run_erase "$out" --volume "$(drives_token r)" r) || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "size cap: erase_items ended with $status"
  check_fill_sweeps "$out" r
  local capped
  capped=$(grep -c "^sweep r:\\\\VARNOLT.TMP written=$((cap_kib * 1024)) short=1 flushed=1" "$out" || true)
  [ "$capped" -eq 3 ] || fail "size cap: expected each of the 3 sweeps to end short at the cap, saw $capped"
  [ ! -e "$dir/VARNOLT.TMP" ] || fail "size cap: VARNOLT.TMP is left"
  [ "$(checksums "$dir")" = "$sums" ] || fail "size cap: a file that was not to be touched changed"
}

scenario_cancel() {
  drives_check_tools mountpoint
  drives_init "$main_wine_dir" "$work"
  drives_tmpfs "$work/r.mnt" 32m
  drives_tmpfs "$work/s.mnt" 32m
  drives_map r "$work/r.mnt" hd
  drives_map s "$work/s.mnt" floppy
  drives_start
  local out=$work/cancel.txt status=0
  run_erase "$out" --volume "$(drives_token r)" --volume "$(drives_token s)" --stop-at 0 R S || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "cancel: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=2 " "cancel: R and S were not both collected"
  expect "$out" "^create R:\\\\VARNOLT.TMP ok" "cancel: no fill file on R:"
  expect "$out" "^close R:\\\\VARNOLT.TMP" "cancel: the fill file on R: was not closed"
  expect "$out" "^sweep R:\\\\VARNOLT.TMP written=$mib short=0 flushed=1" "cancel: sweep 1 did not stop after its first chunk"
  [ "$(grep -c "^sweep R:\\\\VARNOLT.TMP written=0 short=0 flushed=1" "$out" || true)" -eq 2 ] ||
    fail "cancel: sweeps 2 and 3 should only rewind and flush"
  refuse "$out" "^create S:" "cancel: the second drive was started after the stop"
  expect "$out" "^reports=1 " "cancel: more than the one report that stopped the run"
  [ ! -e "$work/r.mnt/VARNOLT.TMP" ] || fail "cancel: VARNOLT.TMP is left on R:"
  [ ! -e "$work/s.mnt/VARNOLT.TMP" ] || fail "cancel: VARNOLT.TMP exists on S:"
}

scenario_killed() {
  drives_check_tools mountpoint
  drives_init "$main_wine_dir" "$work"
  local dir=$work/r.mnt
  drives_tmpfs "$dir" 32m
  drives_map r "$dir" hd
  drives_start
  local out=$work/killed.txt
  (cd "$WINEPREFIX/drive_c/windows" && exec "$(drives_loader)" "$erase_exe" --volume "$(drives_token r)" --hang-at 0 r) \
    >"$out" 2>&1 </dev/null &
  local pid=$! _
  for _ in $(seq 1 200); do
    grep -q '^HANG' "$out" && break
    sleep 0.05
  done
  grep -q '^HANG' "$out" || fail "killed: the eraser never reached its first report"
  [ -e "$dir/VARNOLT.TMP" ] || fail "killed: no fill file while the eraser runs: this proves nothing"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  for _ in $(seq 1 100); do
    [ -e "$dir/VARNOLT.TMP" ] || break
    sleep 0.05
  done
  if [ -e "$dir/VARNOLT.TMP" ]; then
    fail "killed: VARNOLT.TMP survives the killed process"
  else
    echo "killed: the fill file is gone after the eraser was killed"
  fi
}

scenario_links() {
  "$drives_scripts/wine-prefix.sh" ensure "$main_wine_dir" >/dev/null
  . "$drives_scripts/wine-env.sh" "$main_wine_dir"
  local name=varnolt-links-$$
  links_root=$WINEPREFIX/drive_c/$name
  local root=$links_root
  trap 'rm -rf "$links_root"' EXIT
  rm -rf "$root"
  # Everything, the links' targets included, lies inside this test's own folder.
  mkdir -p "$root/D/S" "$root/outside/deep" "$root/outside/empty"
  echo "erase me" >"$root/D/a.txt"
  echo "erase me too" >"$root/D/S/b.txt"
  head -c 20000 /dev/urandom >"$root/outside/deep/precious.bin"
  ln -s ../outside "$root/D/junction"
  ln -s ../../outside/deep "$root/D/S/up"
  ln -s ../outside/empty "$root/D/to-empty"
  ln -s outside "$root/chosen-link"
  # Links to files: one by another name, one by the same name as its target in another folder.
  echo "twin outside" >"$root/outside/same.txt"
  ln -s ../outside/deep/precious.bin "$root/D/file-link"
  ln -s ../../outside/same.txt "$root/D/S/same.txt"
  ln -s outside/deep/precious.bin "$root/chosen-file-link"
  local sums
  sums=$(cd "$root/outside" && find . -print0 | sort -z | xargs -0 -n1 sh -c 'if [ -f "$0" ]; then sha256sum "$0"; else echo "dir $0"; fi')

  local out=$work/links.txt status=0
  mkdir -p "$work"
  "$drives_scripts/wine-run.sh" "$main_wine_dir" "$erase_exe" "C:\\$name\\D" "C:\\$name\\chosen-link" \
    "C:\\$name\\chosen-file-link" >"$out" 2>&1 </dev/null || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "links: erase_items ended with $status"
  # a.txt, b.txt and the 3 file links; the directory links are items of their own, never entered.
  expect "$out" "^files=5 directories=6 drives=0 " "links: expected 5 file items (3 links) and 6 directory items (4 links)"
  local now
  now=$(cd "$root/outside" 2>/dev/null && find . -print0 | sort -z | xargs -0 -n1 sh -c 'if [ -f "$0" ]; then sha256sum "$0"; else echo "dir $0"; fi') ||
    now="(moved away)"
  [ "$now" = "$sums" ] || fail "links: a link's target was changed, moved or removed"
  [ -z "$(find "$root" -name a.txt -o -name b.txt)" ] || fail "links: the files of the tree were not erased"
  echo "links: left beside the targets: $(cd "$root" && find . -mindepth 1 -path ./outside -prune -o -print | tr '\n' ' ')"
  rm -rf "$work"
}

scenario_fill_link() {
  drives_check_tools mountpoint
  drives_init "$main_wine_dir" "$work"
  local dir=$work/r.mnt target=$work/precious.bin
  drives_tmpfs "$dir" 16m
  drives_map r "$dir" hd
  head -c 50000 /dev/urandom >"$target"
  local sum
  sum=$(sha256sum <"$target")
  ln -s "$target" "$dir/VARNOLT.TMP"
  drives_start
  local out=$work/fill_link.txt status=0
  run_erase "$out" --volume "$(drives_token r)" r || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "fill link: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=1 " "fill link: r was not collected as one drive"
  refuse "$out" "^create r:" "fill link: a fill file was created through the link"
  [ "$(sha256sum <"$target" 2>/dev/null)" = "$sum" ] || fail "fill link: the link's target was changed or removed"
  [ -L "$dir/VARNOLT.TMP" ] || fail "fill link: the link itself is gone"
}

scenario_fill_hardlink() {
  drives_check_tools mountpoint
  drives_init "$main_wine_dir" "$work"
  local dir=$work/r.mnt
  drives_tmpfs "$dir" 16m
  drives_map r "$dir" hd
  mkdir "$dir/keep"
  head -c 50000 /dev/urandom >"$dir/keep/precious.bin"
  ln "$dir/keep/precious.bin" "$dir/VARNOLT.TMP"
  local sum
  sum=$(sha256sum <"$dir/keep/precious.bin")
  drives_start
  local out=$work/fill_hardlink.txt status=0
  run_erase "$out" --volume "$(drives_token r)" r || status=$?
  cat "$out"
  [ "$status" -eq 0 ] || fail "fill hard link: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=1 " "fill hard link: r was not collected as one drive"
  refuse "$out" "^create r:" "fill hard link: the fill file was taken over"
  [ "$(sha256sum <"$dir/keep/precious.bin")" = "$sum" ] || fail "fill hard link: the other name's content changed"
  [ "$(stat -c %h "$dir/keep/precious.bin")" = 2 ] || fail "fill hard link: a name of the file is gone"
}

case "$scenario" in
  ntfs) scenario_image ntfs p hd ;;
  fat) scenario_image fat q floppy ;;
  size_cap) scenario_size_cap ;;
  cancel) scenario_cancel ;;
  killed) scenario_killed ;;
  links) scenario_links ;;
  fill_link) scenario_fill_link ;;
  fill_hardlink) scenario_fill_hardlink ;;
  *)
    echo "usage: $0 ntfs|fat|size_cap|cancel|killed|links|fill_link|fill_hardlink MAIN_WINE_DIR ERASE_ITEMS_EXE WORK_DIR" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ]
