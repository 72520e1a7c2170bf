#!/usr/bin/env bash
# The engine under Wine on real volumes, checked from the Linux side.
#
#   free_space_drives.sh SCENARIO MAIN_WINE_DIR ERASE_ITEMS_EXE WORK_DIR
#
#   ntfs, fat, exfat   free space of an NTFS image (fixed drive) / a FAT or exFAT image
#               (removable drive; exFAT through exfat-fuse over a loop device): a large
#               marker file and small ones (with clusters of their own) deleted plainly beforehand
#               are in the raw image before the run and not after, neither in a raw scan nor in
#               what The Sleuth Kit reads back (fls lists none of their entries), while a file
#               deleted plainly after the run is found both ways (the control); no fill file is
#               left; free space and every other file are as before; then a user's VARNOLT.TMP,
#               VARNOLT.FILL\VARNOLT.TMP and VARNOLT.REC holding files named as ours stay as they
#               are through a second cleaning, which fills beside them (VARNOLT1.TMP) and names
#               them at its end
#   size_cap    an ext4 image on which one file may not grow past 16 MiB (ulimit -f): more fill
#               files take the free space past the cap, the deleted marker found before the run
#               is gone after it, no fill file is left and every other file is as before
#   cancel      a stop during sweep 1 leaves no fill file and skips the next drive
#   killed      a process killed while the fill file is open leaves no fill file; one killed in
#               the records' part of an NTFS image's cleaning leaves only its folder, marked as
#               ours, which the next cleaning removes: nothing of ours stays, nothing else changes
#   fill_folder a root that takes no new file (a layer over the real backend refuses them): the
#               fill file goes into a private folder of ours, marked, gone at the end
#   links       links to directories and to files, in a tree on C: and chosen, are not
#               followed, and their targets stay as they were (Wine reports only the links to
#               directories as reparse points; links to files look like plain files there)
#   fill_link   a link named like the fill file, pointing off the drive, is left alone (named at
#               the end), the fill file takes the next name: the target is never written
#   fill_hardlink  a VARNOLT.TMP that is a second name of a file of the drive: left alone, that
#               file keeps its content, the free space is cleaned beside it
#
# Free-space runs use only drive letters of a private prefix clone mapped to volumes made here.
# Exit status 77 (reported as skipped) when the machine lacks the superuser, FUSE or the tools.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
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

# The records' folder of a run: VARNOLT-, 32 hexadecimal digits, .REC (its name marked as ours).
rec_folder='VARNOLT-[0-9a-f]{32}\.REC'
# What a run did, without a line for each file of the records' folder (hundreds of them on
# NTFS), so that a failure below stays in sight: those are counted instead.
show_run() {
  grep -v -E "^(create|create-new|close|delete|sweep) [a-zA-Z]:\\\\$rec_folder\\\\" "$1" || true
  local records
  records=$(grep -c -E "^create-new [a-zA-Z]:\\\\$rec_folder\\\\.* ok" "$1" || true)
  [ "$records" -eq 0 ] || echo "($records files made in the records' folder)"
}
# Nothing of ours in DIR: no fill file, no folder of ours (any name we use).
ours_left() { find "$1" -maxdepth 1 -iname 'VARNOLT*' ! -name VARNOLT-TEST-VOLUME "${@:2}" | sort; }

# expect OUT REGEX WHAT: a line of OUT matches REGEX.
expect() { grep -qE -- "$2" "$1" || fail "$3"; }
refuse() { ! grep -qE -- "$2" "$1" || fail "$3"; }

checksums() { (cd "$1" && find . -type f ! -name VARNOLT-TEST-VOLUME -print0 | sort -z | xargs -0 -r sha256sum); }
free_bytes() { stat -f -c '%f %S' "$1" | awk '{ print $1 * $2 }'; }
copies() { { grep -a -o -F "$1" "$2" || true; } | wc -l; }
marker() { echo "VARNOLT-MARK-$1-$(od -An -N8 -tx1 /dev/urandom | tr -d ' \n')"; }
fill_with() { { yes "$1" 2>/dev/null || true; } | head -c "$2" >"$3"; }

