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
#
#   forensic_names_and_records.sh names|records WINE_DIR SHRED_FILES_EXE ERASE_ITEMS_EXE WORK_DIR
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
# the image read once.
found_each() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
image = open(sys.argv[1], 'rb').read()
others = open(sys.argv[3], encoding='utf-8').read().splitlines()
for name in filter(None, sys.argv[2].splitlines()):
    pieces = {name[i:i + 5] for i in range(len(name) - 4)}
    pieces = {p for p in pieces if not any(p.upper() in o.upper() for o in others if o != name)}
    print(name, sum(image.count(p.encode('utf-16le')) for p in pieces))
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

case "$scenario" in
  names) names_scenario ;;
  records) records_scenario ;;
  *) echo "unknown scenario $scenario"; exit 2 ;;
esac
[ "$failures" -eq 0 ]
