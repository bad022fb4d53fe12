#!/usr/bin/env bash
# Makes the upstream tarball the Debian source package is built from,
# ../keyrise_<version>.orig.tar.xz beside the clone, from the commit checked out (git archive:
# only what git holds, without debian/). The version is the one of debian/changelog.
# Usage: scripts/make-orig.sh [output-folder]   (default: the clone's parent folder)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$(cd "${1:-$root/..}" && pwd)"
version="$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)"
upstream="${version%-*}"
tarball="$out/keyrise_${upstream}.orig.tar.xz"
git -C "$root" archive --format=tar --prefix="keyrise-${upstream}/" HEAD -- . ':(exclude)debian' |
  xz -9 >"$tarball"
echo "$tarball"
