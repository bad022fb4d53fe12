#!/usr/bin/env bash
# Runs the whole test suite of the current commit in a fresh, minimal Debian chroot.
# Usage: scripts/test-on-debian.sh trixie|bookworm [command...]     (as root)
# The base system made by debootstrap is kept as a tarball in $KEYRISE_CHROOT_CACHE (default
# /var/cache/keyrise-chroots), together with the downloaded packages, so that a second run starts
# from there. Each run unpacks the base into a new folder, clones the current commit into it
# (committed work only, none of the working tree's build folders), installs the dependencies with
# scripts/install-deps.sh and runs scripts/test.sh as root, or the command given, in the clone's
# folder (e.g. "bash scripts/fuzz.sh 5"). The exit status is that command's.
# KEYRISE_CHROOT_KEEP=1 keeps the run's folder for a look afterwards (it is printed).
set -euo pipefail

suite="${1:-}"
shift || true
command=("$@")
if [ ${#command[@]} -eq 0 ]; then
  command=(bash scripts/test.sh)
fi
case "$suite" in
  trixie | bookworm) ;;
  *)
    echo "usage: $0 trixie|bookworm" >&2
    exit 2
    ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  echo "$0: debootstrap, chroot and mount need root; run it with sudo" >&2
  exit 2
fi

root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${KEYRISE_CHROOT_CACHE:-/var/cache/keyrise-chroots}"
arch="$(dpkg --print-architecture)"
base="$cache/$suite-$arch-base.tar.gz"
archives="$cache/$suite-$arch-archives"

# The Debian mirror this machine uses, from its apt sources.
mirror="$(grep -h -o -E 'https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list.d/*.sources \
  /etc/apt/sources.list 2>/dev/null | head -n 1 | tr -d ' ' || true)"
mirror="${mirror%/}"
mirror="${mirror:-http://deb.debian.org/debian}"
security="${mirror%/debian}/debian-security"

if ! command -v debootstrap >/dev/null; then
  env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap
fi
mkdir -p "$cache" "$archives"

commit="$(git -C "$root" rev-parse HEAD)"
if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
  echo "note: uncommitted changes are not tested; testing commit $commit" >&2
fi

work="$(mktemp -d "${KEYRISE_CHROOT_WORK:-/var/tmp}/keyrise-$suite.XXXXXX")"
target="$work/root"
mkdir "$target"

mounted=()
mount_in() { # mount_in <path inside the chroot> <mount arguments...>
  local point="$target$1"
  shift
  mkdir -p "$point"
  mount "$@" "$point"
  mounted+=("$point")
}

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  local i pid
  # What the run left running in the chroot (an X server, a game) would keep the mounts busy.
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    if [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$target" ]; then
      kill -KILL "$pid" 2>/dev/null || true
    fi
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
  done
  # Nothing is removed while anything is still mounted below the run's folder: a bind mount
  # of /dev would take the machine's device files with it.
  if findmnt -rn -o TARGET | grep -q -F "$work/"; then
    echo "still mounted below $work; left in place" >&2
  elif [ "${KEYRISE_CHROOT_KEEP:-0}" = 1 ]; then
    echo "chroot kept in $target" >&2
  else
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

started=$SECONDS
if [ -f "$base" ]; then
  echo "== unpacking the cached $suite base ($base)"
  tar -xzf "$base" -C "$target"
else
  echo "== debootstrap $suite from $mirror"
  debootstrap --variant=minbase --arch="$arch" --cache-dir="$archives" \
    --include=ca-certificates,git "$suite" "$target" "$mirror"
  {
    echo "deb $mirror $suite main"
    echo "deb $mirror $suite-updates main"
    echo "deb $security $suite-security main"
  } >"$target/etc/apt/sources.list"
  # The tarball is written under a temporary name first, so that an interrupted run leaves
  # no half tarball for the next one.
  tar -czf "$base.part" -C "$target" .
  mv "$base.part" "$base"
fi
echo "== base ready after $((SECONDS - started)) s"

cp /etc/resolv.conf "$target/etc/resolv.conf"
mount_in /proc -t proc proc
mount_in /sys -t sysfs sysfs
mount_in /dev --bind /dev
mount --make-private "$target/dev"
mount_in /dev/pts -t devpts devpts -o newinstance,ptmxmode=0666,mode=0620
mount_in /dev/shm -t tmpfs shm -o mode=1777
mount_in /var/cache/apt/archives --bind "$archives"

git clone -q --no-checkout "$root" "$target/root/keyrise"
git -C "$target/root/keyrise" checkout -q --detach "$commit"

echo "== testing $commit on $suite: ${command[*]}"
tested=$SECONDS
status=0
chroot "$target" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive \
  bash -c 'cd /root/keyrise && bash scripts/install-deps.sh all && "$@"' run "${command[@]}" || status=$?
echo "== $suite: exit status $status after $((SECONDS - tested)) s in the chroot, $((SECONDS - started)) s in all"
exit "$status"
