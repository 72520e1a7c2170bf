#!/usr/bin/env bash
# What a forensic tool finds of shredded names and of small deleted files, on real images.
#
#   names:   on an NTFS image (ntfs-3g) and a FAT image (fusefat), a file is shredded by
#            shred_files.exe in a folder where it is alone, in one of 60 files (on NTFS an index
#            in blocks of its own) and in the root, and a twin in the root is deleted plainly
#            (cmd's del, after the runs; fls lists the deleted entries of a fusefat image's root only); a folder
#            in the root, the last entry of its index, holding 40 files, is erased whole by
#            erase_items.exe after a neighbour before it was deleted plainly. With the image
#            unmounted, no part of a shredded file's or folder's name (the 40 files' too) may be
#            found, neither by
#            a raw UTF-16 scan nor in The Sleuth Kit's `fls -r` (deleted entries included); the
#            twin's name must be found by both, which shows the checks see deleted names.
#   records: on an NTFS image, 150 files of 420 bytes (kept inside their file records) are
#            deleted plainly; their markers are in the raw image before the free space is
#            cleaned by erase_items.exe, and none is after. The other files keep their bytes and
#            nothing of ours is left.
#   deleted: on an NTFS, a FAT and an exFAT image (exFAT only where a loop device can be had),
#            3 files of a folder that stays and two folders of 42 files are deleted plainly
#            before erase_items.exe cleans the free space. With the image unmounted, none of
#            their names is found by a raw UTF-16 scan nor listed by `fls -r -d`, and nothing of
#            their contents is left; the files that stay keep their bytes, the folders their
#            times and the names they hold. A file deleted plainly after the run is found by
#            both, which shows the checks see deleted names.
#
#   forensic_names_and_records.sh names|records|deleted WINE_DIR SHRED_FILES_EXE ERASE_ITEMS_EXE WORK_DIR
#
# The images are drives of a private clone of the test prefix (drives.sh). Exit status 77
# (reported as skipped) when the machine lacks the superuser, /dev/fuse or the tools.
. "$(dirname "$0")/../../scripts/strict-mode.sh"
scenario=$1
wine_dir=$(realpath -m "$2")
shred_exe=$(realpath -m "$3")
erase_exe=$(realpath -m "$4")
work=$(realpath -m "$5")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../wine_support/drives.sh"

drives_check_tools mkntfs ntfs-3g mkfs.vfat fusefat mountpoint fls python3
[ -c /dev/fuse ] || drives_skip "no /dev/fuse: FUSE is not available"

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
letters() { { tr -dc 'A-Za-z' </dev/urandom 2>/dev/null || true; } | head -c "$1"; }
run() { (cd "$WINEPREFIX/drive_c/windows" && "$@") </dev/null; }
checksums() { (cd "$1" && find . -type f ! -name VARNOLT-TEST-VOLUME -print0 | sort -z | xargs -0 -r sha256sum); }

# found IMAGE NAME OTHERS_FILE: how many places of the raw image hold a piece of NAME (UTF-16LE,
# any 5 characters of it in a row that no other name of the test holds: a FAT directory keeps a
# long name in pieces of 13 characters, itself cut in 5, 6 and 2).
found() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
image = open(sys.argv[1], 'rb').read()
name, others = sys.argv[2], open(sys.argv[3], encoding='utf-8').read().splitlines()
pieces = {name[i:i + 5] for i in range(len(name) - 4)}
pieces = {p for p in pieces if not any(p.upper() in o.upper() for o in others if o != name)}
print(sum(image.count(p.encode('utf-16le')) for p in pieces))
EOF
}
# found_each IMAGE NAMES OTHERS_FILE: "NAME COUNT" for each line of NAMES, as `found` counts,
# the image read once. A piece of printable ASCII can only lie in a run of such characters in
# UTF-16LE, and runs of the two byte alignments cannot overlap: counted in the runs alone (kept
# apart by bytes no piece holds), it is counted as in the whole image, some ten times faster.
found_each() {
  python3 - "$1" "$2" "$3" <<'EOF'
import re, sys
image = open(sys.argv[1], 'rb').read()
others = open(sys.argv[3], encoding='utf-8').read().splitlines()
runs = b'\x01\x01'.join(re.findall(rb'(?:[\x20-\x7e]\x00){5,}', image))
for name in filter(None, sys.argv[2].splitlines()):
    pieces = {name[i:i + 5] for i in range(len(name) - 4)}
    pieces = {p for p in pieces if not any(p.upper() in o.upper() for o in others if o != name)}
    print(name, sum((runs if all(' ' <= c <= '~' for c in p) else image).count(p.encode('utf-16le'))
                    for p in pieces))
EOF
}
# listed IMAGE TYPE TOKEN: lines of `fls -r` (deleted entries included) that name TOKEN.
listed() { { fls -r -p -f "$2" "$1" 2>/dev/null || true; } | { grep -c -F "$3" || true; }; }