# The Sleuth Kit on an unmounted image: its deleted entries, listed once and read whole (a reader
# that stopped at its first match would leave fls writing into a closed pipe); the address of
# the deleted entry whose path is NAME (empty when the entry is gone or reused); the marker
# copies in what icat reads back.
list_deleted() { deleted_listing=$(fls -r -p -d -f "$1" "$2" 2>/dev/null); }
deleted_address() {
  awk -F'\t' -v name="$1" '$2 == name { n = split($1, f, " "); sub(/:$/, "", f[n]); print f[n]; exit }' \
    <<<"$deleted_listing"
}
icat_copies() { { icat -f "$1" "$2" "$3" 2>/dev/null | grep -a -o -F "$4" || true; } | wc -l; }

# The files a cleaning must not touch.
populate() {
  head -c $((300 * 1024)) /dev/urandom >"$1/keep.bin"
  mkdir -p "$1/sub"
  echo "notes that stay" >"$1/sub/notes.txt"
  head -c 5000 /dev/urandom >"$1/sub/small.bin"
}

# The sweeps of the fill file in OUT, each flushed: three on a fixed drive, whose storage Wine
# cannot tell; one on a removable drive, which reads as flash, whose fill is then asked of the
# drive to discard (Wine refuses that: error 50) without changing the end of the run.
check_fill_sweeps() {
  local out=$1 letter=$2 sweeps expected=3 upper
  upper=$(printf '%s' "$letter" | tr '[:lower:]' '[:upper:]')
  expect "$out" "^create-new $letter:\\\\VARNOLT.TMP ok" "the fill file was not created on $letter:"
  expect "$out" "^close $letter:\\\\VARNOLT.TMP" "the fill file was not closed on $letter:"
  if [ "$(drives_type "$letter")" = floppy ]; then
    expected=1
    expect "$out" "^storage $upper:\\\\ flash" "$letter: a removable drive did not read as flash"
    expect "$out" "^trim $letter:\\\\VARNOLT.TMP 0\\+[1-9][0-9]* failed error=50" "$letter: the fill was not asked to be discarded"
  else
    expect "$out" "^storage $upper:\\\\ unknown" "$letter: the drive's storage was not asked, or did not read as unknown"
    refuse "$out" "^trim " "$letter: a trim was asked of storage not known to be flash"
  fi
  sweeps=$(grep -c "^sweep $letter:\\\\VARNOLT.TMP .* flushed=1" "$out" || true)
  [ "$sweeps" -eq "$expected" ] || fail "$letter: expected $expected flushed sweep(s) of the fill file, saw $sweeps"
}

