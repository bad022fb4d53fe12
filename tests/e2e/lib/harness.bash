# Shared steps of the end-to-end scripts: a scratch folder, a virtual X display, the game's
# window and its screenshots, and ending the game with Alt+F4. Source it after setting bin, src
# and work.

xvfb_pid=""
game_pid=""
# Words put before the program by start_game (e.g. to run it as another user).
runner=()

cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# fail <message>: reports, shows the end of every *.err file of the scratch folder, ends the script.
fail() {
  echo "FAIL: $*" >&2
  for f in "$work"/*.err; do
    [ -f "$f" ] && { echo "--- $f" >&2; tail -n 20 "$f" >&2; }
  done
  exit 1
}

# start_xvfb <WxHxD>: a virtual X server on a display number it picks itself; exports DISPLAY.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.err" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
  export SDL_VIDEODRIVER=x11
}

# start_game <stderr file>: starts the game in the current folder and waits for its window;
# sets game_pid and window.
start_game() {
  "${runner[@]}" "$bin" >"$work/game.out" 2>"$1" &
  game_pid=$!
  # A search fails with BadWindow when a window goes while it looks (the game may replace its
  # first window as it sets the video mode): it is asked again, for 30 s in all.
  window=""
  local deadline=$((SECONDS + 30))
  while [ -z "$window" ] && [ "$SECONDS" -lt "$deadline" ]; do
    window="$(timeout $((deadline - SECONDS + 1)) xdotool search --sync --name '^Keyrise$' \
      2>/dev/null | head -n1)" || true
    if [ -z "$window" ]; then
      ended "while opening its window"
      sleep 0.2
    fi
  done
  [ -n "$window" ] || fail "no window named Keyrise appeared"
}

# ended <when>: fails with the game's exit code when it is no longer running.
ended() {
  kill -0 "$game_pid" 2>/dev/null && return 0
  local status=0
  wait "$game_pid" || status=$?
  game_pid=""
  fail "the game ended $1 (exit code $status)"
}

# prepare_fanfare_run: "$work/run", a game folder (with the catalogues the build made next to
# "$bin") whose only song is the short Fanfare.mid.
prepare_fanfare_run() {
  bash "$src/scripts/prepare-run.sh" "$work/run" "$(dirname "$bin")" >/dev/null
  find "$work/run/data" -type f ! -name 'Fanfare.mid' -delete
  [ -f "$work/run/data/Fanfare.mid" ] || fail "the short song Fanfare.mid is missing"
}

# open_game <stderr file>: starts the game and, once it has settled, takes the window it shows
# (the window that appears first may be replaced while the game sets its video mode).
open_game() {
  start_game "$1"
  sleep 3
  # The search finds nothing for a moment while the window is being replaced: it is asked again
  # (under set -e a failed search would end the script without a word).
  # On a busy machine the new window may take a while to get its name: up to 30 s.
  window=""
  for _ in $(seq 150); do
    window="$(xdotool search --name '^Keyrise$' 2>/dev/null | tail -n1)" || true
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -z "$window" ]; then
    ended "while setting its video mode"
    xwininfo -root -tree >&2 2>/dev/null || true
    fail "no window named Keyrise after the video mode was set (the game still runs)"
  fi
  xdotool windowfocus --sync "$window" 2>/dev/null || true
}

# alive <step>: the game must still run.
alive() { kill -0 "$game_pid" 2>/dev/null || fail "the game ended unexpectedly ($1)"; }

# press <key> [seconds]: holds a key long enough for the game loop to see it go down, releases
# it, then waits (default 0.3 s). The game may replace its window while it sets the video mode:
# when the window is gone, the newest window of the game is taken and the press sent again, once.
press() {
  if ! xdotool keydown --window "$window" "$1" 2>/dev/null; then
    window="$(xdotool search --name '^Keyrise$' 2>/dev/null | tail -n1)" || true
    [ -n "$window" ] || fail "no window to press $1 in"
    xdotool keydown --window "$window" "$1" || fail "cannot press $1"
  fi
  sleep 0.08
  xdotool keyup --window "$window" "$1" || fail "cannot release $1"
  sleep "${2:-0.3}"
}

# wait_result <count> <stderr file>: waits until the game's trace holds that many result lines
# (polled every 0.1 s, at most 3,600 times); the game must run meanwhile.
wait_result() {
  for _ in $(seq 3600); do
    [ "$(grep -c '^result:' "$2" || true)" -ge "$1" ] && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before result $1"
    sleep 0.1
  done
  fail "result $1 never came"
}

# quit_game: Alt+F4 must end the game, with exit code 0. A press can get lost on a busy display,
# so it is sent up to three times, five seconds apart.
quit_game() {
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    # The game may close its window while the keys are still being released, which xdotool
    # reports as an error; whether the game ended is checked below.
    xdotool key --window "$window" --clearmodifiers alt+F4 2>/dev/null || true
    for _ in $(seq 50); do
      kill -0 "$game_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$game_pid" 2>/dev/null || break
  done
  kill -0 "$game_pid" 2>/dev/null && fail "Alt+F4 did not end the game"
  # The game ends on Alt+F4 going down; xdotool may then fail on the gone window before it lets
  # the keys go, leaving them down in the X server, and the next game would read them as held
  # when its window takes the focus and quit at once. Let them go here (a key that is not down
  # is not released twice).
  xdotool keyup F4 Alt_L 2>/dev/null || true
  local status=0
  wait "$game_pid" || status=$?
  game_pid=""
  [ "$status" -eq 0 ] || fail "exit code after Alt+F4 was $status"
}

# screenshot <name>: the window into "$work/<name>.png"; the game must still run and the picture
# must show something. Kept as "$KEYRISE_SCREENSHOTS/<name>.png" when that folder is set.
screenshot() {
  alive "$1"
  import -window "$window" "$work/$1.png" 2>/dev/null || fail "cannot take a screenshot ($1)"
  not_blank "$work/$1.png" "$1"
  if [ -n "${KEYRISE_SCREENSHOTS:-}" ]; then
    cp "$work/$1.png" "$KEYRISE_SCREENSHOTS/$1.png"
  fi
}

# not_blank <png> <name>: the picture must show something.
not_blank() {
  local spread
  spread="$(identify -format '%[fx:standard_deviation]' "$1")"
  awk -v s="$spread" 'BEGIN { exit !(s > 0.005) }' || fail "screen $2 is blank (spread $spread)"
}

# fill_songs <count> <pattern>: replaces the songs of "$work/run/data" with <count> copies of
# them, named by printf <pattern> (e.g. 'song%03d-') of the copy's number and the song's name.
fill_songs() {
  mkdir -p "$work/songs"
  mv "$work/run/data/"*.mid "$work/songs/"
  local i=0 f
  while [ "$i" -lt "$1" ]; do
    for f in "$work/songs/"*.mid; do
      [ "$i" -lt "$1" ] || break
      cp "$f" "$work/run/data/$(printf "$2" "$i")$(basename "$f")"
      i=$((i + 1))
    done
  done
}

# mean <area>: mean brightness of a part of the window (0 when it cannot be read).
mean() {
  import -window "$window" -crop "$1" +repage -colorspace gray -format '%[fx:mean]' info: \
    2>/dev/null || echo 0
}

# wait_lit <area> <what> [tries]: waits until the area is lit, polling every 20 ms (3000
# tries unless given).
wait_lit() {
  for _ in $(seq "${3:-3000}"); do
    awk -v m="$(mean "$1")" 'BEGIN { exit !(m > 0.05) }' && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended before $2"
    sleep 0.02
  done
  fail "$2 did not appear"
}
