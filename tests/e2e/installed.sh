#!/usr/bin/env bash
# The game as a player installs it: builds the Debian package from the build, checks it
# (lintian, the desktop entry, the AppStream data), installs it with apt, starts `keyrise` as
# a new user from an unrelated folder, saves the options, plays a bundled song in Auto Play to
# the result, and finds the settings in ~/.config/keyrise and the record and the song index in
# ~/.local/share/keyrise; then purges the package and checks that none of its files remain.
# Needs root and apt (CI); elsewhere it is skipped (exit 77).
# Usage: installed.sh <keyrise-binary> <source-dir>
# Set KEYRISE_SCREENSHOTS=<folder> to keep the screenshots (installed-select.png, ...) there.
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
build="$(dirname "$bin")"
if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null || ! command -v cpack >/dev/null; then
  echo "installed: skipped (needs root, apt and cpack)"
  exit 77
fi
work="$(mktemp -d /tmp/keyrise-installed-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"

player=keyrise-e2e
installed_here=""
cleanup_installed() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  game_pid=""
  if id "$player" >/dev/null 2>&1; then
    pkill -u "$player" -x keyrise 2>/dev/null || true
    userdel "$player" 2>/dev/null || true
  fi
  if [ -n "$installed_here" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q keyrise >/dev/null 2>&1 || true
  fi
  cleanup
}
trap cleanup_installed EXIT

# A run cut short earlier may have left its player or the package behind.
if id "$player" >/dev/null 2>&1; then
  userdel "$player" 2>/dev/null || true
fi
if dpkg-query -W -f='${Status}' keyrise 2>/dev/null | grep -q 'install ok installed'; then
  fail "keyrise is installed already; this test installs and removes it itself"
fi

# The package, made from this build.
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.err" 2>&1) || fail "cpack failed"
version="$(sed -n 's/^project(Keyrise VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
deb="$work/package/keyrise_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no package $deb: $(ls "$work/package")"
depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libsdl1.2debian libfluidsynth libasound2 libc6 timgm6mb-soundfont fonts-vlgothic; do
  case "$depends" in *"$needed"*) ;; *) fail "the package does not depend on $needed: $depends" ;; esac
done
lintian --no-tag-display-limit "$deb" >"$work/lintian.err" 2>&1 || true
if grep -q '^E: ' "$work/lintian.err"; then
  fail "lintian reports errors: $(grep '^E: ' "$work/lintian.err" | head -n 5)"
fi

DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" \
  >"$work/apt.err" 2>&1 || fail "apt could not install the package"
installed_here=1
dpkg -L keyrise >"$work/files"
for f in /usr/games/keyrise /usr/share/applications/io.github.keyrise.Keyrise.desktop \
  /usr/share/metainfo/io.github.keyrise.Keyrise.metainfo.xml /usr/share/icons/hicolor/48x48/apps/keyrise.png \
  /usr/share/icons/hicolor/256x256/apps/keyrise.png /usr/share/man/man6/keyrise.6.gz \
  /usr/share/games/keyrise/songs/Fanfare.mid /usr/share/locale/ja/LC_MESSAGES/keyrise.mo; do
  [ -e "$f" ] || fail "$f was not installed"
done
desktop-file-validate /usr/share/applications/io.github.keyrise.Keyrise.desktop >"$work/desktop.err" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop.err")"
appstreamcli validate --no-net /usr/share/metainfo/io.github.keyrise.Keyrise.metainfo.xml >"$work/appstream.err" 2>&1 ||
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
# a machine without sound shows the game's one line instead of ALSA's).
runner=(setpriv --reuid="$player" --regid="$(id -g "$player")" --init-groups
  env -i HOME="$home" USER="$player" PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games
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
[ "$(head -n2 <<<"$out")" = "keyrise $version"$'\n'"$(grep -m1 '^Copyright ' "$src/LICENSE")" ] ||
  fail "keyrise --version printed: $out"
grep -q 'without warranty' <<<"$out" || fail "keyrise --version has no warranty line: $out"

# Removing the package leaves none of its files, only the player's own in their home.
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q keyrise >"$work/purge.err" 2>&1 ||
  fail "apt could not remove the package"
installed_here=""
while IFS= read -r path; do
  [ -e "$path" ] || [ -L "$path" ] || continue
  if [ -d "$path" ] && [ ! -L "$path" ]; then
    # A folder the package shared with others stays when someone else still owns it or
    # still has files in it.
    dpkg -S "$path" >/dev/null 2>&1 && continue
    [ -n "$(ls -A "$path")" ] && continue
  fi
  fail "$path remains after apt purge"
done <"$work/files"
[ ! -e /usr/share/games/keyrise ] || fail "/usr/share/games/keyrise remains after apt purge"
[ -s "$score" ] || fail "the player's record went with the package"

echo "installed: package built and checked, installed, played from the player's home, purged: ok"