scenario_image() {
  local type=$1 letter=$2 drive_type=$3
  case "$type" in
    ntfs) drives_check_tools mkntfs ntfs-3g mountpoint ;;
    fat) drives_check_tools mkfs.vfat fusefat mountpoint ;;
    exfat)
      drives_check_tools mkfs.exfat mount.exfat-fuse losetup mountpoint
      drives_exfat_works || drives_skip "no free loop device for exfat-fuse"
      ;;
  esac
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
  # Small ones too, in a folder of their own so that no new entry of the run takes their slots.
  # On NTFS they are large enough to have clusters (smaller ones stay in their MFT record).
  local small_size=3000 small_count=20 i
  [ "$type" = ntfs ] || small_size=600
  mkdir -p "$dir/gone"
  for i in $(seq 1 "$small_count"); do fill_with "$deleted" "$small_size" "$dir/gone/small$i.txt"; done
  sync
  rm "$dir/deleted.bin" "$dir"/gone/small*.txt
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
  show_run "$out"
  [ "$status" -eq 0 ] || fail "$type: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=1 " "$type: $letter was not collected as one drive"
  check_fill_sweeps "$out" "$letter"
  local first largest
  first=$(sed -n "/^sweep $letter:\\\\VARNOLT.TMP/ { s/.*written=\([0-9]*\).*/\1/p; q }" "$out")
  largest=$(sed -n 's/^largest_fill=//p' "$out")
  echo "$type: free before $free_before, sweep 1 wrote ${first:-?}, largest fill file seen ${largest:-?}"
  # With 4 KiB clusters Wine's figure is exact: the fill file must take every free byte. On
  # NTFS the records' folder (VARNOLT.REC) holds its grown index during the fill, and the file
  # table may grow by one step: that much is not the fill file's.
  local room=0
  [ "$type" = ntfs ] && room=$((256 * 1024))
  [ "${first:-0}" -le "$free_before" ] && [ "${first:-0}" -ge $((free_before - room)) ] ||
    fail "$type: sweep 1 wrote ${first:-0} bytes of $free_before free"
  [ ! -e "$dir/VARNOLT.TMP" ] || fail "$type: VARNOLT.TMP is left after the run"
  [ "$(free_bytes "$dir")" -ge $((free_before - room)) ] || fail "$type: free space $(free_bytes "$dir") after, $free_before before"
  [ "$(checksums "$dir")" = "$sums" ] || fail "$type: a file that was not to be touched changed"

  [ -z "$(ours_left "$dir")" ] || fail "$type: something of ours is left: $(ours_left "$dir")"

  # Names of ours that stand already (a user's files, what an older version left) are never
  # opened, emptied or removed: the fill takes the next name, and the end of the run names them.
  fill_with "$old" $mib "$dir/VARNOLT.TMP"
  mkdir -p "$dir/VARNOLT.FILL" "$dir/VARNOLT.REC"
  fill_with "$old" 5000 "$dir/VARNOLT.FILL/VARNOLT.TMP"
  fill_with "$old" 600 "$dir/VARNOLT.REC/0"
  fill_with "$old" 600 "$dir/VARNOLT.REC/1"
  sync
  sums=$(checksums "$dir")
  out=$work/run2.txt
  status=0
  run_erase "$out" --volume "$(drives_token "$letter")" "$letter" || status=$?
  show_run "$out"
  [ "$status" -eq 0 ] || fail "$type: erase_items ended with $status (names of ours standing)"
  expect "$out" "^create-new $letter:\\\\VARNOLT1.TMP ok" "$type: the fill did not take the next name"
  expect "$out" "^sweep $letter:\\\\VARNOLT1.TMP .* flushed=1" "$type: the free space was not swept beside the names that stand"
  # (A creation refused at a name that stands is no touch: CREATE_NEW opens nothing there.)
  refuse "$out" "^(create|create-new|delete|move|rmdir) $letter:\\\\VARNOLT(\\.TMP|\\.FILL|\\.REC)[ \\\\].* ok\$" \
    "$type: a name that stands was touched"
  for name in VARNOLT.TMP VARNOLT.FILL VARNOLT.REC; do
    expect "$out" "^left $letter:\\\\$name not-ours bytes=[1-9]" "$type: $name was not named at the end"
  done
  [ "$(checksums "$dir")" = "$sums" ] || fail "$type: a file named as ours, or another, changed"
  [ "$(ours_left "$dir" ! -name VARNOLT.TMP ! -name VARNOLT.FILL ! -name VARNOLT.REC)" = "" ] ||
    fail "$type: something of ours is left after the second run"
  rm -r "$dir/VARNOLT.TMP" "$dir/VARNOLT.FILL" "$dir/VARNOLT.REC"

  drives_stop
  check_deleted_after "$type" "$image" "$dir" "$deleted" "$before_copies" "$small_count"
}

