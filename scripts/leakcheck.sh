#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Looks for memory leaks in the store, the engine and the fault tests. Normally with
# LeakSanitizer in the AddressSanitizer build; where LeakSanitizer cannot run (it needs ptrace,
# which some containers forbid) or with --valgrind, under valgrind in a plain debug build.
# Usage: scripts/leakcheck.sh [--valgrind]
# SAPPERLY_LEAK_BUILD_DIR picks another build folder than build/asan (or build/debug).
set -euo pipefail
cd "$(dirname "$0")/.."

mode=lsan
if [ "${1:-}" = "--valgrind" ]; then
    mode=valgrind
elif [ $# -gt 0 ]; then
    echo "usage: $0 [--valgrind]" >&2
    exit 2
fi
pattern='^(store_|engine_|proof_)'
jobs=${SAPPERLY_LEAK_JOBS:-$(nproc)}

# A program that leaks on purpose: LeakSanitizer must report it, or its silence means nothing.
lsan_works() {
    local scratch
    scratch=$(mktemp -d)
    printf '#include <cstdlib>\nvoid* volatile kept;\nint main() { kept = std::malloc(64); kept = nullptr; }\n' \
        >"$scratch/leak.cpp"
    local verdict=1
    if c++ -fsanitize=address -g "$scratch/leak.cpp" -o "$scratch/leak" 2>/dev/null \
        && ! ASAN_OPTIONS=detect_leaks=1 "$scratch/leak" >"$scratch/out" 2>&1 \
        && grep -q "detected memory leaks" "$scratch/out"; then
        verdict=0
    fi
    rm -rf "$scratch"
    return $verdict
}

# Builds the store, engine and fault-test executables of a configured build folder.
build_targets() {
    local build=$1
    local targets
    targets=$(cmake --build "$build" --target help | sed -nE 's/^((store_|engine_|proof_)[A-Za-z0-9_]+):.*/\1/p')
    if [ -z "$targets" ]; then
        echo "no store, engine or fault tests found in $build" >&2
        exit 1
    fi
    # shellcheck disable=SC2086 # one target per word
    cmake --build "$build" -j "$jobs" --target $targets
}

if [ "$mode" = lsan ] && ! lsan_works; then
    echo "LeakSanitizer does not work here (ptrace restricted?): using valgrind instead"
    mode=valgrind
fi

if [ "$mode" = lsan ]; then
    build=${SAPPERLY_LEAK_BUILD_DIR:-build/asan}
    echo "== LeakSanitizer: AddressSanitizer build in $build"
    cmake --preset asan -B "$build" >/dev/null
    build_targets "$build"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 LSAN_OPTIONS=report_objects=1 \
        ctest --test-dir "$build" -R "$pattern" -j "$jobs" --output-on-failure
    echo "leak check (LeakSanitizer): no leaks"
    exit 0
fi

if ! command -v valgrind >/dev/null 2>&1; then
    echo "neither LeakSanitizer nor valgrind is usable here" >&2
    exit 1
fi
build=${SAPPERLY_LEAK_BUILD_DIR:-build/debug}
echo "== valgrind: debug build in $build"
cmake --preset debug -B "$build" >/dev/null
build_targets "$build"
# Only leaks that are certainly ours fail the run; "possibly lost" is mostly Qt's own caches.
failed=()
for name in $(ctest --test-dir "$build" -N -R "$pattern" | sed -nE 's/^ *Test +#[0-9]+: //p'); do
    exe=$(find "$build/tests" -type f -perm -u+x -name "$name" | head -n 1)
    [ -n "$exe" ] || { echo "no executable for $name" >&2; failed+=("$name"); continue; }
    echo "-- $name"
    if ! QT_QPA_PLATFORM=offscreen valgrind --quiet --leak-check=full \
        --errors-for-leak-kinds=definite,indirect --error-exitcode=1 "$exe" >/dev/null; then
        failed+=("$name")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "leak check (valgrind) failed in: ${failed[*]}"
    exit 1
fi
echo "leak check (valgrind): no leaks"
