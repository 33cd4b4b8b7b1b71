#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program: a refusal and --help against the manual page; under X with real mouse buttons,
# from saved games, a flag, a chord, a loss, a win and a relaunch that writes nothing; "wayland":
# its window under a headless weston against offscreen. usage: $0 PROGRAM PAGE [wayland]
set -u
program=$1 page=$2 work=$(mktemp -d)
. "$(dirname "$0")/../support/x11.sh"
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
# bare OPTION [VARIABLE=VALUE...]: the program on fresh folders, without a display unless given one.
bare() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u SAPPERLY_SYNC_FOLDER XDG_RUNTIME_DIR="$work" \
    XDG_DATA_HOME="$work" XDG_CONFIG_HOME="$work" "${@:2}" timeout -k 5 60 "$program" $1 >"$work/out.txt" 2>&1; }
if [ "${3:-}" = wayland ]; then
    need weston compare
    compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so" >/dev/null || need qt6-wayland-plugin
    # Its leaks pass through drivers built without frame pointers: only the slow unwinder sees them.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
    # In the private runtime folder Wayland requires; the clean-up stops the server.
    XDG_RUNTIME_DIR=$work weston --backend=headless-backend.so --socket=smoke --no-config \
        --idle-time=0 --width=1024 --height=768 >"$work/weston.txt" 2>&1 & xvfb_pid=$!
    wait_for 100 test -S "$work/smoke" || fail "weston did not open its socket"
    for on in wayland offscreen; do
        mkdir -p "$work/$on" && bare "" QT_QPA_PLATFORM=$on WAYLAND_DISPLAY=smoke XDG_DATA_HOME="$work/$on" \
            XDG_CONFIG_HOME="$work/$on" SAPPERLY_SCREENSHOT="$work/$on.png" || fail "on $on it exited with $?"
        grep -q "^screenshot .* platform $on$" "$work/out.txt" || fail "the program did not run on $on"
    done
    [ "$(compare -metric AE -fuzz 5% "$work"/{offscreen,wayland}.png null: 2>&1)" = 0 ] ||
        fail "the window on Wayland differs from the one offscreen"
    echo "PASS: the window came up on Wayland with the same fresh game as offscreen" && exit 0
fi
need Xvfb xdotool python3
bare --bogus; [ $? = 2 ] && grep -q "Unknown option 'bogus'" "$work/out.txt" || fail "--bogus"
bare --help || fail "--help exited with $?"
# Help's "  -h, --help  Text" lines; the page's line after each .TP in OPTIONS, '.BR \-h ", " \-\-help'.
opts() { grep -oE -- '(^|[ ",])--?[A-Za-z][A-Za-z-]*' | tr -d ' ",' | sort -u; }
diff <(grep -oE '^  -[^ ]+(, -[^ ]+)*' "$work/out.txt" | opts) \
    <(sed -n '/^\.SH OPTIONS/,/^\.SH /{/^\.TP/{n;s/\\-/-/g;p}}' "$page" | opts) ||
    fail "--help (<) and the manual page (>) list different options"

start_xvfb
data=$work/data/sapperly sync=$work/sync && mkdir -p "$data" "$sync"
# write_game MINES COVERED SECONDS: a beginner game in play on both sides, saved later than
# anything so far; squares are "x,y" lists, and all but the mines and COVERED are open.
write_game() { python3 - "$@" "$data" "$sync" <<'PY'; }
import json, sys, time
mines, covered = ({tuple(map(int, p.split(","))) for p in arg.split()} for arg in sys.argv[1:3])
near = lambda x, y: sum((x + i, y + j) in mines for i in (-1, 0, 1) for j in (-1, 0, 1))
cells = [{"isMine": (x, y) in mines, "isRevealed": (x, y) not in covered | mines, "mark": "none",
          "adjacent": 0 if (x, y) in mines else near(x, y)} for y in range(9) for x in range(9)]
game = {"board": {"difficulty": "beginner", "cells": cells, "phase": "playing", "minesLaid": True,
                  "revealedCount": 81 - len(covered | mines), "flagCount": 0},
        "elapsed": int(sys.argv[3]), "savedAt": time.time() - 978307200 + 5}