# After the cleaning, with the server stopped: a control file deleted plainly now, then, with
# the image unmounted, the raw scan and The Sleuth Kit's reading of the deleted entries.
check_deleted_after() {
  local type=$1 image=$2 dir=$3 deleted=$4 before_copies=$5 small_count=$6 control
  control=$(marker control)
  fill_with "$control" $((256 * 1024)) "$dir/gone/control.bin"
  sync
  rm "$dir/gone/control.bin"
  drives_unmount "$dir"
  local after_copies control_copies
  after_copies=$(copies "$deleted" "$image")
  control_copies=$(copies "$control" "$image")
  echo "$type: raw copies of the deleted marker: $before_copies before, $after_copies after; of the control deleted after the run: $control_copies"
  [ "$after_copies" -eq 0 ] || fail "$type: the deleted marker can still be read from the image"
  [ "$control_copies" -gt 0 ] || fail "$type: the control deleted after the run left nothing: the raw scan proves nothing"

  command -v fls >/dev/null && command -v icat >/dev/null || { echo "$type: no sleuthkit: fls/icat checks not run"; return; }
  local tsk=$type address read=0 found=0 i
  list_deleted "$tsk" "$image" || { fail "$type: fls cannot read the image"; return; }
  address=$(deleted_address "gone/control.bin")
  if [ -z "$address" ]; then
    fail "$type: fls does not list the control file deleted after the run"
  else
    found=$(icat_copies "$tsk" "$image" "$address" "$control")
    echo "$type: icat reads $found copies of the control marker back from its deleted entry $address"
    [ "$found" -gt 0 ] || fail "$type: icat reads nothing of the control: the Sleuth Kit check proves nothing"
  fi
  found=0
  for name in deleted.bin $(for i in $(seq 1 "$small_count"); do echo "gone/small$i.txt"; done); do
    address=$(deleted_address "$name")
    [ -n "$address" ] || continue
    read=$((read + 1))
    found=$((found + $(icat_copies "$tsk" "$image" "$address" "$deleted")))
  done
  echo "$type: deleted entries still listed by fls: $read of $((small_count + 1)); marker copies icat reads back from them: $found"
  # The cleaning covers the deleted entries of the folders that stand (and on NTFS the free
  # records of the file table, where fls finds them): none is listed any more; the control
  # above shows that fls reads deleted entries.
  [ "$read" -eq 0 ] || fail "$type: fls still lists $read of the files deleted before the run"
  [ "$found" -eq 0 ] || fail "$type: icat reads the deleted marker back from a deleted entry"
}

scenario_size_cap() {
  drives_check_tools mountpoint mkfs.ext4
  drives_init "$main_wine_dir" "$work"
  local image=$work/cap.img dir=$work/cap.mnt cap_kib=16384
  drives_image ext4 "$image" "$dir" 64
  drives_map r "$dir" hd
  populate "$dir"
  local deleted
  deleted=$(marker capped)
  fill_with "$deleted" $((40 * mib)) "$dir/deleted.bin"
  sync
  rm "$dir/deleted.bin"
  sync
  local before_copies sums free_before
  before_copies=$(copies "$deleted" "$image")
  [ "$before_copies" -gt 0 ] || fail "size cap: the deleted marker is not in the image before the run: the scan proves nothing"
  sums=$(checksums "$dir")
  free_before=$(free_bytes "$dir")
  drives_start

  local out=$work/cap.txt status=0
  # The cap holds for the eraser's process only; SIGXFSZ ignored, a write past it comes up short.
  (ulimit -f "$cap_kib" && trap '' XFSZ && run_erase "$out" --volume "$(drives_token r)" r) || status=$?
  show_run "$out"
  [ "$status" -eq 0 ] || fail "size cap: erase_items ended with $status"
  check_fill_sweeps "$out" r
  expect "$out" "^sweep r:\\\\VARNOLT.TMP written=$((cap_kib * 1024)) short=1 flushed=1" "size cap: sweep 1 did not end at the cap"
  expect "$out" "^create-new r:\\\\VARNOLT1.TMP ok" "size cap: no second fill file past the cap"
  local files covered
  files=$(grep -c "^create-new r:\\\\VARNOLT[0-9]*.TMP ok" "$out" || true)
  # The first sweep of each fill file is its first sweep line.
  covered=$(awk '/^sweep / && !seen[$2]++ { sub("written=", "", $3); sum += $3 } END { print sum + 0 }' "$out")
  echo "size cap: free before $free_before, fill files $files, first sweep over all of them $covered," \
       "elapsed $(sed -n 's/^elapsed_ms=//p' "$out") ms"
  # What a file may take: ext4 keeps 2 % of its blocks back for its own records, from everyone.
  local available
  available=$(stat -f -c '%a %S' "$dir" | awk '{ print $1 * $2 }')
  echo "size cap: of those, $available may be taken by files"
  # Wine counts free space in 4 KiB units (this small image has 1 KiB blocks).
  [ "$covered" -gt $((available - 4096)) ] || fail "size cap: the fill files covered $covered of $available bytes free for files"
  [ -z "$(find "$dir" -maxdepth 1 -name 'VARNOLT*.TMP')" ] || fail "size cap: a fill file is left"
  [ "$(free_bytes "$dir")" -eq "$free_before" ] || fail "size cap: free space $(free_bytes "$dir") after, $free_before before"
  [ "$(checksums "$dir")" = "$sums" ] || fail "size cap: a file that was not to be touched changed"
  drives_stop
  drives_unmount "$dir"
  local after_copies
  after_copies=$(copies "$deleted" "$image")
  echo "size cap: copies of the deleted marker: $before_copies before, $after_copies after"
  [ "$after_copies" -eq 0 ] || fail "size cap: the deleted marker can still be read from the image"
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
  show_run "$out"
  [ "$status" -eq 0 ] || fail "cancel: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=2 " "cancel: R and S were not both collected"
  expect "$out" "^create-new R:\\\\VARNOLT.TMP ok" "cancel: no fill file on R:"
  expect "$out" "^close R:\\\\VARNOLT.TMP" "cancel: the fill file on R: was not closed"
  expect "$out" "^sweep R:\\\\VARNOLT.TMP written=$mib short=0 flushed=1" "cancel: sweep 1 did not stop after its first chunk"
  [ "$(grep -c "^sweep R:\\\\VARNOLT.TMP written=0 short=0 flushed=1" "$out" || true)" -eq 2 ] ||
    fail "cancel: sweeps 2 and 3 should only rewind and flush"
  refuse "$out" "^create(-new)? S:" "cancel: the second drive was started after the stop"
  expect "$out" "^reports=1 " "cancel: more than the one report that stopped the run"
  [ ! -e "$work/r.mnt/VARNOLT.TMP" ] || fail "cancel: VARNOLT.TMP is left on R:"
  [ ! -e "$work/s.mnt/VARNOLT.TMP" ] || fail "cancel: VARNOLT.TMP exists on S:"
}

