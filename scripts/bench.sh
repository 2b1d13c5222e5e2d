#!/usr/bin/env bash
# Builds an optimised plugin and runs the benchmarks (a few minutes; not part of the tests).
# Usage: scripts/bench.sh [--callgrind]    --callgrind also counts instructions per event
set -euo pipefail
cd "$(dirname "$0")/.."

extra=(libbenchmark-dev)
[ "${1:-}" = "--callgrind" ] && extra+=(valgrind)
scripts/install-deps.sh "${extra[@]}"
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKEYSCRIPT_BENCH=ON >/dev/null
cmake --build "$build" --target keyscript bench_plugin bench_micro spawn_floor

echo "## $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -m)"
echo
timeout 900 "$build/bench/bench_plugin" "$@"
echo
timeout 300 "$build/bench/bench_micro" --benchmark_min_time=0.2
