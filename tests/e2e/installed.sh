#!/usr/bin/env bash
# The game as a player installs it, checked without touching the system the test runs on: makes
# a Debian package from this build (its files as `cmake --install` puts them, its control data
# from debian/ by dpkg-shlibdeps and dpkg-gencontrol), checks it (lintian, its dependencies, the
# desktop entry, the AppStream data), installs it with dpkg into a throw-away root with its own
# package database, starts the game installed there as a new user from an unrelated folder (the
# program finds its files beside itself), saves the options, plays a bundled song in Auto Play
# to the result, and finds the settings in ~/.config/keyrise and the record and the song index
# in ~/.local/share/keyrise; then purges the package from that root and checks that nothing of
# it remains. The dependencies are read from the package, not installed (dpkg --force-depends):
# the libraries, the SoundFont and the font are those of the machine the game was built on.
# Needs root (a new user, files owned by root in the package); elsewhere it is skipped (exit 77).
# Usage: installed.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOTS=<folder> to keep the screenshots (installed-select.png, ...) there.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
build="$(dirname "$bin")"
for tool in dpkg-deb dpkg-shlibdeps dpkg-gencontrol lintian desktop-file-validate appstreamcli; do
  if ! command -v "$tool" >/dev/null; then
    echo "installed: skipped (needs $tool)"
    exit 77
  fi
done
if [ "$(id -u)" -ne 0 ]; then
  echo "installed: skipped (needs root)"
  exit 77
fi
work="$(mktemp -d /tmp/keyrise-installed-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

# One player per run, so that runs at the same moment do not share one.
player="keyrise-e2e-$(basename "$work" | cut -d- -f3 | tr "A-Z" "a-z")"
cleanup_installed() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  game_pid=""
  if id "$player" >/dev/null 2>&1; then
    pkill -u "$player" -x keyrise 2>/dev/null || true
    userdel "$player" 2>/dev/null || true
  fi
  cleanup
}
trap cleanup_installed EXIT

# The package: this build's files below /usr, stripped, with the Debian changelog, the upstream
# changelog and the copyright where debhelper puts them.
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >"$work/install.err" 2>&1 ||
  fail "cmake --install failed"
doc="$stage/usr/share/doc/keyrise"
gzip -9n <"$src/debian/changelog" >"$doc/changelog.Debian.gz"
gzip -9n <"$src/CHANGELOG.md" >"$doc/changelog.gz"
cp "$src/debian/copyright" "$doc/copyright"
mkdir -p "$stage/DEBIAN"
(cd "$stage" && find usr -type f -printf '%P\n' | sort | sed 's|^|usr/|' | xargs md5sum) >"$stage/DEBIAN/md5sums"
(cd "$work" && mkdir -p debian && cp "$src/debian/control" debian/ &&
  dpkg-shlibdeps -T"$work/substvars" -e"$stage/usr/games/keyrise" &&
  dpkg-gencontrol -pkeyrise -c"$src/debian/control" -l"$src/debian/changelog" -T"$work/substvars" \
    -f"$work/files" -P"$stage") >"$work/control.err" 2>&1 || fail "the control data could not be made"
deb="$work/keyrise.deb"
dpkg-deb --root-owner-group -Zgzip -b "$stage" "$deb" >"$work/dpkg-deb.err" 2>&1 || fail "dpkg-deb failed"

version="$(dpkg-deb -f "$deb" Version)"
[ "$version" = "$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)" ] ||
  fail "the package's version $version is not the changelog's"
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in 'libsdl1.2debian|libsdl1.2-compat' libfluidsynth libasound2 libc6 \
  'timgm6mb-soundfont | sf2-soundfont-gm' fonts-vlgothic; do
  grep -qE "$needed" <<<"$depends" || fail "the package does not depend on $needed: $depends"
done
# No maintainer scripts: the icon cache and the desktop menu follow by dpkg's triggers.
scripts="$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'inst$|rm$' || true)"
[ -z "$scripts" ] || fail "the package has maintainer scripts: $scripts"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.err" 2>&1 || true
if grep -q '^E: ' "$work/lintian.err"; then
  fail "lintian reports errors: $(grep '^E: ' "$work/lintian.err" | head -n 5)"
fi

# Installed into a throw-away root with a package database of its own.
root="$work/root"
admin="$root/var/lib/dpkg"
mkdir -p "$admin/info" "$admin/updates"
touch "$admin/status" "$admin/available"
dpkg --root="$root" --log=/dev/null --force-depends -i "$deb" >"$work/dpkg.err" 2>&1 ||
  fail "dpkg could not install the package into $root"
