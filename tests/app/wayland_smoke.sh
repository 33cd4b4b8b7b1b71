#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the real program natively under a headless Wayland compositor and checks, from the
# program's own picture of its window, that the window came up with its board. Exits 77
# (skipped) when weston or Qt's Wayland plugin is missing; under CI=true that fails instead.
# usage: wayland_smoke.sh PATH/TO/sapperly PATH/TO/window_shot_check [SCREENSHOT.png]
set -u

program=$1
checker=$2
screenshot=${3:-$PWD/sapperly_wayland.png}
work=$(mktemp -d)
. "$(dirname "$0")/../support/x11.sh"
weston_pid=
trap '[ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null; cleanup' EXIT
on_fail() { [ -f "$work/weston.txt" ] && sed 's/^/  weston: /' "$work/weston.txt"; }
need weston
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so" >/dev/null ||
    skip "Qt's Wayland platform plugin (qt6-wayland) is not installed"
[ -x "$program" ] || fail "no program at $program"

# The compositor's own runtime folder, private as Wayland requires, and a socket name no other
# run shares.
runtime=$work/runtime
mkdir -m 700 "$runtime" "$work/data" "$work/config"
socket=sapperly-smoke-$$
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" --no-config \
    --idle-time=0 --width=1024 --height=768 >"$work/weston.txt" 2>&1 &
weston_pid=$!
wait_for 100 bash -c "[ -S '$runtime/$socket' ] || ! kill -0 $weston_pid 2>/dev/null"
[ -S "$runtime/$socket" ] || fail "weston did not open its socket"

# Sanitizer builds: leaks inside system libraries are not the program's. Those of the Wayland
# client pass through graphics drivers built without frame pointers, so only the slow unwinder
# sees that they start there.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
env -u DISPLAY -u SAPPERLY_SYNC_FOLDER XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" \
    QT_QPA_PLATFORM=wayland XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
    SAPPERLY_SCREENSHOT="$screenshot" timeout 60 "$program" >"$work/out.txt" 2>&1
status=$?
[ "$status" = 0 ] || fail "the program exited with $status"
grep -q "^screenshot .* platform wayland$" "$work/out.txt" || fail "the program did not run on Wayland"
"$checker" "$screenshot" || fail "the window's picture shows no board"
echo "PASS: the window came up on Wayland with its board, picture in $screenshot"
