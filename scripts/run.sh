#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Sapperly in release mode and launches it. Arguments go to the game (e.g. --sync-folder DIR).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target sapperly

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Sapperly needs a graphical display: neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
    echo "Run it from a desktop session, or under a virtual one: xvfb-run -a scripts/run.sh" >&2
    exit 1
fi
exec build/release/src/app/sapperly "$@"
