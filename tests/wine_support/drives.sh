# Sourced by the Windows tests' scripts and by bench/: drive letters for free-space runs, each
# mapped to a disk image or a size-limited tmpfs that this run made itself, in a private clone
# of the test prefix (so drive types can be set and its server restarted without disturbing the
# tests that share the test prefix).
#
#   drives_init MAIN_WINE_DIR OWN_DIR [pristine]
#                                        clone the test prefix (or, with "pristine", the prefix
#                                        as it was made, before any test) to OWN_DIR/prefix; sets
#                                        the Wine environment to it; every way out cleans up
#   drives_tmpfs DIR SIZE                mount a tmpfs of SIZE on DIR
#   drives_image ntfs|fat|exfat|ext4 IMG DIR MIB   make a fresh image of MIB MiB and mount it on DIR
#   drives_unmount DIR                   unmount DIR and wait until its image is written
#   drives_map LETTER DIR hd|floppy      map LETTER: to DIR as a fixed or removable drive
#   drives_start                         register the types, start the clone's server
#   drives_stop                          stop the clone's server (open handles close)
#   drives_token LETTER                  the token to pass as --volume L:TOKEN
#   drives_type LETTER                   hd or floppy, as it was mapped
#
# Safety: the clone has no Z: and keeps C: a network drive; only letters mapped here exist
# besides C:, and each one's root holds a token file that erase_items checks before it cleans.

drives_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../scripts" && pwd)
export PATH="$PATH:/usr/sbin:/sbin"
drives_mounts=()
declare -A drives_types=() drives_dirs=() drives_tokens=() drives_daemon_of=() drives_loop_of=()

drives_skip() {
  echo "SKIPPED: $*"
  exit 77
}

# True when exFAT images can be mounted here: exfat-fuse and a free loop device for it.
drives_exfat_works() {
  command -v mkfs.exfat >/dev/null && command -v mount.exfat-fuse >/dev/null && losetup -f >/dev/null 2>&1
}

drives_check_tools() {
  [ "$(id -u)" -eq 0 ] || drives_skip "mounting test volumes needs the superuser"
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || drives_skip "$tool is not installed (scripts/install-deps.sh)"
  done
}

drives_cleanup() {
  local status=$?
  if [ -n "${drives_own:-}" ] && [ -d "$WINEPREFIX" ]; then quiet "$WINESERVER" -k || true; fi
  local dir
  for dir in "${drives_mounts[@]}"; do
    if mountpoint -q "$dir"; then umount "$dir" 2>/dev/null || umount -l "$dir" 2>/dev/null || true; fi
  done
  for dir in "${!drives_daemon_of[@]}"; do kill "${drives_daemon_of[$dir]}" 2>/dev/null || true; done
  for dir in "${!drives_loop_of[@]}"; do losetup -d "${drives_loop_of[$dir]}" 2>/dev/null || true; done
  [ -z "${VARNOLT_KEEP_WORK:-}" ] && [ -n "${drives_own:-}" ] && rm -rf "$drives_own"
  exit "$status"
}

drives_init() {
  local main_dir own_dir
  main_dir=$(realpath -m "$1")
  own_dir=$(realpath -m "$2")
  "$drives_scripts/wine-prefix.sh" ensure "$main_dir" >/dev/null
  drives_own=$own_dir
  trap drives_cleanup EXIT
  trap 'exit 130' INT TERM
  rm -rf "$own_dir"
  mkdir -p "$own_dir"
  . "$drives_scripts/wine-env.sh" "$own_dir"
  local source=$main_dir/prefix
  [ "${3:-}" = pristine ] && source=$main_dir/pristine
  cp -al "$source" "$WINEPREFIX"
  rm -f "$WINEPREFIX/wineserver"  # the test prefix's server, not ours
  # The server rewrites the registry files: copies, not links.
  local file
  for file in system.reg user.reg userdef.reg; do
    rm -f "$WINEPREFIX/$file"
    cp "$source/$file" "$WINEPREFIX/$file"
  done
  # No drive but C: (another test may have mapped letters in the test prefix meanwhile).
  find "$WINEPREFIX/dosdevices" -mindepth 1 -maxdepth 1 -name '?:*' ! -name 'c:' -exec rm -f {} +
  [ ! -e "$WINEPREFIX/dosdevices/z:" ] || { echo "FAILED: Z: is mapped in the clone"; exit 1; }
  grep -qi '^"c:"="network"' "$WINEPREFIX/system.reg" ||
    { echo "FAILED: C: is not a network drive in the clone"; exit 1; }
}

