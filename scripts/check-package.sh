#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from an existing build folder and checks it with lintian, failing on
# any error or warning and listing the informational tags.
#   scripts/check-package.sh [BUILD_DIR]     (default: build/ci, which the test command builds)
# The package wants the game in /usr/games, so the folder is configured for that while the
# package is made and set back afterwards; nothing is recompiled. cpack strips the binary, so a
# debug folder gives the same layout and metadata as a release one.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/ci}
if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "error: $build is not a configured build folder (no CPackConfig.cmake)" >&2
    exit 1
fi

for tool in cpack lintian dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        if [ "${CI:-}" = true ]; then
            echo "error: $tool is missing (scripts/setup-deps.sh installs it)" >&2
            exit 1
        fi
        echo "SKIP: the package check needs $tool (scripts/setup-deps.sh installs it)"
        exit 0
    fi
done

bindir=$(sed -n 's/^CMAKE_INSTALL_BINDIR:[A-Z]*=//p' "$build/CMakeCache.txt")
out=$(mktemp -d)
restore() {
    rm -rf "$out"
    if [ "$bindir" != games ]; then
        cmake "-DCMAKE_INSTALL_BINDIR=${bindir:-bin}" "$build" >/dev/null
    fi
}
trap restore EXIT

cmake -DCMAKE_INSTALL_BINDIR=games "$build" >/dev/null
cmake --build "$build" --target sapperly >/dev/null
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
deb=("$out"/sapperly_*.deb)

echo "Files in $(basename "${deb[0]}"):"
dpkg-deb --contents "${deb[0]}" | awk '$NF !~ /\/$/ { print "  " substr($NF, 2) }'
# lintian warns when it runs as root, which CI containers do; that note is not about the package.
lintian --fail-on error,warning --display-info "${deb[0]}" \
    2> >(grep -v 'running with root privileges' >&2)
echo "lintian: no errors or warnings"
