#!/bin/bash
# Plays the real program under a virtual X server: a right click flags a square, a left click
# uncovers another, then the saved game must be on both sides of the store, byte for byte, and a
# screenshot of the screen must come out. Exits 77 (skipped) when the tools are missing.
#
# usage: e2e.sh PATH/TO/sapperly [SCREENSHOT.png]
set -u

program=$1
screenshot=${2:-$PWD/sapperly_e2e.png}  # xwd format when ImageMagick is missing

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*"; [ -f "$work/out.txt" ] && sed 's/^/  program: /' "$work/out.txt"; exit 1; }

command -v Xvfb >/dev/null || skip "Xvfb is not installed"
command -v xdotool >/dev/null || skip "xdotool is not installed"
if command -v import >/dev/null; then
    shot_type=png
    shoot() { import -display ":$display" -window root "$1"; }
elif command -v xwd >/dev/null; then
    shot_type=xwd
    shoot() { xwd -display ":$display" -root -silent >"$1"; }
else
    skip "neither ImageMagick's import nor xwd is installed"
fi
[ -x "$program" ] || fail "no program at $program"

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# waits up to $1 tenths of a second for the command in the remaining arguments to succeed
wait_for() {
    local tenths=$1
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# A display number nobody uses: no lock file and no socket.
display=
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
        display=$n
        break
    fi
done
[ -n "$display" ] || skip "no free X display number"
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.txt" 2>&1 &
xvfb_pid=$!
wait_for 100 test -S "/tmp/.X11-unix/X$display" || skip "Xvfb did not start"

mkdir -p "$work/data" "$work/config" "$work/sync"
local_game=$work/data/sapperly/savedGame.json
synced_game=$work/sync/savedGame.json

# Sanitizer builds: leaks inside system libraries are not the program's.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
env -u SAPPERLY_SYNC_FOLDER -u WAYLAND_DISPLAY DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
    XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    SAPPERLY_DEBUG_GEOMETRY=1 \
    "$program" --sync-folder "$work/sync" >"$work/out.txt" 2>&1 &
app_pid=$!

wait_for 200 grep -q '^board ' "$work/out.txt" || fail "the program reported no board geometry"
# Let the window settle: the last line is the geometry in force.
sleep 1
read -r _ left top square columns rows < <(grep '^board ' "$work/out.txt" | tail -n 1)
[ "$columns" = 9 ] && [ "$rows" = 9 ] || fail "expected a beginner board, got $columns x $rows"

# The centre of square (x, y) on the screen.
centre() {
    awk -v l="$left" -v t="$top" -v s="$square" -v x="$1" -v y="$2" \
        'BEGIN { printf "%d %d", l + (x + 0.5) * s, t + (y + 0.5) * s }'
}
click() {
    local button=$1
    read -r sx sy < <(centre "$2" "$3")
    DISPLAY=":$display" xdotool mousemove "$sx" "$sy" sleep 0.2 click "$button"
}

# A flag in a corner first (it starts the game), then the square in the middle: the first
# uncovering keeps mines away from it, so it always opens.
click 3 0 0
wait_for 50 grep -q '"flag"' "$local_game" 2>/dev/null || fail "the right click left no flag"
click 1 4 4
has_revealed() { grep -q '"isRevealed":true' "$local_game" 2>/dev/null; }
wait_for 50 has_revealed || fail "the left click uncovered nothing"

# Both sides hold the same bytes.
wait_for 50 cmp -s "$local_game" "$synced_game" || fail "the local and synced games differ"
grep -q '"phase":"playing"\|"phase":"won"' "$local_game" || fail "unexpected phase in the game"
grep -q '"flagCount":1' "$local_game" || fail "the flag was not counted"

sleep 0.5
shoot "$work/shot.$shot_type" || fail "the screenshot tool failed"
[ -s "$work/shot.$shot_type" ] || fail "the screenshot is empty"
cp "$work/shot.$shot_type" "$screenshot" 2>/dev/null

# Quitting through the keyboard shortcut ends the program cleanly.
window=$(DISPLAY=":$display" xdotool search --pid "$app_pid" --name '^Sapperly$' | head -n 1)
[ -n "$window" ] || fail "no window titled Sapperly"
DISPLAY=":$display" xdotool windowfocus --sync "$window" key ctrl+q
wait_for 50 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "ctrl+q did not quit"
wait "$app_pid"
status=$?
app_pid=
[ "$status" = 0 ] || fail "the program exited with $status"
[ -s "$work/config/sapperly/sapperly.conf" ] || fail "the window geometry was not remembered"
echo "PASS: flagged, uncovered, synced, screenshot in $screenshot"