drives_tmpfs() {
  mkdir -p "$1"
  mount -t tmpfs -o "size=$2" tmpfs "$1"
  drives_mounts+=("$1")
}

# drives_image TYPE IMAGE DIR MIB: a new image of that file system, mounted at DIR.
drives_image() {
  local type=$1 image=$2 dir=$3 mib=$4
  rm -f "$image"
  truncate -s "${mib}M" "$image"
  case "$type" in
    ntfs) mkntfs -q -F -f "$image" >/dev/null 2>&1 ;;
    # 4 KiB clusters: Wine counts free space in 4 KiB units, rounded down, so with smaller
    # clusters its figure (and the fill file) would fall up to three clusters short.
    fat) mkfs.vfat -s 8 "$image" >/dev/null ;;
    # No blocks kept for the superuser: Wine counts only what any user may take as free.
    ext4) mkfs.ext4 -q -F -m 0 "$image" ;;
    # 4 KiB clusters, as mkfs.exfat gives a volume this small.
    exfat) mkfs.exfat "$image" >/dev/null ;;
  esac
  drives_mount "$type" "$image" "$dir"
}

# drives_mount TYPE IMAGE DIR: an image made before, mounted at DIR.
drives_mount() {
  local type=$1 image=$2 dir=$3 log=$2.log
  mkdir -p "$dir"
  # FUSE file systems run in the foreground of a background job, so their end can be awaited.
  case "$type" in
    ntfs) ntfs-3g -o no_detach "$image" "$dir" </dev/null >"$log" 2>&1 & drives_daemon_of[$dir]=$! ;;
    fat) fusefat -f -o rw+ "$image" "$dir" </dev/null >"$log" 2>&1 & drives_daemon_of[$dir]=$! ;;
    # exfat-fuse wants a block device; -d keeps it in the foreground (its debug output dropped).
    exfat)
      drives_loop_of[$dir]=$(losetup -f --show "$image")
      mount.exfat-fuse -d "${drives_loop_of[$dir]}" "$dir" </dev/null >/dev/null 2>&1 &
      drives_daemon_of[$dir]=$!
      ;;
    ext4) mount -o loop "$image" "$dir" ;;
  esac
  drives_mounts+=("$dir")
  local _
  for _ in $(seq 1 100); do
    mountpoint -q "$dir" && return 0
    sleep 0.05
  done
  echo "FAILED: could not mount the $type image"
  cat "$log" 2>/dev/null
  exit 1
}

drives_unmount() {
  local dir=$1 _
  sync
  for _ in $(seq 1 50); do
    umount "$dir" 2>/dev/null && break
    sleep 0.1
  done
  if mountpoint -q "$dir"; then
    echo "FAILED: $dir stays busy"
    exit 1
  fi
  # The FUSE process ends once everything is in the image.
  if [ -n "${drives_daemon_of[$dir]:-}" ]; then
    wait "${drives_daemon_of[$dir]}" 2>/dev/null || true
    unset "drives_daemon_of[$dir]"
  fi
  if [ -n "${drives_loop_of[$dir]:-}" ]; then
    losetup -d "${drives_loop_of[$dir]}"
    unset "drives_loop_of[$dir]"
  fi
}

drives_map() {
  local letter=$1 dir=$2 type=$3
  ln -sfn "$dir" "$WINEPREFIX/dosdevices/$letter:"
  drives_types[$letter]=$type
  drives_dirs[$letter]=$dir
  drives_tokens[$letter]=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  printf '%s\n' "${drives_tokens[$letter]}" >"$dir/VARNOLT-TEST-VOLUME"
}

drives_token() { echo "$1:${drives_tokens[$1]}"; }
# How LETTER was mapped: hd or floppy.
drives_type() { echo "${drives_types[$1]}"; }

