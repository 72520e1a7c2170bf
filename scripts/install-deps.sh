#!/usr/bin/env bash
# Installs what building and testing Varnolt needs on Debian 12. Idempotent: a package that is
# already there is not asked for again, and a machine that has everything makes no apt call.
. "$(dirname "$0")/strict-mode.sh"

packages=(
  cmake g++ make ninja-build googletest
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64 wine32:i386 libwine-dev fonts-wine
  xvfb xdotool imagemagick
  dosfstools fusefat ntfs-3g exfatprogs exfat-fuse fuse3 util-linux e2fsprogs sleuthkit
  nsis osslsigncode openssl python3
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  # Each answer read whole: `grep -q` on a live writer would make the check a matter of timing.
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  if [[ $status != *"install ok installed"* ]]; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if ! grep -qx i386 <<<"$(dpkg --print-foreign-architectures)"; then
  dpkg --add-architecture i386
fi
echo "install-deps: installing ${missing[*]}"
# A mirror caught mid-sync fails one index now and then; a failed update is tried again, and
# the install is attempted with whatever indexes were fetched.
for attempt in 1 2 3; do
  apt-get update -qq && break
  echo "install-deps: apt-get update failed (attempt $attempt), trying again" >&2
  sleep $((attempt * 10))
done
# When one architecture's index of a suite is missing (the security suite's i386 one, seen
# here), its amd64 packages are newer than their i386 twins, which must match: the last attempt
# takes every package from the release's own suite, the same versions for both.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
for attempt in 1 2 3; do
  release=()
  [ "$attempt" -lt 3 ] || [ -z "$codename" ] || release=(-t "$codename")
  apt-get install -y -qq --no-install-recommends "${release[@]}" "${missing[@]}" >/dev/null && break
  [ "$attempt" -lt 3 ] || { echo "install-deps: apt-get install failed" >&2; exit 1; }
  echo "install-deps: apt-get install failed (attempt $attempt), trying again" >&2
  sleep $((attempt * 10))
  apt-get update -qq || true
done

# The MinGW compilers must be the posix-thread flavour (std::thread, std::mutex in libstdc++).
for t in x86_64-w64-mingw32 i686-w64-mingw32; do
  for tool in g++ gcc; do
    if [ -x "/usr/bin/$t-$tool-posix" ]; then
      update-alternatives --set "$t-$tool" "/usr/bin/$t-$tool-posix" >/dev/null 2>&1 || true
    fi
  done
done
