#!/usr/bin/env bash
# Builds keyscript and runs every test with CTest. Installs what is missing first.
# Usage: scripts/test.sh [cmake-option ...]    e.g. scripts/test.sh -DKEYSCRIPT_SANITIZE=ON
# BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 300
