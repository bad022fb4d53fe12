#!/usr/bin/env bash
# The program's options as a player types them: --version and --help print and end with 0, a
# wrong option is named and ends with 2, a start without a display says so and ends with 1
# (instead of drawing the game as characters in the terminal), and --portable DIR plays in DIR
# from any folder, with the songs of --songs DIR listed and their records kept beside them.
# Usage: options.sh <keyrise-binary> <source-dir>
set -euo pipefail
bin="$(realpath "$1")"
src="$(realpath "$2")"
work="$(mktemp -d /tmp/keyrise-options-XXXXXX)"
source "$src/tests/e2e/lib/harness.bash"
cd "$work"

version="$(sed -n 's/^project(Keyrise VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")"
[ -n "$version" ] || fail "no version in project()"
out="$("$bin" --version)" || fail "--version ended with $?"
[ "$(head -n1 <<<"$out")" = "keyrise $version" ] || fail "--version printed: $out"
out="$("$bin" --help)" || fail "--help ended with $?"
grep -q -- '--portable DIR' <<<"$out" || fail "--help printed: $out"
# Output that cannot be written is a failure, said on stderr.
for option in --help --version; do
  status=0
  "$bin" "$option" >/dev/full 2>"$work/full.err" || status=$?
  [ "$status" -ne 0 ] || fail "$option >/dev/full ended with 0"
  grep -q 'write error' "$work/full.err" || fail "$option >/dev/full did not say why"
done

status=0
"$bin" --fullscreen >"$work/out.txt" 2>"$work/wrong.err" || status=$?
[ "$status" -eq 2 ] || fail "a wrong option ended with $status, not 2"
grep -q 'unknown option --fullscreen' "$work/wrong.err" || fail "the wrong option was not named"
[ "$(wc -l <"$work/wrong.err")" -eq 2 ] || fail "a wrong option gave more than its line and the hint"
[ ! -s "$work/out.txt" ] || fail "a wrong option printed on stdout"

# No display and no video driver named: one line, exit 1, at once.
bash "$src/scripts/prepare-run.sh" "$work/run" >/dev/null
status=0
(cd "$work/run" && env -u DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 20 "$bin" \
  >"$work/nodisplay.out" 2>"$work/nodisplay.err") || status=$?
[ "$status" -eq 1 ] || fail "a start without a display ended with $status, not 1"
grep -q 'no display found' "$work/nodisplay.err" || fail "no line saying that no display was found"
[ ! -s "$work/nodisplay.out" ] || fail "a start without a display drew on the terminal"

# --portable from an unrelated folder, with an added song folder that the game may write.
find "$work/run/data" -type f ! -name 'Fanfare.mid' -delete
printf 'videomode 1\nfullscreen 0\n' >"$work/run/config"
mkdir -p "$work/extra" "$work/elsewhere"
cp "$src/assets/songs/Twinkle.mid" "$work/extra/"
start_xvfb 1024x768x24
export SDL_AUDIODRIVER=dummy
cd "$work/elsewhere"
runner=(env)
bin_args=(--portable "$work/run" --songs "$work/extra")
"$bin" "${bin_args[@]}" >"$work/game.out" 2>"$work/game.err" &
game_pid=$!
window="$(timeout 30 xdotool search --sync --name '^Keyrise$' | head -n1)" ||
  fail "no window named Keyrise appeared"
sleep 2
alive start
quit_game
[ -s "$work/run/songindex" ] || fail "--portable did not keep the song index in its folder"
grep -q 'extra/Twinkle.mid' "$work/run/songindex" || fail "the --songs folder's song is not in the index"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "the game wrote into the folder it was started from"
echo "options: --version, --help, wrong options, no display, --portable and --songs: ok"