# Starts erase_items on the drive LETTER in the background with EXTRA options, waits until it
# reports HANG (its hang point reached), then kills it as the task manager does.
kill_while() {
  local out=$1 letter=$2 _
  shift 2
  (cd "$WINEPREFIX/drive_c/windows" && exec "$(drives_loader)" "$erase_exe" --volume "$(drives_token "$letter")" "$@" "$letter") \
    >"$out" 2>&1 </dev/null &
  local pid=$!
  for _ in $(seq 1 1200); do
    grep -q '^HANG' "$out" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  grep -q '^HANG' "$out" || { fail "killed: the eraser never reached its hang point"; cat "$out"; }
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  # The server closes the killed process's handles; it is done once it ends with the clone.
  drives_stop
  drives_start
}

scenario_killed() {
  drives_check_tools mountpoint mkntfs ntfs-3g
  [ -c /dev/fuse ] || drives_skip "no /dev/fuse"
  drives_init "$main_wine_dir" "$work"
  local dir=$work/r.mnt image=$work/killed.img records=$work/n.mnt
  drives_tmpfs "$dir" 32m
  drives_map r "$dir" hd
  drives_image ntfs "$image" "$records" 32
  drives_map n "$records" hd
  populate "$records"
  mkdir -p "$records/gone"
  local i
  for i in $(seq 1 40); do fill_with "small-$i" 420 "$records/gone/$i.txt"; done
  sync
  rm -r "$records/gone"
  local sums
  sums=$(checksums "$records")
  drives_start

  # In the fill: the fill file goes with the process (deleted on close).
  kill_while "$work/killed.txt" r --hang-at 0
  local left
  left=$(ours_left "$dir")
  [ -z "$left" ] || fail "killed: left after a kill in the fill: $left"
  [ -z "$left" ] && echo "killed: nothing of ours is left after a kill in the fill"

  # In the records: only their folder stays (its files go with the process), marked as ours;
  # the next cleaning removes it, and nothing else changes.
  kill_while "$work/killed-records.txt" n --hang-in-records
  left=$(ours_left "$records")
  echo "killed: left by a kill in the records: ${left:-nothing}"
  [ -n "$left" ] || fail "killed: the records' folder is gone: the kill came too late to prove anything"
  grep -qE "$rec_folder\$" <<<"$left" || fail "killed: what the kill left is not a folder marked as ours: $left"
  local out=$work/after-kill.txt status=0
  run_erase "$out" --volume "$(drives_token n)" n || status=$?
  show_run "$out"
  [ "$status" -eq 0 ] || fail "killed: the cleaning after the kill ended with $status"
  refuse "$out" "^left " "killed: the cleaning after the kill left something"
  left=$(ours_left "$records")
  [ -z "$left" ] || fail "killed: still left after the next cleaning: $left"
  [ "$(checksums "$records")" = "$sums" ] || fail "killed: a file that was not to be touched changed"
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
  show_run "$out"
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
  show_run "$out"
  [ "$status" -eq 0 ] || fail "fill link: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=1 " "fill link: r was not collected as one drive"
  refuse "$out" "^create(-new)? r:\\\\VARNOLT.TMP ok" "fill link: a fill file was created through the link"
  expect "$out" "^create-new r:\\\\VARNOLT1.TMP ok" "fill link: the fill did not take the next name"
  expect "$out" "^left r:\\\\VARNOLT.TMP not-ours" "fill link: the link was not named at the end"
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
  show_run "$out"
  [ "$status" -eq 0 ] || fail "fill hard link: erase_items ended with $status"
  expect "$out" "^files=0 directories=0 drives=1 " "fill hard link: r was not collected as one drive"
  refuse "$out" "^create(-new)? r:\\\\VARNOLT.TMP ok" "fill hard link: the fill file was taken over"
  expect "$out" "^sweep r:\\\\VARNOLT1.TMP .* flushed=1" "fill hard link: the free space was not cleaned beside it"
  [ "$(sha256sum <"$dir/keep/precious.bin")" = "$sum" ] || fail "fill hard link: the other name's content changed"
  [ "$(stat -c %h "$dir/keep/precious.bin")" = 2 ] || fail "fill hard link: a name of the file is gone"
}

