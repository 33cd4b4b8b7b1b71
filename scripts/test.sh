#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds everything and runs every test: a formatting check, a warning-free debug build, its
# Debian package checked by lintian, short fuzzing runs, and the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
# CI=true (set here unless already set) makes a test that lacks a tool fail instead of skip.
set -euo pipefail
cd "$(dirname "$0")/.."
export CI=${CI:-true}

echo "== licence line in every source file"
scripts/spdx.sh --check

scripts/setup-deps.sh
jobs=$(nproc)

echo "== formatting"
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== debug build, warnings as errors"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"
ctest --preset ci -j "$jobs"

echo "== Debian package, checked by lintian"
scripts/check-package.sh build/ci

echo "== fuzzing, 30 seconds per target"
scripts/fuzz.sh 30

echo "== address and undefined-behaviour sanitizers"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --preset asan -j "$jobs"

echo "== test share"
scripts/test-share.sh
