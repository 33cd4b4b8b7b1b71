#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plays the real program from the keyboard alone while reading it from outside the way a screen
# reader does: through the AT-SPI registry on its own D-Bus session, under a virtual X server.
# accessibility_e2e.py does the playing; this wrapper checks the tools and opens the session.
# Exits 77 (skipped) when a piece is missing, or 1 under CI=true, where nothing may be skipped.
#
# usage: accessibility_e2e.sh PATH/TO/sapperly
set -u

program=$1
here=$(cd "$(dirname "$0")" && pwd)

missing() {
    if [ "${CI:-}" = true ]; then
        echo "FAIL: $* (scripts/setup-deps.sh installs it)"
        exit 1
    fi
    echo "SKIP: $*"
    exit 77
}

command -v dbus-run-session >/dev/null || missing "dbus-run-session is not installed (dbus)"
command -v Xvfb >/dev/null || missing "Xvfb is not installed (xvfb)"
command -v xdotool >/dev/null || missing "xdotool is not installed"
# pyatspi comes with the system's Python, which another python3 earlier on PATH would hide.
python=/usr/bin/python3
[ -x "$python" ] || missing "python3 is not installed"
[ -x /usr/libexec/at-spi-bus-launcher ] || missing "the AT-SPI bus launcher is not installed (at-spi2-core)"
[ -x /usr/libexec/at-spi2-registryd ] || missing "the AT-SPI registry is not installed (at-spi2-core)"
"$python" -c 'import pyatspi' 2>/dev/null || missing "pyatspi is not installed (python3-pyatspi)"
[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }

# Sanitizer builds: leaks inside system libraries are not the program's (the list the other
# end-to-end tests use).
export LSAN_OPTIONS="suppressions=$here/../../app/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# A session bus of its own, so the test neither needs nor disturbs a desktop session.
exec dbus-run-session -- "$python" "$here/accessibility_e2e.py" "$program"
