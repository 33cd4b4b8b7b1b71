#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays whole games in the real program under a virtual X server with real mouse buttons, then
# relaunches it and checks that nothing was lost: a first game from nothing stored, then two from
# saved games with their mines laid, so every click has a known outcome (a right-click flag, a
# middle-click chord, then a left click that loses, or wins). The stored files must say what the
# window shows; after a relaunch they must be untouched and the window look exactly as before.
# First, the command line's answers without a display. Exits 77 (skipped) when Xvfb, xdotool or
# ImageMagick is missing, or 1 under CI=true.
# usage: games_e2e.sh PATH/TO/sapperly [FOLDER-FOR-SCREENSHOTS]
set -u

program=$1
keep=${2:-}
work=$(mktemp -d)
. "$(dirname "$0")/../support/x11.sh"
on_fail() { [ -n "$keep" ] && mkdir -p "$keep" && cp "$work"/*.png "$work"/*.json "$keep"/ 2>/dev/null; }
need Xvfb xdotool import compare python3
[ -x "$program" ] || fail "no program at $program"

# The command line answers without any display.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$@"; }
version=$(headless --version) || fail "--version failed without a display"
[[ "$version" == "sapperly "[0-9]* ]] || fail "--version printed '$version'"
headless --help | grep -q -- '--sync-folder' || fail "--help does not list --sync-folder"
headless --no-such-option >/dev/null 2>&1
[ $? = 2 ] || fail "an unknown option did not exit with 2"

start_xvfb
local_dir=$work/data/sapperly
sync_dir=$work/sync
mkdir -p "$local_dir" "$sync_dir" "$work/config"

# A beginner board in play, written as the program stores it. Arguments: the mines and the
# squares still covered, as "x,y" lists, and the seconds already on the clock. Every other
# square is uncovered; the counts follow from the mines.
write_game() {
    python3 - "$1" "$2" "$3" "$local_dir" "$sync_dir" <<'PY'
import json, sys, time
mines = {tuple(map(int, p.split(","))) for p in sys.argv[1].split()}
covered = {tuple(map(int, p.split(","))) for p in sys.argv[2].split()} | mines
cells = []
for y in range(9):
    for x in range(9):
        near = sum((x + dx, y + dy) in mines for dx in (-1, 0, 1) for dy in (-1, 0, 1)
                   if (dx, dy) != (0, 0))
        cells.append({"isMine": (x, y) in mines, "isRevealed": (x, y) not in covered,
                      "mark": "none", "adjacent": 0 if (x, y) in mines else near})
board = {"difficulty": "beginner", "cells": cells, "phase": "playing", "minesLaid": True,
         "revealedCount": 81 - len(covered), "flagCount": 0}
# Later than anything the program saved so far, so it is the game restored at launch.
saved = {"board": board, "elapsed": int(sys.argv[3]), "savedAt": time.time() - 978307200 + 5}
text = json.dumps(saved, separators=(",", ":"))
for folder in sys.argv[4:]:
    with open(folder + "/savedGame.json", "w") as f:
        f.write(text)
PY
}

# Reads a value out of a stored file: stored FILE PYTHON-EXPRESSION-ON-v
stored() {
    python3 -c "import json,sys; v=json.load(open(sys.argv[1])); print($2)" "$1" 2>/dev/null
}
game_says() { [ "$(stored "$local_dir/savedGame.json" "$1")" = "$2" ]; }

# Sanitizer builds: leaks inside system libraries are not the program's.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

launch() {
    : >"$work/out.txt"
    env -u SAPPERLY_SYNC_FOLDER -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb \
        XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
        SAPPERLY_DEBUG_GEOMETRY=1 \
        "$program" --sync-folder "$sync_dir" >"$work/out.txt" 2>&1 &
    app_pid=$!
    wait_for 200 grep -q '^board ' "$work/out.txt" || fail "the program reported no board geometry"
    wait_for 100 find_window || fail "no window titled Sapperly"
    xdotool windowfocus --sync "$window"
    wait_for 50 geometry_settled || fail "the board kept moving"
    read -r _ left top square columns rows < <(grep '^board ' "$work/out.txt" | tail -n 1)
    [ "$columns" = 9 ] && [ "$rows" = 9 ] || fail "expected a beginner board, got $columns x $rows"
}

# The last geometry line is the one in force once no new one comes for a moment.
geometry_settled() {
    local before=$(grep -c '^board ' "$work/out.txt")
    sleep 0.3 && [ "$before" = "$(grep -c '^board ' "$work/out.txt")" ]
}

find_window() {
    window=$(xdotool search --onlyvisible --pid "$app_pid" --name '^Sapperly$' 2>/dev/null | head -n 1)
    [ -n "$window" ]
}

quit() {
    xdotool windowfocus --sync "$window" key ctrl+q
    wait_for 50 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "ctrl+q did not quit"
    wait "$app_pid"
    local status=$? && app_pid=
    [ "$status" = 0 ] || fail "the program exited with $status"
}

# button 1 left, 2 middle, 3 right; on the centre of square (x, y)
click() {
    local sx sy
    read -r sx sy < <(awk -v l="$left" -v t="$top" -v s="$square" -v x="$2" -v y="$3" \
        'BEGIN { printf "%d %d", l + (x + 0.5) * s, t + (y + 0.5) * s }')
    xdotool mousemove "$sx" "$sy" sleep 0.2 click "$1"
}

# The window as it looks at rest: pointer parked outside it, focused, and two screenshots in a
# row alike (animations over).
same_twice() {
    import -window "$window" "$work/$1.png" && import -window "$window" "$work/$1.next.png" || return 1
    [ "$(compare -metric AE "$work/$1.png" "$work/$1.next.png" null: 2>&1)" = 0 ]
}
shoot() {
    xdotool mousemove 0 0 windowfocus --sync "$window"
    wait_for 100 same_twice "$1" || fail "the window did not come to rest for a screenshot"
    rm -f "$work/$1.next.png"
}

# flag X Y: a right click that must leave one flag.
flag() {
    click 3 "$1" "$2"
    wait_for 50 game_says "v['board']['flagCount']" 1 || fail "the right click left no flag"
}

# Game 0, from nothing stored: a flag in a corner starts it, then the first uncovering in the
# middle, which the first-move rule keeps clear of mines; both sides hold the same bytes.
launch
flag 0 0
click 1 4 4
wait_for 50 game_says "v['board']['revealedCount'] > 0" True || fail "the left click uncovered nothing"
game_says "v['board']['phase'] in ('playing', 'won')" True || fail "the first uncovering lost"
wait_for 50 cmp -s "$local_dir/savedGame.json" "$sync_dir/savedGame.json" \
    || fail "the local and synced games differ"
quit
[ -s "$work/config/sapperly/sapperly.conf" ] || fail "the window geometry was not remembered"

# Statistics from earlier games, on both sides: the coming win is slower than the best.
printf '%s' '["beginner",{"played":4,"won":2,"bestSeconds":30}]' >"$local_dir/records.json"
cp "$local_dir/records.json" "$sync_dir/records.json"

# play MINES COVERED SECONDS FLAG CHORD LAST PHASE PLAYED WON: from a stored game, flags the
# square FLAG, chords on CHORD, then uncovers LAST, which ends the game in PHASE and is counted.
play() {
    write_game "$1" "$2" "$3"
    launch
    flag $4
    click 2 $5
    wait_for 50 game_says "v['board']['revealedCount']" 70 || fail "the middle-click chord opened nothing"
    click 1 $6
    wait_for 50 game_says "v['board']['phase']" "$7" || fail "uncovering $6 did not end in $7"
    [ "$(stored "$local_dir/records.json" "v")" = "['beginner', {'played': $8, 'won': $9, 'bestSeconds': 30}]" ] \
        || fail "the game was not counted: $(cat "$local_dir/records.json")"
}

# Game 1: mines along the bottom row and at (8,7); (6,7), (7,7) and (0,0) still covered; lost.
play "0,8 1,8 2,8 3,8 4,8 5,8 6,8 7,8 8,8 8,7" "6,7 7,7 0,0" 12 "8 7" "7 6" "3 8" lost 5 2
game_says "v['board']['exploded']" "{'x': 3, 'y': 8}" || fail "the wrong square exploded"
quit

# Game 2: mines along the top row and at (0,1); (1,1), (2,1) and (8,8) still covered; won.
play "0,0 1,0 2,0 3,0 4,0 5,0 6,0 7,0 8,0 0,1" "1,1 2,1 8,8" 40 "0 1" "1 2" "8 8" won 6 3
final=$(stored "$local_dir/savedGame.json" "v['elapsed']")
[ "$final" -ge 40 ] && [ "$final" -lt 100 ] || fail "implausible final time $final"
cmp -s "$local_dir/savedGame.json" "$sync_dir/savedGame.json" || fail "the two sides differ"
cmp -s "$local_dir/records.json" "$sync_dir/records.json" || fail "the two sides' records differ"
shoot before
cp "$local_dir/savedGame.json" "$work/game.json"
cp "$local_dir/records.json" "$work/records.json"
quit

# Relaunch: the finished game, its clock and the statistics come back as they were, and
# starting writes nothing.
launch
shoot after
cmp -s "$local_dir/savedGame.json" "$work/game.json" || fail "relaunching rewrote the saved game"
cmp -s "$local_dir/records.json" "$work/records.json" || fail "relaunching rewrote the records"
# Glyph edges come out a shade different between a square uncovered in play and one restored
# from disk; 5% colour tolerance absorbs that, while a changed digit or square is far beyond it.
differing=$(compare -metric AE -fuzz 5% "$work/before.png" "$work/after.png" null: 2>&1)
[ "$differing" = 0 ] || fail "the relaunched window differs from the one before in $differing pixels"
quit

[ -n "$keep" ] && mkdir -p "$keep" && cp "$work"/before.png "$work"/after.png "$keep"/
echo "PASS: lost with flag, chord and click; won in ${final}s; relaunched unchanged"
