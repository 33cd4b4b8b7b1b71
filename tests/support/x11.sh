# SPDX-License-Identifier: GPL-3.0-or-later
# Shell helpers for tests that drive the real program under a virtual X server. Source it after
# setting `work` to a scratch folder; it installs the clean-up trap. need TOOL... skips (77) when
# a tool is missing, or fails under CI=true; fail MESSAGE prints the program's output, calls
# on_fail when defined and exits 1; wait_for TENTHS COMMAND... waits for COMMAND to succeed.

xvfb_pid=
app_pid=

need() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null && continue
        [ "${CI:-}" = true ] && { echo "FAIL: $tool is not installed (CI never skips)"; exit 1; }
        echo "SKIP: $tool is not installed (scripts/setup-deps.sh installs it)"
        exit 77
    done
}

fail() {
    echo "FAIL: $*"
    [ -f "$work/out.txt" ] && sed 's/^/  program: /' "$work/out.txt"
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

# Xvfb picks a free display itself and writes its number once it accepts connections, so no
# other server can take the display between finding it free and using it. Exports DISPLAY.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display.txt" \
        >"$work/xvfb.txt" 2>&1 &
    xvfb_pid=$!
    wait_for 100 grep -q '^[0-9]' "$work/display.txt" || fail "Xvfb did not start: $(cat "$work/xvfb.txt")"
    export DISPLAY=":$(head -n 1 "$work/display.txt")"
}
