#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets (clang, AddressSanitizer and UBSan) and runs each one for a while
# on a scratch copy of its seed corpus, failing on the first crash, leak, timeout or broken
# round trip. Usage: scripts/fuzz.sh [seconds-per-target]   (default 30)
# SAPPERLY_FUZZ_BUILD_DIR picks another build folder than the preset's build/fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
if ! [[ $seconds =~ ^[0-9]+$ ]] || [ "$seconds" -lt 1 ]; then
    echo "usage: $0 [seconds-per-target]" >&2
    exit 2
fi
if ! command -v clang++ >/dev/null 2>&1; then
    echo "skipped: clang not found"
    exit 0
fi

build=${SAPPERLY_FUZZ_BUILD_DIR:-build/fuzz}
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j "${SAPPERLY_FUZZ_JOBS:-$(nproc)}" \
    --target fuzz_board fuzz_saved_game fuzz_records fuzz_engine fuzz_update_feed

artifacts=$build/fuzz-artifacts
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$artifacts"

# The engine target writes its stored files on every run: keep them in memory when possible.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in fuzz_board fuzz_saved_game fuzz_records fuzz_engine fuzz_update_feed; do
    name=${target#fuzz_}
    corpus=$scratch/$name
    mkdir -p "$corpus"
    cp fuzz/corpus/"$name"/* "$corpus"/
    log=$scratch/$name.log
    echo "== $target for ${seconds}s"
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" "$corpus" >"$log" 2>&1; then
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$log" | sed 's/^/   /'
    else
        echo "FAILED: $target (crashing input saved under $artifacts)"
        tail -n 60 "$log"
        failed+=("$target")
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found problems in: ${failed[*]}"
    exit 1
fi
echo "fuzzing: no findings"