dpkg --root="$root" -L keyrise >"$work/files"
for f in /usr/games/keyrise /usr/share/applications/io.github.keyrise.Keyrise.desktop \
  /usr/share/metainfo/io.github.keyrise.Keyrise.metainfo.xml /usr/share/icons/hicolor/48x48/apps/keyrise.png \
  /usr/share/icons/hicolor/256x256/apps/keyrise.png /usr/share/man/man6/keyrise.6.gz \
  /usr/share/games/keyrise/songs/Fanfare.mid /usr/share/locale/ja/LC_MESSAGES/keyrise.mo \
  /usr/share/doc/keyrise/copyright; do
  grep -qx "$f" "$work/files" || fail "the package does not hold $f"
  [ -e "$root$f" ] || fail "$f was not installed"
done
desktop-file-validate "$root/usr/share/applications/io.github.keyrise.Keyrise.desktop" >"$work/desktop.err" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop.err")"
appstreamcli validate --no-net "$root/usr/share/metainfo/io.github.keyrise.Keyrise.metainfo.xml" >"$work/appstream.err" 2>&1 ||
  fail "appstreamcli validate: $(cat "$work/appstream.err")"

# A new player with an empty home, starting the game from a folder unrelated to it.
home="$work/home"
chmod 755 "$work"
useradd --home-dir "$home" --create-home --shell /bin/bash "$player"
# A folder that happens to hold an image/ folder: the installed game started there stays
# installed (it does not look for its pictures there).
mkdir -p "$work/elsewhere/image"
chmod 755 "$work/elsewhere" "$work/elsewhere/image"

start_xvfb 1280x1024x24
unset SDL_VIDEODRIVER
# The player's environment: no XDG variables (their defaults apply), no audio driver named (so
# a machine without sound shows the game's one line instead of ALSA's); the throw-away root's
# games folder comes first, before a keyrise the machine may have installed.
runner=(setpriv --reuid="$player" --regid="$(id -g "$player")" --init-groups
  env -i HOME="$home" USER="$player" PATH="$root/usr/games:/usr/local/bin:/usr/bin:/bin"
  DISPLAY="$DISPLAY" LANG=C.UTF-8)
bin=keyrise
cd "$work/elsewhere"
start_game "$work/game.err"
xdotool windowfocus --sync "$window" 2>/dev/null || true
sleep 3
screenshot installed-title
if grep -q '^ALSA lib' "$work/game.err"; then
  fail "ALSA's own lines reached stderr"
fi

# Options: saved as they are, into the player's settings.
press Right
press Return 1.2
press Up
press Return 1.2
[ -s "$home/.config/keyrise/config" ] || fail "the options were not saved in ~/.config/keyrise/config"
grep -q '^AutoPlay 1$' "$home/.config/keyrise/config" || fail "the saved settings lack AutoPlay 1"

# Song selection: the player's folder is empty, so the selection says where songs go; part 1
# of the first bundled song (Fanfare: 20 notes, Auto Play reaches the result) is played.
press Left
press Return 2
screenshot installed-select
press Up 0.8
press Return 8
alive play
sleep 16
screenshot installed-result
press Return 1.5
press Escape 1.5 # leaving the selection writes the record

data="$home/.local/share/keyrise"
[ -d "$data/songs" ] || fail "the player's song folder was not made"
[ -z "$(ls -A "$data/songs")" ] || fail "something was written into the player's song folder"
[ -s "$data/songindex" ] || fail "no song index in ~/.local/share/keyrise"
score="$data/scores/Keyrise/Fanfare.mid.score"
[ -s "$score" ] || fail "no record of the bundled song in ~/.local/share/keyrise/scores: $(find "$data")"
grep -qx 'highrate_ins1_key4 0' "$score" || fail "the new rate record is not in $score"
[ "$(stat -c %U "$score")" = "$player" ] || fail "the record does not belong to the player"
quit_game

# What the player sees on a terminal.
out="$("${runner[@]}" keyrise --version)" || fail "keyrise --version failed"
[ "$(head -n2 <<<"$out")" = "keyrise ${version%-*}"$'\n'"$(grep -m1 '^Copyright ' "$src/LICENSE")" ] ||
  fail "keyrise --version printed: $out"
grep -q 'without warranty' <<<"$out" || fail "keyrise --version has no warranty line: $out"

# Purging the package leaves nothing of it in the root, only its package database; the
# player's own files stay in their home.
dpkg --root="$root" --log=/dev/null --purge keyrise >"$work/purge.err" 2>&1 || fail "dpkg could not purge the package"
left="$(cd "$root" && find . -mindepth 1 ! -path './var' ! -path './var/lib' ! -path './var/lib/dpkg*')"
[ -z "$left" ] || fail "after the purge the root still holds: $(head -n 5 <<<"$left")"
if dpkg-query --admindir="$admin" -W keyrise >/dev/null 2>&1; then
  fail "the package database still knows keyrise after the purge"
fi
[ -s "$score" ] || fail "the player's record went with the package"

echo "installed: package made and checked, installed into a throw-away root, played from the player's home, purged: ok"
