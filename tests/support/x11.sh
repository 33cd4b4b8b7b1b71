# SPDX-License-Identifier: GPL-3.0-or-later
# Shell helpers for tests that drive the real program under a virtual X server. Source it after
# setting `work` to a scratch folder; it installs the clean-up trap.
#
#   need TOOL...     skips the test (77) when a tool is missing; under CI=true it fails instead
#   fail MESSAGE     prints the program's output, calls on_fail when defined, and exits 1
#   wait_for TENTHS COMMAND...   waits up to TENTHS tenths of a second for COMMAND to succeed
#   start_xvfb       starts Xvfb on a display it picks itself and exports DISPLAY

xvfb_pid=
app_pid=

skip() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: $* (CI never skips)"
        exit 1
    fi
    echo "SKIP: $*"
    exit 77
}

need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup-deps.sh installs it)"
    done
}

fail() {
    echo "FAIL: $*"
    [ -f "$work/out.txt" ] && sed 's/^/  program: /' "$work/out.txt"
    # A test may define on_fail to keep what it made.
    declare -F on_fail >/dev/null && on_fail
    exit 1
}

cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

wait_for() {
    local tenths=$1 i
    shift
    for ((i = 0; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

# Xvfb chooses a free display itself and writes its number once it accepts connections, so
# there is no window between finding a number free and taking it.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display.txt" \
        >"$work/xvfb.txt" 2>&1 &
    xvfb_pid=$!
    wait_for 100 grep -q '^[0-9]' "$work/display.txt" || fail "Xvfb did not start: $(cat "$work/xvfb.txt")"
    export DISPLAY=":$(head -n 1 "$work/display.txt")"
}