names_scenario() {
  drives_init "$wine_dir" "$work"
  declare -A letter_of=([ntfs]=n [fat]=m) fls_type=([ntfs]=ntfs [fat]=fat)
  declare -A alone_of=() among_of=() root_of=() twin_of=() neighbour_of=() folder_of=() children_of=() status_of=()
  local type dir i others=$work/names.txt
  : >"$others"
  for type in ntfs fat; do
    dir=$work/$type.mnt
    drives_image "$type" "$work/$type.img" "$dir" 24
    drives_map "${letter_of[$type]}" "$dir" hd
    mkdir "$dir/seul" "$dir/dossier"
    for i in $(seq 1 60); do
      echo "autre $i" >"$dir/dossier/autre-fichier-$i.txt"
      echo "autre-fichier-$i.txt" >>"$others"
    done
    # Each name opens with letters of its own, which a piece found can only come from.
    alone_of[$type]="$(letters 12)-Salaire-CONFIDENTIEL-2026.xlsx"
    among_of[$type]="$(letters 12)-Bulletin-CONFIDENTIEL-2026.xlsx"
    root_of[$type]="$(letters 12)-Racine-CONFIDENTIEL-2026.xlsx"
    twin_of[$type]="$(letters 12)-Temoin-2026.xlsx"
    neighbour_of[$type]="$(letters 12)-Voisin-2026.xlsx"
    # The folder opens with a "z": it collates after every other name of the root, the last
    # entry of its index, which leaves copies of itself in its index block's slack, past the
    # entries, each time an entry before it goes (a neighbour the user deletes, the root file).
    # The twin goes after the runs: where a shredded item stood, the names that cover the slack
    # of the index take the free directory slots too, which on FAT still hold deleted names.
    folder_of[$type]="z$(letters 11)-Dossier-CONFIDENTIEL-2026"
    mkdir "$dir/${folder_of[$type]}"
    head -c 5000 /dev/urandom >"$dir/${folder_of[$type]}/piece.bin"
    # What the folder holds has names that are shredded too: enough to fill an index block.
    children_of[$type]=""
    for i in $(seq 1 40); do
      local child
      child="$(letters 12)-Piece-jointe-$i.pdf"
      head -c 700 /dev/urandom >"$dir/${folder_of[$type]}/$child"
      children_of[$type]+="$child"$'\n'
      echo "$child" >>"$others"
    done
    head -c 4096 /dev/urandom >"$dir/seul/${alone_of[$type]}"
    head -c 300000 /dev/urandom >"$dir/dossier/${among_of[$type]}"
    head -c 300 /dev/urandom >"$dir/${root_of[$type]}"
    head -c 300 /dev/urandom >"$dir/${twin_of[$type]}"
    head -c 300 /dev/urandom >"$dir/${neighbour_of[$type]}"
    printf '%s\n' "${alone_of[$type]}" "${among_of[$type]}" "${root_of[$type]}" "${twin_of[$type]}" "${neighbour_of[$type]}" "${folder_of[$type]}" >>"$others"
  done
  sync
  drives_start
  for type in ntfs fat; do
    local letter=${letter_of[$type]}
    status_of[$type]=0
    run "$(drives_loader)" "$shred_exe" "$letter:\\seul\\${alone_of[$type]}" \
      "$letter:\\dossier\\${among_of[$type]}" "$letter:\\${root_of[$type]}" || status_of[$type]=$?
    run "$WINE" cmd /c del "$letter:\\${neighbour_of[$type]}" >/dev/null
    run "$(drives_loader)" "$erase_exe" --quiet "$letter:\\${folder_of[$type]}" >/dev/null || status_of[$type]=$?
    run "$WINE" cmd /c del "$letter:\\${twin_of[$type]}" >/dev/null
  done
  drives_stop

  for type in ntfs fat; do
    dir=$work/$type.mnt
    local left_alone left_among
    left_alone=$(ls -A "$dir/seul")
    left_among=$(ls -A "$dir/dossier" "$dir" | { grep -v '^autre-fichier-\|^seul$\|^dossier$\|^VARNOLT-TEST-VOLUME$\|^$\|:$' || true; } | wc -l)
    drives_unmount "$dir"
    local image=$work/$type.img name raw fls_lines
    [ "${status_of[$type]}" -eq 0 ] && [ -z "$left_alone" ] && [ "$left_among" -eq 0 ] ||
      fail "$type: shred_files ended with ${status_of[$type]}, left [$left_alone] and $left_among more"
    local children_left=0 listing=$work/$type-fls.txt
    { fls -r -p -f "${fls_type[$type]}" "$image" 2>/dev/null || true; } >"$listing"
    while read -r name raw; do
      fls_lines=$({ grep -c -F "${name:0:12}" "$listing" || true; })
      [ "$raw" -eq 0 ] && [ "$fls_lines" -eq 0 ] || { children_left=$((children_left + 1)); echo "$type: $name: $raw pieces, $fls_lines lines of fls"; }
    done < <(found_each "$image" "${children_of[$type]}" "$others")
    echo "$type: names of the erased folder's 40 files found: $children_left"
    [ "$children_left" -eq 0 ] || fail "$type: names of files of the erased folder are in the raw image or in fls"
    for name in "${alone_of[$type]}" "${among_of[$type]}" "${root_of[$type]}" "${folder_of[$type]}"; do
      raw=$(found "$image" "$name" "$others")
      fls_lines=$(listed "$image" "${fls_type[$type]}" "${name:0:12}")
      echo "$type: shredded $name: $raw pieces in the raw image, $fls_lines lines of fls"
      [ "$raw" -eq 0 ] || fail "$type: pieces of the shredded name $name are in the raw image"
      [ "$fls_lines" -eq 0 ] || fail "$type: fls lists the shredded name $name"
    done
    name=${twin_of[$type]}
    raw=$(found "$image" "$name" "$others")
    fls_lines=$(listed "$image" "${fls_type[$type]}" "${name:0:12}")
    echo "$type: plainly deleted $name: $raw pieces in the raw image, $fls_lines lines of fls"
    [ "$raw" -gt 0 ] || fail "$type: the plainly deleted name left nothing: the raw scan proves nothing"
    if [ "$type" = fat ]; then
      # fls leaves out the entries fusefat deleted under an 8.3 name it made up ("~1"), the
      # twin's among them; that it lists deleted entries is shown by those of the shredded files'
      # passing names (random letters, and numbers).
      fls_lines=$({ fls -r -p -f fat "$image" 2>/dev/null || true; } | { grep -c '^r/r \* ' || true; })
      echo "$type: deleted entries fls lists: $fls_lines"
    fi
    [ "$fls_lines" -gt 0 ] || fail "$type: fls lists no deleted entry: it proves nothing"
  done
}