for folder in sys.argv[4:]: open(folder + "/savedGame.json", "w").write(json.dumps(game, separators=(",", ":")))
PY
# stored FILE EXPRESSION-ON-v: a value read out of a stored file; game_says waits for the game's.
stored() { python3 -c "import json,sys; v=json.load(open(sys.argv[1])); print($2)" "$1" 2>/dev/null; }
says() { [ "$(stored "$data/savedGame.json" "$1")" = "$2" ]; }
game_says() { wait_for 50 says "$@"; }
settled() { cp "$work/out.txt" "$work/was.txt" && sleep 0.3 && cmp -s "$work/out.txt" "$work/was.txt"; }
found() { window=$(xdotool search --limit 1 --onlyvisible --pid "$app_pid" --name '^Sapperly$'); }
launch() {
    env -u SAPPERLY_SYNC_FOLDER -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb SAPPERLY_DEBUG_GEOMETRY=1 \
        XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
        "$program" --sync-folder "$sync" >"$work/out.txt" 2>&1 & app_pid=$!
    wait_for 200 grep -q '^board ' "$work/out.txt" && wait_for 100 found || fail "no board shown"
    xdotool windowfocus --sync "$window" && wait_for 50 settled || fail "the board kept moving"
    # The last line is the one in force: board LEFT TOP SQUARE COLUMNS ROWS.
    read -r _ left top square _ < <(grep '^board ' "$work/out.txt" | tail -n 1)
}
quit() { xdotool windowfocus --sync "$window" key ctrl+q && wait_for 50 bash -c "! kill -0 $app_pid 2>/dev/null" &&
    wait "$app_pid" && app_pid= || fail "ctrl+q did not quit, or the program failed ($?)"; }
# click BUTTON X Y: button 1 left, 2 middle, 3 right, on the centre of square (X, Y).
click() { xdotool mousemove $((left + ($2 * 2 + 1) * square / 2)) $((top + ($3 * 2 + 1) * square / 2)) \
    sleep 0.2 click "$1"; }
# play MINES COVERED SECONDS FLAG CHORD LAST PHASE PLAYED WON: from a stored game, flags FLAG,
# chords on CHORD, then uncovers LAST, which ends the game in PHASE and is counted.
play() {
    write_game "$1" "$2" "$3" && launch
    click 3 $4 && game_says "v['board']['flagCount']" 1 || fail "the right click left no flag"
    click 2 $5 && game_says "v['board']['revealedCount']" 70 || fail "the middle-click chord opened nothing"
    click 1 $6 && game_says "v['board']['phase']" "$7" || fail "uncovering $6 did not end in $7"
    [ "$(stored "$data/records.json" v)" = "['beginner', {'played': $8, 'won': $9, 'bestSeconds': 30}]" ] ||
        fail "the game was not counted: $(cat "$data/records.json")"
}

# Statistics from earlier games, on both sides: the coming win is slower than the best.
echo '["beginner",{"played":4,"won":2,"bestSeconds":30}]' | tee "$sync/records.json" >"$data/records.json"
# Mines along the bottom row and at (8,7); (6,7), (7,7) and (0,0) still covered; lost.
play "0,8 1,8 2,8 3,8 4,8 5,8 6,8 7,8 8,8 8,7" "6,7 7,7 0,0" 12 "8 7" "7 6" "3 8" lost 5 2
says "v['board']['exploded']" "{'x': 3, 'y': 8}" || fail "the wrong square exploded"
quit
[ -s "$work/config/sapperly/sapperly.conf" ] || fail "the window geometry was not remembered"
# Mines along the top row and at (0,1); (1,1), (2,1) and (8,8) still covered; won.
play "0,0 1,0 2,0 3,0 4,0 5,0 6,0 7,0 8,0 0,1" "1,1 2,1 8,8" 40 "0 1" "1 2" "8 8" won 6 3
game_says "40 <= v['elapsed'] < 100" True || fail "implausible final time"
for f in savedGame records; do cmp -s "$data/$f.json" "$sync/$f.json" || fail "the two sides' $f differ"; done
cp "$data"/*.json "$work" && quit
# Relaunched on the finished game, its clock and the statistics, nothing is written.
launch && quit
for f in savedGame records; do cmp -s "$data/$f.json" "$work/$f.json" || fail "relaunching rewrote $f"; done
echo "PASS: command line; lost with flag, chord and click; won; relaunched unchanged"
