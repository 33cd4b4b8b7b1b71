#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program natively under a headless Wayland compositor: the picture it takes of its
# window must show the same fresh game as one taken offscreen. A missing tool skips (77), or fails
# under CI=true. usage: wayland_smoke.sh PATH/TO/sapperly [FOLDER-FOR-SCREENSHOTS]
set -u
program=$1 keep=${2:-} work=$(mktemp -d) weston_pid=
. "$(dirname "$0")/../support/x11.sh"
trap '[ -n "$weston_pid" ] && kill "$weston_pid"; cleanup' EXIT
on_fail() { sed 's/^/  weston: /' "$work/weston.txt"; }
need weston compare
compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so" >/dev/null || need qt6-wayland-plugin
# Sanitizer builds: leaks inside system libraries are not the program's. Those of the Wayland
# client pass through graphics drivers built without frame pointers, so only the slow unwinder
# sees that they start there.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0"
# shot PLATFORM [VARIABLE=VALUE...]: the program's picture of its window on a fresh data folder.
shot() {
    mkdir -p "$work/$1" && env -u DISPLAY -u SAPPERLY_SYNC_FOLDER QT_QPA_PLATFORM="$1" "${@:2}" \
        XDG_DATA_HOME="$work/$1" XDG_CONFIG_HOME="$work/$1" SAPPERLY_SCREENSHOT="$work/$1.png" \
        timeout 60 "$program" >"$work/out.txt" 2>&1 || fail "on $1 the program exited with $?"
    grep -q "^screenshot .* platform $1$" "$work/out.txt" || fail "the program did not run on $1"
    [ -n "$keep" ] && mkdir -p "$keep" && cp "$work/$1.png" "$keep"/
}
# The compositor's runtime folder, private as Wayland requires, and a socket no other run shares.
runtime=$work/runtime socket=sapperly-smoke-$$
mkdir -m 700 "$runtime"
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket="$socket" --no-config \
    --idle-time=0 --width=1024 --height=768 >"$work/weston.txt" 2>&1 &
weston_pid=$!
wait_for 100 bash -c "[ -S '$runtime/$socket' ] || ! kill -0 $weston_pid 2>/dev/null"
[ -S "$runtime/$socket" ] || fail "weston did not open its socket"
shot wayland XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket"
shot offscreen
differing=$(compare -metric AE -fuzz 5% "$work/offscreen.png" "$work/wayland.png" null: 2>&1)
[ "$differing" = 0 ] || fail "the window on Wayland differs from the one offscreen: $differing"
echo "PASS: the window came up on Wayland with the same fresh game as offscreen"