records_scenario() {
  drives_init "$wine_dir" "$work"
  local dir=$work/records.mnt image=$work/records.img i
  drives_image ntfs "$image" "$dir" 32
  local marker
  marker="VARNOLT-REC-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
  mkdir "$dir/petits"
  for i in $(seq 1 150); do { yes "$marker-$i." 2>/dev/null || true; } | head -c 420 >"$dir/petits/note-$i.txt"; done
  # Files that stay: small ones inside their records, and a large one.
  mkdir "$dir/garder"
  for i in $(seq 1 5); do head -c 300 /dev/urandom >"$dir/garder/petit-$i.bin"; done
  head -c $((2 * 1024 * 1024)) /dev/urandom >"$dir/garder/grand.bin"
  sync
  rm -r "$dir/petits"
  drives_unmount "$dir"
  local before after
  before=$({ grep -a -o -F "$marker" "$image" || true; } | wc -l)
  echo "records: copies of the small deleted files' markers before the run: $before"
  [ "$before" -gt 0 ] || fail "records: no marker in the image before the run: the scan proves nothing"
  ntfs-3g -o no_detach "$image" "$dir" </dev/null >"$image.log" 2>&1 &
  drives_daemon_of[$dir]=$!
  for i in $(seq 1 100); do mountpoint -q "$dir" && break; sleep 0.05; done
  drives_map r "$dir" hd
  local sums
  sums=$(checksums "$dir")
  drives_start
  local out=$work/erase.txt status=0 start end
  start=$(date +%s.%N)
  run "$(drives_loader)" "$erase_exe" ${VARNOLT_ERASE_OPTIONS:---quiet} --volume "$(drives_token r)" r >"$out" 2>&1 || status=$?
  end=$(date +%s.%N)
  drives_stop
  tail -n 5 "$out"
  echo "records: the cleaning took $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"
  [ "$status" -eq 0 ] || fail "records: erase_items ended with $status"
  local ours
  ours=$(find "$dir" -maxdepth 1 -iname 'VARNOLT*' ! -name VARNOLT-TEST-VOLUME)
  [ -z "$ours" ] || fail "records: a fill file or folder of ours is left: $ours"
  [ "$(checksums "$dir")" = "$sums" ] || fail "records: a file that was not to be touched changed"
  drives_unmount "$dir"
  after=$({ grep -a -o -F "$marker" "$image" || true; } | wc -l)
  echo "records: copies of the markers: $before before, $after after"
  [ "$after" -eq 0 ] || fail "records: the small deleted files can still be read from the image"
}

