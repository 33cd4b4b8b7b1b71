#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the program at $1 as a screen reader does: through AT-SPI on a D-Bus session of its own
# under a virtual X server (accessibility_e2e.py does the reading).
set -u
here=$(cd "$(dirname "$0")" && pwd) work=$(mktemp -d)
. "$here/../../support/x11.sh"
# pyatspi comes with the system's Python, which another python3 earlier on PATH would hide.
need dbus-run-session dbus-send Xvfb xdotool /usr/bin/python3 /usr/libexec/at-spi{-bus-launcher,2-registryd}
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || need python3-pyatspi
# Sanitizer builds: leaks inside system libraries are not the program's.
export LSAN_OPTIONS="suppressions=$here/../../app/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export XDG_RUNTIME_DIR=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset SAPPERLY_SYNC_FOLDER WAYLAND_DISPLAY
start_xvfb
dbus-run-session -- /usr/bin/python3 "$here/accessibility_e2e.py" "$1" "$work/out.txt" || fail "reading it through AT-SPI"
echo "PASS: the board, the named controls and the keys, read through AT-SPI"
