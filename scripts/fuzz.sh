#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time.
# Usage: scripts/fuzz.sh [seconds per target, default 30]
# New inputs the fuzzer finds go to build-fuzz/corpus/<target>; the seeds in fuzz/corpus stay.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}

scripts/install-deps.sh clang libclang-rt-14-dev
build=${BUILD_DIR:-build-fuzz}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKEYSCRIPT_FUZZ=ON -DKEYSCRIPT_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_inbound fuzz_scriptoutput fuzz_settings fuzz_ziparchive

for target in inbound scriptoutput settings ziparchive; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    echo "== fuzz_$target for ${seconds}s"
    log="$build/fuzz_$target.log"
    status=0
    "$build/fuzz/fuzz_$target" "$corpus" "fuzz/corpus/$target" -max_total_time="$seconds" \
        -max_len=200000 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$build/" >"$log" 2>&1 || status=$?
    grep -E "^stat::(number_of_executed_units|peak_rss_mb)" "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -40 "$log" >&2
        echo "fuzz_$target failed (exit $status); the input is in $build/" >&2
        exit 1
    fi
done