scenario_fill_folder() {
  drives_check_tools mountpoint
  drives_init "$main_wine_dir" "$work"
  local dir=$work/r.mnt
  drives_tmpfs "$dir" 16m
  drives_map r "$dir" hd
  populate "$dir"
  local sums
  sums=$(checksums "$dir")
  drives_start
  local out=$work/fill_folder.txt status=0
  run_erase "$out" --volume "$(drives_token r)" --refuse-root-files --watch-fill r r || status=$?
  show_run "$out"
  [ "$status" -eq 0 ] || fail "fill folder: erase_items ended with $status"
  expect "$out" "^create-new r:\\\\VARNOLT.TMP failed" "fill folder: the root was not refused"
  expect "$out" "^create-new r:\\\\VARNOLT-[0-9a-f]{32}\\.FILL\\\\VARNOLT.TMP ok" "fill folder: no fill file in our folder"
  expect "$out" "^sweep r:\\\\VARNOLT-[0-9a-f]{32}\\.FILL\\\\VARNOLT.TMP .* flushed=1" "fill folder: not swept in our folder"
  expect "$out" "^rmdir r:\\\\VARNOLT-[0-9a-f]{32}\\.FILL ok" "fill folder: our folder was not removed through its handle"
  refuse "$out" "^left " "fill folder: the drive was not cleaned whole"
  [ -z "$(ours_left "$dir")" ] || fail "fill folder: left: $(ours_left "$dir")"
  [ "$(checksums "$dir")" = "$sums" ] || fail "fill folder: a file that was not to be touched changed"
}

case "$scenario" in
  ntfs) scenario_image ntfs p hd ;;
  fat) scenario_image fat q floppy ;;
  exfat) scenario_image exfat x floppy ;;
  size_cap) scenario_size_cap ;;
  cancel) scenario_cancel ;;
  killed) scenario_killed ;;
  links) scenario_links ;;
  fill_link) scenario_fill_link ;;
  fill_hardlink) scenario_fill_hardlink ;;
  fill_folder) scenario_fill_folder ;;
  *)
    echo "usage: $0 ntfs|fat|exfat|size_cap|cancel|killed|links|fill_link|fill_hardlink|fill_folder MAIN_WINE_DIR ERASE_ITEMS_EXE WORK_DIR" >&2
    exit 2
    ;;
esac
[ "$failures" -eq 0 ]