# What the deleted scenario works with: the names it gives, what its files hold, what it records.
declare -A fresh_prefixes=()
# fresh_letters: sets `fresh` to 12 letters no other name of the test opens with (its first five
# neither: a FAT directory keeps a long name in pieces of five characters and more), capitals and
# small letters in turn, so that no five of them in a row can be met in the names the cleaning
# makes (small letters only, or 8.3 names in capitals) and count as a piece found.
fresh_letters() {
  local raw i c
  while :; do
    raw=$(letters 12)
    fresh=
    for ((i = 0; i < 12; i++)); do
      c=${raw:i:1}
      if ((i % 2)); then fresh+=${c,,}; else fresh+=${c^^}; fi
    done
    c=${fresh:0:5}
    [ -n "${fresh_prefixes[${c^^}]:-}" ] || break
  done
  fresh_prefixes[${c^^}]=1
}
# marked SIZE N: SIZE bytes of "MARKER-N." over and over.
marked() {
  local line="$marker-$2." text=
  while [ "${#text}" -lt "$1" ]; do text+=$line; done
  printf '%s' "${text:0:$1}"
}
# record_state TYPE DIR TO [BEFORE]: the paths under DIR (TO.names), the access and
# modification times of its folders but temoin, where the control file goes after the run
# (TO.times), and the files' checksums (TO.sums); after the run, the times of the folders BEFORE
# (a record_state before the run) had. A FAT or exFAT root has no times (fusefat and exfat-fuse
# give 0): only NTFS's is kept.
#
# ntfs-3g sets a folder's access time when the folder is read and that time is not past its
# last change (relatime), and putting times back is a change: before the run the folders are
# read first, so the times taken are those the run finds; after it, their times are taken first.
record_state() {
  local type=$1 dir=$2 to=$3 before=${4:-} depth=1 folders
  if [ "$type" = ntfs ]; then depth=0; fi
  if [ -z "$before" ]; then
    (cd "$dir" && find . -mindepth 1) | LC_ALL=C sort >"$to.names"
    folders=$(cd "$dir" && find . -mindepth "$depth" -type d ! -path ./temoin)
  else
    folders=$(cut -d ' ' -f 1 "$before.times")
  fi
  (cd "$dir" && xargs -r -d '\n' stat -c '%n %.9X %.9Y' <<<"$folders") | LC_ALL=C sort >"$to.times"
  if [ -n "$before" ]; then (cd "$dir" && find . -mindepth 1) | LC_ALL=C sort >"$to.names"; fi
  checksums "$dir" >"$to.sums"
}
# scan IMAGE TYPE before|after: sets scan_names (how many of the deleted names the raw image or
# `fls -r -d` shows; scan_raw and scan_fls, how many each shows), scan_markers (copies of their
# contents' markers), scan_control and scan_control_fls (pieces of the control file's name, lines
# of fls that name it) and scan_deleted_fls (deleted entries fls lists). Prints each name missed
# before the run, or found after it.
scan() {
  local image=$1 type=$2 when=$3 listing=$work/$2-fls-$3.txt name raw lines
  { fls -r -d -p -f "$type" "$image" 2>/dev/null || true; } >"$listing"
  scan_names=0 scan_raw=0 scan_fls=0
  while read -r name raw; do
    lines=$({ grep -c -F "${name:0:12}" "$listing" || true; })
    [ "$raw" -eq 0 ] || scan_raw=$((scan_raw + 1))
    [ "$lines" -eq 0 ] || scan_fls=$((scan_fls + 1))
    if [ "$raw" -eq 0 ] && [ "$lines" -eq 0 ]; then
      [ "$when" = after ] || echo "$type: $name: not in the raw image nor in fls before the run"
      continue
    fi
    scan_names=$((scan_names + 1))
    [ "$when" = before ] || echo "$type: $name: $raw pieces in the raw image, $lines lines of fls"
  done < <(found_each "$image" "${gone_of[$type]}" "$others")
  scan_markers=$({ grep -a -o -F "${marker_of[$type]}" "$image" || true; } | wc -l)
  scan_control=$(found "$image" "${control_of[$type]}" "$others")
  scan_control_fls=$({ grep -c -F "${control_of[$type]:0:12}" "$listing" || true; })
  scan_deleted_fls=$(wc -l <"$listing")
}