# The loader for the program under test: Wine's 32-bit one for the i686 build's programs.
drives_loader() {
  if [ "${VARNOLT_WINE_BITS:-64}" = 32 ]; then echo /usr/lib/wine/wine; else echo "$WINE"; fi
}

# drives_set_values FILE KEY LINE...: values of KEY (as the registry file spells it, with its
# backslashes doubled) set in the clone's registry FILE (system.reg or user.reg) while no server
# runs, each LINE as a .reg file gives it: "name"="data", or "name"=- to delete. A `reg add`
# would start a server for the clone and end it again; one such `reg add` in dozens failed
# with status 1, its cause not found, and failed the test that wanted the drive.
drives_set_values() {
  local file=$WINEPREFIX/$1 header="[$2]" lines
  shift 2
  lines=$(printf '%s\n' "$@")
  # A server still running would write its own copy of the registry over ours when it ends.
  quiet "$WINESERVER" -w
  drives_header=$header drives_lines=$lines awk '
    function name_of(text,  end) { end = index(text, "\"="); return end ? substr(text, 1, end + 1) : "\001" }
    function write_ours() { for (i = 1; i <= n; i++) if (line[i] != "" && line[i] !~ /=-$/) print line[i]; written = 1 }
    BEGIN { header = ENVIRON["drives_header"]; n = split(ENVIRON["drives_lines"], line, "\n")
            for (i = 1; i <= n; i++) if (line[i] != "") ours[name_of(line[i])] = 1 }
    $0 == header || index($0, header " ") == 1 { inside = 1; print; next }
    inside && /^#/ { print; next }
    inside && !written { write_ours() }
    inside && /^$/ { inside = 0 }
    inside && (name_of($0) in ours) { next }
    { print }
    END { if (written) exit; if (!inside) { print ""; print header " 0" } write_ours() }' "$file" >"$file.new" &&
    mv "$file.new" "$file"
}

# The types of the letters mapped, which the drive manager reads when the server starts.
drives_write_types() {
  local letter lines=()
  for letter in "${!drives_types[@]}"; do lines+=("\"$letter:\"=\"${drives_types[$letter]}\""); done
  drives_set_values system.reg 'Software\\Wine\\Drives' "${lines[@]}"
}

drives_start() {
  local letter
  drives_write_types
  for letter in "${!drives_dirs[@]}"; do
    # Double-check before anything is cleaned: the letter leads to the volume made here.
    [ "$(readlink "$WINEPREFIX/dosdevices/$letter:")" = "${drives_dirs[$letter]}" ] &&
      mountpoint -q "${drives_dirs[$letter]}" ||
      { echo "FAILED: $letter: does not lead to its test volume"; exit 1; }
  done
  setsid bash -c "$close_descriptors" server "$WINESERVER" -f -p </dev/null >/dev/null 2>&1 &
  drives_server=$!
  await_server "$drives_server" || { echo "FAILED: the clone's server did not start"; exit 1; }
  quiet "$WINE" cmd /c exit
}

drives_stop() {
  quiet "$WINESERVER" -k || true
  [ -n "${drives_server:-}" ] && wait "$drives_server" 2>/dev/null
  drives_server=
}

# Holds the clone's desktop process (explorer.exe) until its server ends: Wine starts one for the
# first program that needs it and ends it about half a second after the last one, where Windows
# keeps it running all the time. Wine's own notepad holds it (a program with a window keeps the
# desktop in use, a console program does not), unseen under the null driver. Returns once the
# desktop runs; fails when it does not start.
drives_hold_desktop() {
  (cd "$WINEPREFIX/drive_c/windows" && exec "$WINE" notepad </dev/null >/dev/null 2>&1) &
  local _
  for _ in $(seq 200); do drives_desktop_running && return 0; sleep 0.05; done
  echo "FAILED: the desktop process did not start" >&2
  return 1
}
drives_desktop_running() {
  local pid
  for pid in $(pgrep -f 'explorer\.exe' || true); do
    in_this_prefix "$pid" && return 0
  done
  return 1
}
