#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the size of the tests against the code they test: non-blank lines of the tracked files
# under tests/ against those under src/. Benchmarks and fuzz targets count as neither.
set -euo pipefail
cd "$(dirname "$0")/.."

count() { git ls-files -z -- "$1" | xargs -0 cat | grep -c -v '^[[:space:]]*$'; }
src=$(count src)
tests=$(count tests)
awk -v t="$tests" -v s="$src" \
    'BEGIN { printf "tests: %d non-blank lines against %d in src (%.0f%%; the house aims at 25-33%%)\n", t, s, 100 * t / s }'