deleted_scenario() {
  drives_init "$wine_dir" "$work"
  local types="ntfs fat"
  if drives_exfat_works; then
    types+=" exfat"
  else
    echo "exfat: left out, no exfat-fuse or no free loop device here; NTFS and FAT are checked"
  fi
  declare -A letter_of=([ntfs]=n [fat]=m [exfat]=x) gone_of=() control_of=() marker_of=() status_of=()
  declare -A names_before=() markers_before=()
  local type dir image i others=$work/names.txt marker folder name fresh gone_count doomed
  local scan_names scan_raw scan_fls scan_markers scan_control scan_control_fls scan_deleted_fls
  : >"$others"
  for type in $types; do
    dir=$work/$type.mnt image=$work/$type.img
    # At this size drives_image makes FAT16 with 4 KiB clusters: FAT32 with such clusters wants
    # 65525 of them, an image ten times larger to fill and scan. The root is then a region of 512
    # slots of its own; the other folders are chains of clusters, as on FAT32.
    drives_image "$type" "$image" "$dir" 24
    drives_map "${letter_of[$type]}" "$dir" hd
    marker="VARNOLT-DEL-$(od -An -N6 -tx1 /dev/urandom | tr -d ' \n')"
    marker_of[$type]=$marker
    mkdir "$dir/garde" "$dir/garde/2025" "$dir/temoin"
    gone_of[$type]=""
    doomed=()
    # Each of the 3 files deleted from garde made between files that stay: on FAT and exFAT its
    # slots are then a run too short for the long names a cover starts with.
    for i in $(seq 1 10); do
      head -c $((i * 700)) /dev/urandom >"$dir/garde/facture-$i.pdf"
      echo "facture-$i.pdf" >>"$others"
      [ $((i % 3)) -eq 0 ] || continue
      fresh_letters
      name="$fresh-Releve-bancaire-$((i / 3)).pdf"
      marked $((i * 800)) "$i" >"$dir/garde/$name"
      gone_of[$type]+="$name"$'\n'
      doomed+=("$dir/garde/$name")
    done
    head -c 900 /dev/urandom >"$dir/garde/2025/bilan-1.pdf"
    head -c 9000 /dev/urandom >"$dir/garde/2025/bilan-2.pdf"
    head -c 500 /dev/urandom >"$dir/temoin/lisez-moi.txt"
    # Two folders of 21 files: small ones (kept inside their records on NTFS) and larger ones.
    for folder in Dossier-medical Contrats-2025; do
      fresh_letters
      folder="$fresh-$folder"
      mkdir "$dir/$folder"
      gone_of[$type]+="$folder"$'\n'
      doomed+=("$dir/$folder")
      for i in $(seq 1 21); do
        fresh_letters
        name="$fresh-Piece-$i.pdf"
        marked $((200 + (i % 7) * 1500)) "$i" >"$dir/$folder/$name"
        gone_of[$type]+="$name"$'\n'
      done
    done
    fresh_letters
    control_of[$type]="$fresh-Temoin-2026.txt"
    head -c 300 /dev/urandom >"$dir/temoin/${control_of[$type]}"
    printf '%s' "${gone_of[$type]}" >>"$others"
    printf '%s\n' garde 2025 bilan-1.pdf bilan-2.pdf temoin lisez-moi.txt "${control_of[$type]}" >>"$others"
    sync
    rm -r "${doomed[@]}"
    drives_unmount "$dir"
    gone_count=$(printf '%s' "${gone_of[$type]}" | wc -l)
    scan "$image" "$type" before
    names_before[$type]=$scan_names markers_before[$type]=$scan_markers
    echo "$type: before the run: of $gone_count deleted names, $scan_raw in the raw image, $scan_fls listed by fls;" \
      "$scan_markers copies of their markers"
    [ "$scan_names" -eq "$gone_count" ] ||
      fail "$type: not every deleted name is found before the run: the scans prove too little"
    [ "$scan_markers" -gt 0 ] || fail "$type: no marker in the image before the run: the scan proves nothing"
    drives_mount "$type" "$image" "$dir"
    record_state "$type" "$dir" "$work/$type-before"
  done

  drives_start
  local out start end
  for type in $types; do
    local letter=${letter_of[$type]}
    out=$work/$type-erase.txt
    status_of[$type]=0
    start=$(date +%s.%N)
    run "$(drives_loader)" "$erase_exe" --quiet --volume "$(drives_token "$letter")" "$letter" >"$out" 2>&1 ||
      status_of[$type]=$?
    end=$(date +%s.%N)
    { grep '^names \|^left ' "$out" || true; } | sed "s/^/$type: /"
    echo "$type: the cleaning took $(awk "BEGIN { printf \"%.1f\", $end - $start }") s"
    # Deleted plainly after the run, its name stays in a deleted entry.
    run "$WINE" cmd /c del "$letter:\\temoin\\${control_of[$type]}" >/dev/null
  done
  drives_stop

  local ours changed
  for type in $types; do
    dir=$work/$type.mnt image=$work/$type.img
    [ "${status_of[$type]}" -eq 0 ] || fail "$type: erase_items ended with ${status_of[$type]}"
    # Looked up, not listed: a listing would set the root's access time on NTFS (see record_state).
    if ! stat "$dir/VARNOLT-TEST-VOLUME" >/dev/null 2>&1; then
      fail "$type: the volume cannot be read after the run: its FUSE driver ended"
    elif [ -e "$dir/temoin/${control_of[$type]}" ]; then
      fail "$type: cmd's del left the control file"
    fi
    drives_unmount "$dir"
    scan "$image" "$type" after
    echo "$type: deleted names found: $scan_names of $gone_count ($scan_raw in the raw image, $scan_fls listed by fls;" \
      "before the run: ${names_before[$type]}), copies of their markers: $scan_markers (before: ${markers_before[$type]})"
    echo "$type: control pieces: $scan_control, fls lines of the control: $scan_control_fls"
    [ "$scan_names" -eq 0 ] || fail "$type: deleted names are still in the raw image or in fls"
    [ "$scan_markers" -eq 0 ] || fail "$type: the deleted files' contents can still be read from the image"
    [ "$scan_control" -gt 0 ] || fail "$type: the control file's name left nothing: the raw scan proves nothing"
    if [ "$type" = fat ]; then
      # fls leaves out the entries fusefat deleted under an 8.3 name it made up ("~1"), the
      # control file's among them: that it lists deleted entries at all is what can be shown.
      echo "$type: deleted entries fls lists: $scan_deleted_fls"
      [ "$scan_deleted_fls" -gt 0 ] || fail "$type: fls lists no deleted entry: it proves nothing"
    else
      [ "$scan_control_fls" -gt 0 ] || fail "$type: fls does not list the control file: it proves nothing"
    fi
    # Compared on the image mounted again: what the drivers wrote, not what they kept in memory.
    drives_mount "$type" "$image" "$dir"
    record_state "$type" "$dir" "$work/$type-after" "$work/$type-before"
    ours=$(find "$dir" -maxdepth 1 -iname 'VARNOLT*' ! -name VARNOLT-TEST-VOLUME)
    [ -z "$ours" ] || fail "$type: a fill file or folder of ours is left: $ours"
    drives_unmount "$dir"
    changed=$(diff <(grep -v -x -F "./temoin/${control_of[$type]}" "$work/$type-before.names") \
      "$work/$type-after.names" || true)
    [ -z "$changed" ] || fail "$type: the names in the folders changed:"$'\n'"$changed"
    changed=$(diff "$work/$type-before.times" "$work/$type-after.times" || true)
    [ -z "$changed" ] || fail "$type: folders' times changed (path, access, modification):"$'\n'"$changed"
    changed=$(diff <(grep -v -F "${control_of[$type]}" "$work/$type-before.sums") "$work/$type-after.sums" || true)
    [ -z "$changed" ] || fail "$type: files that were not to be touched changed:"$'\n'"$changed"
    echo "$type: $(wc -l <"$work/$type-after.times") folders' times and $(wc -l <"$work/$type-after.sums") files compared"
  done
}

case "$scenario" in
  names) names_scenario ;;
  records) records_scenario ;;
  deleted) deleted_scenario ;;
  *) echo "unknown scenario $scenario"; exit 2 ;;
esac
[ "$failures" -eq 0 ]
